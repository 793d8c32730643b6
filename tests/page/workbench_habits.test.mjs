// The workbench's spreadsheet habits (keys while editing, header sorts, the filter box, a CSV's labels, number-like texts,
// column widths) by the keyboard and the mouse; the files saved are held against the console's after the same lines.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { pause, sameBytes, useWorkbench } from './browser.mjs';

const wb = await useWorkbench('tessel-habits-');
const { page, consoleFile, save, pick, only, keys, cell, text, file, typeAt, offers, current, box } = wb;

const blankLines = ['new t --dims 2 --x 3'];
const listLines = ['new t'];
// The console's lines that set element i to v, a value or a text, for each [v, i].
const sets = (...cells) => cells.map(([v, i]) => (typeof v === 'number' ? `Set value ${v} at ${i}` : `Set string "${v}" at ${i}`));
const itemLines = ['new t --dims 2 --x 3', 'Set label to "name" at column 0', 'Set label to "price" at column 1',
  ...sets(...['Sword', 15, '007', 'axe', 7, 'a', 'Bow', 30, 'b', 'dagger', 2, 'c'].map((v, i) => [v, i]))];

// A spreadsheet's table whose first row names its columns, with texts a game reads as other numbers.
const itemsCsv = 'name,price\nSword,15\nBow,030\nAxe,2.5\n';

wb.write('items.csv', itemsCsv);
for (const [lines, name] of [[blankLines, 'blank'], [listLines, 'list'], [itemLines, 'items'], [['new t --dims 2 --x 50', 'Set value 1 at 49'], 'wide']]) {
  consoleFile(lines, name + '.arr');
}

// Column c's header edge dragged `by` pixels.
async function drag(c, by) {
  const { x, y, w, h } = await box(`.head[data-c="${c}"] .grip`);
  await page.mouse.move(x + w / 2, y + h / 2);
  await page.mouse.down();
  await page.mouse.move(x + w / 2 + by / 2, y + h / 2);
  await page.mouse.move(x + w / 2 + by, y + h / 2);
  await page.mouse.up();
}

describe('the workbench edits as a spreadsheet does', () => {
  test('Tab, Shift+Tab, Enter and the arrows commit and move; typing starts an edit', async () => {
    // Each case: keys typed from cell (0, 0) of the blank table (or the list), the console's lines for the same cells, where the cursor ends.
    const cases = [
      ['Tab along a row, Enter back to its first column', ['Sword', 'Tab', '15', 'Tab', '3', 'Enter', 'Axe', 'Tab', '7', 'Enter'],
        sets(['Sword', 0], [15, 1], [3, 2], ['Axe', 3], [7, 4]), [2, 0]],
      ['arrows commit what was typed and move', ['15', 'ArrowRight', '3', 'ArrowDown', '4', 'ArrowLeft', '9', 'ArrowUp'], sets([15, 0], [3, 1], [4, 4], [9, 3]), [0, 0]],
      ['Shift+Tab goes left; Enter goes down to the column the Tabs started in', ['1', 'Tab', '2', 'Tab', '3', ['Shift', 'Tab'], '4', 'Enter'],
        sets([1, 0], [2, 1], [3, 2], [4, 1]), [1, 0]],
      ['an edit begun with F2 moves the caret with the arrows; Shift+Enter a line break',
        ['Sword', 'Enter', 'ArrowUp', 'F2', 'ArrowLeft', 'X', 'ArrowRight', ['Shift', 'Enter'], 'y', 'Tab'], sets(['Sword', 0], ['XS\\nyword', 0]), [0, 1]],
      ['in a list Tab goes to the next element and Shift+Tab back', ['1', 'Tab', '2', 'Tab', '3', ['Shift', 'Tab'], '4', 'Enter'],
        sets([1, 0], [2, 1], [3, 2], [4, 1]), [2, 0], true],
    ];
    for (const [name, typed, lines, at, list] of cases) {
      await only(list ? 'list.arr' : 'blank.arr');
      await typeAt(0, 0, ...typed);
      sameBytes(await save(), consoleFile([...(list ? listLines : blankLines), ...lines], 'keys.arr'), name + ': the same file as the console\'s');
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
      sameBytes(await save(), consoleFile(done, 'sorted.arr'), line);
      if (mark) assert.equal(await text('.head[data-c="1"] .sorted'), mark);
    }
    // A double click names the column and sorts nothing.
    const saved = await save();
    await page.click('.head[data-c="2"]', { clickCount: 2 });
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
      sameBytes(await save(), consoleFile([...itemLines, ...done], 'filtered.arr'), c.test + ': the console\'s selection');
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
    sameBytes(await save(), consoleFile([...itemLines, ...done], 'filtered.arr'), 'the selected rows sorted');
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
    const csv = await save('csv');
    sameBytes(csv, converted(['--header'], 'labelled.csv'), 'saved as CSV as the console\'s --header writes it');
    assert.match(csv.toString('latin1'), /^name,price\r?\n/, 'with its labels as the first row again');
    assert.ok(!(await offers()).some((t) => t.includes('first row')), 'asked no more');
  });

  test('a text a game reads as another number is marked, and told once a tab', async () => {
    // The tab's log tells it once, in `words`.
    const toldOnce = async (words, message) => {
      const told = await page.$$eval('#log .entry.note', (e) => e.map((x) => x.textContent).filter((t) => t.includes('looks like a number')));
      assert.equal(told.length, 1, `${message}: ${told.join('\n')}`);
      assert.match(told[0], words, message);
    };
    await only('items.csv');
    const leadingZeros = /"030".*gets 30, without the leading zeros/;
    await toldOnce(leadingZeros, 'on opening');
    assert.deepEqual(await page.$$eval('.cell.numberish', (e) => e.map((x) => [Number(x.dataset.u), Number(x.dataset.c)])), [[2, 1], [3, 1]]);
    await typeAt(0, 0, '1.5', 'Enter');
    await toldOnce(leadingZeros, 'told once a tab');
    // Another tab is told of its own.
    await pick('blank.arr');
    await typeAt(0, 1, '2.5', 'Enter');
    const point = /Element 1 holds the text "2.5".*gets 2, the whole number before the point/;
    await toldOnce(point, 'another tab');
    await keys('7', 'Enter');
    for (const tab of [0, 1]) await wb.call('select', tab);
    await toldOnce(point, 'told once a tab');
  });

  test('a header edge dragged sets its column\'s width; a text too long for its cell shows whole on hover', async () => {
    await only('wide.arr');
    const saved = await save();
    const before = (await box(cell(0, 2))).w;
    await drag(2, 100);
    await drag(4, -500);
    assert.equal((await box(cell(0, 2))).w, before + 100, 'wider by the drag');
    assert.equal((await box(cell(0, 4))).w, 40, 'no narrower than the narrowest');
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
    // The widths belong to the tab.
    await pick('items.arr');
    assert.equal((await box(cell(0, 2))).w, before, 'another tab has its own widths');
  });
});
