// Level maps (zoom, page tabs, palette, tileset, brush, rectangle and fill, marks) by the mouse and the keyboard, the files
// held against the console's after the same element lines and fills against a plain model; a large file's load; and row and
// column steps, which go through the module's batches and undo puts back a kept copy, against the literal element lines.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { generator, useWorkbench } from './browser.mjs';

const wb = await useWorkbench('tessel-map-');
const { page, tessel, consoleFile, save, pick, closeAll, keys, call, count, shown, runAll } = wb;

// The plain model of a flood fill: from `cells()`'s JSON, the indexes joined to (x, y) through sides holding the same on its page.
function modelRegion(cells, x, y, page) {
  const X = cells.columns;
  const Y = cells.dimensions === 3 ? cells.rowsPerPage : Math.ceil(cells.cells.length / X);
  const base = page * X * Y;
  const same = (k) => { const c = cells.cells[base + k]; return c && c.type + ':' + (c.type === 'value' ? c.value : c.type === 'string' ? c.text : ''); };
  const [start, seen, todo] = [same(y * X + x), new Set([y * X + x]), [[x, y]]];
  while (todo.length) {
    const [cx, cy] = todo.shift();
    for (const [nx, ny] of [[cx + 1, cy], [cx - 1, cy], [cx, cy + 1], [cx, cy - 1]]) {
      const k = ny * X + nx;
      if (nx >= 0 && ny >= 0 && nx < X && ny < Y && !seen.has(k) && same(k) === start) { seen.add(k); todo.push([nx, ny]); }
    }
  }
  return [...seen].map((k) => base + k).sort((a, b) => a - b);
}
// The element lines that set every cell of a rectangle, its corners in any order, on a map `x` wide and `y` high.
const span = (a, b) => Array.from({ length: Math.abs(a - b) + 1 }, (_, i) => Math.min(a, b) + i);
const rectLines = (set, [ax, ay, bx, by], x, y = 0, page = 0) =>
  span(ay, by).flatMap((yy) => span(ax, bx).map((xx) => `${set} at ${page * x * y + yy * x + xx}`));

const mapLines = ['new m --dims 3 --x 12 --y 8'];
for (let i = 0; i < 12 * 8 * 2; ++i) if (i % 12 === 0 || i % 12 === 11 || i % 96 < 12 || i % 96 >= 84) mapLines.push(`Set value 1 at ${i}`);
consoleFile(mapLines, 'level.arr');
consoleFile(['new t --dims 2 --x 4', ...Array.from({ length: 12 }, (_, i) => `Set value ${i % 3} at ${i}`)], 'small.arr');

// The middle of cell (x, y) of the map on screen.
const cellPoint = (x, y) => page.evaluate((x, y) => {
  const view = document.getElementById('view');
  const [r, z] = [view.querySelector('canvas.map').getBoundingClientRect(), window.tesselWorkbench.zoom()];
  return [r.left + x * z + z / 2 - view.scrollLeft, r.top + y * z + z / 2 - view.scrollTop];
}, x, y);
const pixel = (x, y) => page.evaluate((x, y) => Array.from(document.querySelector('canvas.map').getContext('2d').getImageData(x, y, 1, 1).data.slice(0, 3)), x, y);
const drag = async (from, to) => wb.drag(await cellPoint(...from), await cellPoint(...to), 4);
// A tool chosen (unless null), the entry `text` made the one it paints, and a drag `from` a cell `to` another with it.
async function paintWith(tool, text, from, to) {
  if (tool) await page.click(tool);
  await wb.setField('#entryValue', text);
  await page.click('#entryForm button[type=submit]');
  if (from) await drag(from, to);
}

describe('level maps', () => {
  test('zoom, page tabs and the three tools by mouse and keyboard leave the console\'s file, one undo step each', async () => {
    await pick('level.arr');
    assert.equal(await shown('#mapbar'), false, 'the text grid shows no palette');
    await page.select('#zoom', '16');
    assert.deepEqual([await call('zoom'), await shown('#mapbar'), await count('#pageTabs button')], [16, true, 2], 'a palette, a tab a page');
    // The current cell stays the grid's focused cell, as ARIA counts.
    assert.deepEqual(await page.$eval('#current-cell', (e) => [e.getAttribute('role'), e.parentNode.getAttribute('aria-rowindex'),
      e.getAttribute('aria-colindex'), document.getElementById('view').getAttribute('aria-activedescendant')]), ['gridcell', '2', '2', 'current-cell']);
    const lines = [];
    const same = async (message, more = lines) => assert.deepEqual(await save(), consoleFile([...mapLines, ...more], 'tools.arr'), message);
    await paintWith(null, '5', [1, 1], [4, 1]);
    await paintWith('#toolRect', 'wall', [6, 3], [8, 5]);
    lines.push(...rectLines('Set value 5', [1, 1, 4, 1], 12), ...rectLines('Set string "wall"', [6, 3, 8, 5], 12));
    await same('brush and rectangle');
    // Fill the floor of empty cells around what was painted: the model gives the cells.
    const before = await call('cells');
    await page.click('#toolFill');
    await page.click('#swatches .swatch[data-key="v1"]');
    await page.mouse.click(...(await cellPoint(2, 5)));
    lines.push(...modelRegion(before, 2, 5, 0).map((i) => `Set value 1 at ${i}`));
    await same('fill');
    // The keyboard: page 1 by its tab, the brush (B), entry 2 (after empty: 5) and Enter, a rectangle (R) by Enter at two corners, zoom out (-).
    await page.click('#pageTabs button:nth-child(2)');
    await wb.viewKeys(['Control', 'Home'], 'b', '2', 'ArrowDown', 'ArrowRight', 'Enter', 'r', 'Enter', 'ArrowRight', 'ArrowDown', 'Enter', '-');
    lines.push(...rectLines('Set value 5', [1, 1, 1, 1], 12, 8, 1), ...rectLines('Set value 5', [1, 1, 2, 2], 12, 8, 1));
    assert.equal(await call('zoom'), 12);
    await same('the keyboard\'s brush and rectangle on page 1');
    await keys(...Array(5).fill(['Control', 'z']));
    await same('five undos, one a tool, give the file as opened', []);
    await page.select('#zoom', '0');
    assert.ok((await count('.cell[role=gridcell]')) > 50, 'the text grid again');
  });

  test('flood fill and rectangle set what a plain model says, on random grids', async () => {
    for (let seed = 1; seed <= 30; ++seed) {
      const random = generator(seed * 2246822519);
      const three = random(2) === 1;
      const [x, y] = [1 + random(7), 1 + random(6)];
      const n = three ? x * y * 2 : random(x * y) + 1;
      const lines = [three ? `new r --dims 3 --x ${x} --y ${y}` : `new r --dims 2 --x ${x}`];
      for (let i = 0; i < n; ++i) {
        const k = random(4);
        if (k === 1 || (i === n - 1 && k !== 2)) lines.push(`Set value ${k === 1 ? 1 + random(2) : 1} at ${i}`);
        if (k === 2) lines.push(`Set string "${'ab'[random(2)]}" at ${i}`);
      }
      await wb.open(`r${seed}.arr`, consoleFile(lines, `r${seed}.arr`));
      const done = [];
      const same = async (message) => assert.deepEqual(await save(), consoleFile([...lines, ...done], `f${seed}.arr`), `seed ${seed}: ${message}`);
      for (let k = 0; k < 3; ++k) {
        const cells = await call('cells');
        const [pageNo, sx, sy] = [three ? random(2) : 0, random(x), random(three ? y : Math.ceil(cells.cells.length / x))];
        if (pageNo * x * y + sy * x + sx >= cells.cells.length) continue;
        const value = [0, 1, 2, 'a', 'b'][random(5)];
        await page.$eval('#pageNumber', (e, p) => { e.value = p; e.dispatchEvent(new Event('change')); }, pageNo);
        const region = modelRegion(cells, sx, sy, pageNo);
        const start = cells.cells[region[0]];  // an empty cell holds 0, as the game reads it
        const painted = await call('fill', sx, sy, value);
        const unchanged = (start.type === 'value' ? start.value : start.type === 'string' ? start.text : 0) === value;
        assert.equal(painted, unchanged ? 0 : region.length, `seed ${seed}: the region's size, none when it holds the value`);
        if (unchanged) continue;
        done.push(...region.map((i) => `Set ${typeof value === 'number' ? 'value ' + value : `string "${value}"`} at ${i}`));
        await same(`fill ${k} from [${sx},${sy}] page ${pageNo}`);
      }
      const corners = [random(x), random(Math.min(2, y)), random(x), random(Math.min(2, y))];
      await call('rectangle', ...corners, 7);
      done.push(...rectLines('Set value 7', corners, x, y, three ? Number(await wb.value('#pageNumber')) : 0));
      await same('rectangle');
    }
    await assert.rejects(call('rectangle', 0, 0, 99, 0, 1), /no cell \[99,0\]/);
    await assert.rejects(call('fill', -1, 0, 1), /no cell \[-1,0\]/);
    await closeAll();
  });

  test('Changes and Compare… mark the cells that differ, F8 walks them, and a tileset draws the map', async () => {
    const marks = async () => (await call('marks')).map((m) => [m.x, m.y, m.page]);
    await pick('small.arr');
    await runAll(['Set value 9 at 5', 'Set string "x" at 10', 'Set value 9 at 1']);
    await page.click('#changes');
    const marked = await page.$$eval('.cell.marked', (c) => c.map((e) => [Number(e.dataset.u), Number(e.dataset.c)]));
    assert.deepEqual(marked.sort(), [[0, 1], [1, 1], [2, 2]], 'the changed cells are marked on the grid');
    await page.click(wb.cell(0, 0));
    const walked = [];
    for (const k of ['F8', 'F8', 'F8', 'F8', ['Shift', 'F8']]) walked.push(await keys(k).then(wb.current));
    assert.deepEqual(walked, [[0, 1], [1, 1], [2, 2], [0, 1], [2, 2]], 'F8 goes to each in order, then round; Shift+F8 back');
    // A change is marked as it is made; its undo takes the mark away.
    await wb.typeAt(0, 3, '4', 'Enter');
    const made = (await marks()).length;
    await keys(['Control', 'z']);
    assert.deepEqual([made, await marks()], [4, [[1, 0, 0], [1, 1, 0], [2, 2, 0]]]);
    await wb.shoot('workbench-marks', true);
    // Compare… with another tab marks the cells in which the two differ.
    await pick('small.arr');
    await wb.run('Set value 2 at 7');
    await page.click('#diff');
    await page.select('#choice', await page.$$eval('#choice option', (o) => o[1].value));
    await page.click('#chosen');
    assert.deepEqual(await marks(), [[1, 0, 0], [1, 1, 0], [3, 1, 0], [2, 2, 0]]);
    await closeAll();

    // A tileset picture, cut into tiles of 8 pixels: a value v shows tile v - 1.
    const png = await page.evaluate(() => {
      const c = Object.assign(document.createElement('canvas'), { width: 32, height: 16 });
      const g = c.getContext('2d');
      ['#3f6212', '#a16207', '#1d4ed8', '#b91c1c', '#374151', '#fde68a', '#7c3aed', '#0e7490'].forEach((colour, t) => {
        g.fillStyle = colour;
        g.fillRect((t % 4) * 8, Math.floor(t / 4) * 8, 8, 8);
      });
      return c.toDataURL('image/png').split(',')[1];
    });
    wb.write('tiles.png', Buffer.from(png, 'base64'));
    await pick('level.arr');
    await page.select('#zoom', '24');
    await wb.setField('#tileSize', '8');
    await wb.choose('#tilesetOpen', 'tiles.png');
    await page.waitForFunction(() => window.tesselWorkbench.palette().some((e) => e.tile >= 0));
    // The value 1 shows the first tile, and the canvas its colour where a 1 is (cell 0, 0), not the palette's.
    assert.deepEqual([(await call('palette')).find((e) => e.content === 1).tile, await pixel(18, 18)], [0, [0x3f, 0x62, 0x12]]);
    await paintWith(null, '3', [2, 2], [9, 2]);
    await paintWith('#toolRect', '4', [3, 4], [5, 6]);
    await wb.run('Set string "door" at 90');
    await page.click('#changes');
    await wb.shoot('workbench-levelmap', true);
    assert.equal((await marks()).length, 8 + 9 + 1);
  });

  test('a whole 200 × 200 page is on screen at the smallest zoom; a map too tall or wide to lay out is painted at its far corner', async () => {
    await closeAll();
    await runAll(['Set array dimension to 3', 'Set dimension 1 boundary to 200', 'Set dimension 2 boundary to 200', 'Set value 3 at 39999']);
    await call('zoom', 2);
    assert.deepEqual(await page.$eval('#view', (v) => [v.clientWidth >= 400, v.clientHeight >= 400, v.scrollHeight <= v.clientHeight]), [true, true, true]);
    const colour = (await call('palette')).find((e) => e.content === 3).colour;
    assert.deepEqual(await pixel(399, 399), [1, 3, 5].map((i) => parseInt(colour.slice(i, i + 2), 16)), 'the last cell is drawn in its colour');
    // The far corner of a map taller or wider than a browser lays out, reached by the scroll bars and painted:
    // 12.8 million pixels down, then across, at 64 pixels a cell: [dimensions, boundaries, rows].
    for (const [dims, bounds, units] of [[2, [2], 200001], [3, [200000, 2], 2]]) {
      const cols = bounds[0];
      await closeAll();
      await runAll([`Set array dimension to ${dims}`, ...bounds.map((b, i) => `Set dimension ${i + 1} boundary to ${b}`), 'Set value 1 at 399999']);
      await call('zoom', 64);
      await paintWith(null, '9');
      const corner = await page.evaluate(async (cols, units) => {
        const view = document.getElementById('view');
        [view.scrollTop, view.scrollLeft] = [view.scrollHeight, view.scrollWidth];
        await new Promise((drawn) => requestAnimationFrame(() => requestAnimationFrame(drawn)));
        const [r, z] = [view.querySelector('canvas.map').getBoundingClientRect(), window.tesselWorkbench.zoom()];
        return [r.left + Math.min(view.clientWidth, cols * z) - z / 2, r.top + Math.min(view.clientHeight, units * z) - z / 2];
      }, cols, units);
      await page.mouse.click(...corner);
      const { cells } = await call('cells');
      assert.deepEqual([cells.length, cells[units * cols - 1].value], [Math.max(400000, units * cols), 9], `the corner cell painted, ${cols} × ${units}`);
    }
    await closeAll();
  });
});

describe('a large file', () => {
  test('shows the page at work and goes on answering while it loads, until its tab is drawn', async () => {
    const row = Array.from({ length: 300 }, (_, x) => String(x + 1000)).join(',');
    wb.write('large.csv', Array.from({ length: 2000 }, () => row).join('\n') + '\n');
    // What the page shows at each change of the working bar or the grid's busy mark, and whether each key typed came before the tab.
    await page.evaluate(() => {
      [window.workSeen, window.typedSeen] = [[], []];
      const opened = () => window.tesselWorkbench.tabs().titles.includes('large.csv');
      const note = () => window.workSeen.push([!document.getElementById('working').hidden, document.getElementById('view').getAttribute('aria-busy'), opened()]);
      new MutationObserver(note).observe(document.body, { attributes: true, subtree: true, attributeFilter: ['hidden', 'aria-busy'] });
      document.getElementById('command').addEventListener('input', () => window.typedSeen.push(opened()));
    });
    await wb.choose('label.button', 'large.csv');
    // While the bar shows, keys typed in the command bar are taken at once, before the tab is there.
    await page.waitForSelector('#working:not([hidden])');
    await page.focus('#command');
    await page.keyboard.type('sum(');
    await wb.tabOpened('large.csv', 60000);
    assert.deepEqual([await page.evaluate(() => window.typedSeen), await wb.value('#command')], [[false, false, false, false], 'sum('],
      'each key answered during the load');
    await wb.setField('#command', '');
    const seen = await page.evaluate(() => window.workSeen);
    // Shown, and the grid busy, before the tab opened; gone once the tab is there, with every cell.
    assert.deepEqual([seen.find(([bar]) => bar), seen[seen.length - 1], await page.evaluate(() => window.tesselWorkbench.cells().cells.length)],
      [[true, 'true', false], [false, null, true], 300 * 2000]);
  });

  // What a load gives the page: the tab's description, its cells, its native file and its capacity, as the game reads them.
  const opened = (away, name, bytes, format) => page.evaluate(async (away, name, b, format) => {
    const wb = window.tesselWorkbench;
    const told = await (away ? wb.openAway : wb.open)(name, Uint8Array.from(b), format);
    delete told.file;  // a folder and an instance of its own each time
    told.warnings = told.warnings.map((w) => w.replace(/\/files\/\d+\//g, '/files/'));
    const { name: instance, ...cells } = wb.cells();
    return [told, cells, Array.from(wb.save('native').bytes), wb.run('capacity()'), wb.run('numberOfRows()')];
  }, away, name, Array.from(bytes), format);

  test('a load in the worker makes the array a load on the page makes, in every format, on random arrays', async () => {
    for (let seed = 1; seed <= 8; ++seed) {
      const random = generator(seed * 3266489917);
      const dims = 1 + random(3);
      const lines = [...randomArray(random, dims), ...(dims === 2 ? ['Set label to "name" at column 0', 'SELECT WHERE col 0 > 3'] : [])];
      const native = consoleFile(lines, `away${seed}.arr`);
      const shapes = [['native', native], ['damaged', native.subarray(0, Math.max(8, native.length >> 1))]];
      await wb.open('source.arr', native);
      for (const format of ['host', 'csv', 'ini', 'sheet', 'json']) shapes.push([format, await save(format)]);
      for (const [format, bytes] of shapes) {
        const readAs = format === 'sheet' ? 'sheet' : format === 'csv' && random(2) ? 'csv --header' : '';
        const name = `away${seed}.${format === 'sheet' ? 'csv' : format === 'damaged' ? 'arr' : format}`;
        assert.deepEqual(await opened(true, name, bytes, readAs), await opened(false, name, bytes, readAs), `seed ${seed}, ${format} ${readAs}`);
      }
      await closeAll();
    }
  });
});

// A random array's console lines: values, short, long, quoted and non-ASCII texts, keys, a last row that may be cut short;
// in 2D labels and some rows selected.
function randomArray(random, dims = 2) {
  const x = 1 + random(6);
  const n = random(4) === 0 ? 0 : random(45);
  const lines = [`new t --dims ${dims} --x ${x} --y ${1 + random(3)}`];
  for (let i = 0; i < n; ++i) {
    const kind = random(6);
    if (kind === 1) lines.push(`Set value ${random(2000) - 1000} at ${i}`);
    if (kind === 2) lines.push(`Set string "s${i}" at ${i}`);
    if (kind === 3) lines.push(`Set string "a text long enough for a heap block ${i}" at ${i}`);
    if (kind === 4) lines.push(`Set string "${random(2) ? 'Caf\\xE9 ' + i : 'a \\"quoted\\", text; ' + i}" at ${i}`);
    if (kind === 0 && i === n - 1) lines.push(`Set value 7 at ${i}`);  // the count is n
    if (random(6) === 0) lines.push(`Set key string "k${i}" at ${i}`);
  }
  if (dims !== 2) return lines;
  for (let c = 0; c < x; ++c) if (random(3) === 0) lines.push(`Set label to "L${c}" at column ${c}`);
  if (n > 0 && random(2) === 0) lines.push('SELECT WHERE col 0 LIKE "s*"');
  return lines;
}

// The plain model: the element lines of a row or column step, one cell at a time, as the page has always written them
// (labels move with their columns, each set while its column exists).
function literalLines(kind, at, x, size, labels) {
  if (kind.endsWith('Row')) return Array(x).fill(kind === 'insertRow' ? `Insert value 0 at ${at * x}` : `Delete at ${at * x}`);
  const insert = kind === 'insertColumn';
  if (!insert && x <= 1) return [];
  const cells = [];
  for (let r = Math.ceil(size / x) - 1; r >= 0; --r) cells.push(insert ? `Insert value 0 at ${r * x + at}` : `Delete at ${r * x + at}`);
  const width = insert ? x + 1 : x - 1;
  cells.push(`Set dimension 1 boundary to ${width}`);
  const moved = insert ? [...labels.slice(0, at), '', ...labels.slice(at)] : [...labels.slice(0, at), ...labels.slice(at + 1)];
  const names = span(at, Math.max(x, width) - 1).filter((j) => (labels[j] || '') !== (moved[j] || ''))
    .map((j) => `Set label to "${moved[j] || ''}" at column ${j}`);
  return insert ? [...cells, ...names] : [...names, ...cells];
}

const FACTS = ['capacity()', 'size()', 'numberOfRows()', 'boundaryX()'];
// The page's current tab: its native file and what the expressions say.
const pageState = async () => ({ bytes: Array.from(await save()), facts: (await runAll(FACTS)).join('') });
// The console's, after loading `file` and running `lines`.
function consoleState(file, lines, name) {
  const facts = tessel(['new t', `Load from file "${file}"`, ...lines, ...FACTS, `Save to file "${name}.arr"`], name + '.tessel');
  return { bytes: Array.from(wb.file(name + '.arr')), facts };
}

describe('big grids at speed, exactly as the element actions', () => {
  test('row and column steps, their undo and redo leave what the literal lines leave', async () => {
    const kinds = ['insertRow', 'deleteRow', 'insertColumn', 'deleteColumn'];
    for (let seed = 1; seed <= 24; ++seed) {
      const random = generator(seed * 2654435761);
      const file = `g${seed}.arr`;
      await wb.open(file, wb.consoleFile(randomArray(random), file));
      const states = [consoleState(file, [], `s${seed}-0`)];
      assert.deepEqual(await pageState(), states[0], `seed ${seed}: opened as the console loads it`);
      const done = [];
      for (let k = 1; k <= 3; ++k) {
        const { columns: x, cells: { length: size }, labels } = await call('cells');
        const kind = kinds[random(4)];
        const at = kind.endsWith('Row') ? random(Math.ceil(size / x) + 1) : random(x);
        if (kind === 'deleteColumn' && x <= 1) continue;
        done.push(...literalLines(kind, at, x, size, labels));
        await call(kind, at);
        states.push(consoleState(file, done, `s${seed}-${k}`));
        assert.deepEqual(await pageState(), states[states.length - 1], `seed ${seed}: step ${k}, ${kind}(${at})`);
      }
      // Undone to the file as opened, redone to the end, and the last step undone again from the copy taken before its redo.
      const walk = [...states.slice(0, -1).reverse().map((st) => ['undo', st]), ...states.slice(1).map((st) => ['redo', st])];
      if (states.length > 1) walk.push(['undo', states[states.length - 2]]);
      for (const [i, [step, state]] of walk.entries()) {
        await call(step);
        assert.deepEqual(await pageState(), state, `seed ${seed}: ${step}, move ${i} of the walk`);
      }
    }
  });

  test('the toolbar\'s buttons make the same steps at the cursor, and the script calls refuse what is not there', async () => {
    // A label of a byte outside ASCII moves with its column, its bytes as they were.
    const label = 'Set label to "pr\\xEAt" at column 2';
    await wb.open('b.arr', wb.consoleFile(['new t --dims 2 --x 3', ...[0, 1, 2, 3, 4, 5, 6, 7].map((i) => `Set value ${i + 1} at ${i}`), label], 'b.arr'));
    await page.click(wb.cell(1, 2));
    await page.click('#colInsert');
    await page.click('#rowDelete');
    const steps = [...literalLines('insertColumn', 2, 3, 8, ['', '', 'pr\\xEAt']), ...literalLines('deleteRow', 1, 4, 11, [])];
    assert.deepEqual(await pageState(), consoleState('b.arr', steps, 'b1'));
    for (const [kind, at, error] of [['insertRow', -1, /no row -1/], ['deleteRow', 3, /no row 3: 0 to 2/], ['insertColumn', 4, /no column 4: 0 to 3/],
      ['deleteColumn', 1.5, /no column 1.5/]]) await assert.rejects(call(kind, at), error, `${kind}(${at})`);
    steps.push('Set array dimension to 1');
    await wb.run(steps[steps.length - 1]);
    await assert.rejects(call('insertRow', 0), /2D array's: this one has 1/);
    assert.deepEqual((await pageState()).bytes, consoleState('b.arr', steps, 'b2').bytes, 'nothing else ran');
  });

  test('paint sets the listed cells by the element actions', async () => {
    await wb.open('p.arr', wb.consoleFile(['new t --dims 2 --x 3', 'Set string "a" at 0', 'Set value 4 at 4'], 'p.arr'));
    const cases = [
      [[[1, 0], [2, 3], 7], 42, ['Set value 42 at 1', 'Set value 42 at 11', 'Set value 42 at 7']],
      [[[0, 0], [0, 5]], 'wall "#"', ['Set string "wall \\"#\\"" at 0', 'Set string "wall \\"#\\"" at 15']],
      [[[2, 1]], 0, ['Set value 0 at 5']],
    ];
    const done = [];
    for (const [cells, value, lines] of cases) {
      await call('paint', cells, value);
      done.push(...lines);
      assert.deepEqual(await pageState(), consoleState('p.arr', done, 'p' + done.length), JSON.stringify(cells));
    }
    for (const [cells, value, error] of [[[[3, 0]], 1, /no cell \[3,0\]/], [[[0, -1]], 1, /no cell \[0,-1\]/], [[[0, 0]], 1.5, /an integer or a text/],
      [[[0, 0]], null, /an integer or a text/], ['0', 1, /a list of cells/]]) await assert.rejects(call('paint', cells, value), error, String(value));
  });

  test('an undo that replays a large array works in slices, says so and lets no change in meanwhile', async () => {
    const row = Array.from({ length: 500 }, (_, x) => String(x + 1)).join(',');
    await wb.open('large.csv', Array.from({ length: 420 }, () => row).join('\n') + '\n');
    const before = await pageState();
    // A step that changes the tab's setup keeps no copy: its undo replays the file.
    await wb.run('# auto-select on');
    await call('deleteRow', 0);
    await call('undo');
    // While it replays: a promise, the grid busy, the status and a refused line; then the grid free.
    const [promise, busy, status, refused, after] = await page.evaluate(async () => {
      const [w, view] = [window.tesselWorkbench, document.getElementById('view')];
      const undone = w.undo();
      const during = [undone instanceof Promise, view.getAttribute('aria-busy'), document.getElementById('status').textContent, w.run('Set value 5 at 0')];
      await undone;
      return [...during, view.getAttribute('aria-busy')];
    });
    assert.deepEqual([promise, busy, after], [true, 'true', null]);
    assert.match(`${status}\n${refused}`, /^Undoing large\.csv.*\n.*Undoing large\.csv.*try again when it is done/);
    assert.deepEqual(await pageState(), before, 'the file as opened');
  });
});
