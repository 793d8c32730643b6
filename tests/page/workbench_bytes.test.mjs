// The workbench keeps every byte: texts shown and written back in the tab's encoding, an unchanged editor changes nothing,
// a closed tab's file leaves the page; its questions, banners and logs; and its spreadsheet habits (keys while editing, header
// sorts, the filter box, a CSV's labels, number-like texts, column widths). Files saved are held against the console's.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { pause, sameBytes, useWorkbench } from './browser.mjs';

const wb = await useWorkbench('tessel-bytes-');
const { page, tessel, dialogs, answers, save, pick, only, keys, closeAll, downloaded, cell, text, count, call, write, file, typeAt, logText, tabTitle, titles,
  offers, current, box } = wb;

// Texts the page must not change: Windows-1252 "Café" and label, a line break, UTF-8 "naïve", a byte no code page shows
// beside one only Windows-1252 and 1251 show.
const tableLines = ['new t --dims 2 --x 2', 'Set label to "pr\\xEAt" at column 0', 'Set string "Caf\\xE9" at 0',
  'Set string "Line one\\nline two" at 1', 'Set string "na\\xC3\\xAFve" at 2', 'Set string "\\x81x\\x9C" at 3', 'Set value 15 at 4',
  'Set string "ok" at 5', 'Set string "C:\\\\x41\\\\dir" at 6'];
const original = wb.consoleFile(tableLines, 'texts.arr');
write('whole.arr', original);

const consoleFile = (more, name) => wb.consoleFile([...tableLines, ...more], name);
const cellText = (u, c) => page.$eval(cell(u, c), (e) => e.lastChild.textContent);
const logCount = () => count('#log .entry');
// The page's question, answered no, after `act`: its text.
async function askedNo(act) {
  dialogs.length = 0;
  answers.push(false);
  await act();
  assert.equal(dialogs.length, 1, 'a question was asked');
  return dialogs[0].message;
}

describe('the workbench keeps every byte', () => {
  test('an editor left without a change runs nothing; texts show in the tab\'s encoding, escaped where it cannot', async () => {
    await only('texts.arr');
    const logged = await logCount();
    for (const [u, c] of [[0, 0], [0, 1], [1, 0], [1, 1], [2, 0], [3, 0], [3, 1]]) await typeAt(u, c, 'Enter', 'Enter');
    // Leaving by a click elsewhere commits as Enter does: still no change.
    await typeAt(0, 1, 'F2');
    await page.click(cell(2, 0));
    assert.deepEqual([await logCount(), (await tabTitle()).includes('•')], [logged, false], 'no line was run, the tab is not marked changed');
    // A text with a line break: an unchanged editor shows every line of it and keeps it.
    await typeAt(0, 1, 'Enter');
    assert.deepEqual(await page.$eval('#editor', (e) => [e.value, e.clientHeight >= 2 * 18, e.scrollHeight <= e.clientHeight]), ['Line one\nline two', true, true]);
    await keys('Enter');
    // Texts shown in the tab's encoding, what it cannot show escaped, and which encoding said on the tab.
    const shown = async () => [await cellText(0, 0), await cellText(1, 0), await cellText(1, 1), await text('.head .label')];
    assert.equal(await cellText(3, 0), 'C:\\x5cx41\\dir', 'a backslash that would read as an escape is one');
    const cases = [
      // Automatic: UTF-8 where valid, else Windows-1252.
      [undefined, 'auto', /automatic/, ['Café', 'naïve', '\\x81xœ', 'prêt']],
      ['utf-8', 'utf-8', /UTF-8/, ['Caf\\xe9', 'naïve', '\\x81x\\x9c', 'pr\\xeat']],
      ['windows-1251', 'windows-1251', /Windows-1251/, ['Cafй', 'naГЇve', 'Ѓxњ', 'prкt']],
      ['windows-1252', 'windows-1252', /Windows-1252/, ['Café', 'naÃ¯ve', '\\x81xœ', 'prêt']],
    ];
    for (const [name, answer, title, expected] of cases) {
      const set = await call('encoding', ...(name ? [name] : []));
      assert.deepEqual([set, title.test(await tabTitle()), ...(await shown())], [answer, true, ...expected], `${answer}, and the tab says so`);
    }
    await wb.shoot('workbench-encoding');
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
      await only('texts.arr');
      await page.select('#encoding', encoding);
      const logged = await logCount();
      await (at ? page.click(cell(...at)) : page.focus('#command'));
      await keys(...typed);
      const name = `${encoding}, ${typed.join(' ')}`;
      const refused = expected instanceof RegExp;
      if (refused) assert.deepEqual([expected.test(await text('#log .entry:last-child')), await logCount()], [true, logged + 1], name + ': refused, logged once');
      sameBytes(await save(), refused ? original : consoleFile(expected, 'edited.arr'), name + ': the console\'s bytes, or none changed');
    }
  });

  test('a script runs as the console runs it; a closed tab\'s files are gone from what later lines can read', async () => {
    const script = ['new b', 'for i from 0 to 2', 'Set value i at i', 'end', 'sum()', 'rowList$(0)'];
    const ran = await call('runScript', script.join('\n') + '\n', 'x.tessel');
    assert.deepEqual([ran.ok, ran.output, ran.errors], [true, tessel(script, 'x.tessel'), wb.console(['run', 'x.tessel']).stderr]);
    await closeAll();
    const opened = await wb.open('secret.arr', wb.consoleFile(['new a', 'Set string "secret" at 0'], 's.arr'));
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
    // Another tab shows no banner of it; back on its tab it is there again, and a line makes no difference to it.
    for (const [act, shown] of [[() => pick('whole.arr'), []], [() => page.click('#tabs .tab:first-child span'), [true]],
      [() => typeAt(0, 0, '7', 'Enter'), [true]]]) assert.deepEqual(await act().then(banner), shown, String(act));
    await page.click('#check');
    const checked = await page.$eval('#log .entry:last-child', (e) => [e.querySelector('pre').textContent, e.classList.contains('bad')]);
    assert.deepEqual(checked, [words, true], 'Check, after the line, says it too, marked');
    const asked = await askedNo(() => page.click('#save'));
    assert.ok(asked.includes(words) && /was damaged when opened/.test(asked), asked);
    assert.deepEqual([await downloaded('cut.arr'), /cut\.arr was not saved: it was damaged when opened/.test(await logText())], [null, true], 'no is no save');
    await page.click('#save');
    assert.ok(await downloaded('cut.arr'), 'yes saves it');
  });

  test('a tab logs its lines, undone ones marked; unsaved work asks before it is lost; Save clears the mark; Save as asks a name', async () => {
    await only('texts.arr');
    await typeAt(2, 1, 'kept', 'Enter');
    // The tab's log: the file opened, the line done, undone and redone.
    assert.match(await logText(), /texts\.arr opened as a native file/);
    const entry = () => page.$$eval('#log .entry', (es) => es.filter((e) => e.textContent.includes('Set string "kept" at 5'))
      .map((e) => [e.classList.contains('undone'), e.querySelector('.mark')?.textContent ?? '']));
    const marks = [await entry()];
    for (const k of ['z', 'y']) marks.push(await wb.viewKeys(['Control', k]).then(entry));
    assert.deepEqual([marks, /•$/.test(await tabTitle())], [[[[false, '']], [[true, 'undone']], [[false, '']]], true], 'done, undone, redone; the tab marked changed');
    assert.match(await askedNo(() => page.click('#tabs .tab.on i')), /texts\.arr has changes that are not saved/);
    const kept = [(await titles()).includes('texts.arr')];
    // Reloading asks the browser's leave-page question; staying keeps the page and its tab.
    answers.push(false);
    await page.evaluate(() => setTimeout(() => location.reload()));
    for (let i = 0; i < 100 && dialogs.length < 2; ++i) await pause(50);
    kept.push((await titles()).includes('texts.arr'));
    assert.deepEqual([dialogs[1]?.type, kept], ['beforeunload', [true, true]], 'no keeps the tab open; leaving asks, and staying keeps it');
    await wb.viewKeys(['Control', 's']);
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

  test('the grid follows the ARIA grid pattern: rows, cells by index, headers, the current cell', async () => {
    await only('texts.arr');
    // ARIA counts from 1, the header row and the row numbers first: cell (row u, column c) is u + 2, c + 2.
    const cellAt = (u, c) => `#view [role=row][aria-rowindex="${u + 2}"] [role=gridcell][aria-colindex="${c + 2}"]`;
    assert.deepEqual([await text(cellAt(0, 0)), await page.$eval('#view[role=grid]', (e) => e.getAttribute('aria-colcount')),
      await page.$$eval('#view [role=columnheader]', (h) => h.map((e) => e.getAttribute('aria-colindex')))], ['Café', '3', ['1', '2', '3']]);
    await page.click(cellAt(2, 1));
    await keys('ArrowLeft', 'ArrowUp');
    const focus = await page.$eval('#view', (view) => {
      const cur = document.getElementById(view.getAttribute('aria-activedescendant'));
      return { focused: document.activeElement === view, row: cur.parentElement.getAttribute('aria-rowindex'),
        col: cur.getAttribute('aria-colindex'), selected: cur.getAttribute('aria-selected') };
    });
    assert.deepEqual(focus, { focused: true, row: '3', col: '2', selected: 'true' }, 'the grid has the focus, its current cell is (1, 0)');
  });
});

// The console's lines that set element i to v, a value or a text, for each [v, i].
const sets = (...cells) => cells.map(([v, i]) => (typeof v === 'number' ? `Set value ${v} at ${i}` : `Set string "${v}" at ${i}`));
const itemLines = ['new t --dims 2 --x 3', 'Set label to "name" at column 0', 'Set label to "price" at column 1',
  ...sets(...['Sword', 15, '007', 'axe', 7, 'a', 'Bow', 30, 'b', 'dagger', 2, 'c'].map((v, i) => [v, i]))];

// A spreadsheet's table whose first row names its columns, with texts a game reads as other numbers.
wb.write('items.csv', 'name,price\nSword,15\nBow,030\nAxe,2.5\n');
const fixtures = { blank: ['new t --dims 2 --x 3'], list: ['new t'], items: itemLines, wide: ['new t --dims 2 --x 50', 'Set value 1 at 49'] };
for (const [name, lines] of Object.entries(fixtures)) wb.consoleFile(lines, name + '.arr');

// Column c's header edge dragged `by` pixels.
async function drag(c, by) {
  const { x, y, w, h } = await box(`.head[data-c="${c}"] .grip`);
  await wb.drag([x + w / 2, y + h / 2], [x + w / 2 + by, y + h / 2], 2);
}

describe('the workbench edits as a spreadsheet does', () => {
  test('Tab, Shift+Tab, Enter and the arrows commit and move, Escape does not; typing starts an edit', async () => {
    // Each case: keys typed from cell (0, 0) of the blank table (or the list), the console's lines for the same cells, where the cursor ends.
    const cases = [
      ['Tab along a row, Enter back to its first column', ['Sword', 'Tab', '15', 'Tab', '3', 'Enter', 'Axe', 'Tab', '7', 'Enter'],
        sets(['Sword', 0], [15, 1], [3, 2], ['Axe', 3], [7, 4]), [2, 0]],
      ['arrows commit what was typed and move', ['15', 'ArrowRight', '3', 'ArrowDown', '4', 'ArrowLeft', '9', 'ArrowUp'], sets([15, 0], [3, 1], [4, 4], [9, 3]), [0, 0]],
      ['Shift+Tab goes left; Enter goes down to the column the Tabs started in', ['1', 'Tab', '2', 'Tab', '3', ['Shift', 'Tab'], '4', 'Enter'],
        sets([1, 0], [2, 1], [3, 2], [4, 1]), [1, 0]],
      ['an edit begun with F2 moves the caret with the arrows; Shift+Enter a line break',
        ['Sword', 'Enter', 'ArrowUp', 'F2', 'ArrowLeft', 'X', 'ArrowRight', ['Shift', 'Enter'], 'y', 'Tab'], sets(['Sword', 0], ['XS\\nyword', 0]), [0, 1]],
      ['Escape leaves a cell as it was', ['Sword', 'Enter', 'ArrowUp', 'Enter', 'zed', 'Escape'], sets(['Sword', 0]), [0, 0]],
      ['in a list Tab goes to the next element and Shift+Tab back', ['1', 'Tab', '2', 'Tab', '3', ['Shift', 'Tab'], '4', 'Enter'],
        sets([1, 0], [2, 1], [3, 2], [4, 1]), [2, 0], true],
    ];
    for (const [name, typed, lines, at, list] of cases) {
      await only(list ? 'list.arr' : 'blank.arr');
      await typeAt(0, 0, ...typed);
      sameBytes(await save(), wb.consoleFile([...fixtures[list ? 'list' : 'blank'], ...lines], 'keys.arr'), name + ': the same file as the console\'s');
      assert.deepEqual(await current(), at, name + ': where the cursor ends');
    }
  });

  test('a header click sorts the rows by the module\'s row sorts, and says so when no row is selected', async () => {
    await only('items.arr');
    await page.click('.head[data-c="1"]');
    await page.waitForSelector('#offers .offer');
    assert.match(await text('#status'), /no row is selected/, 'the page says why nothing moved');
    sameBytes(await save(), file('items.arr'), 'nothing was changed');
    // The offer selects all rows and sorts by value; a second click on the same header: descending; another of texts: by text.
    const done = [...itemLines, 'Select all rows'];
    for (const [click, line, mark] of [['#offers .offer button', 'Sort rows by column 1 value ascending', '▲'],
      ['.head[data-c="1"]', 'Sort rows by column 1 value descending'], ['.head[data-c="0"]', 'Sort rows by column 0 string ascending']]) {
      const before = await save();
      await page.click(click);
      await page.waitForFunction((b) => window.tesselWorkbench.save('native').bytes.join() !== b, {}, [...before].join());
      done.push(line);
      sameBytes(await save(), wb.consoleFile(done, 'sorted.arr'), line);
      if (mark) assert.equal(await text('.head[data-c="1"] .sorted'), mark);
    }
    // A double click names the column and sorts nothing.
    const saved = await save();
    await page.click('.head[data-c="2"]', { count: 2 });  // two clicks, as a person makes them
    await page.waitForSelector('#answer');
    await page.keyboard.press('Escape');
    await pause(500);
    sameBytes(await save(), saved, 'a double click does not sort');
  });

  test('the filter box selects rows with the module\'s queries and shows them', async () => {
    await only('items.arr');
    const cases = [
      { column: '1', test: '>', value: '10', lines: ['SELECT WHERE col 1 > 10'], rows: [0, 2] },
      { column: '0', test: 'like', value: 'Bow', lines: ['SELECT WHERE col 0 LIKE "Bow"'], rows: [2] },
      { column: '0', test: 'contains', value: 'a', lines: ['SELECT WHERE col 0 LIKE *"a"*'], rows: [1, 3] },
      { column: '1', test: 'between', value: '2', high: '15', lines: ['Pick col 1 for SELECT BETWEEN', 'SELECT BETWEEN 2 AND 15'], rows: [0, 1, 3] },
      { column: '2', test: 'between', value: 'a', high: 'b', lines: ['Pick col 2 for SELECT BETWEEN', 'SELECT BETWEEN "a" AND "b"'], rows: [1, 2] },
    ];
    const done = [];
    for (const c of cases) {
      await wb.setField('#filterColumn', c.column);
      await page.select('#filterTest', c.test);
      if (c.high) await wb.setField('#filterHigh', c.high);
      await wb.enter('#filterValue', c.value);
      done.push('Start new WHERE (reset selected rows)', ...c.lines);
      sameBytes(await save(), wb.consoleFile([...itemLines, ...done], 'filtered.arr'), c.test + ': the console\'s selection');
      const shown = await page.$$eval('.cell.in-sel[data-c="0"]', (e) => e.map((x) => Number(x.dataset.u)));
      assert.deepEqual([shown, (await text('#filterFound')).includes('selected: ' + c.rows.join(', '))], [c.rows, true], c.test + ': the rows shown');
    }
    // The table sorted by its price, filtered, its name column wider: at 1280 and 800 pixels.
    await page.click('.head[data-c="1"]');
    await page.waitForFunction(() => document.querySelector('.head[data-c="1"] .sorted'));
    await drag(0, 60);
    await page.click(cell(1, 2));
    await wb.shoot('workbench-habits', true);
    done.push('Sort rows by column 1 value ascending');
    sameBytes(await save(), wb.consoleFile([...itemLines, ...done], 'filtered.arr'), 'the selected rows sorted');
    // A value test given a text runs nothing and says why.
    const saved = await save();
    await page.select('#filterTest', '=');
    await wb.enter('#filterValue', '2.5');
    assert.match(await text('#status'), /whole number/);
    sameBytes(await save(), saved);
  });

  test('a CSV file opens with its first row as the column labels when asked, as the console\'s --header reads it', async () => {
    await only('items.csv');
    const converted = (args, out) => wb.console([...args, 'convert', '--force', 'items.csv', out]) && file(out);
    sameBytes(await save(), converted([], 'plain.arr'), 'not asked: the first row is row 0');
    assert.ok((await offers()).some((t) => t.includes('first row')), 'the page asks about the first row');
    const [button] = await page.$$('xpath/.//div[@id="offers"]//button[contains(., "column labels")]');
    await button.click();
    await page.waitForFunction(() => document.querySelectorAll('.head .label').length === 2);
    assert.deepEqual([await wb.titles(), await wb.texts('.head .label')], [['items.csv'], ['name', 'price']], 'the tab read again takes the old one\'s place');
    sameBytes(await save(), converted(['--header'], 'labelled.arr'), 'the console\'s --header array');
    sameBytes(await save('csv'), converted(['--header'], 'labelled.csv'), 'saved as CSV as the console\'s --header writes it');
    assert.ok(!(await offers()).some((t) => t.includes('first row')), 'asked no more');
  });

  test('a text a game reads as another number is marked, and told once a tab', async () => {
    const [zeros, point] = [/"030".*gets 30, without the leading zeros/, /Element 1 holds the text "2.5".*gets 2, the whole number before the point/];
    // Each step: what is done, and the one note of a number-like text the current tab's log then holds.
    const steps = [[() => only('items.csv'), zeros, 'on opening'], [() => typeAt(0, 0, '1.5', 'Enter'), zeros, 'told once a tab'],
      [() => pick('blank.arr').then(() => typeAt(0, 1, '2.5', 'Enter')), point, 'another tab is told of its own'],
      [() => keys('7', 'Enter'), point, 'told once a tab'], [() => call('select', 0), zeros, 'and the first tab']];
    for (const [act, words, message] of steps) {
      await act();
      const told = await page.$$eval('#log .entry.note', (e) => e.map((x) => x.textContent).filter((t) => t.includes('looks like a number')));
      assert.ok(told.length === 1 && words.test(told[0]), `${message}: ${told.join('\n')}`);
    }
    assert.deepEqual(await page.$$eval('.cell.numberish', (e) => e.map((x) => [Number(x.dataset.u), Number(x.dataset.c)])), [[0, 0], [2, 1], [3, 1]]);
  });

  test('a header edge dragged sets its column\'s width; a text too long for its cell shows whole on hover', async () => {
    await only('wide.arr');
    const saved = await save();
    const before = (await box(cell(0, 2))).w;
    await drag(2, 100);
    await drag(4, -500);
    assert.deepEqual([(await box(cell(0, 2))).w, (await box(cell(0, 4))).w], [before + 100, 40], 'wider by the drag, no narrower than the narrowest');
    const boxes = await Promise.all([1, 2, 3, 4, 5].map((c) => box(cell(0, c))));
    assert.deepEqual(boxes.slice(1).map((b) => b.x), boxes.slice(0, 4).map((a) => a.x + a.w), 'each column starts where the one before ends');
    await pause(400);
    sameBytes(await save(), saved, 'a drag sorts nothing and changes nothing');
    // Scrolled into the wide column 2, past a default column's width of it: it is the first drawn, and a click finds the cell under the mouse.
    const view = await box('#view');
    await page.$eval('#view', (e, x) => { e.scrollLeft = x; }, 132 * 2 + 20);
    await page.waitForFunction(() => document.querySelector('.head').dataset.c === '2');
    await page.mouse.click(view.x + 72 + 232 - 20 + 60, (await page.$eval(cell(0, 3), (e) => e.getBoundingClientRect().y)) + 10);
    assert.deepEqual(await current(), [0, 3]);
    await keys('a text far too long to be seen whole in a cell of this width', 'Enter');
    await page.$eval('#view', (e) => { e.scrollLeft = 0; });
    await page.waitForFunction(() => document.querySelector('.head').dataset.c === '0');
    const shown = await page.$eval(cell(0, 3) + ' span', (e) => [e.title, e.scrollWidth > e.clientWidth]);
    assert.deepEqual(shown, ['a text far too long to be seen whole in a cell of this width', true]);
    await pick('items.arr');
    assert.equal((await box(cell(0, 2))).w, before, 'another tab has its own widths');
  });
});
