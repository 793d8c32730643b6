// The workbench keeps every byte: texts are shown through the tab's encoding
// and written back in it, an editor left unchanged changes nothing, line
// breaks survive, and a closed tab's file leaves the page. Driven by the
// keyboard, the mouse and the file chooser; the files saved are compared with
// the ones the console host writes after the same lines.
//
// TESSEL_WORKBENCH    the built tessel-workbench.html
// TESSEL_CONSOLE      the console host `tessel` (the linux-x64 build) with its module beside it
// TESSEL_SCREENSHOTS  the folder the screenshots go to
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { openPage } from './browser.mjs';

const pagePath = process.env.TESSEL_WORKBENCH;
const consolePath = process.env.TESSEL_CONSOLE;
const shots = process.env.TESSEL_SCREENSHOTS;
assert.ok(pagePath && consolePath && shots, 'TESSEL_WORKBENCH, TESSEL_CONSOLE and TESSEL_SCREENSHOTS are set');
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tessel-bytes-'));

// Runs console lines as a script in the work folder: its standard output.
function tessel(lines, name = 'script.tessel') {
  fs.writeFileSync(path.join(work, name), lines.join('\n') + '\n');
  return execFileSync(consolePath, ['run', name], { cwd: work, encoding: 'latin1', env: { ...process.env, LC_ALL: 'C' } });
}

// A table of texts the page must not change: Windows-1252 "Café", a line
// break, UTF-8 "naïve", a byte no code page shows, and a Windows-1252 label.
const tableLines = [
  'new t --dims 2 --x 2',
  'Set label to "pr\\xEAt" at column 0',
  'Set string "Caf\\xE9" at 0',
  'Set string "Line one\\nline two" at 1',
  'Set string "na\\xC3\\xAFve" at 2',
  'Set string "\\x81x" at 3',
  'Set value 15 at 4',
  'Set string "ok" at 5',
];

let browser;
let page;
let original;

before(async () => {
  tessel([...tableLines, 'Save to file "texts.arr"'], 'texts.tessel');
  original = fs.readFileSync(path.join(work, 'texts.arr'));
  browser = await openPage(pathToFileURL(pagePath).href, { width: 1280, height: 800 });
  ({ page } = browser);
  await page.evaluate(() => window.tesselWorkbench.ready);
});

after(async () => {
  await browser?.close();
  fs.rmSync(work, { recursive: true, force: true });
});

// The console's file after the table's lines and `more`.
function consoleFile(more, name) {
  tessel([...tableLines, ...more, `Save to file "${name}"`], name + '.tessel');
  return fs.readFileSync(path.join(work, name));
}

const save = async () => Buffer.from(await page.evaluate(() => Array.from(window.tesselWorkbench.save('native').bytes)));
const cellText = (u, c) => page.$eval(`.cell[data-u="${u}"][data-c="${c}"]`, (e) => e.lastChild.textContent);
const logCount = () => page.$$eval('#log .entry', (e) => e.length);
const tabTitle = () => page.$eval('#tabs .tab.on span', (e) => e.textContent);
const closeAll = () => page.evaluate(() => { for (const b of document.querySelectorAll('#tabs .tab i')) b.click(); });

// Opens the table through the file chooser, as a person does.
async function openTable(name = 'texts.arr') {
  await closeAll();
  const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('label.button')]);
  const file = path.join(work, name);
  if (!fs.existsSync(file)) fs.writeFileSync(file, original);
  await chooser.accept([file]);
  await page.waitForFunction((n) => window.tesselWorkbench.tabs().titles.includes(n), {}, name);
}

async function withKey(modifier, key) {
  await page.keyboard.down(modifier);
  await page.keyboard.press(key);
  await page.keyboard.up(modifier);
}

describe('the workbench keeps every byte', () => {
  test('an editor opened and left without a change runs nothing and changes nothing', async () => {
    await openTable();
    const logged = await logCount();
    for (const [u, c] of [[0, 0], [0, 1], [1, 0], [1, 1], [2, 0], [3, 1]]) {
      await page.click(`.cell[data-u="${u}"][data-c="${c}"]`);
      await page.keyboard.press('Enter');
      await page.keyboard.press('Enter');
    }
    // Leaving by a click elsewhere commits as Enter does: still no change.
    await page.click('.cell[data-u="0"][data-c="1"]');
    await page.keyboard.press('F2');
    await page.click('.cell[data-u="2"][data-c="0"]');
    assert.equal(await logCount(), logged, 'no line was run');
    assert.ok(!(await tabTitle()).includes('•'), 'the tab is not marked changed');
    assert.ok((await save()).equals(original), 'the saved file is the opened one, byte for byte');
  });

  test('shows texts in the tab\'s encoding, escapes what it cannot show, and says which on the tab', async () => {
    await openTable();
    assert.equal(await page.evaluate(() => window.tesselWorkbench.encoding()), 'auto');
    assert.match(await tabTitle(), /automatic/);
    const shown = async () => [await cellText(0, 0), await cellText(1, 0), await cellText(1, 1), await page.$eval('.head .label', (e) => e.textContent)];
    assert.deepEqual(await shown(), ['Café', 'naïve', '\\x81x', 'prêt'], 'automatic: UTF-8 where valid, else Windows-1252');
    const cases = [
      ['utf-8', 'UTF-8', ['Caf\\xE9', 'naïve', '\\x81x', 'pr\\xEAt']],
      ['windows-1252', 'Windows-1252', ['Café', 'naÃ¯ve', '\\x81x', 'prêt']],
      ['windows-1251', 'Windows-1251', ['Cafй', 'naГЇve', 'Ѓx', 'prкt']],
    ];
    for (const [name, title, expected] of cases) {
      assert.equal(await page.evaluate((n) => window.tesselWorkbench.encoding(n), name), name);
      assert.ok((await tabTitle()).includes(title), `the tab shows ${title}`);
      assert.deepEqual(await shown(), expected, name);
    }
    await page.select('#encoding', 'windows-1250');
    assert.equal(await page.evaluate(() => window.tesselWorkbench.encoding()), 'windows-1250', 'the list sets it too');
    assert.equal(await cellText(0, 0), 'Café');
    await assert.rejects(page.evaluate(() => window.tesselWorkbench.encoding('latin-9')), /no text encoding/);
    assert.ok((await save()).equals(original), 'showing changes no byte');
  });

  test('an edit writes the text back in the tab\'s encoding, as the console\'s escapes do', async () => {
    await openTable();
    await page.select('#encoding', 'windows-1252');
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.keyboard.type('Crème brûlée');
    await page.keyboard.press('Enter');
    // A line break typed with Shift+Enter and Alt+Enter, the caret at the text's end.
    await page.click('.cell[data-u="2"][data-c="1"]');
    await page.keyboard.press('Enter');
    await page.keyboard.press('End');
    await withKey('Shift', 'Enter');
    await page.keyboard.type('b');
    await withKey('Alt', 'Enter');
    await page.keyboard.type('\\x81c');
    await page.keyboard.press('Enter');
    await page.focus('#command');
    await page.keyboard.type('Set string "Thé" at 4');
    await page.keyboard.press('Enter');
    const expected = consoleFile(['Set string "Cr\\xE8me br\\xFBl\\xE9e" at 0', 'Set string "ok\\nb\\n\\x81c" at 5',
      'Set string "Th\\xE9" at 4'], 'edited.arr');
    assert.ok((await save()).equals(expected), 'the page saves the console\'s bytes');
    assert.equal(await cellText(0, 0), 'Crème brûlée');

    // The line break is kept by an unchanged editor, which shows every line of it.
    await page.click('.cell[data-u="2"][data-c="1"]');
    await page.keyboard.press('Enter');
    const editor = await page.$eval('#editor', (e) => ({ text: e.value, high: e.clientHeight >= 3 * 18, fits: e.scrollHeight <= e.clientHeight }));
    assert.deepEqual(editor, { text: 'ok\nb\n\\x81c', high: true, fits: true });
    await page.keyboard.press('Enter');
    assert.ok((await save()).equals(expected), 'still the same bytes');
  });

  test('refuses a character the encoding cannot hold, naming it, and changes nothing', async () => {
    await openTable();
    await page.select('#encoding', 'windows-1252');
    const logged = await logCount();
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.keyboard.press('Enter');
    await page.keyboard.type('Café → bar');
    await page.keyboard.press('Enter');
    assert.match(await page.$eval('#status', (e) => e.textContent), /"→" \(U\+2192\) cannot be written in Windows-1252/);
    await page.focus('#command');
    await page.keyboard.type('Set string "Ωmega" at 2');
    await page.keyboard.press('Enter');
    assert.match(await page.$eval('#log .entry:last-child', (e) => e.textContent), /"Ω" \(U\+03A9\) cannot be written/);
    // Under automatic a text shown in Windows-1252 is written back in it, and is refused the same way.
    await page.select('#encoding', 'auto');
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.keyboard.press('Enter');
    await page.keyboard.type('Ωmega');
    await page.keyboard.press('Enter');
    assert.match(await page.$eval('#status', (e) => e.textContent), /U\+03A9\) cannot be written in Windows-1252/);
    assert.equal(await logCount(), logged + 1, 'only the refused command line was logged');
    assert.ok((await save()).equals(original), 'no byte changed');
    // And a UTF-8 text is written back as UTF-8.
    await page.click('.cell[data-u="1"][data-c="0"]');
    await page.keyboard.press('Enter');
    await page.keyboard.type('Ωmega');
    await page.keyboard.press('Enter');
    assert.ok((await save()).equals(consoleFile(['Set string "\\xCE\\xA9mega" at 2'], 'omega.arr')));
  });

  test('keeps labels\' bytes when a column is inserted', async () => {
    await openTable();
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.click('#colInsert');
    const bytes = await save();
    fs.writeFileSync(path.join(work, 'wider.arr'), bytes);
    const shown = tessel(['Load from file "wider.arr"', 'echo getLabel$(0) "|" getLabel$(1)'], 'wider.tessel');
    assert.equal(shown, ' | pr\xEAt\n', 'the label moved with its column, its bytes as they were');
  });

  test('a closed tab\'s files are gone from the page and from what later lines can read', async () => {
    await closeAll();
    const opened = await page.evaluate(() => {
      const bytes = window.tesselWorkbench.runScript('new a\nSet string "secret" at 0\nSave to file "s.arr"').files['s.arr'];
      return window.tesselWorkbench.open('secret.arr', bytes);
    });
    await page.evaluate(() => window.tesselWorkbench.loadCell('cell.bin', new Uint8Array([1, 2, 3]), 1));
    const loaded = await page.$eval('#log .entry:last-child code', (e) => /"([^"]+)"/.exec(e.textContent)[1]);
    const reads = (line) => page.evaluate((l) => window.tesselWorkbench.runScript(`new b\n${l}\n`).ok, line);
    const [table, cell] = [`Load from file "${opened.file}"`, `Set file "${loaded}" at 5`];
    assert.equal(await reads(table), true, 'a script reads the open tab\'s file');
    assert.equal(await reads(cell), true, 'and the file loaded into its cell');
    await page.click('#tabs .tab.on i');
    assert.deepEqual(await page.evaluate(() => window.tesselWorkbench.tabs().titles), ['untitled']);
    assert.equal(await reads(table), false, 'the closed tab\'s file cannot be read');
    assert.equal(await reads(cell), false, 'nor the one loaded into its cell');
    const line = await page.evaluate((f) => window.tesselWorkbench.run(`Load from file "${f}"`), opened.file);
    assert.match(line, /secret\.arr/, 'a command bar line cannot read it either');
  });

  test('a screenshot of a Windows-1252 table with its encoding shown', async () => {
    tessel(['new items --dims 2 --x 3 --auto-select', 'Set label to "name" at column 0', 'Set label to "price" at column 1',
      'Set label to "note" at column 2', 'Append row from list "\\xC9p\\xE9e,120,tr\\xE8s lourde"',
      'Append row from list "B\\xE2ton,40,"', 'Append row from list "C\\x9Cur de lion,999,\\xAB rare \\xBB"',
      'Append row from list "Pi\\xF1ata,5,fran\\xE7ais"', 'Save to file "items-1252.arr"'], 'items.tessel');
    await openTable('items-1252.arr');
    await page.select('#encoding', 'windows-1252');
    await page.click('.cell[data-u="2"][data-c="0"]');
    assert.equal(await cellText(2, 0), 'Cœur de lion');
    await page.screenshot({ path: path.join(shots, 'workbench-encoding.png') });
  });
});
