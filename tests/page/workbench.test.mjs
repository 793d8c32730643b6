// The workbench page in a headless browser, checked against the console host:
// files the console writes open in the page with the cells the console shows,
// lines run in the page print what the console prints, and files the page
// saves after those lines are the console's byte for byte, in every format.
// The user interface is driven too (drop, picker, click, type, undo, Ctrl-S).
// TESSEL_SCREENSHOTS: the folder the screenshots go to; TESSEL_EXAMPLES: the
// example scripts with their expected output.
import { before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { useWorkbench } from './browser.mjs';

const wb = useWorkbench('tessel-workbench-', { height: 860 });
const { work, consolePath, tessel, open, run, cells } = wb;
assert.ok(process.env.TESSEL_EXAMPLES, 'TESSEL_EXAMPLES is set');
let page;
let problems;
let requests;
before(async () => { ({ page, problems, requests } = await wb.started); });

const formats = { native: 'Save to file', host: 'Save to KZP Array', csv: 'Save to CSV file', ini: 'Save to INI file' };

// The console's show --json of a file, without its title, which names the
// path; a damaged file is shown as far as it reads, with exit status 1.
function consoleCells(file, status = 0) {
  const ran = spawnSync(consolePath, ['--json', 'show', file], { cwd: work, encoding: 'utf8' });
  assert.equal(ran.status, status, ran.stderr);
  const shown = JSON.parse(ran.stdout);
  delete shown.name;
  return shown;
}

// A 2D table with labels, keys of both kinds, values, strings and a selection.
const tableLines = [
  'new t --dims 2 --x 3 --auto-select',
  'Set label to "name" at column 0',
  'Set label to "level" at column 1',
  'Set label to "note" at column 2',
  'Append row from list "ada,5,first"',
  'Append row from list "bob,2,"',
  'Append row from list "cy,9,a \\"quoted\\" note"',
  'Append row from list "dee,4,x"',
  'Set value 5 at 1',
  'Set value 2 at 4',
  'Set value 9 at 7',
  'Set value 4 at 10',
  'Set key string "hero" at 0',
  'Set key value 77 at 6',
];
// The lines run in both after opening the table: an edit, a key, a query.
const editLines = ['Set value 42 at 4', 'Set string "zed" at 9', 'Set key string "boss" at 6', 'SELECT WHERE "level" > 3'];

const fixtures = {};

// The table in every format, and a 3D level map, written by the console.
tessel([...tableLines, ...Object.entries(formats).map(([f, action]) => `${action} "table.${f}"`)], 'table.tessel');
for (const f of Object.keys(formats)) fixtures[f] = fs.readFileSync(path.join(work, `table.${f}`));
const floors = [];
for (let z = 0; z < 3; ++z) {
  for (let y = 0; y < 6; ++y) {
    for (let x = 0; x < 8; ++x) {
      const wall = x === 0 || y === 0 || x === 7 || y === 5;
      floors.push(wall ? 'Append string "#"' : (x + y + z) % 5 === 0 ? 'Append value ' + (10 + x + y) : 'Append string "."');
    }
  }
}
tessel(['new map --dims 3 --x 8 --y 6', ...floors, 'Set key string "stairs" at 60', 'Save to file "map.native"'], 'map.tessel');
// A million cells: a 1000 x 1000 grid with a value in every tenth row.
const million = ['new big --dims 2 --x 1000', 'Set value 1 at 999999'];
for (let r = 0; r < 1000; r += 10) million.push(`Set value ${r + 1} at ${r * 1000}`, `Set string "r${r}" at ${r * 1000 + 1}`);
tessel([...million, 'Save to file "million.native"'], 'million.tessel');

const save = (format) =>
  page.evaluate((f) => {
    const s = window.tesselWorkbench.save(f);
    return { bytes: Array.from(s.bytes), losses: s.losses };
  }, format);
const ctrl = (key) => wb.withKey('Control', key);
const pageCells = async () => {
  const shown = await cells();
  delete shown.name;
  return shown;
};

describe('the workbench page', () => {
  test('opens every format by its content with the cells the console shows', async () => {
    for (const [format, bytes] of Object.entries(fixtures)) {
      const description = await open(`table-${format}.dat`, bytes);  // an extension that tells nothing
      assert.equal(description.format, format, `table.${format} opens as ${format}`);
      assert.deepEqual(await pageCells(), consoleCells(`table.${format}`), `the cells of table.${format}`);
    }
    // A cut file reads as the console reads it.
    fs.writeFileSync(path.join(work, 'cut.native'), fixtures.native.subarray(0, 40));
    const cut = await open('cut.native', fixtures.native.subarray(0, 40));
    assert.ok(cut.warnings.some((w) => w.startsWith('damaged: ')), cut.warnings.join('; '));
    assert.deepEqual(await pageCells(), consoleCells('cut.native', 1));
  });

  test('prints for console lines what the console prints, and saves after them its bytes in every format', async () => {
    await open('table.native', fixtures.native);
    const lines = [...editLines, 'sum()', 'getLabel$(1)', 'numberOfRows()', 'rowList$(0)', 'get$(99)', 'Set vale 2 at 0'];
    const printed = [];
    for (const line of lines) printed.push(await run(line));
    fs.writeFileSync(path.join(work, 'lines.tessel'), ['Load from file "table.native"', ...lines,
      ...Object.entries(formats).map(([f, a]) => `${a} "edited.${f}"`)].join('\n') + '\n');
    const ran = spawnSync(consolePath, ['run', '--keep-going', 'lines.tessel'], { cwd: work, encoding: 'utf8' });
    assert.equal(ran.status, 1, 'the misspelt line fails in the console too');
    // The console writes results and mistakes to two streams, each line's mistakes after "file:line: "; its saves warn of their losses.
    const lineSet = (text) => text.split('\n').filter((l) => l && !l.startsWith('warning: edited.')).sort();
    assert.deepEqual(lineSet(printed.join('')), lineSet(ran.stdout + ran.stderr.replaceAll(/^.*?:\d+: /gm, '')));
    assert.ok(printed[9].startsWith('unknown action or expression'), printed[9]);
    assert.match(printed[4], /^sum\(\) = \d+\n$/);
    for (const format of Object.keys(formats)) {
      const saved = await save(format);
      const expected = fs.readFileSync(path.join(work, `edited.${format}`));
      assert.ok(Buffer.from(saved.bytes).equals(expected), `edited.${format}: ${saved.bytes.length} bytes, the console's ${expected.length}`);
      if (format === 'native') assert.equal(saved.losses, '');
      if (format === 'csv') assert.match(saved.losses, /keys dropped.*labels dropped|labels dropped.*keys dropped/, 'the CSV save says what it loses');
    }
  });

  test('runs the examples\' scripts with the console\'s expected output', async () => {
    const examples = process.env.TESSEL_EXAMPLES;
    const scripts = fs.readdirSync(examples).filter((f) => f.endsWith('.tessel'));
    assert.ok(scripts.length >= 3, `the examples are found in ${examples}`);
    for (const script of scripts) {
      const expected = fs.readFileSync(path.join(examples, script.replace(/\.tessel$/, '.expected')), 'latin1');
      const ran = await page.evaluate((text, name) => {
        const r = window.tesselWorkbench.runScript(text, name);
        const files = {};
        for (const [f, bytes] of Object.entries(r.files)) files[f] = String.fromCharCode(...bytes);
        return { ...r, files };
      }, fs.readFileSync(path.join(examples, script), 'latin1'), script);
      // As the examples' ctest writes it: output, messages, exit status, the files written.
      let actual = ran.output + (ran.errors ? '--- stderr\n' + ran.errors : '') + (ran.ok ? '' : '--- exit status 1\n');
      for (const [, name] of expected.matchAll(/^--- file (.*)$/gm)) {
        actual += `--- file ${name}\n` + (name in ran.files ? ran.files[name].replaceAll('\r', '\\r') : '(not written)\n');
      }
      assert.equal(actual, expected, script);
    }
  });

  test('Escape leaves a cell as it was; the chosen format tells its losses first; Ctrl-S saves in it', async () => {
    await wb.closeAll();
    fs.writeFileSync(path.join(work, 'picked.native'), fixtures.native);
    await wb.pick('picked.native');
    await page.click('.cell[data-u="3"][data-c="0"]');
    await wb.keys('Enter', 'zed', 'Escape');  // Enter edits what is there, selected, so typing replaces it
    assert.equal((await cells()).cells[9].text, 'dee', 'Escape leaves the cell as it was');
    await wb.keys('Enter', 'zed', 'Enter');
    assert.equal(await page.$eval('.cell[data-u="3"][data-c="0"]', (e) => e.textContent), 'zed', 'the grid shows the change');
    tessel(['Load from file "table.native"', 'Set string "zed" at 9', 'Save to CSV file "ui.csv"'], 'ui.tessel');
    await page.select('#format', 'csv');
    assert.match(await page.$eval('#status', (e) => e.textContent), /^Saving as csv: \d+ keys dropped/, 'the losses are told before saving');
    await page.focus('#view');
    await ctrl('s');
    const expected = fs.readFileSync(path.join(work, 'ui.csv'));
    assert.ok((await wb.downloaded('picked.csv', expected.length)).equals(expected), 'the download is the console\'s CSV file');
    assert.match(await page.$eval('#status', (e) => e.textContent), /^picked\.csv saved \(csv, \d+ bytes\): \d+ keys dropped/,
      'and what it lost is told after saving too');
  });

  test('renames a label at its column\'s head, sets a key and the settings, as element actions', async () => {
    await open('table.native', fixtures.native);
    const before = await cells();
    await page.evaluate(() => { document.getElementById('log').textContent = ''; });
    await page.click('.head[data-c="1"]', { clickCount: 2 });  // a label is renamed at its column's head
    await page.keyboard.type('lvl');
    await page.keyboard.press('Enter');
    assert.equal((await cells()).labels[1], 'lvl');
    await page.click('.cell[data-u="0"][data-c="2"]');
    await page.click('#keySet');
    await page.keyboard.type('12');
    await page.keyboard.press('Enter');
    assert.deepEqual((await cells()).cells[2].key, { type: 'value', text: '12' });
    assert.equal(await page.$$eval('#log .entry.bad', (e) => e.length), 0, 'no line failed');
    assert.equal(await page.$eval('#log', (e) => e.textContent.includes('warning')), false, 'no line was warned about');
    // The settings: a 3D shape of 2 columns and 3 rows a page, and a delimiter.
    await page.click('#settingsOpen');
    await page.select('#setDims', '3');
    await page.$eval('#setX', (e) => { e.value = '2'; });
    await page.$eval('#setY', (e) => { e.value = '3'; });
    await page.$eval('#setDelimiter', (e) => { e.value = ';'; });
    await page.click('#settingsApply');
    const shown = await cells();
    assert.equal(shown.dimensions, 3);
    assert.equal(shown.columns, 2);
    assert.equal(shown.rowsPerPage, 3);
    assert.equal(await run('delimiter$()'), 'delimiter$() = ";"\n');
    // A loop is refused, so it cannot gather the edits after it.
    assert.match(await run('for i from 0 to 2'), /one line at a time/);
    assert.equal(await run('size()'), 'size() = ' + shown.cells.length + '\n');
    assert.equal(await page.$eval('#pager', (p) => p.hidden), false);
    for (let i = 0; i < 3; ++i) await ctrl('z');
    assert.deepEqual(await cells(), before, 'three undos give the file as opened');
  });

  test('opens a dropped file and a command bar line changes the grid', async () => {
    await page.evaluate((ini, csv) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(csv)], 'dropped.csv'));
      data.items.add(new File([new Uint8Array(ini)], 'dropped.ini'));
      window.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, Array.from(fixtures.ini), Array.from(fixtures.csv));
    await page.waitForFunction(() => window.tesselWorkbench.tabs().titles.includes('dropped.ini'));
    const titles = (await page.evaluate(() => window.tesselWorkbench.tabs())).titles;
    assert.ok(titles.includes('dropped.csv'), 'both files dropped together open, a tab each');
    assert.deepEqual(await pageCells(), consoleCells('table.ini'));
    await page.type('#command', 'Set string "typed" at 0');
    await page.keyboard.press('Enter');
    assert.equal(await page.$eval('.cell[data-u="0"][data-c="0"]', (e) => e.textContent.endsWith('typed')), true);
    await page.type('#command', 'SELE');
    await page.keyboard.press('Tab');
    assert.equal(await page.$eval('#command', (e) => e.value), 'SELECT ');
    assert.ok((await page.$$eval('#suggest li', (l) => l.length)) > 1, 'the completions are listed');
    await page.keyboard.press('Escape');
    await page.$eval('#command', (e) => { e.value = ''; });
    assert.equal(await page.$eval('#suggest', (e) => e.hidden), true, 'Escape closes the list');
  });

  test('shows a 2D table with labels and keys, and a 3D map page by page', async () => {
    await page.evaluate(() => { for (const b of document.querySelectorAll('#tabs .tab i')) b.click(); });
    await page.evaluate(() => { document.getElementById('log').textContent = ''; });
    await open('table.native', fixtures.native);
    for (const line of ['SELECT WHERE "level" > 3', 'colSum(1)', 'numberOfRows()']) {
      await page.type('#command', line);
      await page.keyboard.press('Enter');
    }
    await page.click('.cell[data-u="0"][data-c="0"]');
    const labels = await page.$$eval('.head .label', (l) => l.map((e) => e.textContent));
    assert.deepEqual(labels, ['name', 'level', 'note']);
    assert.equal(await page.$$eval('.cell .k', (k) => k.length), 2, 'both keys are marked');
    const selected = new Set((await cells()).cells.filter((c) => c.selected).map((c) => c.row));
    assert.equal(await page.$$eval('.num .sel', (s) => s.length), selected.size, 'each selected row is marked');
    await wb.shoot('workbench-table', true);

    await open('map.native', fs.readFileSync(path.join(work, 'map.native')));
    assert.equal(await page.$eval('#pager', (p) => p.hidden), false, 'a 3D array has a page switcher');
    await page.click('#pageNext');
    // Page 1, row 1, column 1 of the 8 x 6 floors: the element 48 + 8 + 1.
    const want = (await cells()).cells[57];
    const shown = await page.$eval('.cell[data-u="1"][data-c="1"]', (e) => e.textContent);
    assert.equal(shown, want.type === 'value' ? String(want.value) : want.text);
    await wb.shoot('workbench-map', 'workbench-narrow');
  });

  test('opens a million cells and draws only what is in view', async () => {
    await open('million.native', fs.readFileSync(path.join(work, 'million.native')));
    const drawn = await page.$$eval('.cell', (c) => c.length);
    assert.ok(drawn > 50 && drawn < 2000, `${drawn} cells drawn`);
    await page.$eval('#view', (v) => { v.scrollTop = 500 * 26; });
    await page.waitForSelector('.cell[data-u="500"][data-c="1"]');
    assert.equal(await page.$eval('.cell[data-u="500"][data-c="1"]', (e) => e.textContent), 'r500');
    // Scrolled sideways, the editor opens over the cell it edits.
    await page.$eval('#view', (v) => { v.scrollLeft = 20 * 132 + 40; });
    await page.waitForSelector('.cell[data-u="502"][data-c="24"]');
    await page.click('.cell[data-u="502"][data-c="24"]');
    await page.keyboard.press('Enter');
    const [cellBox, editorBox] = await page.evaluate(() => ['.cell[data-u="502"][data-c="24"]', '#editor'].map((s) => {
      const r = document.querySelector(s).getBoundingClientRect();
      return [Math.round(r.left), Math.round(r.top)];
    }));
    assert.deepEqual(editorBox, cellBox);
    await page.keyboard.press('Escape');
  });

  test('loads a file into the current cell and saves a cell as the console does', async () => {
    // Bytes no array format claims: zero bytes and CR LF pairs among them.
    const blob = Buffer.alloc(1000);
    for (let i = 0; i < blob.length; ++i) blob[i] = i % 7 === 0 ? 0 : i % 11 === 0 ? 13 : i % 11 === 1 ? 10 : (i * 31) % 256;
    blob.write('\x89PNG', 0, 'latin1');
    fs.writeFileSync(path.join(work, 'blob.bin'), blob);
    tessel(['Load from file "table.native"', 'Set file "blob.bin" at 5', 'Save element 5 to file "element5.bin"',
      'Save element 0 to file "element0.bin"', 'Save element 1 to file "element1.bin"', 'Save to file "blobbed.native"'],
    'blobbed.tessel');
    await page.evaluate(() => { for (const b of document.querySelectorAll('#tabs .tab i')) b.click(); });
    await open('table.native', fixtures.native);
    await page.evaluate(() => { for (const o of document.querySelectorAll('.offer')) o.remove(); });
    // Dropped while element 5 is current: not an array file, so loading it into the cell is offered.
    await page.click('.cell[data-u="1"][data-c="2"]');
    await page.evaluate((bytes) => {
      const data = new DataTransfer();
      data.items.add(new File([new Uint8Array(bytes)], 'blob.bin'));
      window.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
    }, Array.from(blob));
    await page.waitForSelector('.offer button');
    const offered = await page.$$eval('.offer button', (b) => b.map((e) => e.textContent));
    assert.equal(offered[0], 'Load it into element 5 of table.native');
    assert.equal((await page.evaluate(() => window.tesselWorkbench.tabs())).titles.length, 1, 'no tab is opened unasked');
    // The whole offer shows: its buttons are not cut off by the log below.
    const cut = await page.$eval('#offers', (box) => {
      const outer = box.getBoundingClientRect();
      return [...box.querySelectorAll('button')].some((b) => b.getBoundingClientRect().bottom > outer.bottom + 0.5);
    });
    assert.equal(cut, false);
    await wb.shoot('workbench-element');
    await page.click('.offer button');
    const shown = await cells();
    assert.equal(shown.cells[5].type, 'data');
    assert.equal(shown.cells[5].length, 1000);
    assert.deepEqual(shown, { ...consoleCells('blobbed.native'), name: shown.name });
    assert.match(await page.$eval('.cell[data-u="1"][data-c="2"]', (e) => e.textContent), /1000 bytes/);
    // The element's bytes, a string's and a value's, as the console's game actions write them.
    const element = (i) => page.evaluate((n) => Array.from(window.tesselWorkbench.saveCell(n)), i);
    assert.ok(Buffer.from(await element(5)).equals(blob), 'the data cell saves the very bytes loaded');
    for (const i of [0, 1, 5]) {
      assert.ok(Buffer.from(await element(i)).equals(fs.readFileSync(path.join(work, `element${i}.bin`))), `element ${i}`);
    }
    assert.ok(Buffer.from((await save('native')).bytes).equals(fs.readFileSync(path.join(work, 'blobbed.native'))),
      'the array with the file in it saves as the console saves it');
    await assert.rejects(page.evaluate(() => window.tesselWorkbench.saveCell(99)), /99/, 'an element past the end is no file');
    // The picker of the cell bar, and the download of the cell.
    await page.click('.cell[data-u="0"][data-c="2"]');
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('label[title^="Put a whole file"]')]);
    await chooser.accept([path.join(work, 'blob.bin')]);
    await page.waitForFunction(() => window.tesselWorkbench.cells().cells[2].type === 'data');
    await page.click('#cellSave');
    assert.ok((await wb.downloaded('table-element-2.bin', blob.length)).equals(blob),
      'the downloaded cell is the file put into it');
    await ctrl('z');
    await ctrl('z');
    assert.deepEqual(await pageCells(), consoleCells('table.native'), 'both loads undo');
  });

  test('checks and compares files as tessel check and tessel diff print them', async () => {
    const console_ = (...args) => spawnSync(consolePath, args, { cwd: work, encoding: 'utf8' });
    await open('table.native', fixtures.native);
    let ran = console_('check', 'table.native');
    assert.equal(await page.evaluate(() => window.tesselWorkbench.check()), ran.stdout);
    await open('cut.native', fixtures.native.subarray(0, 40));
    ran = console_('check', 'cut.native');
    assert.equal(ran.status, 1);
    assert.equal(await page.evaluate(() => window.tesselWorkbench.check()), ran.stdout, 'a damaged file');
    await page.click('#check');
    assert.equal(await page.$eval('#log .entry:last-child pre', (e) => e.textContent), ran.stdout.replace(/\n$/, ''));
    assert.ok(await page.$eval('#log .entry:last-child', (e) => e.classList.contains('bad')), 'a damaged file is marked');

    // The tab as opened against the tab as it is now, and against another tab.
    await open('table-csv.dat', fixtures.csv);
    await open('table.native', fixtures.native);
    const diff = (other) => page.evaluate((o) => window.tesselWorkbench.diff(o ?? undefined), other);
    const now = async (folder, name) => {
      fs.mkdirSync(path.join(work, folder), { recursive: true });
      fs.writeFileSync(path.join(work, folder, name), Buffer.from((await save('native')).bytes));
    };
    await now('now', 'table.native');
    ran = console_('diff', 'table.native', 'now/table.native');
    assert.equal(ran.status, 0);
    assert.equal((await diff()).output, ran.stdout, 'no change yet');
    for (const line of editLines) await run(line);
    await now('now', 'table.native');
    ran = console_('diff', 'table.native', 'now/table.native');
    assert.equal(ran.status, 1);
    const edited = await diff();
    assert.equal(edited.output, ran.stdout);
    assert.match(edited.output, /^--- table\.native \(native\)\n\+\+\+ now\/table\.native \(native\)\n/);
    // The same through the buttons: the choice, then the view in the log.
    await page.click('#diff');
    assert.deepEqual(await page.$$eval('#choice option', (o) => o.map((e) => e.value)).then((v) => v[0]), 'opened');
    await page.click('#chosen');
    assert.equal(await page.$eval('#log .entry:last-child pre', (e) => e.textContent), ran.stdout.replace(/\n$/, ''));
    await wb.shoot('workbench-compare', true);
    const titles = (await page.evaluate(() => window.tesselWorkbench.tabs())).titles;
    const csvTab = titles.indexOf('table-csv.dat');
    assert.ok(csvTab >= 0, titles.join(', '));
    // Both tabs are compared as they are now: each saved natively, which the console reads alike.
    await now('pair', 'table.native');
    const current = (await page.evaluate(() => window.tesselWorkbench.tabs())).current;
    await page.evaluate((i) => window.tesselWorkbench.select(i), csvTab);
    await now('pair', 'table-csv.dat');
    await page.evaluate((i) => window.tesselWorkbench.select(i), current);
    const between = await diff(csvTab);
    ran = spawnSync(consolePath, ['diff', 'table.native', 'table-csv.dat'], { cwd: path.join(work, 'pair'), encoding: 'utf8' });
    assert.equal(ran.status, 1);
    assert.equal(between.output, ran.stdout);
    assert.match(between.output, /^--- table\.native \(native\)\n\+\+\+ table-csv\.dat \(native\)\n/);
  });

  test('reads and writes the spreadsheet CSV as the console does', async () => {
    const sheetText = 'name;note\r\n"ada";"said ""hi""; left"\r\nbob;\r\n';
    fs.writeFileSync(path.join(work, 'people.csv'), sheetText);
    const opened = await open('people.csv', Buffer.from(sheetText), 'sheet');
    assert.equal(opened.format, 'sheet');
    const shown = spawnSync(consolePath, ['--from', 'sheet', '--json', 'show', 'people.csv'], { cwd: work, encoding: 'utf8' });
    const expected = JSON.parse(shown.stdout);
    delete expected.name;
    assert.deepEqual(await pageCells(), expected);
    // Opened as the module reads CSV, it is offered again as a spreadsheet.
    await page.evaluate(() => { for (const o of document.querySelectorAll('.offer')) o.remove(); });
    await open('people.csv', Buffer.from(sheetText));
    await page.waitForSelector('.offer button');
    await page.click('.offer button');
    assert.deepEqual(await pageCells(), expected);
    await open('table.native', fixtures.native);
    execFileSync(consolePath, ['--to', 'sheet', 'convert', 'table.native', 'table-sheet.csv'], { cwd: work });
    const saved = await save('sheet');
    assert.ok(Buffer.from(saved.bytes).equals(fs.readFileSync(path.join(work, 'table-sheet.csv'))));
    assert.match(saved.losses, /keys dropped/, 'the keys a sheet cannot keep are told');
  });

  test('clears a key, and sets the auto-select and query settings, which the game reads when the object is made', async () => {
    await open('table.native', fixtures.native);
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.click('#keyClear');
    assert.equal((await cells()).cells[0].key.type, 'empty', 'the key of element 0 is gone');
    await page.click('.cell[data-u="2"][data-c="0"]');
    await page.click('#keySet');
    await page.keyboard.press('Backspace');
    await page.keyboard.press('Enter');
    assert.equal((await cells()).cells[6].key.type, 'empty', 'an emptied key answer clears it');
    tessel(['Load from file "table.native"', 'Set key value 0 at 0', 'Set key value 0 at 6', 'Save to file "unkeyed.native"'],
      'unkeyed.tessel');
    assert.ok(Buffer.from((await save('native')).bytes).equals(fs.readFileSync(path.join(work, 'unkeyed.native'))));
    assert.equal(await page.$$eval('.cell .k', (k) => k.length), 0, 'no key is marked');

    await page.click('#new');
    const lines = ['Set array dimension to 2', 'Set dimension 1 boundary to 3', 'Append row from list "a,b,c"',
      'Append row from list "d,e,f"', 'numberOfRows()'];
    // Rows come into being selected only with the setting, which the game reads when the object is made.
    await page.click('#settingsOpen');
    await page.select('#setAutoSelect', 'on');
    await page.select('#setQueries', 'Select rows using AND mode');
    await wb.shoot('workbench-settings');
    await page.click('#settingsApply');
    for (const line of lines) await run(line);
    const expected = tessel(['new t --auto-select', 'Select rows using AND mode', ...lines, 'Save to file "auto.native"'],
      'auto.tessel');
    assert.equal(await run('numberOfRows()'), expected);
    assert.equal(expected, 'numberOfRows() = 2\n');
    assert.ok(Buffer.from((await save('native')).bytes).equals(fs.readFileSync(path.join(work, 'auto.native'))));
    // AND mode: a query keeps only the selected rows that pass, as in the console.
    assert.equal(await run('SELECT WHERE col 0 LIKE "a"'), '');
    assert.equal(await run('numberOfRows()'), 'numberOfRows() = 1\n');
    for (let i = 0; i < 6; ++i) await ctrl('z');
    assert.equal(await run('numberOfRows()'), 'numberOfRows() = 0\n', 'undone, the setting is off again');
    await ctrl('y');
    for (let i = 0; i < 4; ++i) await ctrl('y');
    assert.equal(await run('numberOfRows()'), 'numberOfRows() = 2\n', 'redone, it is on');
  });

  test('scrolls a list of three million elements to its last one', async () => {
    await page.click('#new');
    assert.equal(await page.$eval('#check', (b) => b.disabled), true, 'an array made here has no file to check');
    await run('Set value 7 at 2999999');
    assert.equal((await page.evaluate(() => window.tesselWorkbench.run('size()'))), 'size() = 3000000\n');
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.keyboard.press('End');
    await page.waitForSelector('.cell[data-u="2999999"]');
    const inView = () => page.evaluate(() => {
      const cell = document.querySelector('.cell[data-u="2999999"]').getBoundingClientRect();
      const view = document.getElementById('view').getBoundingClientRect();
      return cell.top >= view.top && cell.bottom <= view.bottom;
    });
    assert.ok(await inView(), 'End shows the last element');
    assert.equal(await page.$eval('.cell[data-u="2999999"]', (e) => e.textContent), '7');
    await page.keyboard.press('Enter');
    await page.keyboard.type('8');
    await page.keyboard.press('Enter');
    assert.equal(await run('get(2999999)'), 'get(2999999) = 8\n', 'the editor sits on the cell it edits');
    await page.keyboard.press('Home');
    await page.waitForSelector('.cell[data-u="0"]');
    // The wheel moves rows as on a small list: 10 rows of 26 pixels, not ten times that.
    await page.mouse.move(300, 400);
    await page.mouse.wheel({ deltaY: 260 });
    await page.waitForSelector('.cell[data-u="0"]', { hidden: true });
    assert.equal(await page.evaluate(() => Math.min(...[...document.querySelectorAll('.cell')].map((c) => Number(c.dataset.u)))), 10);
    // Dragging the scroll bar to the bottom reaches the end too.
    await page.$eval('#view', (v) => { v.scrollTop = v.scrollHeight; });
    await page.waitForSelector('.cell[data-u="3000000"]');
    assert.ok(await inView(), 'the bottom of the scroll bar shows the last element');
    await page.$eval('#view', (v) => { v.scrollTop = v.scrollHeight / 2; });
    await page.waitForFunction(() => {
      const rows = [...document.querySelectorAll('.cell')].map((c) => Number(c.dataset.u));
      return Math.min(...rows) > 1400000 && Math.max(...rows) < 1600000;
    });
    await page.click('#tabs .tab.on i');
  });

  test('opens a file of a few dozen bytes that declares 2^31 - 1 columns at once', async () => {
    // Native file: 2D, X = 2^31 - 1, Y = 1, no labels, one value cell 7 without a key.
    const wide = Buffer.alloc(46);
    wide.write('QVXARRAY', 0, 'latin1');
    [[8, 1, 2], [10, 2, 4], [14, 0x7fffffff, 4], [18, 1, 4], [22, 0, 4], [26, 1, 4], [30, 1, 2], [32, 4, 4],
      [36, 7, 4]].forEach(([at, v, n]) => (n === 2 ? wide.writeUInt16LE(v, at) : wide.writeInt32LE(v, at)));
    const opened = await open('wide.arr', wide);
    assert.equal(opened.error, undefined);
    const shown = await cells();
    assert.equal(shown.columns, 0x7fffffff);
    assert.deepEqual([shown.labels, shown.cells.length, shown.cells[0].value], [null, 1, 7]);
    await page.waitForSelector('.cell[data-u="0"][data-c="0"]');
    assert.equal(await page.$eval('.cell[data-u="0"][data-c="0"]', (e) => e.textContent), '7');
    await page.click('#tabs .tab.on i');
  });

  test('is one file under 2 MB that asks for nothing beyond itself and meets no script error', () => {
    const size = fs.statSync(wb.pagePath).size;
    assert.ok(size < 2 * 1024 * 1024, `the page is ${size} bytes`);
    const foreign = requests.filter((r) => !r.startsWith('file:') && !r.startsWith('data:') && !r.startsWith('blob:'));
    assert.deepEqual(foreign, []);
    assert.deepEqual(problems, []);
  });
});
