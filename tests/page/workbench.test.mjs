// The workbench page against the console host: files open with the cells it shows and save as its bytes after the same lines,
// in every format; the tools, settings, element files, Compare…, grids too large to draw whole, and tile maps
// and JSON files (a map's compressed layers inflated, and written again, by the browser).
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { sameBytes, useWorkbench } from './browser.mjs';

const wb = await useWorkbench('tessel-workbench-', { height: 860 });
const { page, work, tessel, console: console_, open, run, runAll, cells, saved, save, file, write, cell, text, count, shown, setField, pick } = wb;

const formats = { native: 'Save to file', host: 'Save to KZP Array', csv: 'Save to CSV file', ini: 'Save to INI file' };

// The console's show --json of a file and the page's cells, without their titles, which name the path.
const untitled = ({ name, ...rest }) => rest;
const consoleCells = (name, from = []) => untitled(JSON.parse(console_([...from, '--json', 'show', name]).stdout));
const pageCells = async () => untitled(await cells());

// A 2D table with labels, keys of both kinds, values, strings and a selection.
const tableLines = ['new t --dims 2 --x 3 --auto-select', ...['name', 'level', 'note'].map((l, c) => `Set label to "${l}" at column ${c}`),
  ...['ada,5,first', 'bob,2,', 'cy,9,a \\"quoted\\" note', 'dee,4,x'].map((r) => `Append row from list "${r}"`),
  ...[[5, 1], [2, 4], [9, 7], [4, 10]].map(([v, at]) => `Set value ${v} at ${at}`), 'Set key string "hero" at 0', 'Set key value 77 at 6'];
// The lines run in both after opening the table: an edit, a key, a query.
const editLines = ['Set value 42 at 4', 'Set string "zed" at 9', 'Set key string "boss" at 6', 'SELECT WHERE "level" > 3'];
const saveLines = (stem) => Object.entries(formats).map(([f, action]) => `${action} "${stem}.${f}"`);

// The table in every format and a 3D level map, written by the console.
tessel([...tableLines, ...saveLines('table')], 'table.tessel');
const fixtures = Object.fromEntries(Object.keys(formats).map((f) => [f, file(`table.${f}`)]));
const floors = Array.from({ length: 3 * 6 * 8 }, (_, i) => {
  const [x, y, z] = [i % 8, Math.floor(i / 8) % 6, Math.floor(i / 48)];
  return x % 7 === 0 || y % 5 === 0 ? 'Append string "#"' : (x + y + z) % 5 ? 'Append string "."' : `Append value ${10 + x + y}`;
});
wb.consoleFile(['new map --dims 3 --x 8 --y 6', ...floors, 'Set key string "stairs" at 60'], 'map.native');

const converted = (args, out) => console_(['convert', ...args, out]) && file(out);

// A map whose roofs' data is `roofs`: a tile layer as ids, one in a group as base64
// (with no compression the page writes it back as the console does), and an image layer between them.
const map3x2 = (roofs, compression) => ({
  height: 2, infinite: false, orientation: 'orthogonal', tileheight: 8, tilewidth: 8, type: 'map', width: 3,
  layers: [{ data: [1, 2, 3, 0, 2147483653, 6], name: 'ground', type: 'tilelayer' }, { name: 'sky', type: 'imagelayer' },
    { name: 'upper', type: 'group', layers: [{ data: roofs.toString('base64'), encoding: 'base64', ...compression, name: 'roofs', type: 'tilelayer' }] }],
});
const roofs = Buffer.from(new Uint32Array([0, 7, 0, 8, 0, 9]).buffer);

// A map's JSON with each compressed layer's data inflated, and how each was compressed.
function decoded(bytes) {
  const compressions = [];
  const map = JSON.parse(Buffer.from(bytes).toString(), (key, l) => {
    if (!l?.compression) return l;
    compressions.push(l.compression);
    return { ...l, data: (l.compression === 'gzip' ? zlib.gunzipSync : zlib.inflateSync)(Buffer.from(l.data, 'base64')).toString('hex') };
  });
  return { map, compressions };
}

fs.copyFileSync(path.join(process.env.TESSEL_EXAMPLES, 'dungeon.tmj'), path.join(work, 'dungeon.tmj'));
wb.write('plain.tmj', JSON.stringify(map3x2(roofs), null, 1) + '\n');
wb.write('gzip.tmj', JSON.stringify(map3x2(zlib.gzipSync(roofs), { compression: 'gzip' }), null, 1) + '\n');
wb.consoleFile(['new items --dims 2 --x 2', 'Set label to "name" at column 0', 'Set string "sword" at 0', 'Set value 12 at 1',
  'Set string "shield" at 2', 'Set value 7 at 3'], 'items.arr');
converted(['items.arr'], 'items.json');

const shape = async () => { const { dimensions, boundaries, size } = await wb.cells(); return { dimensions, boundaries, size }; };

const clearLog = () => page.evaluate(() => { document.getElementById('log').textContent = ''; });
const clearOffers = () => page.evaluate(() => { for (const o of document.querySelectorAll('.offer')) o.remove(); });
const consoleTable = (lines, name) => wb.consoleFile(['Load from file "table.native"', ...lines], name);

describe('the workbench page', () => {
  test('opens every format by its content with the cells the console shows', async () => {
    for (const [format, bytes] of Object.entries(fixtures)) {
      const description = await open(`table-${format}.dat`, bytes);  // an extension that tells nothing
      assert.deepEqual([description.format, await pageCells()], [format, consoleCells(`table.${format}`)], `table.${format}: its format and cells`);
    }
  });

  test('saves after console lines the console\'s bytes in every format, says what each loses, and compares as tessel diff', async () => {
    await open('table.native', fixtures.native);
    await runAll(editLines);
    assert.match(await run('Set vale 2 at 0'), /^unknown action or expression/, 'a mistake changes nothing');
    tessel(['Load from file "table.native"', ...editLines, ...saveLines('edited')], 'lines.tessel');
    // What a format loses is told: nothing of the native file; the keys and the labels of the CSV file.
    const losses = { native: /^$/, csv: /^(?=.*keys dropped)(?=.*labels dropped)/ };
    for (const format of Object.keys(formats)) {
      const s = await saved(format);
      sameBytes(s.bytes, file(`edited.${format}`), `edited.${format}`);
      if (losses[format]) assert.match(s.losses, losses[format], `edited.${format}`);
    }
    // Compare… with the file as opened, offered first, logs what tessel diff prints.
    fs.mkdirSync(path.join(work, 'now'));
    write('now/table.native', await save());
    await page.click('#diff');
    assert.equal(await page.$eval('#choice option', (o) => o.value), 'opened', 'the file as opened is offered first');
    await page.click('#chosen');
    assert.equal(await text('#log .entry:last-child pre'), console_(['diff', 'table.native', 'now/table.native'], 1).stdout.replace(/\n$/, ''));
    await wb.shoot('workbench-compare', true);
  });

  test('the chosen format tells its losses first; Ctrl-S saves in it', async () => {
    write('picked.native', fixtures.native);
    await wb.only('picked.native');
    await wb.typeAt(3, 0, 'zed', 'Enter');
    await page.select('#format', 'csv');
    assert.match(await text('#status'), /^Saving as csv: \d+ keys dropped/, 'the losses are told before saving');
    await wb.viewKeys(['Control', 's']);
    tessel(['Load from file "table.native"', 'Set string "zed" at 9', 'Save to CSV file "ui.csv"'], 'ui.tessel');
    sameBytes(await wb.downloaded('picked.csv', file('ui.csv').length), file('ui.csv'), 'the download is the console\'s CSV file');
    assert.match(await text('#status'), /^picked\.csv saved \(csv, \d+ bytes\): \d+ keys dropped/, 'and what it lost is told after saving too');
  });

  test('renames a label at its column\'s head, sets and clears keys and the settings, as element actions', async () => {
    await open('table.native', fixtures.native);
    const opened = await cells();
    await page.click('.head[data-c="1"]', { clickCount: 2 });  // a label is renamed at its column's head
    await wb.keys('lvl', 'Enter');
    const setKey = async (u, c, ...typed) => { await page.click(cell(u, c)); await page.click('#keySet'); await wb.keys(...typed, 'Enter'); };
    await setKey(0, 2, '12');
    assert.deepEqual([(await cells()).labels[1], (await cells()).cells[2].key], ['lvl', { type: 'value', text: '12' }]);
    // The settings: a 3D shape of 2 columns and 3 rows a page, and a delimiter.
    await page.click('#settingsOpen');
    await page.select('#setDims', '3');
    for (const [field, value] of [['#setX', '2'], ['#setY', '3'], ['#setDelimiter', ';']]) await setField(field, value);
    await page.click('#settingsApply');
    const now = await cells();
    assert.deepEqual([now.dimensions, now.columns, now.rowsPerPage, await run('delimiter$()')], [3, 2, 3, 'delimiter$() = ";"\n']);
    await wb.keys(...Array(3).fill(['Control', 'z']));
    assert.deepEqual(await cells(), opened, 'three undos give the file as opened');
    // A key cleared by its button, and by an emptied answer.
    await page.click(cell(0, 0));
    await page.click('#keyClear');
    await setKey(2, 0, 'Backspace');
    sameBytes(await save(), consoleTable(['Set key value 0 at 0', 'Set key value 0 at 6'], 'unkeyed.native'), 'both keys cleared');
    assert.equal(await count('.cell .k'), 0, 'no key is marked');
  });

  test('sets the auto-select and query settings, which the game reads when the object is made', async () => {
    await page.click('#new');
    const lines = ['Set array dimension to 2', 'Set dimension 1 boundary to 3', 'Append row from list "a,b,c"', 'Append row from list "d,e,f"'];
    // Rows come into being selected only with the setting.
    await page.click('#settingsOpen');
    await page.select('#setAutoSelect', 'on');
    await page.select('#setQueries', 'Select rows using AND mode');
    await wb.shoot('workbench-settings');
    await page.click('#settingsApply');
    await runAll(lines);
    sameBytes(await save(), wb.consoleFile(['new t --auto-select', 'Select rows using AND mode', ...lines], 'auto.native'), 'the rows selected as made');
    // AND mode: a query keeps only the selected rows that pass, as in the console; undone, the setting is off again.
    const rows = [await run('SELECT WHERE col 0 LIKE "a"'), await run('numberOfRows()')];
    for (const [key, n] of [['z', 6], ['y', 5]]) rows.push(await wb.keys(...Array(n).fill(['Control', key])).then(() => run('numberOfRows()')));
    assert.deepEqual(rows, ['', ...[1, 0, 2].map((n) => `numberOfRows() = ${n}\n`)], 'the query, undone, redone');
  });

  test('opens dropped files, and the command bar refuses the console\'s own words and completes', async () => {
    await wb.drop(['dropped.csv', fixtures.csv], ['dropped.ini', fixtures.ini]);
    await wb.tabOpened('dropped.ini');
    assert.ok((await wb.titles()).includes('dropped.csv'), 'both files dropped together open, a tab each');
    // The console's own words as the module names them: those that change the session or loop are refused.
    const said = [['new other', /one instance a tab/], ['for i from 0 to 1', /one line at a time/], ['echo get$(0)', /ada/],
      ['show(0)', /unknown expression show\(/]];  // a word before ( is an expression, not the console's
    for (const [line, words] of said) assert.match(await run(line), words, line);
    await page.focus('#command');
    await wb.keys('SELE', 'Tab');
    assert.equal(await wb.value('#command'), 'SELECT ');
    assert.ok((await count('#suggest li')) > 1, 'the completions are listed');
    await page.keyboard.press('Escape');
    assert.equal(await shown('#suggest'), false, 'Escape closes the list');
    await setField('#command', '');
  });

  test('shows a 2D table with labels and keys, and a 3D map page by page', async () => {
    await wb.closeAll();
    await clearLog();
    await open('table.native', fixtures.native);
    for (const line of ['SELECT WHERE "level" > 3', 'colSum(1)', 'numberOfRows()']) await wb.enter('#command', line);
    await page.click(cell(0, 0));
    const selected = new Set((await cells()).cells.filter((c) => c.selected).map((c) => c.row));
    assert.deepEqual([await wb.texts('.head .label'), await count('.cell .k'), await count('.num .sel')], [['name', 'level', 'note'], 2, selected.size],
      'the labels, both keys and each selected row marked');
    await wb.shoot('workbench-table', true);
    await open('map.native', file('map.native'));
    await page.click('#pageNext');
    // Page 1, row 2, column 2 of the 8 x 6 floors: the element 48 + 16 + 2, a value where page 0 has a text.
    const want = (await cells()).cells[66];
    assert.equal(await text(cell(2, 2)), want.type === 'value' ? String(want.value) : want.text);
    await wb.shoot('workbench-map', 'workbench-narrow');
  });

  test('loads a file into the current cell, asked on its own tab, and saves a cell as the console does', async () => {
    // Bytes no array format claims: zero bytes and CR LF pairs among them.
    const blob = Buffer.from(Array.from({ length: 1000 }, (_, i) => (i % 7 === 0 ? 0 : i % 11 === 0 ? 13 : i % 11 === 1 ? 10 : (i * 31) % 256)));
    blob.write('\x89PNG', 0, 'latin1');
    write('blob.bin', blob);
    consoleTable(['Set file "blob.bin" at 5', ...[5, 0, 1].map((i) => `Save element ${i} to file "element${i}.bin"`)], 'blobbed.native');
    await wb.closeAll();
    await open('table.native', fixtures.native);
    await clearOffers();
    // Dropped while element 5 is current, not an array file: loading it into the cell is offered, whole (not cut off by the log), no tab opened.
    await page.click(cell(1, 2));
    await wb.drop(['blob.bin', blob]);
    await page.waitForSelector('.offer button');
    assert.match(await text('.offer'), /blob\.bin .* is not an array file/);
    const cutOff = () => page.$eval('#offers', (box) => [...box.querySelectorAll('button')].some((b) => b.getBoundingClientRect().bottom > box.getBoundingClientRect().bottom + 0.5));
    assert.deepEqual([(await wb.texts('.offer button'))[0], (await wb.titles()).length, await cutOff()], ['Load it into element 5 of table.native', 1, false]);
    await wb.shoot('workbench-element');
    // The question belongs to its tab: another tab does not show it, and its button acts on its own tab.
    await open('other.native', fixtures.native);
    assert.equal(await count('.offer'), 0, 'the other tab does not show it');
    await page.click('#tabs .tab:first-child span');
    await page.click('.offer button');
    assert.deepEqual([(await wb.call('tabs')).current, /1000 bytes/.test(await text(cell(1, 2)))], [0, true], 'it stays on its own tab and loads the cell');
    // The element's bytes, a string's and a value's, as the console's game actions write them.
    const element = (i) => page.evaluate((n) => Array.from(window.tesselWorkbench.saveCell(n)), i);
    for (const i of [0, 1, 5]) sameBytes(await element(i), file(`element${i}.bin`), `element ${i}`);
    sameBytes(await save(), file('blobbed.native'), 'the array with the file in it saves as the console saves it');
    await assert.rejects(wb.call('saveCell', 99), /99/, 'an element past the end is no file');
    // The picker of the cell bar, and the download of the cell.
    await page.click(cell(0, 2));
    await wb.choose('label[title^="Put a whole file"]', 'blob.bin');
    await page.waitForFunction(() => window.tesselWorkbench.cells().cells[2].type === 'data');
    await page.click('#cellSave');
    sameBytes(await wb.downloaded('table-element-2.bin', blob.length), blob, 'the downloaded cell is the file put into it');
    await wb.call('select', 1);
    sameBytes(await save(), fixtures.native, 'the other tab is as it was');
  });

  test('reads and writes the spreadsheet CSV as the console does', async () => {
    write('people.csv', 'name;note\r\n"ada";"said ""hi""; left"\r\nbob;\r\n');
    // Opened as the module reads CSV, it is offered again as a spreadsheet.
    await clearOffers();
    await open('people.csv', file('people.csv'));
    await page.waitForSelector('.offer button');
    await page.click('.offer button');
    assert.deepEqual(await pageCells(), consoleCells('people.csv', ['--from', 'sheet']));
    await open('table.native', fixtures.native);
    console_(['--to', 'sheet', 'convert', 'table.native', 'table-sheet.csv']);
    const sheet = await saved('sheet');
    sameBytes(sheet.bytes, file('table-sheet.csv'));
    assert.match(sheet.losses, /keys dropped/, 'the keys a sheet cannot keep are told');
  });

  test('draws only what is in view of three million elements or 2^31 - 1 columns, and reaches the last by End and by the scroll bar', async () => {
    await page.click('#new');
    assert.equal(await page.$eval('#check', (b) => b.disabled), true, 'an array made here has no file to check');
    await run('Set value 7 at 2999999');
    await wb.typeAt(0, 0, 'End');
    const last = '.cell[data-u="2999999"]';
    await page.waitForSelector(last);
    const inView = () => page.evaluate((s) => {
      const [c, view] = [document.querySelector(s), document.getElementById('view')].map((e) => e.getBoundingClientRect());
      return c.top >= view.top && c.bottom <= view.bottom;
    }, last);
    assert.deepEqual([await inView(), await text(last)], [true, '7'], 'End shows the last element');
    await wb.keys('Enter', '8', 'Enter');
    assert.equal(await run('get(2999999)'), 'get(2999999) = 8\n', 'the editor sits on the cell it edits');
    await page.keyboard.press('Home');
    await page.waitForSelector('.cell[data-u="0"]');
    // The wheel moves rows as on a small list: 10 rows of 26 pixels, not ten times that.
    await page.mouse.move(300, 400);
    await page.mouse.wheel({ deltaY: 260 });
    await page.waitForSelector('.cell[data-u="0"]', { hidden: true });
    assert.equal(await page.evaluate(() => Math.min(...[...document.querySelectorAll('.cell')].map((c) => Number(c.dataset.u)))), 10);
    // Dragging the scroll bar to the bottom reaches the end too, and to its middle the middle.
    await page.$eval('#view', (v) => { v.scrollTop = v.scrollHeight; });
    await page.waitForSelector('.cell[data-u="3000000"]');
    assert.ok(await inView(), 'the bottom of the scroll bar shows the last element');
    await page.$eval('#view', (v) => { v.scrollTop = v.scrollHeight / 2; });
    await page.waitForFunction(() => [...document.querySelectorAll('.cell')].every((c) => Math.abs(c.dataset.u - 1500000) < 100000));
    // As a grid 1000 wide, scrolled down and sideways, the editor opens over the cell it edits.
    await runAll(['Set array dimension to 2', 'Set dimension 1 boundary to 1000']);
    await page.$eval('#view', (v) => { [v.scrollTop, v.scrollLeft] = [500 * 26, 20 * 132 + 40]; });
    await page.waitForSelector(cell(502, 24));
    assert.ok((await count('.cell')) < 2000, 'only the cells in view are drawn');
    await wb.typeAt(502, 24, 'Enter');
    const [cellBox, editorBox] = await Promise.all([cell(502, 24), '#editor'].map((s) => wb.box(s)));
    assert.deepEqual([editorBox.x, editorBox.y].map(Math.round), [cellBox.x, cellBox.y].map(Math.round));
    await page.keyboard.press('Escape');
    await page.click('#tabs .tab.on i');
    // A file of 2^31 - 1 columns opens at once: 2D, one value cell 7, which the console writes in 46 bytes.
    const wide = wb.consoleFile(['new w --dims 2 --x 2147483647', 'Set value 7 at 0'], 'wide.arr');
    assert.deepEqual([wide.length, (await open('wide.arr', wide)).error], [46, undefined]);
    await page.waitForSelector(cell(0, 0));
    assert.deepEqual([(await cells()).columns, await text(cell(0, 0))], [0x7fffffff, '7']);
    await page.click('#tabs .tab.on i');
  });

  test('a map opens as a 3D tab and saves as the console saves it, its zlib and gzip layers compressed alike; a JSON file as its array', async () => {
    // Each map: its file, its array's boundaries and size, how its compressed layers are written.
    const maps = [['dungeon.tmj', [8, 5, 0], 120, ['zlib']], ['gzip.tmj', [3, 2, 0], 12, ['gzip']], ['plain.tmj', [3, 2, 0], 12, []]];
    for (const [file, boundaries, size, compressed] of maps) {
      const stem = file.replace(/\.tmj$/, '');
      await pick(file);
      assert.deepEqual(await shape(), { dimensions: 3, boundaries, size }, file);
      if (file === 'dungeon.tmj') assert.match(await wb.logText(), /object layer "structure\/spawns" skipped/);
      sameBytes((await saved('native')).bytes, converted([file], `${stem}.arr`), `${file}: the native file is the console's`);
      await page.select('#format', 'tilemap');
      await page.waitForFunction(() => /keeps everything/.test(document.getElementById('status').textContent));
      const map = await saved('tilemap');
      assert.deepEqual([map.template, map.losses], [file, ''], file);
      const made = converted(['--template', file, `${stem}.arr`], `console-${stem}.tmj`);
      // Compressed by the browser, a layer's bytes may differ: inflated, the map is the console's.
      if (compressed.length) assert.deepEqual(decoded(map.bytes).map, decoded(made).map, `${file}: inflated, the console's`);
      else sameBytes(map.bytes, made, `${file}: the page's map is the console's`);
      assert.deepEqual(decoded(map.bytes).compressions, compressed, `${file}: its layers compressed as read`);
    }
    // A JSON file opens as its array; a 2D array is no tile map.
    await pick('items.json');
    assert.deepEqual(await shape(), { dimensions: 2, boundaries: [2, 0], size: 4 });
    sameBytes((await saved('native')).bytes, wb.file('items.arr'), 'the native file is the one the JSON came from');
    // A tile map is saved into a copy of a map, here the last one opened, from a 3D array only.
    await assert.rejects(saved('tilemap'), /from a 3D array/);
  });

  test('is one file under 2 MB that asks for nothing beyond itself and meets no script error', () => {
    const size = fs.statSync(wb.pagePath).size;
    assert.deepEqual([size < 2 * 1024 * 1024, wb.requests.filter((r) => !/^(file|data|blob):/.test(r)), wb.problems], [true, [], []], `${size} bytes`);
  });
});
