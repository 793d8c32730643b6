// Opening a large file in the workbench, through its file chooser, in headless
// Chromium: the milliseconds from the choice until the page shows that it is
// working (the message, and the grid marked busy), the longest time the page
// could not answer (the longest task), and until the file's tab is drawn.
// Run on demand, not by scripts/test (node's puppeteer from tests/page:
// scripts/setup-debian):
//
//   node bench/workbench_open.mjs [PAGE ...]
//
// Each PAGE is a built tessel-workbench.html (default: build/wasm's); give an
// older build first to print before and after side by side.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { openPage } from '../tests/page/browser.mjs';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const pages = process.argv.slice(2);
if (pages.length === 0) pages.push(path.join(root, 'build/wasm/tessel-workbench.html'));
const SIDE = 1000;

const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tessel-open-'));
const file = path.join(work, 'big.csv');
const row = Array.from({ length: SIDE }, (_, x) => (x % 2 ? 'cell' + x : String(x + 1))).join(',');
fs.writeFileSync(file, Array.from({ length: SIDE }, () => row).join('\n') + '\n');

async function measure(pagePath) {
  const { page, problems, close } = await openPage(pathToFileURL(pagePath).href, { width: 1280, height: 800 });
  try {
    await page.evaluate(() => window.tesselWorkbench.ready);
    await page.evaluate(() => {
      const seen = { longest: 0, sign: null, chosen: null };
      window.openSeen = seen;
      new PerformanceObserver((list) => {
        for (const e of list.getEntries()) if (e.startTime >= seen.chosen) seen.longest = Math.max(seen.longest, e.duration);
      }).observe({ type: 'longtask' });
      document.getElementById('picker').addEventListener('change', () => { seen.chosen = performance.now(); }, true);
      // The first frame that shows the page at work: the message, or the grid marked busy.
      const look = () => {
        if (seen.chosen !== null && seen.sign === null &&
          (/^Opening/.test(document.getElementById('status').textContent) || document.getElementById('view').getAttribute('aria-busy'))) {
          seen.sign = performance.now() - seen.chosen;
        }
        requestAnimationFrame(look);
      };
      requestAnimationFrame(look);
    });
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('label.button')]);
    await chooser.accept([file]);
    await page.waitForFunction(() => window.tesselWorkbench.tabs().titles.includes('big.csv'), { timeout: 120000 });
    const drawn = await page.evaluate(async () => {
      await new Promise(requestAnimationFrame);
      return performance.now() - window.openSeen.chosen;
    });
    await new Promise((idle) => setTimeout(idle, 500));  // the copy for the first undo, taken after
    const seen = await page.evaluate(() => window.openSeen);
    if (problems.length) throw new Error(problems.join('\n'));
    return [seen.sign, seen.longest, drawn];
  } finally {
    await close();
  }
}

const megabytes = (fs.statSync(file).size / 1048576).toFixed(1);
const results = [];
for (const p of pages) {
  process.stderr.write(`measuring ${p}\n`);
  results.push(await measure(p));
}
fs.rmSync(work, { recursive: true, force: true });
const heads = pages.map((p, i) => (pages.length === 2 ? ['before', 'after'][i] : path.basename(path.dirname(p))));
const ms = (t) => (t === null ? 'never' : Math.round(t));
console.log(`| opening a ${SIDE} x ${SIDE} CSV file (${megabytes} MiB), ms | ${heads.join(' | ')} |`);
console.log(`|---|${heads.map(() => '---:').join('|')}|`);
['first sign of work', 'longest time without an answer', 'tab drawn'].forEach((name, k) => {
  console.log(`| ${name} | ${results.map((r) => ms(r[k])).join(' | ')} |`);
});
