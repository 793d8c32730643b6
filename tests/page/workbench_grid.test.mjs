// Row and column steps go through the module's batches and undo puts back a kept copy: both must leave what the literal
// element lines (a plain model here) leave in the console, after every step, undo and redo, on random grids.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { generator, useWorkbench } from './browser.mjs';

const wb = await useWorkbench('tessel-grid-');
const { page, tessel, call } = wb;

// A random 2D table's console lines: values, short and long texts, keys, labels, a last row that may be cut short, some rows selected.
function randomTable(random) {
  const x = 1 + random(6);
  const n = random(4) === 0 ? 0 : random(45);
  const lines = [`new t --dims 2 --x ${x}`];
  for (let i = 0; i < n; ++i) {
    const kind = random(5);
    if (kind === 1) lines.push(`Set value ${1 + random(900)} at ${i}`);
    if (kind === 2) lines.push(`Set string "s${i}" at ${i}`);
    if (kind === 3) lines.push(`Set string "a text long enough for a heap block ${i}" at ${i}`);
    if (kind === 0 && i === n - 1) lines.push(`Set value 7 at ${i}`);  // the count is n
    if (random(6) === 0) lines.push(`Set key string "k${i}" at ${i}`);
  }
  for (let c = 0; c < x; ++c) if (random(3) === 0) lines.push(`Set label to "L${c}" at column ${c}`);
  if (n > 0 && random(2) === 0) lines.push('SELECT WHERE col 0 LIKE "s*"');
  return lines;
}

// The plain model: the element lines of a row or column step, one cell at a time, as the page has always written them
// (labels move with their columns, each set while its column exists).
function literalLines(kind, at, x, size, labels) {
  const lines = [];
  if (kind === 'insertRow' || kind === 'deleteRow') {
    for (let i = 0; i < x; ++i) lines.push(kind === 'insertRow' ? `Insert value 0 at ${at * x}` : `Delete at ${at * x}`);
    return lines;
  }
  const insert = kind === 'insertColumn';
  if (!insert && x <= 1) return lines;
  const cells = [];
  for (let r = Math.ceil(size / x) - 1; r >= 0; --r) cells.push(insert ? `Insert value 0 at ${r * x + at}` : `Delete at ${r * x + at}`);
  const width = insert ? x + 1 : x - 1;
  cells.push(`Set dimension 1 boundary to ${width}`);
  const moved = insert ? [...labels.slice(0, at), '', ...labels.slice(at)] : [...labels.slice(0, at), ...labels.slice(at + 1)];
  const names = [];
  for (let j = at; j < Math.max(x, width); ++j) {
    if ((labels[j] || '') !== (moved[j] || '')) names.push(`Set label to "${moved[j] || ''}" at column ${j}`);
  }
  return insert ? [...cells, ...names] : [...names, ...cells];
}

const FACTS = ['capacity()', 'size()', 'numberOfRows()', 'boundaryX()'];
// The page's current tab: its native file and what the expressions say.
const pageState = () => page.evaluate((facts) => {
  const w = window.tesselWorkbench;
  return { bytes: Array.from(w.save('native').bytes), facts: facts.map((f) => w.run(f)).join('') };
}, FACTS);
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
      await wb.open(file, wb.consoleFile(randomTable(random), file));
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
    await wb.open('b.arr', wb.consoleFile(['new t --dims 2 --x 3', ...[0, 1, 2, 3, 4, 5, 6, 7].map((i) => `Set value ${i + 1} at ${i}`)], 'b.arr'));
    await page.click(wb.cell(1, 2));
    await page.click('#colInsert');
    await page.click('#rowDelete');
    const steps = [...literalLines('insertColumn', 2, 3, 8, []), ...literalLines('deleteRow', 1, 4, 11, [])];
    assert.deepEqual(await pageState(), consoleState('b.arr', steps, 'b1'));
    for (const [kind, at, error] of [['insertRow', -1, /no row -1/], ['deleteRow', 3, /no row 3: 0 to 2/], ['insertColumn', 4, /no column 4: 0 to 3/],
      ['deleteColumn', 1.5, /no column 1.5/]]) await assert.rejects(call(kind, at), error, `${kind}(${at})`);
    steps.push('Set array dimension to 1');
    await wb.run(steps[steps.length - 1]);
    await assert.rejects(call('insertRow', 0), /2D array's: this one has 1/);
    assert.deepEqual((await pageState()).bytes, consoleState('b.arr', steps, 'b2').bytes, 'nothing else ran');
  });

  test('paint sets the listed cells by the element actions, as one undo step', async () => {
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
    await call('undo');
    await call('undo');
    assert.deepEqual(await pageState(), consoleState('p.arr', done.slice(0, 3), 'p-undone'), 'two undos take back the last two paints whole');
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
