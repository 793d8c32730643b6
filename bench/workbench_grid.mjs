// The workbench's row and column steps, undo and redo on a 1000 x 1000 grid
// in headless Chromium: the milliseconds from the toolbar's click (or the
// undo/redo call) until the next frame, which shows the change, and until
// the page is idle again (the copy of the array kept for the next undo is
// taken after that frame). Run on demand, not
// by scripts/test (node's puppeteer from tests/page: scripts/setup-debian):
//
//   node bench/workbench_grid.mjs [PAGE ...]
//
// Each PAGE is a built tessel-workbench.html (default: build/wasm's); give an
// older build first to print before and after side by side. The grid is a
// CSV file (numbers and texts by turns) opened as a tab, as a user opens one.
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { openPage } from '../tests/page/browser.mjs';

const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '..');
const pages = process.argv.slice(2);
if (pages.length === 0) pages.push(path.join(root, 'build/wasm/tessel-workbench.html'));
const SIDE = 1000;

const row = Array.from({ length: SIDE }, (_, x) => (x % 2 ? 'cell' + x : String(x + 1))).join(',');
const gridCsv = Array.from({ length: SIDE }, () => row).join('\n') + '\n';

// What is measured, in order: each step at the grid's first row or column
// (where the most cells move), then every one undone and redone.
const steps = [
  ['insert row', "document.getElementById('rowInsert').click()"],
  ['delete row', "document.getElementById('rowDelete').click()"],
  ['insert column', "document.getElementById('colInsert').click()"],
  ['delete column', "document.getElementById('colDelete').click()"],
  ...['delete column', 'insert column', 'delete row', 'insert row'].map((s) => [`undo ${s}`, 'window.tesselWorkbench.undo()']),
  ...['insert row', 'delete row', 'insert column', 'delete column'].map((s) => [`redo ${s}`, 'window.tesselWorkbench.redo()']),
  // A brush stroke across the grid, where the page has paint.
  ['paint a stroke of 1000 cells', 'window.tesselWorkbench.paint(Array.from({ length: 1000 }, (_, i) => [i, i]), 7)', 'paint'],
  ['undo the stroke', 'window.tesselWorkbench.undo()', 'paint'],
  // The level map, where the page has one: the whole grid's page drawn at 2 pixels a cell,
  // a flood fill (a column of 1000 cells, the page read whole for it), a 100 x 100 rectangle.
  ['zoom to 2 pixels a cell', 'window.tesselWorkbench.zoom(2)', 'zoom'],
  // A drag of the brush by the mouse, 2 pixels along, as a person paints: press, two moves, release.
  ['drag the brush 2 pixels', `{
    const map = document.querySelector('canvas.map');
    const r = map.getBoundingClientRect();
    const at = (type, x, target) => target.dispatchEvent(new MouseEvent(type, { bubbles: true, button: 0,
      clientX: r.left + 100 + x, clientY: r.top + 100 }));
    at('mousedown', 0, map);
    at('mousemove', 1, window);
    at('mousemove', 2, window);
    at('mouseup', 2, window);
  }`, 'zoom'],
  ['undo the drag', 'window.tesselWorkbench.undo()', 'zoom'],
  ['fill a column of 1000 cells', 'window.tesselWorkbench.fill(0, 0, 5)', 'fill'],
  ['undo the fill', 'window.tesselWorkbench.undo()', 'fill'],
  ['paint a 100 x 100 rectangle', 'window.tesselWorkbench.rectangle(0, 0, 99, 99, 6)', 'rectangle'],
  ['undo the rectangle', 'window.tesselWorkbench.undo()', 'rectangle'],
];

async function measure(file) {
  const { page, problems, close } = await openPage(pathToFileURL(file).href, { width: 1280, height: 800 });
  try {
    await page.evaluate(() => window.tesselWorkbench.ready);
    const shape = await page.evaluate((csv) => window.tesselWorkbench.open('grid.csv', new TextEncoder().encode(csv)), gridCsv);
    if (shape.size !== SIDE * SIDE) throw new Error(`the grid has ${shape.size} cells`);
    const times = [];
    for (const [name, code, needs] of steps) {
      if (needs && !(await page.evaluate((f) => typeof window.tesselWorkbench[f] === 'function', needs))) {
        times.push([name, NaN, NaN]);
        continue;
      }
      const ms = await page.evaluate(async (code) => {
        const start = performance.now();
        await (0, eval)(code);  // an undo that works in slices answers with a promise
        await new Promise(requestAnimationFrame);
        const drawn = performance.now() - start;
        const later = () => new Promise((idle) => setTimeout(idle, 0));
        await later();
        await later();
        return [drawn, performance.now() - start];
      }, code);
      times.push([name, ...ms]);
    }
    if (problems.length) throw new Error(problems.join('\n'));
    return { times };
  } finally {
    await close();
  }
}

const results = [];
for (const file of pages) {
  process.stderr.write(`measuring ${file}\n`);
  results.push(await measure(file));
}
const heads = pages.map((p, i) => (pages.length === 2 ? ['before', 'after'][i] : path.basename(path.dirname(p))));
console.log(`| step (${SIDE} x ${SIDE}) | ${heads.map((h) => h + ': drawn | ' + h + ': idle').join(' | ')} (ms) |`);
console.log(`|---|${heads.map(() => '---:|---:').join('|')}|`);
steps.forEach(([name], k) => {
  const ms = (t) => (Number.isNaN(t) ? '—' : Math.round(t));
  console.log(`| ${name} | ${results.map((r) => ms(r.times[k][1]) + ' | ' + ms(r.times[k][2])).join(' | ')} |`);
});
