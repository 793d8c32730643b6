// The cell editor: editing a cell in place, and where the cursor goes after.
import { $ } from './dom.js';
import { isInteger, showText, textLiteral } from './encoding.js';
import { HEAD_H, NUM_W, ROW_H } from './sizes.js';
import { late } from './parts.js';

export function createEditing(app, parts) {
  const { colLeft, colWidth, contentTop, currentCell, indexOf, layout, moveTo } = late(parts, 'grid');
  const { report, tell } = late(parts, 'log');
  const { change } = late(parts, 'undo');

  // What the editor started from: leaving it with that text runs nothing.
  let editing = null;
  // `caret`: begun on the text as it is (F2, Enter, a double click), so the
  // arrow keys move the caret; begun by typing, they commit and move, as in a spreadsheet.
  function startEdit(initial, caret = initial === undefined) {
    const c = currentCell();
    const ed = $('editor');
    const view = $('view');
    const old = c && c.type === 'string' ? c.text : '';
    const shown = c && c.type === 'value' ? String(c.value) : c && c.type === 'string' ? showText(old, app.active) : '';
    editing = { tab: app.active, index: indexOf(app.active.cur.row, app.active.cur.col), old, shown, type: c ? c.type : 'empty', caret };
    ed.hidden = false;
    // In the scrolled content, where the cell is drawn in view.
    ed.style.top = view.scrollTop + HEAD_H + app.active.cur.row * ROW_H - contentTop() + 'px';
    ed.style.left = NUM_W + colLeft(app.active.cur.col) + 'px';
    ed.value = initial !== undefined ? initial : shown;
    fitEditor();
    ed.focus();
    if (initial === undefined) ed.select();
  }

  // The editor as large as its text, every line of it, within the view.
  function fitEditor() {
    const ed = $('editor');
    const view = $('view');
    const narrowest = colWidth(app.active.cur.col);
    ed.style.width = narrowest + 'px';
    ed.style.height = ROW_H + 'px';
    const room = Math.max(narrowest, view.clientWidth - (parseFloat(ed.style.left) - view.scrollLeft) - 4);
    ed.style.width = Math.min(room, Math.max(narrowest, ed.scrollWidth + 4)) + 'px';
    ed.style.height = Math.max(ROW_H, ed.scrollHeight + 4) + 'px';
  }

  // `move`: where the cursor goes after a commit, [rows, columns] (down by
  // default); `key`: the key that committed, if any.
  function endEdit(commit, move = [1, 0], key = '') {
    const ed = $('editor');
    if (ed.hidden) return;
    ed.hidden = true;
    $('view').focus();
    const was = editing;
    editing = null;
    if (!commit || !was || was.tab !== app.active) return;
    const text = ed.value;
    // Left as it was: no line, so nothing is rewritten and no undo step is made.
    if (text === was.shown) return moveAfterEdit(move, key);
    const index = was.index;
    let line;
    if (text === '') line = 'Set value 0 at ' + index;
    else if (isInteger(text)) line = 'Set value ' + Number(text) + ' at ' + index;
    else {
      const written = textLiteral(text, was.old, app.active);
      if (written.error) return tell(app.active, written.error, true);
      line = 'Set string ' + written.literal + ' at ' + index;
    }
    report(line, change([line]));
    moveAfterEdit(move, key);
  }

  // After an edit: Tab and Shift+Tab go along the row, and Enter then goes down
  // to the column the run of Tabs started in, as a spreadsheet does.
  let tabRun = null;  // {tab, col}: where the Tabs started
  const endRun = () => { tabRun = null; };
  function moveAfterEdit([rows, cols], key) {
    const { row, col } = app.active.cur;
    if (key === 'Tab' && layout().cols === 1) {
      [rows, cols] = [cols, 0];  // a list has no row to go along: Tab goes to the next element
    } else if (key === 'Tab') {
      if (!tabRun || tabRun.tab !== app.active) tabRun = { tab: app.active, col };
    } else if (key === 'Enter' && tabRun && tabRun.tab === app.active) {
      const start = tabRun.col;
      tabRun = null;
      return moveTo(row + 1, start);
    } else {
      tabRun = null;
    }
    moveTo(row + rows, col + cols);
  }

  // Where a key of the cell editor commits and moves to, [rows, columns], or null.
  function editMove(e, caret) {
    if (e.key === 'Tab') return [0, e.shiftKey ? -1 : 1];
    if (e.key === 'Enter' && !e.shiftKey && !e.altKey) return [1, 0];
    const arrows = { ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1] };
    if (arrows[e.key] && !caret && !e.shiftKey && !e.ctrlKey && !e.metaKey && !e.altKey) return arrows[e.key];
    return null;
  }

  function wire() {
    $('editor').addEventListener('keydown', (e) => {
      if (e.key === 'Enter' && (e.shiftKey || e.altKey)) {
        // A line break in the text, as in a spreadsheet's cell.
        e.preventDefault();
        const ed = $('editor');
        ed.setRangeText('\n', ed.selectionStart, ed.selectionEnd, 'end');
        fitEditor();
      } else if (e.key === 'F2' && editing) {
        // As in a spreadsheet: F2 switches between moving the caret and moving the cursor.
        e.preventDefault();
        editing.caret = !editing.caret;
      } else {
        const move = editMove(e, !editing || editing.caret);
        if (move) {
          e.preventDefault();
          endEdit(true, move, e.key);
        }
      }
      if (e.key === 'Escape') { e.preventDefault(); endEdit(false); }
    });
    $('editor').addEventListener('blur', () => endEdit(true));
    $('editor').addEventListener('input', fitEditor);
  }

  return { endEdit, endRun, startEdit, wire };
}
