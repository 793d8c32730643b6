// Rows, columns and painted cells, as the element actions make them.
import { count } from './dom.js';
import { isInteger, literal, literals, textLiteral } from './encoding.js';
import { late } from './parts.js';

export function createEdits(app, parts) {
  const { indexOf, layout } = late(parts, 'grid');
  const { report } = late(parts, 'log');
  const { change } = late(parts, 'undo');

  function rowLines(insert, y = app.active.cur.row) {
    const X = app.shape.columns;
    const at = y * X;
    const lines = [];
    for (let i = 0; i < X; ++i) lines.push(insert ? 'Insert value 0 at ' + at : 'Delete at ' + at);
    lines.grid = { kind: insert ? 'insertRow' : 'deleteRow', count: X, at, from: 0, to: lines.length };
    return lines;
  }

  function columnLines(insert, c = app.active.cur.col) {
    const X = app.shape.columns;
    const rows = Math.ceil(app.shape.size / X);
    const labels = app.shape.labels;
    if (!insert && X <= 1) return [];
    const cells = [];
    for (let r = rows - 1; r >= 0; --r) cells.push(insert ? 'Insert value 0 at ' + (r * X + c) : 'Delete at ' + (r * X + c));
    const width = insert ? X + 1 : X - 1;
    cells.push('Set dimension 1 boundary to ' + width);
    // Labels belong to column numbers, so they move with their columns, each
    // set while its column exists: after widening, before narrowing.
    const moved = insert ? [...labels.slice(0, c), '', ...labels.slice(c)] : [...labels.slice(0, c), ...labels.slice(c + 1)];
    const columns = [];
    for (let j = c; j < Math.max(X, width); ++j) if ((labels[j] || '') !== (moved[j] || '')) columns.push(j);
    const written = literals(columns.map((j) => moved[j] || ''));
    const names = columns.map((j, k) => 'Set label to ' + written[k] + ' at column ' + j);
    const lines = insert ? [...cells, ...names] : [...names, ...cells];
    const from = insert ? 0 : names.length;
    // The boundary line is not a cell's: it runs after the batch.
    lines.grid = { kind: insert ? 'insertColumn' : 'deleteColumn', count: X, at: c, from, to: from + cells.length - 1 };
    return lines;
  }

  // Cells of the current page (each [x, y], or a flat index) set to one value
  // (an integer, else a text in the tab's encoding) by the element actions, as one undo step.
  function paint(cells, value) {
    paintContent(cells, contentOf(value));
  }

  // What an integer or a typed text (in the tab's encoding) paints: {type: 'value', value} or {type: 'string', bytes}.
  function contentOf(value) {
    if (typeof value === 'number' && isInteger(String(value))) return { type: 'value', value };
    if (typeof value !== 'string') throw new Error('paint takes an integer or a text, not ' + String(value));
    const written = textLiteral(value, '', app.active);
    if (written.error) throw new Error(written.error);
    return { type: 'string', bytes: written.bytes };
  }

  // Cells set to a content by the element actions, one undo step; `what` names the tool in the log.
  function paintContent(cells, content, what = '') {
    if (!Array.isArray(cells)) throw new Error('paint takes a list of cells: [x, y] each, or an index');
    let set;
    let text = null;  // the bytes of a text the module's batch can take as they are
    if (content.type === 'string') {
      set = 'Set string ' + literal(content.bytes);
      text = /^[\x01-\x7f]*$/.test(content.bytes) ? content.bytes : undefined;
    } else set = 'Set value ' + (content.type === 'value' ? content.value : 0);
    const cols = app.shape.dimensions === 1 ? 1 : app.shape.columns;
    const lines = cells.map((cell) => {
      const [x, y] = Array.isArray(cell) ? cell : [cell, null];
      const index = y === null ? x : app.shape.dimensions === 1 ? y : x >= 0 && x < cols ? indexOf(y, x) : NaN;
      if (!Number.isInteger(index) || index < 0 || (y !== null && !Number.isInteger(y))) throw new Error('no cell ' + JSON.stringify(cell) + ' to paint');
      return set + ' at ' + index;
    });
    if (!lines.length) return;
    // The stroke's cells through the module's batch that makes the same sets; a text of other bytes as its lines.
    if (text !== undefined) {
      const indexes = lines.map((l) => l.slice(l.lastIndexOf(' ') + 1)).join(',');
      lines.grid = { kind: 'paint', indexes, text, value: content.type === 'value' ? content.value : 0, from: 0, to: lines.length };
    }
    const result = change(lines);
    report((what ? what + ': ' : '') + set + ' at ' + count(lines.length, 'cell', 'cells'), result);
    if (result.failed) throw new Error(result.text.replace(/\n$/, ''));
  }

  // A row or column step of the current page, as the toolbar's buttons and the script interface make it.
  function gridStep(what, insert, at) {
    if (!app.shape || app.shape.dimensions !== 2) throw new Error('rows and columns are a 2D array\'s: this one has ' + app.shape.dimensions + ' dimensions');
    const { cols, units } = layout();
    const most = what === 'row' ? units - 1 : cols - 1;
    if (!Number.isInteger(at) || at < 0 || at > most) throw new Error('no ' + what + ' ' + at + ': 0 to ' + most);
    const lines = what === 'row' ? rowLines(insert, at) : columnLines(insert, at);
    const result = change(lines);
    report((insert ? '+ ' : '− ') + what + ' ' + at, result);
    if (result.failed) throw new Error(result.text.replace(/\n$/, ''));
  }

  return { contentOf, gridStep, paint, paintContent };
}
