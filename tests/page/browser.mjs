// What the page tests share: headless chromium with a profile of its own, the
// page's errors and requests gathered; the workbench beside a work folder and the console host.
import { after } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import puppeteer from 'puppeteer-core';

export async function openPage(url, { width, height }) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tessel-page-'));
  const browser = await puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--headless', '--no-sandbox',
    '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
    `--user-data-dir=${profile}`] });
  const page = await browser.newPage();
  const [problems, requests] = [[], []];
  page.on('pageerror', (e) => problems.push(`script error: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && problems.push(`console error: ${m.text()}`));
  page.on('request', (r) => requests.push(r.url()));
  await page.setViewport({ width, height });
  await page.goto(url, { waitUntil: 'load' });
  const close = () => browser.close().then(() => fs.rmSync(profile, { recursive: true, force: true }));
  return { browser, page, problems, requests, close };
}

export const pause = (ms) => new Promise((r) => setTimeout(r, ms));

// A small generator of random numbers below n, so a failing case can be run again from its seed.
export function generator(seed) {
  let s = seed >>> 0 || 1;
  return (n) => {
    s ^= s << 13; s >>>= 0;
    s ^= s >>> 17;
    s ^= s << 5; s >>>= 0;
    return s % n;
  };
}

const NAMED_KEYS = ['Tab', 'Enter', 'Escape', 'F2', 'F8', 'ArrowUp', 'ArrowDown', 'ArrowLeft', 'ArrowRight', 'Home', 'End', 'Backspace'];

// The workbench (TESSEL_WORKBENCH) for a test file, held against the console
// (TESSEL_CONSOLE): opened at once (the file awaits it), closed after its tests,
// downloads to `downloads`, its questions answered from `answers` (else yes) and noted in `dialogs`.
export async function useWorkbench(prefix, { width = 1280, height = 800 } = {}) {
  const { TESSEL_WORKBENCH: pagePath, TESSEL_CONSOLE: consolePath } = process.env;
  assert.ok(pagePath && fs.existsSync(consolePath), `TESSEL_WORKBENCH is set and the console host built: ${consolePath}`);
  const work = fs.mkdtempSync(path.join(os.tmpdir(), prefix));
  const wb = { work, consolePath, pagePath, shots: process.env.TESSEL_SCREENSHOTS, dialogs: [], answers: [],
    downloads: path.join(work, 'downloads'), ...(await openPage(pathToFileURL(pagePath).href, { width, height })) };
  after(() => wb.close().then(() => fs.rmSync(work, { recursive: true, force: true })));
  const { page } = wb;
  page.on('dialog', async (d) => {
    wb.dialogs.push({ type: d.type(), message: d.message() });
    await ((wb.answers.shift() ?? true) ? d.accept() : d.dismiss());
  });
  await page.evaluate(() => window.tesselWorkbench.ready);
  fs.mkdirSync(wb.downloads);
  await (await page.createCDPSession()).send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: wb.downloads });
  // Console lines run as a script in the work folder, in the C locale: its output a character a byte.
  wb.tessel = (lines, name = 'script.tessel') => {
    fs.writeFileSync(path.join(work, name), lines.join('\n') + '\n');
    return wb.console(['run', name], 0, 'latin1').stdout;
  };
  // The console run with `args` on files of the work folder, its exit status checked.
  wb.console = (args, status = 0, encoding = 'utf8') => {
    const ran = spawnSync(consolePath, args, { cwd: work, encoding, env: { ...process.env, LC_ALL: 'C' } });
    assert.equal(ran.status, status, ran.stderr);
    return ran;
  };
  // The native file the console saves after `lines`, as `name` in the work folder.
  wb.consoleFile = (lines, name) => {
    wb.tessel([...lines, `Save to file "${name}"`], name + '.tessel');
    return fs.readFileSync(path.join(work, name));
  };
  // Bytes go to the page as base64 (puppeteer carries JSON).
  wb.open = (name, bytes, format = '') => page.evaluate((n, b, f) =>
    window.tesselWorkbench.open(n, Uint8Array.from(atob(b), (c) => c.charCodeAt(0)), f), name, Buffer.from(bytes).toString('base64'), format);
  wb.run = (line) => page.evaluate((l) => window.tesselWorkbench.run(l), line);
  wb.runAll = (lines) => page.evaluate((ls) => ls.map((l) => window.tesselWorkbench.run(l)), lines);
  wb.cells = () => page.evaluate(() => window.tesselWorkbench.cells());
  wb.call = (name, ...args) => page.evaluate((n, a) => window.tesselWorkbench[n](...a), name, args);
  // The current tab saved in `format`: its bytes, what the format lost and the map it went into.
  wb.saved = (format) => page.evaluate(async (f) => {
    const s = await window.tesselWorkbench.save(f);
    return { bytes: Array.from(s.bytes), losses: s.losses, template: s.template };
  }, format).then((s) => ({ ...s, bytes: Buffer.from(s.bytes) }));
  wb.save = async (format = 'native') => (await wb.saved(format)).bytes;
  wb.file = (name) => fs.readFileSync(path.join(work, name));
  wb.write = (name, bytes) => fs.writeFileSync(path.join(work, name), bytes);
  // Elements of the page: a grid cell's selector, texts, counts, a field's value set, a line typed and entered.
  wb.cell = (u, c) => `.cell[data-u="${u}"][data-c="${c}"]`;
  wb.text = (selector) => page.$eval(selector, (e) => e.textContent);
  wb.texts = (selector) => page.$$eval(selector, (es) => es.map((e) => e.textContent));
  wb.count = (selector) => page.$$eval(selector, (es) => es.length);
  wb.shown = (selector) => page.$eval(selector, (e) => !e.hidden);
  wb.value = (selector) => page.$eval(selector, (e) => e.value);
  wb.setField = (selector, value) => page.$eval(selector, (e, v) => { e.value = v; }, value);
  // The tabs' titles, the current tab's, its log, the questions and banners above the grid, the cursor's [u, c].
  wb.titles = async () => (await wb.call('tabs')).titles;
  wb.tabTitle = () => wb.text('#tabs .tab.on span');
  wb.logText = () => page.$eval('#log', (e) => e.innerText);
  wb.offers = (kind = '') => page.$$eval(`#offers .offer${kind}`, (o) => o.map((e) => e.firstChild.textContent));
  wb.current = () => page.$eval('.cell.cur', (e) => [Number(e.dataset.u), Number(e.dataset.c)]);
  wb.box = (selector) => page.$eval(selector, (e) => { const r = e.getBoundingClientRect(); return { x: r.x, y: r.y, w: r.width, h: r.height }; });
  wb.enter = async (selector, text) => {
    await wb.setField(selector, '');
    await page.type(selector, text);
    await page.keyboard.press('Enter');
  };
  // The mouse pressed at `from`, moved in `steps` to `to` ([x, y] on screen each) and let go there.
  wb.drag = async (from, to, steps) => {
    await page.mouse.move(...from);
    await page.mouse.down();
    await page.mouse.move(...to, { steps });
    await page.mouse.up();
  };
  // Files dropped on the page together, each [name, bytes].
  wb.drop = (...files) => page.evaluate((list) => {
    const data = new DataTransfer();
    for (const [n, b] of list) data.items.add(new File([new Uint8Array(b)], n));
    window.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
  }, files.map(([n, b]) => [n, Array.from(b)]));
  // Keys pressed in turn: a named key pressed, [modifier, key] pressed together, anything else typed.
  wb.keys = async (...sequence) => {
    for (const k of sequence) {
      const [held, key] = Array.isArray(k) ? k : [null, k];
      if (held) await page.keyboard.down(held);
      await (held || NAMED_KEYS.includes(key) ? page.keyboard.press(key) : page.keyboard.type(key));
      if (held) await page.keyboard.up(held);
    }
  };
  // The grid focused, or cell (u, c) clicked, then keys pressed.
  wb.viewKeys = (...sequence) => page.focus('#view').then(() => wb.keys(...sequence));
  wb.typeAt = (u, c, ...sequence) => page.click(wb.cell(u, c)).then(() => wb.keys(...sequence));
  wb.closeAll = () => page.evaluate(() => { for (const b of document.querySelectorAll('#tabs .tab i')) b.click(); });
  // Only `name` open, through the file chooser.
  wb.only = (name) => wb.closeAll().then(() => wb.pick(name));
  // Files of the work folder opened through the file chooser, as a person does; the last one's tab is waited for.
  wb.pick = (...names) => wb.choose('label.button', ...names).then(() => wb.tabOpened(names.at(-1)));
  wb.tabOpened = (name, timeout = 30000) => page.waitForFunction((n) => window.tesselWorkbench.tabs().titles.includes(n), { timeout }, name);
  // Files of the work folder given to the file chooser that a click on `selector` opens.
  wb.choose = (selector, ...names) => Promise.all([page.waitForFileChooser(), page.click(selector)])
    .then(([chooser]) => chooser.accept(names.map((n) => path.join(work, n))));
  // A downloaded file once the browser has written `size` bytes of it (five seconds at most), or null.
  wb.downloaded = async (name, size = 1) => {
    const file = path.join(wb.downloads, name);
    for (let i = 0; i < 100 && !(fs.existsSync(file) && fs.statSync(file).size >= size); ++i) await pause(50);
    return fs.existsSync(file) ? fs.readFileSync(file) : null;
  };
  // A screenshot `name`.png in TESSEL_SCREENSHOTS, and with `narrow` (true, or its own name) one at 800 x 700 too.
  wb.shoot = async (name, narrow = false) => {
    assert.ok(wb.shots, 'TESSEL_SCREENSHOTS is set');
    await page.screenshot({ path: path.join(wb.shots, name + '.png') });
    if (!narrow) return;
    await page.setViewport({ width: 800, height: 700 });
    await page.screenshot({ path: path.join(wb.shots, (narrow === true ? name + '-narrow' : narrow) + '.png') });
    await page.setViewport({ width, height });
  };
  return wb;
}

// Two files' bytes alike, told by their sizes when not.
export function sameBytes(actual, expected, message) {
  const [a, e] = [Buffer.from(actual), Buffer.from(expected)];
  assert.ok(a.equals(e), `${message ?? 'the bytes'}: ${a.length} bytes, expected ${e.length}`);
}
