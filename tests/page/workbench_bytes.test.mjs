// The workbench keeps every byte: texts are shown through the tab's encoding
// and written back in it, an editor left unchanged changes nothing, line
// breaks survive, and a closed tab's file leaves the page. Driven by the
// keyboard, the mouse and the file chooser; the files saved are compared with
// the ones the console host writes after the same lines.
// TESSEL_SCREENSHOTS: the folder the screenshots go to.
import { before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { useWorkbench } from './browser.mjs';

const wb = useWorkbench('tessel-bytes-');
const { work, tessel, consoleFile: consoleAfter, dialogs, answers, save, pick, keys, withKey, closeAll, downloaded } = wb;

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
  'Set string "C:\\\\x41\\\\dir" at 6',
];
const original = consoleAfter(tableLines, 'texts.arr');
fs.writeFileSync(path.join(work, 'whole.arr'), original);
let page;
before(async () => { ({ page } = await wb.started); });

// The console's file after the table's lines and `more`.
const consoleFile = (more, name) => consoleAfter([...tableLines, ...more], name);
const cellText = (u, c) => page.$eval(`.cell[data-u="${u}"][data-c="${c}"]`, (e) => e.lastChild.textContent);
const logCount = () => page.$$eval('#log .entry', (e) => e.length);
const tabTitle = () => page.$eval('#tabs .tab.on span', (e) => e.textContent);
const logText = () => page.$eval('#log', (e) => e.innerText);
const offers = () => page.$$eval('#offers .offer', (o) => o.map((e) => e.firstChild.textContent));
// Only the table open, through the file chooser.
async function openTable(name = 'texts.arr') {
  await closeAll();
  await pick(name);
}

describe('the workbench keeps every byte', () => {
  test('an editor opened and left without a change runs nothing and changes nothing', async () => {
    await openTable();
    const logged = await logCount();
    for (const [u, c] of [[0, 0], [0, 1], [1, 0], [1, 1], [2, 0], [3, 0], [3, 1]]) {
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
    assert.equal(await cellText(3, 0), 'C:\\x5Cx41\\dir', 'a backslash that would read as an escape is one');
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

  test('an edit is written in the tab\'s encoding as the console\'s escapes are; what it cannot hold is refused', async () => {
    // Each case: the encoding, the cell typed in (else the command bar), the keys, and the console's
    // lines that make the same file, or the refusal, which changes nothing.
    const cases = [
      ['windows-1252', [0, 0], ['Crème brûlée', 'Enter'], ['Set string "Cr\\xE8me br\\xFBl\\xE9e" at 0']],
      ['windows-1252', [2, 1], ['Enter', 'End', ['Shift', 'Enter'], 'b', ['Alt', 'Enter'], '\\x81c', 'Enter'],
        ['Set string "ok\\nb\\n\\x81c" at 5']],
      ['windows-1252', null, ['Set string "Thé" at 4', 'Enter'], ['Set string "Th\\xE9" at 4']],
      ['windows-1252', [0, 0], ['Enter', 'Café → bar', 'Enter'], /"→" \(U\+2192\) cannot be written in Windows-1252/],
      ['windows-1252', null, ['Set string "Ωmega" at 2', 'Enter'], /"Ω" \(U\+03A9\) cannot be written/],
      // Automatic writes a text back in what it was shown in: Windows-1252 here, UTF-8 next.
      ['auto', [0, 0], ['Enter', 'Ωmega', 'Enter'], /U\+03A9\) cannot be written in Windows-1252/],
      ['auto', [1, 0], ['Enter', 'Ωmega', 'Enter'], ['Set string "\\xCE\\xA9mega" at 2']],
    ];
    for (const [encoding, at, typed, expected] of cases) {
      await openTable();
      await page.select('#encoding', encoding);
      const logged = await logCount();
      if (at) await page.click(`.cell[data-u="${at[0]}"][data-c="${at[1]}"]`);
      else await page.focus('#command');
      await keys(...typed);
      const name = `${encoding}, ${typed.join(' ')}`;
      if (expected instanceof RegExp) {
        assert.match(await page.$eval('#log .entry:last-child', (e) => e.textContent), expected, name);
        assert.equal(await logCount(), logged + 1, name + ': the refusal is logged, and nothing else');
        assert.ok((await save()).equals(original), name + ': no byte changed');
      } else {
        assert.ok((await save()).equals(consoleFile(expected, 'edited.arr')), name + ': the console\'s bytes');
      }
    }
    // A text with a line break: an unchanged editor shows every line of it and keeps it.
    await openTable();
    await page.click('.cell[data-u="0"][data-c="1"]');
    await keys('Enter');
    const editor = await page.$eval('#editor', (e) => ({ text: e.value, high: e.clientHeight >= 2 * 18, fits: e.scrollHeight <= e.clientHeight }));
    assert.deepEqual(editor, { text: 'Line one\nline two', high: true, fits: true });
    await keys('Enter');
    assert.ok((await save()).equals(original), 'still the same bytes');
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
    const loaded = await page.$$eval('#log .entry code', (es) => /"([^"]+)"/.exec(es.find((e) => e.textContent.includes('Set file')).textContent)[1]);
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

  test('a damaged load keeps the console\'s check words on its tab and in its log, and saving it asks', async () => {
    await closeAll();
    fs.writeFileSync(path.join(work, 'cut.arr'), original.subarray(0, original.length - 7));
    const checked = spawnSync(wb.consolePath, ['check', 'cut.arr'], { cwd: work, encoding: 'utf8' });
    assert.equal(checked.status, 1, 'the console finds it damaged');
    const words = checked.stdout.replace(/\n$/, '');
    await pick('cut.arr');
    const banner = async () => page.$$eval('#offers .offer.damage', (o) => o.map((e) => e.firstChild.textContent));
    assert.equal((await banner()).length, 1);
    assert.ok((await banner())[0].startsWith(words), 'the banner says what tessel check says');
    assert.ok((await logText()).includes(words), 'and so does the tab\'s log');
    await pick('whole.arr');
    assert.deepEqual(await banner(), [], 'another tab shows no banner of it');
    await page.click('#tabs .tab:first-child span');
    assert.equal((await banner()).length, 1, 'it is there again on its tab');
    await page.click('.cell[data-u="0"][data-c="0"]');  // a line makes no difference to it
    await page.keyboard.type('7');
    await page.keyboard.press('Enter');
    assert.equal((await banner()).length, 1);

    dialogs.length = 0;
    answers.push(false);
    await page.click('#save');
    assert.equal(dialogs.length, 1, 'saving asks first');
    assert.match(dialogs[0].message, /was damaged when opened/);
    assert.ok(dialogs[0].message.includes(words));
    assert.equal(await downloaded('cut.arr'), null, 'no is no save');
    assert.match(await logText(), /cut\.arr was not saved: it was damaged when opened/);
    await page.click('#save');
    assert.ok(await downloaded('cut.arr'), 'yes saves it');
  });

  test('a question about a file belongs to its tab, and its buttons act on that tab only', async () => {
    await closeAll();
    fs.writeFileSync(path.join(work, 'notes.bin'), Buffer.from([0, 1, 2, 250]));
    await pick('whole.arr');
    const [chooser] = await Promise.all([page.waitForFileChooser(), page.click('label.button')]);
    await chooser.accept([path.join(work, 'notes.bin')]);
    await page.waitForSelector('#offers .offer');
    assert.match((await offers())[0], /notes\.bin .* is not an array file/);
    await pick('texts.arr');
    assert.deepEqual(await offers(), [], 'the other tab does not show it');
    const before = await save();
    await page.click('#tabs .tab:first-child span');
    await page.$$eval('#offers .offer button', (b) => b.find((e) => e.textContent.startsWith('Load it into element 0')).click());
    assert.equal(await page.evaluate(() => window.tesselWorkbench.tabs().current), 0, await logText());
    const first = (await page.evaluate(() => window.tesselWorkbench.cells())).cells[0];
    assert.equal(first.type, 'data', 'its cell 0 holds the file');
    await page.click('#tabs .tab:last-child span');
    assert.ok((await save()).equals(before), 'the other tab is as it was');
  });

  test('unsaved work asks before it is lost; Save clears the mark; Save as asks a name', async () => {
    await closeAll();
    await pick('texts.arr');
    await page.click('.cell[data-u="2"][data-c="1"]');
    await page.keyboard.type('kept');
    await page.keyboard.press('Enter');
    assert.match(await tabTitle(), /•$/, 'the tab is marked changed');
    dialogs.length = 0;
    answers.push(false);
    await page.click('#tabs .tab.on i');
    assert.equal(dialogs.length, 1, 'closing it asks');
    assert.match(dialogs[0].message, /texts\.arr has changes that are not saved/);
    assert.ok((await page.evaluate(() => window.tesselWorkbench.tabs().titles)).includes('texts.arr'), 'no keeps it open');
    // Reloading asks the browser's leave-page question; staying keeps the page and its tab.
    answers.push(false);
    await page.evaluate(() => setTimeout(() => location.reload()));
    for (let i = 0; i < 100 && dialogs.length < 2; ++i) await new Promise((r) => setTimeout(r, 50));
    assert.equal(dialogs[1]?.type, 'beforeunload', 'leaving asks');
    assert.ok((await page.evaluate(() => window.tesselWorkbench.tabs().titles)).includes('texts.arr'));

    await page.focus('#view');
    await withKey('Control', 's');
    const expected = consoleFile(['Set string "kept" at 5'], 'kept.arr');
    assert.ok((await downloaded('texts.arr'))?.equals(expected), 'Ctrl-S saves the console\'s bytes');
    assert.doesNotMatch(await tabTitle(), /•/, 'and clears the mark');
    await page.click('#saveAs');
    const name = await page.$eval('#answer', (e) => e.value);
    assert.equal(name, 'texts.arr', 'Save as offers the name it has');
    await page.$eval('#answer', (e) => { e.value = ''; });
    await page.type('#answer', 'renamed.arr');
    await page.keyboard.press('Enter');
    assert.ok((await downloaded('renamed.arr'))?.equals(expected), 'saved under the name given');
    assert.match(await tabTitle(), /^renamed\.arr/);
    dialogs.length = 0;
    await page.click('#tabs .tab.on i');
    assert.equal(dialogs.length, 0, 'a saved tab closes without a question');

    // A new tab asks its name at its first save.
    await page.click('#new');
    await page.click('.cell[data-u="0"][data-c="0"]');
    await page.keyboard.type('5');
    await page.keyboard.press('Enter');
    await withKey('Control', 's');
    assert.equal(await page.$eval('#answer', (e) => e.value), 'untitled.arr');
    await page.$eval('#answer', (e) => { e.value = ''; });
    await page.type('#answer', 'level.arr');
    await page.keyboard.press('Enter');
    tessel(['new u', 'Set value 5 at 0', 'Save to file "level-console.arr"'], 'level.tessel');
    assert.ok((await downloaded('level.arr'))?.equals(fs.readFileSync(path.join(work, 'level-console.arr'))));
  });

  test('a tab\'s messages go to its log, and undone lines are marked undone', async () => {
    await closeAll();
    await pick('texts.arr');
    assert.match(await logText(), /texts\.arr opened as a native file/);
    await page.click('.cell[data-u="2"][data-c="1"]');
    await page.keyboard.type('one');
    await page.keyboard.press('Enter');
    const entry = (text) => page.$$eval('#log .entry', (es, t) => es.filter((e) => e.textContent.includes(t))
      .map((e) => ({ undone: e.classList.contains('undone'), mark: e.querySelector('.mark')?.textContent ?? '' })), text);
    assert.deepEqual(await entry('Set string "one" at 5'), [{ undone: false, mark: '' }]);
    await page.focus('#view');
    await withKey('Control', 'z');
    assert.deepEqual(await entry('Set string "one" at 5'), [{ undone: true, mark: 'undone' }]);
    await withKey('Control', 'y');
    assert.deepEqual(await entry('Set string "one" at 5'), [{ undone: false, mark: '' }]);
    await page.select('#encoding', 'windows-1252');
    await page.click('.cell[data-u="2"][data-c="1"]');
    await page.keyboard.press('Enter');
    await page.keyboard.type('→');
    await page.keyboard.press('Enter');
    assert.match(await logText(), /U\+2192\) cannot be written/, 'a mistake is in the log');
    await pick('whole.arr');
    assert.doesNotMatch(await logText(), /U\+2192/, 'and in its own tab\'s only');
  });

  test('the grid follows the ARIA grid pattern: rows, cells by index, headers, the current cell', async () => {
    await openTable();
    // ARIA counts from 1, the header row and the row numbers first: cell (row u, column c) is u + 2, c + 2.
    const cellAt = (u, c) => `#view [role=row][aria-rowindex="${u + 2}"] [role=gridcell][aria-colindex="${c + 2}"]`;
    assert.equal(await page.$eval(cellAt(0, 0), (e) => e.textContent), 'Café');
    assert.equal(await page.$eval('#view[role=grid]', (e) => e.getAttribute('aria-colcount')), '3');
    assert.deepEqual(await page.$$eval('#view [role=columnheader]', (h) => h.map((e) => e.getAttribute('aria-colindex'))), ['1', '2', '3']);
    await page.click(cellAt(2, 1));
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('ArrowUp');
    const focus = await page.evaluate(() => {
      const view = document.getElementById('view');
      const cur = document.getElementById(view.getAttribute('aria-activedescendant'));
      return { focused: document.activeElement === view, row: cur.parentElement.getAttribute('aria-rowindex'),
        col: cur.getAttribute('aria-colindex'), selected: cur.getAttribute('aria-selected') };
    });
    assert.deepEqual(focus, { focused: true, row: '3', col: '2', selected: 'true' }, 'the grid has the focus, its current cell is (1, 0)');
    // What a screen reader gets: a grid of rows of cells.
    const tree = await page.accessibility.snapshot({ root: await page.$('#view'), interestingOnly: false });
    assert.equal(tree.role, 'grid');
    const rows = tree.children.filter((n) => n.role === 'row');
    assert.ok(rows.length >= 5, 'its rows');
    assert.ok(rows[1].children.some((n) => n.role === 'gridcell' && n.name.includes('Café')), 'with their cells');
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
    await wb.shoot('workbench-encoding');
  });
});
