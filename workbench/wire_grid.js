// The grid's mouse and keyboard.
import { $ } from './dom.js';
import { COL_W, HEAD_H, MIN_COL_W, NUM_W, ROW_H } from './sizes.js';
import { late } from './parts.js';

export function createGridEvents(app, parts) {
  const { endEdit, endRun, startEdit } = late(parts, 'editing');
  const { colLeft, colWidth, contentTop, draw, forgetWindow, indexOf, layout, moveTo, rowsScaled, setContentTop, widthsOf } = late(parts, 'grid');
  const { report } = late(parts, 'log');
  const { sortByHeader } = late(parts, 'sort');
  const { change } = late(parts, 'undo');
  const levelMap = late(parts, 'levelMap');

  const DOUBLE_CLICK_MS = 300;  // how long a header click waits for a second one
  function wire() {
    const view = $('view');
    let queued = false;  // one draw a frame, however many scroll events came
    view.addEventListener('scroll', () => {
      if (queued) return;
      queued = true;
      requestAnimationFrame(() => { queued = false; draw(); });
    });
    // On a scaled grid the wheel moves rows as on any other, not a scaled stride of them.
    view.addEventListener('wheel', (e) => {
      if (levelMap.zoomed() || !rowsScaled() || e.ctrlKey || Math.abs(e.deltaY) < Math.abs(e.deltaX)) return;
      e.preventDefault();
      const unit = e.deltaMode === 1 ? ROW_H : e.deltaMode === 2 ? view.clientHeight - HEAD_H : 1;
      setContentTop(contentTop() + e.deltaY * unit);
    }, { passive: false });
    window.addEventListener('resize', () => draw());
    view.addEventListener('mousedown', (e) => {
      const cell = e.target.closest('.cell');
      if (!cell) return;
      endEdit(true);
      endRun();
      moveTo(Number(cell.dataset.u), Number(cell.dataset.c));
      view.focus();
      e.preventDefault();
    });
    // A click on a 2D grid's column header sorts by it, once it is clear the
    // click is not the first of a double click (which names the column).
    let sortClick = null;
    let resizedAt = -Infinity;  // a drag of a header's edge ends in a click that must not sort
    view.addEventListener('click', (e) => {
      const head = e.target.closest('.head');
      clearTimeout(sortClick);
      if (!head || e.detail > 1 || app.shape.dimensions !== 2 || e.target.closest('.grip') || performance.now() - resizedAt < 200) return;
      const tab = app.active;
      sortClick = setTimeout(() => { if (app.active === tab) sortByHeader(Number(head.dataset.c)); }, DOUBLE_CLICK_MS);
    });
    // Dragging a header's right edge sets its column's width, for this tab.
    view.addEventListener('mousedown', (e) => {
      const grip = e.target.closest('.grip');
      if (!grip || e.button !== 0) return;
      e.preventDefault();
      e.stopPropagation();
      endEdit(true);
      const [col, x0, tab] = [Number(grip.parentNode.dataset.c), e.clientX, app.active];
      const w0 = colWidth(col);
      const move = (m) => {
        if (app.active !== tab) return;
        const w = Math.max(MIN_COL_W, Math.round(w0 + m.clientX - x0));
        if (w === COL_W) widthsOf(tab).delete(col);
        else widthsOf(tab).set(col, w);
        $('sizer').style.width = NUM_W + colLeft(layout().cols) + 'px';
        forgetWindow();  // the window in view may now hold other columns
        draw();
      };
      const up = (m) => {
        window.removeEventListener('mousemove', move);
        window.removeEventListener('mouseup', up);
        move(m);
        resizedAt = performance.now();
      };
      window.addEventListener('mousemove', move);
      window.addEventListener('mouseup', up);
    });
    view.addEventListener('dblclick', (e) => {
      clearTimeout(sortClick);
      if (e.target.closest('.grip')) return;
      if (e.target.closest('.cell')) startEdit();
      const head = e.target.closest('.head');
      if (head && app.shape.dimensions === 2) {
        app.active.cur.col = Number(head.dataset.c);
        draw();
        $('labelSet').click();
      }
    });
    view.addEventListener('keydown', (e) => {
      if (e.target !== view || levelMap.key(e)) return;
      const { row, col } = app.active.cur;
      const moves = { ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1], PageUp: [-20, 0], PageDown: [20, 0] };
      const { cols, units } = layout();
      if (moves[e.key]) {
        e.preventDefault();
        endRun();
        moveTo(row + moves[e.key][0], col + moves[e.key][1]);
      } else if (e.key === 'Home' || e.key === 'End') {
        // The row's first or last cell; with Ctrl (or in a list) the first or last row.
        e.preventDefault();
        const end = e.key === 'End';
        const rows = e.ctrlKey || e.metaKey || cols === 1;
        const last = app.shape.dimensions === 3 ? units - 1 : Math.max(0, units - 2);  // not the row past the end
        moveTo(rows ? (end ? last : 0) : row, rows && cols === 1 ? col : end ? cols - 1 : 0);
      } else if (e.key === 'Enter' || e.key === 'F2') {
        e.preventDefault();
        startEdit();
      } else if (e.key === 'Delete') {
        e.preventDefault();
        const line = 'Set value 0 at ' + indexOf(row, col);
        report(line, change([line]));
      } else if ([...e.key].length === 1 && !e.ctrlKey && !e.metaKey && !e.altKey) {
        e.preventDefault();
        startEdit(e.key);
      }
    });
  }

  return { wire };
}
