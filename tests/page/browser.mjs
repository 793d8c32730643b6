// The headless browser both page tests drive: Debian's chromium with a
// profile of its own, nothing fetched, and the page's script errors, console
// errors and requests gathered for the tests to check.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
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

// The workbench page at 1280 x 800 with every question it asks answered yes,
// once its module is ready.
export async function openWorkbench(pagePath) {
  const opened = await openPage(pathToFileURL(pagePath).href, { width: 1280, height: 800 });
  opened.page.on('dialog', (d) => d.accept());
  await opened.page.evaluate(() => window.tesselWorkbench.ready);
  return opened;
}

// The current tab as the native file the page saves.
export const nativeBytes = async (page) =>
  Buffer.from(await page.evaluate(() => Array.from(window.tesselWorkbench.save('native').bytes)));

// Every tab closed by its close button.
export const closeAllTabs = (page) =>
  page.evaluate(() => { for (const b of document.querySelectorAll('#tabs .tab i')) b.click(); });
