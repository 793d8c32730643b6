// The workbench page against the console host: files open with the cells it
// shows and save as its bytes after the same lines, in every format; the tools,
// settings, element files, Check and Compare…, and grids too large to draw whole.
import { before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { sameBytes, useWorkbench } from './browser.mjs';

const wb = useWorkbench('tessel-workbench-', { height: 860 });
const { work, tessel, console: console_, open, run, cells, saved, save, file, write, cell, text, count, shown, setField } = wb;
let page, problems, requests;
before(async () => { ({ page, problems, requests } = await wb.started); });

const formats = { native: 'Save to file', host: 'Save to KZP Array', csv: 'Save to CSV file', ini: 'Save to INI file' };

// The console's show --json of a file and the page's cells, without their titles, which name the path.
const untitled = ({ name, ...rest }) => rest;
const consoleCells = (name, status = 0, from = []) => untitled(JSON.parse(console_([...from, '--json', 'show', name], status).stdout));
const pageCells = async () => untitled(await cells());

// A 2D table with labels, keys of both kinds, values, strings and a selection.
const tableLines = [
  'new t --dims 2 --x 3 --auto-select',
  ...['name', 'level', 'note'].map((l, c) => `Set label to "${l}" at column ${c}`),
  ...['ada,5,first', 'bob,2,', 'cy,9,a \\"quoted\\" note', 'dee,4,x'].map((r) => `Append row from list "${r}"`),
  ...[[5, 1], [2, 4], [9, 7], [4, 10]].map(([v, at]) => `Set value ${v} at ${at}`), 'Set key string "hero" at 0', 'Set key value 77 at 6',
];
// The lines run in both after opening the table: an edit, a key, a query.
const editLines = ['Set value 42 at 4', 'Set string "zed" at 9', 'Set key string "boss" at 6', 'SELECT WHERE "level" > 3'];
const saveLines = (stem) => Object.entries(formats).map(([f, action]) => `${action} "${stem}.${f}"`);

// The table in every format, a cut copy and a 3D level map, written by the console.
tessel([...tableLines, ...saveLines('table')], 'table.tessel');
const fixtures = Object.fromEntries(Object.keys(formats).map((f) => [f, file(`table.${f}`)]));
const cutBytes = fixtures.native.subarray(0, 40);
write('cut.native', cutBytes);
const floors = Array.from({ length: 3 * 6 * 8 }, (_, i) => {
  const [x, y, z] = [i % 8, Math.floor(i / 8) % 6, Math.floor(i / 48)];
  return x % 7 === 0 || y % 5 === 0 ? 'Append string "#"' : (x + y + z) % 5 ? 'Append string "."' : `Append value ${10 + x + y}`;
});
tessel(['new map --dims 3 --x 8 --y 6', ...floors, 'Set key string "stairs" at 60', 'Save to file "map.native"'], 'map.tessel');

const ctrl = (key) => wb.withKey('Control', key);
const lastLog = () => text('#log .entry:last-child pre');
const clearLog = () => page.evaluate(() => { document.getElementById('log').textContent = ''; });
const clearOffers = () => page.evaluate(() => { for (const o of document.querySelectorAll('.offer')) o.remove(); });

describe('the workbench page', () => {
  test('opens every format by its content with the cells the console shows, and checks files as tessel check', async () => {
    for (const [format, bytes] of Object.entries(fixtures)) {
      const description = await open(`table-${format}.dat`, bytes);  // an extension that tells nothing
      assert.equal(description.format, format, `table.${format} opens as ${format}`);
      assert.deepEqual(await pageCells(), consoleCells(`table.${format}`), `the cells of table.${format}`);
    }
    // A cut file reads, and is checked, as the console reads it; the log marks it.
    const cut = await open('cut.native', cutBytes);
    assert.ok(cut.warnings.some((w) => w.startsWith('damaged: ')), cut.warnings.join('; '));
    assert.deepEqual(await pageCells(), consoleCells('cut.native', 1));
    await page.click('#check');
    assert.equal(await lastLog(), console_(['check', 'cut.native'], 1).stdout.replace(/\n$/, ''));
    assert.ok(await page.$eval('#log .entry:last-child', (e) => e.classList.contains('bad')), 'a damaged file is marked');
  });

  test('saves after console lines the console\'s bytes in every format, and says what each loses', async () => {
    await open('table.native', fixtures.native);
    for (const line of editLines) await run(line);
    assert.match(await run('Set vale 2 at 0'), /^unknown action or expression/, 'a mistake changes nothing');
    tessel(['Load from file "table.native"', ...editLines, ...saveLines('edited')], 'lines.tessel');
    for (const format of Object.keys(formats)) {
      const s = await saved(format);
      sameBytes(s.bytes, file(`edited.${format}`), `edited.${format}`);
      if (format === 'native') assert.equal(s.losses, '');
      if (format === 'csv') assert.match(s.losses, /keys dropped.*labels dropped|labels dropped.*keys dropped/, 'the CSV save says what it loses');
    }
  });

  test('Escape leaves a cell as it was; the chosen format tells its losses first; Ctrl-S saves in it', async () => {
    await wb.closeAll();
    write('picked.native', fixtures.native);
    await wb.pick('picked.native');
    await page.click(cell(3, 0));
    await wb.keys('Enter', 'zed', 'Escape');  // Enter edits what is there, selected, so typing replaces it
    assert.equal((await cells()).cells[9].text, 'dee', 'Escape leaves the cell as it was');
    await wb.keys('Enter', 'zed', 'Enter');
    assert.equal(await text(cell(3, 0)), 'zed', 'the grid shows the change');
    await page.select('#format', 'csv');
    assert.match(await text('#status'), /^Saving as csv: \d+ keys dropped/, 'the losses are told before saving');
    await page.focus('#view');
    await ctrl('s');
    tessel(['Load from file "table.native"', 'Set string "zed" at 9', 'Save to CSV file "ui.csv"'], 'ui.tessel');
    sameBytes(await wb.downloaded('picked.csv', file('ui.csv').length), file('ui.csv'), 'the download is the console\'s CSV file');
    assert.match(await text('#status'), /^picked\.csv saved \(csv, \d+ bytes\): \d+ keys dropped/, 'and what it lost is told after saving too');
  });

  test('renames a label at its column\'s head, sets and clears keys and the settings, as element actions', async () => {
    await open('table.native', fixtures.native);
    const opened = await cells();
    await clearLog();
    await page.click('.head[data-c="1"]', { clickCount: 2 });  // a label is renamed at its column's head
    await wb.keys('lvl', 'Enter');
    assert.equal((await cells()).labels[1], 'lvl');
    await page.click(cell(0, 2));
    await page.click('#keySet');
    await wb.keys('12', 'Enter');
    assert.deepEqual((await cells()).cells[2].key, { type: 'value', text: '12' });
    // The settings: a 3D shape of 2 columns and 3 rows a page, and a delimiter.
    await page.click('#settingsOpen');
    await page.select('#setDims', '3');
    for (const [field, value] of [['#setX', '2'], ['#setY', '3'], ['#setDelimiter', ';']]) await setField(field, value);
    await page.click('#settingsApply');
    const now = await cells();
    assert.deepEqual([now.dimensions, now.columns, now.rowsPerPage], [3, 2, 3]);
    assert.equal(await run('delimiter$()'), 'delimiter$() = ";"\n');
    await wb.keys(...Array(3).fill(['Control', 'z']));
    assert.deepEqual(await cells(), opened, 'three undos give the file as opened');
    // A key cleared by its button, and by an emptied answer.
    await page.click(cell(0, 0));
    await page.click('#keyClear');
    await page.click(cell(2, 0));
    await page.click('#keySet');
    await wb.keys('Backspace', 'Enter');
    tessel(['Load from file "table.native"', 'Set key value 0 at 0', 'Set key value 0 at 6', 'Save to file "unkeyed.native"'], 'unkeyed.tessel');
    sameBytes(await save(), file('unkeyed.native'), 'both keys cleared');
    assert.equal(await count('.cell .k'), 0, 'no key is marked');
  });

  test('sets the auto-select and query settings, which the game reads when the object is made', async () => {
    await page.click('#new');
    const lines = ['Set array dimension to 2', 'Set dimension 1 boundary to 3', 'Append row from list "a,b,c"',
      'Append row from list "d,e,f"', 'numberOfRows()'];
    // Rows come into being selected only with the setting.
    await page.click('#settingsOpen');
    await page.select('#setAutoSelect', 'on');
    await page.select('#setQueries', 'Select rows using AND mode');
    await wb.shoot('workbench-settings');
    await page.click('#settingsApply');
    for (const line of lines) await run(line);
    const expected = tessel(['new t --auto-select', 'Select rows using AND mode', ...lines, 'Save to file "auto.native"'], 'auto.tessel');
    assert.equal(expected, 'numberOfRows() = 2\n');
    assert.equal(await run('numberOfRows()'), expected);
    sameBytes(await save(), file('auto.native'));
    // AND mode: a query keeps only the selected rows that pass, as in the console.
    assert.equal(await run('SELECT WHERE col 0 LIKE "a"'), '');
    assert.equal(await run('numberOfRows()'), 'numberOfRows() = 1\n');
    for (let i = 0; i < 6; ++i) await ctrl('z');
    assert.equal(await run('numberOfRows()'), 'numberOfRows() = 0\n', 'undone, the setting is off again');
    for (let i = 0; i < 5; ++i) await ctrl('y');
    assert.equal(await run('numberOfRows()'), 'numberOfRows() = 2\n', 'redone, it is on');
  });

  test('opens dropped files, and a command bar line changes the grid and completes', async () => {
    await wb.drop(['dropped.csv', fixtures.csv], ['dropped.ini', fixtures.ini]);
    await page.waitForFunction(() => window.tesselWorkbench.tabs().titles.includes('dropped.ini'));
    assert.ok((await wb.call('tabs')).titles.includes('dropped.csv'), 'both files dropped together open, a tab each');
    assert.deepEqual(await pageCells(), consoleCells('table.ini'));
    await wb.enter('#command', 'Set string "typed" at 0');
    assert.equal((await text(cell(0, 0))).endsWith('typed'), true);
    // The console's own words as the module names them: those that change the session or loop are refused.
    assert.match(await wb.run('new other'), /one instance a tab/);
    assert.match(await wb.run('for i from 0 to 1'), /one line at a time/);
    assert.match(await wb.run('echo get$(0)'), /typed/);
    assert.match(await wb.run('show(0)'), /unknown expression show\(/, 'a word before ( is an expression, not the console\'s');
    await wb.keys('SELE', 'Tab');
    assert.equal(await page.$eval('#command', (e) => e.value), 'SELECT ');
    assert.ok((await count('#suggest li')) > 1, 'the completions are listed');
    await page.keyboard.press('Escape');
    await setField('#command', '');
    assert.equal(await shown('#suggest'), false, 'Escape closes the list');
  });

  test('shows a 2D table with labels and keys, and a 3D map page by page', async () => {
    await wb.closeAll();
    await clearLog();
    await open('table.native', fixtures.native);
    for (const line of ['SELECT WHERE "level" > 3', 'colSum(1)', 'numberOfRows()']) await wb.enter('#command', line);
    await page.click(cell(0, 0));
    assert.deepEqual(await wb.texts('.head .label'), ['name', 'level', 'note']);
    assert.equal(await count('.cell .k'), 2, 'both keys are marked');
    const selected = new Set((await cells()).cells.filter((c) => c.selected).map((c) => c.row));
    assert.equal(await count('.num .sel'), selected.size, 'each selected row is marked');
    await wb.shoot('workbench-table', true);
    await open('map.native', file('map.native'));
    assert.equal(await shown('#pager'), true, 'a 3D array has a page switcher');
    await page.click('#pageNext');
    // Page 1, row 1, column 1 of the 8 x 6 floors: the element 48 + 8 + 1.
    const want = (await cells()).cells[57];
    assert.equal(await text(cell(1, 1)), want.type === 'value' ? String(want.value) : want.text);
    await wb.shoot('workbench-map', 'workbench-narrow');
  });

  test('loads a file into the current cell, asked on its own tab, and saves a cell as the console does', async () => {
    // Bytes no array format claims: zero bytes and CR LF pairs among them.
    const blob = Buffer.from(Array.from({ length: 1000 }, (_, i) => (i % 7 === 0 ? 0 : i % 11 === 0 ? 13 : i % 11 === 1 ? 10 : (i * 31) % 256)));
    blob.write('\x89PNG', 0, 'latin1');
    write('blob.bin', blob);
    tessel(['Load from file "table.native"', 'Set file "blob.bin" at 5', ...[5, 0, 1].map((i) => `Save element ${i} to file "element${i}.bin"`),
      'Save to file "blobbed.native"'], 'blobbed.tessel');
    await wb.closeAll();
    await open('table.native', fixtures.native);
    await clearOffers();
    // Dropped while element 5 is current: not an array file, so loading it into the cell is offered.
    await page.click(cell(1, 2));
    await wb.drop(['blob.bin', blob]);
    await page.waitForSelector('.offer button');
    assert.match(await text('.offer'), /blob\.bin .* is not an array file/);
    assert.equal((await wb.texts('.offer button'))[0], 'Load it into element 5 of table.native');
    assert.equal((await wb.call('tabs')).titles.length, 1, 'no tab is opened unasked');
    // The whole offer shows: its buttons are not cut off by the log below.
    assert.equal(await page.$eval('#offers', (box) => [...box.querySelectorAll('button')]
      .some((b) => b.getBoundingClientRect().bottom > box.getBoundingClientRect().bottom + 0.5)), false);
    await wb.shoot('workbench-element');
    // The question belongs to its tab: another tab does not show it, and its button acts on its own tab.
    await open('other.native', fixtures.native);
    assert.equal(await count('.offer'), 0, 'the other tab does not show it');
    await page.click('#tabs .tab:first-child span');
    await page.click('.offer button');
    assert.equal((await wb.call('tabs')).current, 0, 'it stays on its own tab');
    assert.match(await text(cell(1, 2)), /1000 bytes/);
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

  test('compares a tab as opened with it now as tessel diff prints them', async () => {
    await open('table.native', fixtures.native);
    for (const line of editLines) await run(line);
    fs.mkdirSync(path.join(work, 'now'));
    write('now/table.native', await save());
    const edited = console_(['diff', 'table.native', 'now/table.native'], 1).stdout;
    await page.click('#diff');
    assert.equal((await page.$$eval('#choice option', (o) => o.map((e) => e.value)))[0], 'opened');
    await page.click('#chosen');
    assert.equal(await lastLog(), edited.replace(/\n$/, ''));
    await wb.shoot('workbench-compare', true);
  });

  test('reads and writes the spreadsheet CSV as the console does', async () => {
    const sheetText = 'name;note\r\n"ada";"said ""hi""; left"\r\nbob;\r\n';
    write('people.csv', sheetText);
    // Opened as the module reads CSV, it is offered again as a spreadsheet.
    await clearOffers();
    await open('people.csv', Buffer.from(sheetText));
    await page.waitForSelector('.offer button');
    await page.click('.offer button');
    assert.deepEqual(await pageCells(), consoleCells('people.csv', 0, ['--from', 'sheet']));
    await open('table.native', fixtures.native);
    console_(['--to', 'sheet', 'convert', 'table.native', 'table-sheet.csv']);
    const sheet = await saved('sheet');
    sameBytes(sheet.bytes, file('table-sheet.csv'));
    assert.match(sheet.losses, /keys dropped/, 'the keys a sheet cannot keep are told');
  });

  test('draws only what is in view of three million elements, and reaches the last by End and by the scroll bar', async () => {
    await page.click('#new');
    assert.equal(await page.$eval('#check', (b) => b.disabled), true, 'an array made here has no file to check');
    await run('Set value 7 at 2999999');
    await page.click(cell(0, 0));
    await page.keyboard.press('End');
    await page.waitForSelector('.cell[data-u="2999999"]');
    const inView = () => page.evaluate(() => {
      const [c, view] = [document.querySelector('.cell[data-u="2999999"]'), document.getElementById('view')].map((e) => e.getBoundingClientRect());
      return c.top >= view.top && c.bottom <= view.bottom;
    });
    assert.ok(await inView(), 'End shows the last element');
    assert.equal(await text('.cell[data-u="2999999"]'), '7');
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
    for (const line of ['Set array dimension to 2', 'Set dimension 1 boundary to 1000']) await run(line);
    await page.$eval('#view', (v) => { [v.scrollTop, v.scrollLeft] = [500 * 26, 20 * 132 + 40]; });
    await page.waitForSelector(cell(502, 24));
    assert.ok((await count('.cell')) < 2000, 'only the cells in view are drawn');
    await page.click(cell(502, 24));
    await page.keyboard.press('Enter');
    const [cellBox, editorBox] = await page.evaluate((s) => [s, '#editor'].map((q) => {
      const r = document.querySelector(q).getBoundingClientRect();
      return [Math.round(r.left), Math.round(r.top)];
    }), cell(502, 24));
    assert.deepEqual(editorBox, cellBox);
    await page.keyboard.press('Escape');
    await page.click('#tabs .tab.on i');
  });

  test('opens a file of a few dozen bytes that declares 2^31 - 1 columns at once', async () => {
    // Native file: 2D, X = 2^31 - 1, Y = 1, no labels, one value cell 7 without a key.
    const wide = Buffer.alloc(46, 0);
    wide.write('QVXARRAY', 0, 'latin1');
    [[8, 1, 2], [10, 2, 4], [14, 0x7fffffff, 4], [18, 1, 4], [22, 0, 4], [26, 1, 4], [30, 1, 2], [32, 4, 4],
      [36, 7, 4]].forEach(([at, v, n]) => (n === 2 ? wide.writeUInt16LE(v, at) : wide.writeInt32LE(v, at)));
    assert.equal((await open('wide.arr', wide)).error, undefined);
    await page.waitForSelector(cell(0, 0));
    assert.deepEqual([(await cells()).columns, await text(cell(0, 0))], [0x7fffffff, '7']);
    await page.click('#tabs .tab.on i');
  });

  test('is one file under 2 MB that asks for nothing beyond itself and meets no script error', () => {
    const size = fs.statSync(wb.pagePath).size;
    assert.ok(size < 2 * 1024 * 1024, `the page is ${size} bytes`);
    assert.deepEqual(requests.filter((r) => !/^(file|data|blob):/.test(r)), []);
    assert.deepEqual(problems, []);
  });
});
