// The workbench keeps every byte: texts shown and written back in the tab's encoding, an unchanged editor changes nothing,
// a closed tab's file leaves the page; its questions, banners and logs. Files saved are held against the console's.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { pause, sameBytes, useWorkbench } from './browser.mjs';

const wb = await useWorkbench('tessel-bytes-');
const { page, tessel, dialogs, answers, save, pick, keys, closeAll, downloaded, cell, text, count, call, write, file, typeAt, logText, tabTitle, titles } = wb;

// Texts the page must not change: Windows-1252 "Café" and label, a line break, UTF-8 "naïve", a byte no code page shows.
const tableLines = ['new t --dims 2 --x 2', 'Set label to "pr\\xEAt" at column 0', 'Set string "Caf\\xE9" at 0',
  'Set string "Line one\\nline two" at 1', 'Set string "na\\xC3\\xAFve" at 2', 'Set string "\\x81x" at 3', 'Set value 15 at 4',
  'Set string "ok" at 5', 'Set string "C:\\\\x41\\\\dir" at 6'];
const original = wb.consoleFile(tableLines, 'texts.arr');
write('whole.arr', original);

// The console's file after the table's lines and `more`.
const consoleFile = (more, name) => wb.consoleFile([...tableLines, ...more], name);
const cellText = (u, c) => page.$eval(cell(u, c), (e) => e.lastChild.textContent);
const logCount = () => count('#log .entry');
const openTable = (name = 'texts.arr') => wb.only(name);
// The page's question, answered no, after `act`: its text.
async function askedNo(act) {
  dialogs.length = 0;
  answers.push(false);
  await act();
  assert.equal(dialogs.length, 1, 'a question was asked');
  return dialogs[0].message;
}

describe('the workbench keeps every byte', () => {
  test('an editor opened and left without a change runs nothing and changes nothing', async () => {
    await openTable();
    const logged = await logCount();
    for (const [u, c] of [[0, 0], [0, 1], [1, 0], [1, 1], [2, 0], [3, 0], [3, 1]]) await typeAt(u, c, 'Enter', 'Enter');
    // Leaving by a click elsewhere commits as Enter does: still no change.
    await typeAt(0, 1, 'F2');
    await page.click(cell(2, 0));
    assert.deepEqual([await logCount(), (await tabTitle()).includes('•')], [logged, false], 'no line was run, the tab is not marked changed');
    sameBytes(await save(), original, 'the saved file is the opened one');
    // A text with a line break: an unchanged editor shows every line of it and keeps it.
    await typeAt(0, 1, 'Enter');
    assert.deepEqual(await page.$eval('#editor', (e) => [e.value, e.clientHeight >= 2 * 18, e.scrollHeight <= e.clientHeight]), ['Line one\nline two', true, true]);
    await keys('Enter');
    sameBytes(await save(), original, 'still the same bytes');
  });

  test('shows texts in the tab\'s encoding, escapes what it cannot show, and says which on the tab', async () => {
    await openTable();
    const shown = async () => [await cellText(0, 0), await cellText(1, 0), await cellText(1, 1), await text('.head .label')];
    assert.equal(await cellText(3, 0), 'C:\\x5cx41\\dir', 'a backslash that would read as an escape is one');
    const cases = [
      // Automatic: UTF-8 where valid, else Windows-1252.
      [undefined, 'auto', /automatic/, ['Café', 'naïve', '\\x81x', 'prêt']],
      ['utf-8', 'utf-8', /UTF-8/, ['Caf\\xe9', 'naïve', '\\x81x', 'pr\\xeat']],
      ['windows-1252', 'windows-1252', /Windows-1252/, ['Café', 'naÃ¯ve', '\\x81x', 'prêt']],
      ['windows-1251', 'windows-1251', /Windows-1251/, ['Cafй', 'naГЇve', 'Ѓx', 'prкt']],
    ];
    for (const [name, answer, title, expected] of cases) {
      const set = await call('encoding', ...(name ? [name] : []));
      assert.deepEqual([set, title.test(await tabTitle()), ...(await shown())], [answer, true, ...expected], `${answer}, and the tab says so`);
    }
    await page.select('#encoding', 'windows-1250');
    assert.deepEqual([await call('encoding'), await cellText(0, 0)], ['windows-1250', 'Café'], 'the list sets it too');
    await assert.rejects(call('encoding', 'latin-9'), /no text encoding/);
    sameBytes(await save(), original, 'showing changes no byte');
  });

  test('an edit is written in the tab\'s encoding as the console\'s escapes are; what it cannot hold is refused', async () => {
    // Each case: the encoding, the cell typed in (else the command bar), the keys, and the console's lines that make the same file, or the refusal.
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
      await (at ? page.click(cell(...at)) : page.focus('#command'));
      await keys(...typed);
      const name = `${encoding}, ${typed.join(' ')}`;
      const refused = expected instanceof RegExp;
      if (refused) assert.match(await text('#log .entry:last-child'), expected, name);
      if (refused) assert.equal(await logCount(), logged + 1, name + ': the refusal is logged, and nothing else');
      sameBytes(await save(), refused ? original : consoleFile(expected, 'edited.arr'), name + ': the console\'s bytes, or none changed');
    }
  });

  test('keeps labels\' bytes when a column is inserted', async () => {
    await openTable();
    await page.click(cell(0, 0));
    await page.click('#colInsert');
    write('wider.arr', await save());
    const shown = tessel(['Load from file "wider.arr"', 'echo getLabel$(0) "|" getLabel$(1)'], 'wider.tessel');
    assert.equal(shown, ' | pr\xEAt\n', 'the label moved with its column, its bytes as they were');
  });

  test('a script runs as the console runs it; a closed tab\'s files are gone from what later lines can read', async () => {
    const script = ['new b', 'for i from 0 to 2', 'Set value i at i', 'end', 'sum()', 'rowList$(0)'];
    const ran = await call('runScript', script.join('\n') + '\n', 'x.tessel');
    assert.deepEqual([ran.ok, ran.output, ran.errors], [true, tessel(script, 'x.tessel'), wb.console(['run', 'x.tessel']).stderr]);
    await closeAll();
    const opened = await page.evaluate(() => {
      const bytes = window.tesselWorkbench.runScript('new a\nSet string "secret" at 0\nSave to file "s.arr"').files['s.arr'];
      return window.tesselWorkbench.open('secret.arr', bytes);
    });
    await page.evaluate(() => window.tesselWorkbench.loadCell('cell.bin', new Uint8Array([1, 2, 3]), 1));
    const loaded = /"([^"]+)"/.exec((await wb.texts('#log .entry code')).find((t) => t.includes('Set file')))[1];
    const reads = () => Promise.all(lines.map(async (line) => (await call('runScript', `new b\n${line}\n`)).ok));
    const lines = [`Load from file "${opened.file}"`, `Set file "${loaded}" at 5`];
    // A script reads the open tab's file and the file loaded into its cell; once the tab is closed, neither.
    assert.deepEqual(await reads(), [true, true], 'read while the tab is open');
    await page.click('#tabs .tab.on i');
    assert.deepEqual([await titles(), await reads()], [['untitled'], [false, false]], 'closed, neither is there');
    assert.match(await call('run', lines[0]), /secret\.arr/, 'a command bar line cannot read it either');
  });

  test('a damaged load keeps the console\'s check words on its tab and in its log, and saving it asks', async () => {
    await closeAll();
    write('cut.arr', original.subarray(0, original.length - 7));
    const words = wb.console(['check', 'cut.arr'], 1).stdout.replace(/\n$/, '');  // the console finds it damaged
    await pick('cut.arr');
    const banner = async () => (await wb.offers('.damage')).map((t) => t.startsWith(words));
    assert.deepEqual([await banner(), (await logText()).includes(words)], [[true], true], 'the banner and the log say what tessel check says');
    await pick('whole.arr');
    assert.deepEqual(await banner(), [], 'another tab shows no banner of it');
    await page.click('#tabs .tab:first-child span');
    assert.deepEqual(await banner(), [true], 'it is there again on its tab');
    await typeAt(0, 0, '7', 'Enter');  // a line makes no difference to it
    assert.deepEqual(await banner(), [true]);
    const asked = await askedNo(() => page.click('#save'));
    assert.ok(asked.includes(words) && /was damaged when opened/.test(asked), asked);
    assert.equal(await downloaded('cut.arr'), null, 'no is no save');
    assert.match(await logText(), /cut\.arr was not saved: it was damaged when opened/);
    await page.click('#save');
    assert.ok(await downloaded('cut.arr'), 'yes saves it');
  });

  test('unsaved work asks before it is lost; Save clears the mark; Save as asks a name', async () => {
    await openTable();
    await typeAt(2, 1, 'kept', 'Enter');
    assert.match(await tabTitle(), /•$/, 'the tab is marked changed');
    assert.match(await askedNo(() => page.click('#tabs .tab.on i')), /texts\.arr has changes that are not saved/);
    const kept = [(await titles()).includes('texts.arr')];
    // Reloading asks the browser's leave-page question; staying keeps the page and its tab.
    answers.push(false);
    await page.evaluate(() => setTimeout(() => location.reload()));
    for (let i = 0; i < 100 && dialogs.length < 2; ++i) await pause(50);
    kept.push((await titles()).includes('texts.arr'));
    assert.deepEqual([dialogs[1]?.type, kept], ['beforeunload', [true, true]], 'no keeps the tab open; leaving asks, and staying keeps it');
    await page.focus('#view');
    await keys(['Control', 's']);
    const expected = consoleFile(['Set string "kept" at 5'], 'kept.arr');
    sameBytes(await downloaded('texts.arr'), expected, 'Ctrl-S saves the console\'s bytes');
    assert.doesNotMatch(await tabTitle(), /•/, 'and clears the mark');
    // Save as offers the name it has, and saves under the one given; a new tab asks its name at its first save.
    const saveAs = async (offered, name, bytes) => {
      assert.equal(await wb.value('#answer'), offered, 'the name offered');
      await wb.enter('#answer', name);
      sameBytes(await downloaded(name), bytes, `saved as ${name}`);
    };
    await page.click('#saveAs');
    await saveAs('texts.arr', 'renamed.arr', expected);
    assert.match(await tabTitle(), /^renamed\.arr/);
    dialogs.length = 0;
    await page.click('#tabs .tab.on i');
    assert.equal(dialogs.length, 0, 'a saved tab closes without a question');
    await page.click('#new');
    await typeAt(0, 0, '5', 'Enter', ['Control', 's']);
    await saveAs('untitled.arr', 'level.arr', wb.consoleFile(['new u', 'Set value 5 at 0'], 'level-console.arr'));
  });

  test('a tab\'s messages go to its log, and undone lines are marked undone', async () => {
    await openTable();
    assert.match(await logText(), /texts\.arr opened as a native file/);
    await typeAt(2, 1, 'one', 'Enter');
    const entry = () => page.$$eval('#log .entry', (es) => es.filter((e) => e.textContent.includes('Set string "one" at 5'))
      .map((e) => [e.classList.contains('undone'), e.querySelector('.mark')?.textContent ?? '']));
    const marks = [await entry()];
    await page.focus('#view');
    for (const k of ['z', 'y']) marks.push(await keys(['Control', k]).then(entry));
    assert.deepEqual(marks, [[[false, '']], [[true, 'undone']], [[false, '']]], 'done, undone, redone');
    await page.select('#encoding', 'windows-1252');
    await typeAt(2, 1, 'Enter', '→', 'Enter');
    assert.match(await logText(), /U\+2192\) cannot be written/, 'a mistake is in the log');
    await pick('whole.arr');
    assert.doesNotMatch(await logText(), /U\+2192/, 'and in its own tab\'s only');
  });

  test('the grid follows the ARIA grid pattern: rows, cells by index, headers, the current cell', async () => {
    await openTable();
    // ARIA counts from 1, the header row and the row numbers first: cell (row u, column c) is u + 2, c + 2.
    const cellAt = (u, c) => `#view [role=row][aria-rowindex="${u + 2}"] [role=gridcell][aria-colindex="${c + 2}"]`;
    assert.deepEqual([await text(cellAt(0, 0)), await page.$eval('#view[role=grid]', (e) => e.getAttribute('aria-colcount')),
      await page.$$eval('#view [role=columnheader]', (h) => h.map((e) => e.getAttribute('aria-colindex')))], ['Café', '3', ['1', '2', '3']]);
    await page.click(cellAt(2, 1));
    await keys('ArrowLeft', 'ArrowUp');
    const focus = await page.evaluate(() => {
      const view = document.getElementById('view');
      const cur = document.getElementById(view.getAttribute('aria-activedescendant'));
      return { focused: document.activeElement === view, row: cur.parentElement.getAttribute('aria-rowindex'),
        col: cur.getAttribute('aria-colindex'), selected: cur.getAttribute('aria-selected') };
    });
    assert.deepEqual(focus, { focused: true, row: '3', col: '2', selected: 'true' }, 'the grid has the focus, its current cell is (1, 0)');
    // A Windows-1252 table with its encoding shown.
    wb.consoleFile(['new items --dims 2 --x 3 --auto-select', ...['name', 'price', 'note'].map((l, c) => `Set label to "${l}" at column ${c}`),
      ...['\\xC9p\\xE9e,120,tr\\xE8s lourde', 'B\\xE2ton,40,', 'C\\x9Cur de lion,999,\\xAB rare \\xBB', 'Pi\\xF1ata,5,fran\\xE7ais']
        .map((r) => `Append row from list "${r}"`)], 'items-1252.arr');
    await openTable('items-1252.arr');
    await page.select('#encoding', 'windows-1252');
    await page.click(cell(2, 0));
    assert.equal(await cellText(2, 0), 'Cœur de lion');
    await wb.shoot('workbench-encoding');
  });
});
