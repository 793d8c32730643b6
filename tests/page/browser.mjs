// The headless browser both page tests drive: Debian's chromium with a
// profile of its own, nothing fetched, and the page's script errors, console
// errors and requests gathered for the tests to check.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import puppeteer from 'puppeteer-core';

export async function openPage(url, { width, height }) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tessel-page-'));
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [
      '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      `--user-data-dir=${profile}`,
    ],
  });
  const page = await browser.newPage();
  const problems = [];
  const requests = [];
  page.on('pageerror', (e) => problems.push(`script error: ${e.message}`));
  page.on('console', (m) => {
    if (m.type() === 'error') problems.push(`console error: ${m.text()}`);
  });
  page.on('request', (r) => requests.push(r.url()));
  await page.setViewport({ width, height });
  await page.goto(url, { waitUntil: 'load' });
  const close = async () => {
    await browser.close();
    fs.rmSync(profile, { recursive: true, force: true });
  };
  return { browser, page, problems, requests, close };
}

// Opens files of `folder` through the page's file chooser, as a person does,
// and waits for the last one's tab.
export async function pickFiles(page, folder, names) {
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('label.button')]);
  await chooser.accept(names.map((n) => path.join(folder, n)));
  await page.waitForFunction((n) => window.tesselWorkbench.tabs().titles.includes(n), {}, names[names.length - 1]);
}

// A key pressed with a modifier held.
export async function pressWith(page, modifier, key) {
  await page.keyboard.down(modifier);
  await page.keyboard.press(key);
  await page.keyboard.up(modifier);
}
