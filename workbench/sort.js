// Sorting the rows by a column's header.
import { count } from './dom.js';
import { late } from './parts.js';

export function createSort(app, parts) {
  const { offer } = late(parts, 'dialogs');
  const { draw } = late(parts, 'grid');
  const { report, tell } = late(parts, 'log');
  const { change } = late(parts, 'undo');

  // Sorting by a column's header, with the module's row sorts: by value
  // or by text, as most of the column's cells are, ascending, then descending
  // on a second click of the same header.
  const SORT_SAMPLE = 2000;  // rows looked at to tell a column of texts from one of values

  // Calls `fn(row, cell)` with each complete row's cell in column `col` (as
  // the bridge gives it: [type, length, text, key type, key text, selected]),
  // from the first row on, until it returns true or `most` rows are seen.
  function eachRowCell(col, most, fn) {
    const X = Math.max(1, app.shape.columns);
    const rows = Math.min(Math.floor(app.shape.size / X), most);
    for (let r = 0; r < rows; ++r) {
      const answer = app.call('Cells', r * X + col, 1);
      if (answer.ok && answer.cells[0] && fn(r, answer.cells[0])) return;
    }
  }

  function columnHoldsTexts(col) {
    const counts = [0, 0, 0, 0];  // by cell type
    eachRowCell(col, SORT_SAMPLE, (r, c) => { ++counts[c[0]]; });
    return counts[2] > counts[1];
  }

  function sortLine(col, descending) {
    return 'Sort rows by column ' + col + (columnHoldsTexts(col) ? ' string ' : ' value ') + (descending ? 'descending' : 'ascending');
  }

  // Whether the tab's last step is the header sort it remembers (its arrow is shown while it is).
  const lastSort = (tab) => tab.sorted && tab.steps[tab.steps.length - 1] === tab.sorted.step ? tab.sorted : null;

  // The arrow of the column the rows were last sorted by, in its header.
  function sortMark(col) {
    const sorted = app.shape.dimensions === 2 && lastSort(app.active);
    return sorted && sorted.col === col ? '<b class="sorted" title="rows sorted by this column">' + (sorted.descending ? '▼' : '▲') + '</b>' : '';
  }

  function sortByHeader(col) {
    if (app.shape.dimensions !== 2) return;
    const tab = app.active;
    const before = lastSort(tab);
    const descending = !!before && before.col === col && !before.descending;
    const line = sortLine(col, descending);
    const rows = Math.floor(app.shape.size / Math.max(1, app.shape.columns));
    const sort = (lines) => {
      const result = change(lines);
      report(lines.join('; '), result);
      if (result.failed) return;
      tab.sorted = { col, descending, step: tab.steps[tab.steps.length - 1] };
      draw();
      const some = app.shape.selectedRows < rows ? ': the ' + count(app.shape.selectedRows, 'selected row', 'selected rows') + ' of ' + rows +
        ' moved among their own places, the others stayed where they were' : '';
      tell(tab, 'Rows sorted by column ' + col + (descending ? ', descending' : ', ascending') + some);
    };
    if (rows === 0) return tell(tab, 'Nothing to sort: the array has no complete row', true);
    // The module sorts the selected rows only: run with none, the sort would move nothing.
    if (app.shape.selectedRows === 0) {
      tell(tab, 'Not sorted: no row is selected, and the row sorts move the selected rows only ' +
        '(a query or "Select all rows" selects them); nothing was changed', true);
      offer('No row of ' + tab.title + ' is selected, so sorting by column ' + col + ' would move nothing.',
        [['Select all rows and sort', () => sort(['Select all rows', line])]], undefined, tab);
      return;
    }
    sort([line]);
  }

  return { eachRowCell, sortByHeader, sortMark };
}
