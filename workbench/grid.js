// The text grid: only the cells in view are asked of the module and drawn.
import { $, count, esc } from './dom.js';
import { showText, showTexts } from './encoding.js';
import { COL_W, HEAD_H, NUM_W, ROW_H } from './sizes.js';
import { late } from './parts.js';
import { scaledAxis } from './scroll.js';

export function createGrid(app, parts) {
  const { tell } = late(parts, 'log');
  const { sortMark } = late(parts, 'sort');
  const levelMap = late(parts, 'levelMap');

  // Units are what a line of the grid shows: a row of a 2D
  // array, an element of a list, a row of the current page of a 3D array.

  let cache = new Map();  // unit -> cells, for the window `cached`
  let cached = null;
  const forgetWindow = () => { cached = null; };

  function describe(s) {
    if (s.dimensions === 1) return '1D list · ' + count(s.size, 'element', 'elements');
    const rows = Math.ceil(s.size / Math.max(1, s.columns));
    if (s.dimensions === 2) {
      return '2D · ' + count(s.columns, 'column', 'columns') + ' × ' + count(rows, 'row', 'rows') + ' · ' + s.selectedRows + ' selected';
    }
    const pages = Math.ceil(s.size / Math.max(1, s.columns * s.rowsPerPage));
    return '3D · ' + s.columns + ' × ' + s.rowsPerPage + ' × ' + count(pages, 'page', 'pages') + ' · ' + count(s.size, 'element', 'elements');
  }

  // Column widths: COL_W unless the column's header edge was dragged
  // (kept per tab, by column number). A grid may be 2^31 columns wide, so
  // positions are worked out from the few widths set, never column by column.
  const widthsOf = (tab) => tab.widths || (tab.widths = new Map());
  const colWidth = (c) => widthsOf(app.active).get(c) || COL_W;
  // The x of column c's left edge in the grid's content.
  function colLeft(c) {
    let x = c * COL_W;
    for (const [k, w] of widthsOf(app.active)) if (k < c) x += w - COL_W;
    return x;
  }
  // The column whose span holds content x.
  function colAt(x) {
    let [c, at] = [0, 0];
    for (const k of [...widthsOf(app.active).keys()].sort((p, q) => p - q)) {
      if (x < at + (k - c) * COL_W) break;
      at += (k - c) * COL_W;
      c = k;
      if (x < at + colWidth(k)) return k;
      at += colWidth(k);
      c = k + 1;
    }
    return c + Math.floor((x - at) / COL_W);
  }

  function layout() {
    const s = app.shape;
    const cols = s.dimensions === 1 ? 1 : Math.max(1, s.columns);
    let units;
    if (s.dimensions === 3) units = s.rowsPerPage;
    else units = Math.ceil(s.size / cols) + 1;  // and a row past the end, where setting a cell extends the array
    return { cols, units };
  }

  function pages() {
    return Math.max(1, Math.ceil(app.shape.size / Math.max(1, app.shape.columns * app.shape.rowsPerPage)));
  }

  function indexOf(unit, col) {
    const s = app.shape;
    if (s.dimensions === 1) return unit;
    if (s.dimensions === 2) return unit * s.columns + col;
    return (app.active.page * s.rowsPerPage + unit) * s.columns + col;
  }

  // The cells of units u0..u1, columns c0..c1, from the module: only the
  // window in view and a margin around it are ever asked for.
  const TYPES = ['empty', 'value', 'string', 'data'];
  function fetchWindow(u0, u1, c0, c1) {
    cache = new Map();
    cached = { u0, u1, c0, c1 };
    const one = app.shape.dimensions === 1;
    if (one) c0 = c1 = 0;
    const rows = one ? [[u0, u1 - u0 + 1]] : [];
    if (!one) for (let u = u0; u <= u1; ++u) rows.push([u, c1 - c0 + 1]);
    for (const [u, count] of rows) {
      const answer = app.call('Cells', indexOf(u, c0), count);
      if (!answer.ok) return;
      answer.cells.forEach((c, k) => {
        const unit = one ? u + k : u;
        if (!cache.has(unit)) cache.set(unit, []);
        cache.get(unit)[one ? 0 : c0 + k] = c && {
          type: TYPES[c[0]], length: c[1], text: c[2], value: c[2],
          key: c[3] >= 0 ? { type: TYPES[c[3]], text: c[4] } : null, selected: c[5] === 1,
        };
      });
    }
  }

  function refresh(moved) {
    app.shape = app.call('Shape');
    cache = new Map();
    cached = null;

    $('shape').textContent = describe(app.shape);
    const three = app.shape.dimensions === 3;
    $('pager').hidden = !three;
    if (three) {
      app.active.page = Math.min(app.active.page, pages() - 1);
      $('pageNumber').value = app.active.page;
      $('pageNumber').max = pages() - 1;
      $('pageCount').textContent = '(0 to ' + (pages() - 1) + ')';
    }
    for (const id of ['colInsert', 'colDelete', 'labelSet', 'rowInsert', 'rowDelete']) $(id).disabled = app.shape.dimensions !== 2;
    $('filter').hidden = app.shape.dimensions !== 2;
    $('filterFound').textContent = '';  // said of the selection the last filter made
    const { cols, units } = layout();
    $('sizer').style.width = NUM_W + colLeft(cols) + 'px';
    $('sizer').style.height = HEAD_H + rowAxis.extent(units * ROW_H) + 'px';
    levelMap.refreshed();
    levelMap.size();
    rowAxis.forget();
    $('check').disabled = !app.active.file;  // an array made here has no file until it is saved and opened
    $('undo').disabled = !app.active.steps.length;
    $('redo').disabled = !app.active.undone.length;
    if (moved) { $('view').scrollTop = 0; $('view').scrollLeft = 0; }
    clampCursor();
    draw();
  }

  // Scrolling: where the rows in view start (in pixels of the whole grid),
  // from the scroll position, scaled when the grid is taller than a browser lays out (scroll.js).
  const rowAxis = scaledAxis();
  const rowRoom = () => ({ room: Math.max(0, $('view').clientHeight - HEAD_H), whole: layout().units * ROW_H });
  const rowsScaled = () => rowAxis.scaled(rowRoom().whole);
  function contentTop() {
    const { room, whole } = rowRoom();
    return rowAxis.offset($('view').scrollTop, whole, room);
  }
  function setContentTop(top) {
    const { room, whole } = rowRoom();
    rowAxis.scrollTo($('view'), 'scrollTop', top, whole, room);
  }

  function cellHtml(c) {
    if (!c) return ['t-none', ''];
    let body;
    let shown = null;  // a text's whole, shown on hover: the cell may be too narrow for it
    switch (c.type) {
      case 'value': body = String(c.value); break;
      case 'string': shown = showText(c.text, app.active); body = esc(shown).replace(/\n/g, '<b class="br">↵</b>'); break;
      case 'data': body = '[' + c.length + ' bytes]'; break;
      default: body = '';
    }
    // Every cell has a key cell; an empty one is no key to any expression.
    const keyText = c.key ? esc(c.key.type === 'string' ? showText(c.key.text, app.active) : c.key.text) : '';
    const key = c.key && c.key.type !== 'empty' ? '<i class="k" title="key (' + c.key.type + '): ' + keyText + '">' + keyText + '</i>' : '';
    const flag = numberish(c) ? ' numberish' : '';
    return ['t-' + c.type + flag, key + '<span' + (shown ? ' title="' + esc(shown) + '"' : '') + '>' + body + '</span>'];
  }

  // Texts a game takes for other numbers: "2.5" reads as the value 2 and
  // "007" as 7 (a string's value is the whole number it starts with). Marked
  // in the grid, and told once a tab, the first time one is in view.
  const NUMBERISH = /^\s*[+-]?(\d+\.\d*|\.\d+|0\d+)\s*$/;
  const numberish = (c) => !!c && c.type === 'string' && NUMBERISH.test(c.text);
  function flagNumberish(tab, cell, index) {
    if (tab.numberishTold) return;
    tab.numberishTold = true;
    const text = cell.text.trim();
    const read = Math.trunc(parseFloat(text)) || 0;  // what the module's value of the text is
    tell(tab, 'Element ' + index + ' holds the text "' + text + '", which looks like a number: a game reading it as a value gets ' + read +
      (text.includes('.') ? ', the whole number before the point' : ', without the leading zeros') +
      '. Texts like it have a mark in their corner; type a whole number to store a value.', true);
  }

  function draw() {
    if (levelMap.zoomed()) return levelMap.draw();
    const view = $('view');
    const layer = $('layer');
    const { cols, units } = layout();
    const w = view.clientWidth;
    const h = view.clientHeight;
    layer.style.width = w + 'px';
    layer.style.height = h + 'px';
    const top = contentTop();
    const first = Math.max(0, Math.floor(top / ROW_H));
    const last = Math.min(units - 1, first + Math.ceil((h - HEAD_H) / ROW_H));
    const c0 = Math.min(cols - 1, Math.max(0, colAt(view.scrollLeft)));
    const c1 = Math.min(cols - 1, Math.max(c0, colAt(view.scrollLeft + w - NUM_W)));
    const inside = cached && first >= cached.u0 && last <= cached.u1 && c0 >= cached.c0 && c1 <= cached.c1;
    if (!inside) fetchWindow(Math.max(0, first - 30), Math.min(units - 1, last + 30), Math.max(0, c0 - 4), Math.min(cols - 1, c1 + 4));
    const dy = HEAD_H - (top - first * ROW_H);
    const dx = NUM_W - (view.scrollLeft - colLeft(c0));
    const x0 = colLeft(c0);
    const place = (c) => 'left:' + (dx + colLeft(c) - x0) + 'px' + (colWidth(c) !== COL_W ? ';width:' + colWidth(c) + 'px' : '');
    // A grid as ARIA counts it, from 1: the header row is row 1 and the row
    // numbers column 1, so the grid's cell (u, c) is row u + 2, column c + 2.
    const out = [];
    const two = app.shape.dimensions === 2;
    // The texts in view, shown through the module in one call.
    const texts = two ? app.shape.labels.slice(c0, c1 + 1).filter((l) => l) : [];
    for (let u = first; u <= last; ++u) {
      for (const c of (cache.get(u) || []).slice(c0, c1 + 1)) {
        if (c && c.type === 'string') texts.push(c.text);
        if (c && c.key && c.key.type === 'string') texts.push(c.key.text);
      }
    }
    showTexts(texts, app.active);
    let firstNumberish = null;
    const row = (index, inner) => '<div role="row" class="row" aria-rowindex="' + index + '">' + inner.join('') + '</div>';
    const heads = ['<div class="corner" role="columnheader" aria-colindex="1">' +
      (app.shape.dimensions === 1 ? 'index' : app.shape.dimensions === 3 ? 'y \\ x' : 'row') + '</div>'];
    for (let c = c0; c <= c1; ++c) {
      const label = two && app.shape.labels[c] ? '<span class="label">' + esc(showText(app.shape.labels[c], app.active)) + '</span>' : '';
      const name = app.shape.dimensions === 1 ? 'element' : String(c);
      heads.push('<div class="head" role="columnheader" aria-colindex="' + (c + 2) + '" data-c="' + c + '" style="' +
        place(c) + '"><small>' + name + '</small>' + label + sortMark(c) + '<i class="grip" title="Drag to make the column wider or narrower"></i></div>');
    }
    out.push(row(1, heads));
    for (let u = first; u <= last; ++u) {
      const cells = cache.get(u) || [];
      const top = dy + (u - first) * ROW_H;
      const any = cells.find((x) => x);
      const mark = two && any ? (any.selected ? '<b class="sel" title="selected">●</b>' : '<b class="unsel" title="not selected">○</b>') : '';
      const inner = ['<div class="num" role="rowheader" aria-colindex="1" style="top:' + top + 'px">' + mark + u + '</div>'];
      for (let c = c0; c <= c1; ++c) {
        const [cls, body] = cellHtml(cells[c]);
        const cur = app.active.cur.row === u && app.active.cur.col === c;
        if (!firstNumberish && numberish(cells[c])) firstNumberish = [cells[c], indexOf(u, c)];
        inner.push('<div class="cell ' + cls + (two && cells[c] && cells[c].selected ? ' in-sel' : '') + (levelMap.marked(u, c) ? ' marked' : '') + (cur ? ' cur" id="current-cell" aria-selected="true' : '') + '" role="gridcell" aria-colindex="' +
          (c + 2) + '" data-u="' + u + '" data-c="' + c + '" style="top:' + top + 'px;' + place(c) + '">' + body + '</div>');
      }
      out.push(row(u + 2, inner));
    }
    view.setAttribute('aria-rowcount', String(units + 1));
    view.setAttribute('aria-colcount', String(cols + 1));
    layer.innerHTML = out.join('');
    if (firstNumberish) flagNumberish(app.active, ...firstNumberish);
    // The grid keeps the focus; the current cell is its active descendant, when drawn.
    if ($('current-cell')) view.setAttribute('aria-activedescendant', 'current-cell');
    else view.removeAttribute('aria-activedescendant');
  }

  // The cursor and in-place editing.
  function clampCursor() {
    const { cols, units } = layout();
    app.active.cur.row = Math.max(0, Math.min(units - 1, app.active.cur.row));
    app.active.cur.col = Math.max(0, Math.min(cols - 1, app.active.cur.col));
  }

  function moveTo(row, col) {
    app.active.cur = { row, col };
    clampCursor();
    if (levelMap.zoomed()) {
      levelMap.reveal(app.active.cur.row, app.active.cur.col);
      return draw();
    }
    const view = $('view');
    const top = app.active.cur.row * ROW_H;
    const left = colLeft(app.active.cur.col);
    const width = colWidth(app.active.cur.col);
    const shown = contentTop();
    if (top < shown) setContentTop(top);
    else if (top + ROW_H > shown + view.clientHeight - HEAD_H) setContentTop(top + ROW_H - view.clientHeight + HEAD_H);
    if (left < view.scrollLeft) view.scrollLeft = left;
    if (left + width > view.scrollLeft + view.clientWidth - NUM_W) view.scrollLeft = left + width - view.clientWidth + NUM_W;
    draw();
  }

  function currentCell() {
    return (cache.get(app.active.cur.row) || [])[app.active.cur.col];
  }

  return { colLeft, colWidth, contentTop, currentCell, draw, forgetWindow, indexOf, layout, moveTo, pages, refresh, rowsScaled, setContentTop, widthsOf };
}
