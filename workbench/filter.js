// The filter box above the grid.
import { $, count } from './dom.js';
import { INT_MAX, INT_MIN, isInteger, textLiteral } from './encoding.js';
import { late } from './parts.js';

export function createFilter(app, parts) {
  const { moveTo } = late(parts, 'grid');
  const { report, tell } = late(parts, 'log');
  const { eachRowCell } = late(parts, 'sort');
  const { change } = late(parts, 'undo');

  const LIST_SCAN = 20000;   // rows looked at for the selected rows listed (a cell a call)
  // The filter box: a new selection of the rows whose cell in a column
  // passes a test, made by the module's queries, as one undo step.
  const VALUE_TESTS = ['=', '<>', '>', '>=', '<', '<='];
  function filterLines(col, test, value, high) {
    const text = (t) => {
      const written = textLiteral(t, '', app.active);
      if (written.error) throw new Error(written.error);
      return written.literal;
    };
    const whole = (t, what) => {
      if (!isInteger(t)) throw new Error(what + ' needs a whole number from ' + INT_MIN + ' to ' + INT_MAX + ', not "' + t + '"');
      return String(Number(t));
    };
    const lines = ['Start new WHERE (reset selected rows)'];
    if (VALUE_TESTS.includes(test)) lines.push('SELECT WHERE col ' + col + ' ' + test + ' ' + whole(value, 'the test ' + test));
    else if (test === 'like') lines.push('SELECT WHERE col ' + col + ' LIKE ' + text(value));
    else if (test === 'contains') lines.push('SELECT WHERE col ' + col + ' LIKE *' + text(value) + '*');
    else {
      // Two whole numbers compare as values, anything else as texts.
      const values = isInteger(value) && isInteger(high);
      lines.push('Pick col ' + col + ' for SELECT BETWEEN',
        'SELECT BETWEEN ' + (values ? Number(value) + ' AND ' + Number(high) : text(value) + ' AND ' + text(high)));
    }
    return lines;
  }

  // The selected rows' numbers, the first `most` of them.
  function selectedRows(most) {
    const found = [];
    eachRowCell(0, LIST_SCAN, (r, c) => { if (c[5] === 1) found.push(r); return found.length >= most; });
    return found;
  }

  // What the selection is now, beside the filter box and in the tab's log; the cursor to its first row.
  function showSelection() {
    const rows = Math.floor(app.shape.size / Math.max(1, app.shape.columns));
    const first = selectedRows(10);
    const text = app.shape.selectedRows === 0 ? 'no row of ' + rows + ' is selected'
      : count(app.shape.selectedRows, 'row', 'rows') + ' of ' + rows + ' selected: ' + first.join(', ') + (app.shape.selectedRows > first.length ? ', …' : '');
    $('filterFound').textContent = text;
    tell(app.active, 'Selection: ' + text);
    if (first.length) moveTo(first[0], app.active.cur.col);
  }

  function runFilter() {
    const typed = $('filterColumn').value.trim();
    const col = typed === '' ? app.active.cur.col : Number(typed);
    if (!Number.isInteger(col) || col < 0 || col >= app.shape.columns) {
      return tell(app.active, 'No column ' + typed + ': the columns are 0 to ' + (app.shape.columns - 1), true);
    }
    let lines;
    try {
      lines = filterLines(col, $('filterTest').value, $('filterValue').value, $('filterHigh').value);
    } catch (error) {
      return tell(app.active, error.message + ': no row was selected or deselected', true);
    }
    const result = change(lines);
    report(lines.join('; '), result);
    if (!result.failed) showSelection();
  }

  return { runFilter, showSelection };
}
