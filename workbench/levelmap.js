// Level maps: a 2D or 3D grid drawn as colours or tiles from a few pixels a
// cell up, on a canvas (thousands of cells a frame); a palette of the values
// and texts to paint with; brush, rectangle and flood fill, each one step of
// the module's element actions; and the cells a comparison found marked, with
// a jump from one to the next. The page's script hands in what it owns.
import { scaledAxis } from './scroll.js';

export function createLevelMap(host) {
  const { $ } = host;
  // Cell sides in pixels, largest first; 0 is the text grid.
  const ZOOMS = [0, 64, 48, 32, 24, 16, 12, 8, 6, 4, 3, 2];
  const MOST_ENTRIES = 32;  // palette entries shown, the user's first
  const EMPTY = { type: 'empty' };
  const GRID_LINES_FROM = 8;  // px: below this, lines between cells would hide them
  // The page's colours (page.css), as the canvas draws them.
  const cssColour = (name) => getComputedStyle(document.documentElement).getPropertyValue(name).trim();

  const stateOf = (tab) => tab.map || (tab.map = { zoom: 0, tool: 'brush', chosen: 'e', entries: new Map(), seen: new Map(),
    tileset: null, marks: null, corner: null });
  const zoom = () => {
    const shape = host.shape();
    return shape && shape.dimensions >= 2 ? stateOf(host.tab()).zoom : 0;
  };

  // ---- Contents: what a cell holds, as the palette keys it, from the
  // bridge's look of it (a number, 0 for empty; a text's bytes; [a data
  // cell's byte count]; null past the end).
  function contentOfLook(l) {
    if (l === null || l === undefined) return null;
    if (typeof l === 'number') return l === 0 ? EMPTY : { type: 'value', value: l };
    if (typeof l === 'string') return { type: 'string', bytes: l };
    return { type: 'data', length: l[0] };
  }
  const keyOfLook = (l) => (l === null || l === undefined ? null : typeof l === 'number' ? (l === 0 ? 'e' : 'v' + l)
    : typeof l === 'string' ? 's' + l : 'd' + l[0]);
  // A value of 0 is what an emptied cell holds, so both are one entry.
  function keyOf(content) {
    if (!content) return null;
    if (content.type === 'value') return content.value === 0 ? 'e' : 'v' + content.value;
    if (content.type === 'string') return 's' + content.bytes;
    if (content.type === 'data') return 'd' + content.length;
    return 'e';
  }
  const label = (content) => content.type === 'value' ? String(content.value) : content.type === 'string'
    ? host.showText(content.bytes) : content.type === 'data' ? '[' + content.length + ' bytes]' : 'empty';

  // Default colours: a hue each, spread by the golden angle so neighbouring values differ.
  const hex = (h, s, l) => {
    const f = (n) => {
      const k = (n + h / 30) % 12;
      const c = l - s * Math.min(l, 1 - l) * Math.max(-1, Math.min(k - 3, 9 - k, 1));
      return Math.round(c * 255).toString(16).padStart(2, '0');
    };
    return '#' + f(0) + f(8) + f(4);
  };
  function hash(text) {
    let h = 2166136261;
    for (let i = 0; i < text.length; ++i) h = Math.imul(h ^ text.charCodeAt(i), 16777619) >>> 0;
    return h;
  }
  function defaultColour(content) {
    if (content.type === 'value') return hex((content.value * 137.508) % 360 + (content.value < 0 ? 360 : 0), 0.6, 0.5);
    if (content.type === 'string') return hex(hash(content.bytes) % 360, 0.45, 0.7);
    if (content.type === 'data') return '#8b5cf6';
    return '#f8fafc';
  }

  // The tab's palette: the user's entries, then what the map was seen to hold.
  function entries(tab) {
    const st = stateOf(tab);
    const list = [{ key: 'e', content: EMPTY, ...(st.entries.get('e') || {}) }];
    for (const [key, e] of st.entries) if (key !== 'e') list.push({ key, ...e });
    for (const [key, content] of st.seen) {
      if (list.length >= MOST_ENTRIES) break;
      if (!st.entries.has(key) && key !== 'e') list.push({ key, content });
    }
    return list;
  }
  function entryOf(tab, key) {
    const st = stateOf(tab);
    const set = st.entries.get(key);
    const content = set ? set.content : key === 'e' ? EMPTY : st.seen.get(key);
    return content ? { key, content, colour: set && set.colour, tile: set ? set.tile : undefined } : null;
  }
  const colourOf = (entry) => entry.colour || defaultColour(entry.content);
  // A value v shows tile v - 1 of an open tileset (0, empty, shows none), unless its entry names another.
  function tileOf(tab, entry) {
    const ts = stateOf(tab).tileset;
    if (!ts) return -1;
    const tile = entry.tile !== undefined ? entry.tile : entry.content.type === 'value' ? entry.content.value - 1 : -1;
    return tile >= 0 && tile < ts.count ? tile : -1;
  }

  // Sets an entry's colour and tile (undefined keeps what it has, null the default).
  function setEntry(tab, content, colour, tile) {
    const st = stateOf(tab);
    const key = keyOf(content);
    const old = st.entries.get(key) || {};
    st.entries.set(key, {
      content,
      colour: colour === undefined ? old.colour : colour || undefined,
      tile: tile === undefined ? old.tile : tile === null ? undefined : tile,
    });
    st.chosen = key;
    renderPalette(true);
    host.redraw();
    return key;
  }

  // ---- Drawing.
  // A CSS colour ('#rrggbb' or 'rgb(r, g, b)') as a pixel of the canvas's image data (bytes r, g, b, a).
  function packed(colour) {
    const [r, g, b] = colour.startsWith('#') ? [1, 3, 5].map((i) => parseInt(colour.slice(i, i + 2), 16))
      : colour.match(/\d+/g).map(Number);
    return (r | (g << 8) | (b << 16) | (255 << 24)) >>> 0;
  }
  let canvas = null;
  let image = null;
  let cursorRow = null;
  let shownSwatches = '';
  let stroke = null;  // {cells: Map 'x,y' -> [x, y], rect: [x0, y0, x1, y1] | null} while the mouse paints

  function draw() {
    const view = $('view');
    const layer = $('layer');
    const tab = host.tab();
    const st = stateOf(tab);
    const z = st.zoom;
    const { cols, units } = host.layout();
    const w = view.clientWidth;
    const h = view.clientHeight;
    layer.style.width = w + 'px';
    layer.style.height = h + 'px';
    if (!canvas) {
      canvas = document.createElement('canvas');
      canvas.className = 'map';
      canvas.setAttribute('aria-hidden', 'true');
      cursorRow = document.createElement('div');
      cursorRow.setAttribute('role', 'row');
    }
    if (canvas.parentNode !== layer) layer.replaceChildren(canvas, cursorRow);
    if (canvas.width !== w || canvas.height !== h) { canvas.width = w; canvas.height = h; }
    const ctx = canvas.getContext('2d');
    ctx.imageSmoothingEnabled = false;
    const [left, top] = shownFrom();
    const c0 = Math.max(0, Math.floor(left / z));
    const c1 = Math.min(cols - 1, Math.floor((left + w) / z));
    const u0 = Math.max(0, Math.floor(top / z));
    const u1 = Math.min(units - 1, Math.floor((top + h) / z));
    // Colours go straight into the canvas's pixels (thousands of cells a
    // frame); tiles are drawn over them after.
    if (!image || image.width !== w || image.height !== h) image = ctx.createImageData(w, h);
    const px = new Uint32Array(image.data.buffer);
    px.fill(packed(getComputedStyle(view).backgroundColor));
    const block = (x, y, colour) => {
      const [x0, x1] = [Math.max(0, x), Math.min(w, x + z)];
      for (let yy = Math.max(0, y); yy < Math.min(h, y + z); ++yy) px.fill(colour, yy * w + x0, yy * w + x1);
    };
    const cells = looksIn(u0, u1, c0, c1);
    const ts = st.tileset;
    const looks = new Map();  // key -> {colour (packed), tile}
    const tiles = [];
    const none = packed(cssColour('--none'));  // a place the array does not reach
    const page = host.page();
    for (let u = u0; u <= u1; ++u) {
      const y = u * z - top;
      for (let c = c0; c <= c1; ++c) {
        const x = c * z - left;
        const l = cells.at(u, c);
        if (l === null || l === undefined) {
          block(x, y, none);
          continue;
        }
        // A look is its own key here (a number, or a text's bytes), but a data cell's.
        let look = looks.get(typeof l === 'object' ? 'd' + l[0] : l);
        if (!look) {
          const key = keyOfLook(l);
          if (!st.seen.has(key) && st.seen.size < MOST_ENTRIES * 4) st.seen.set(key, contentOfLook(l));
          const entry = entryOf(tab, key) || { key, content: contentOfLook(l) };
          look = { colour: packed(colourOf(entry)), tile: z >= 4 ? tileOf(tab, entry) : -1 };
          looks.set(typeof l === 'object' ? 'd' + l[0] : l, look);
        }
        if (look.tile >= 0) tiles.push(look.tile, x, y);
        else block(x, y, look.colour);
      }
    }
    ctx.putImageData(image, 0, 0);
    for (let k = 0; k < tiles.length; k += 3) {
      const t = tiles[k];
      ctx.drawImage(ts.bitmap, (t % ts.perRow) * ts.size, Math.floor(t / ts.perRow) * ts.size, ts.size, ts.size, tiles[k + 1], tiles[k + 2], z, z);
    }
    if (z >= GRID_LINES_FROM) {
      ctx.strokeStyle = 'rgba(0, 0, 0, 0.12)';
      ctx.lineWidth = 1;
      ctx.beginPath();
      for (let c = c0; c <= c1 + 1; ++c) { ctx.moveTo(c * z - left + 0.5, 0); ctx.lineTo(c * z - left + 0.5, (u1 + 1) * z - top); }
      for (let u = u0; u <= u1 + 1; ++u) { ctx.moveTo(0, u * z - top + 0.5); ctx.lineTo((c1 + 1) * z - left, u * z - top + 0.5); }
      ctx.stroke();
    }
    // The cells a comparison found: an outline where it shows, the cell itself when small.
    const marks = st.marks;
    if (marks) {
      ctx.strokeStyle = ctx.fillStyle = cssColour('--mark');
      ctx.lineWidth = 2;
      for (const [p, y, x] of marks.list) {
        if (p !== page || y < u0 || y > u1 || x < c0 || x > c1) continue;
        if (z >= 6) ctx.strokeRect(x * z - left + 1, y * z - top + 1, z - 2, z - 2);
        else ctx.fillRect(x * z - left, y * z - top, z, z);
      }
    }
    if (stroke) {
      // The map under a rectangle being dragged, so each move redraws only the rectangle over it.
      if (stroke.rect) stroke.under = ctx.getImageData(0, 0, w, h);
      drawStroke(ctx, strokeCells());
    }
    if (st.corner) {
      ctx.strokeStyle = cssColour('--accent');
      ctx.setLineDash([3, 2]);
      ctx.strokeRect(st.corner[0] * z - left + 0.5, st.corner[1] * z - top + 0.5, z - 1, z - 1);
      ctx.setLineDash([]);
    }
    drawCursor(cells, z, left, top, units, cols);
    renderPalette(false);
  }

  // Cells of the stroke under way, in the colour of the chosen entry, over what is drawn.
  function drawStroke(ctx, cells) {
    const entry = entryOf(host.tab(), stateOf(host.tab()).chosen) || { content: EMPTY };
    const z = zoom();
    const [left, top] = shownFrom();
    ctx.fillStyle = colourOf(entry);
    for (const [x, y] of cells) ctx.fillRect(x * z - left, y * z - top, z, z);
  }

  // A drag's move drawn at the cost of the cells it adds, not of the whole map:
  // a brush's new cells over the canvas, a rectangle over the map under it.
  function strokeMoved(added) {
    const ctx = canvas.getContext('2d');
    if (!stroke.rect) return drawStroke(ctx, added);
    if (!stroke.under) return host.redraw();
    ctx.putImageData(stroke.under, 0, 0);
    drawStroke(ctx, strokeCells());
  }

  // The current cell stays a focusable grid cell, as ARIA counts it, over the canvas.
  function drawCursor(cells, z, left, top, units, cols) {
    const tab = host.tab();
    const { row, col } = tab.cur;
    const content = contentOfLook(cells.at(row, col));
    const view = $('view');
    view.setAttribute('aria-rowcount', String(units + 1));
    view.setAttribute('aria-colcount', String(cols + 1));
    cursorRow.setAttribute('aria-rowindex', String(row + 2));
    cursorRow.innerHTML = '<div class="mapcur" role="gridcell" id="current-cell" aria-selected="true"></div>';
    const cur = cursorRow.firstChild;
    cur.setAttribute('aria-colindex', String(col + 2));
    cur.dataset.u = row;
    cur.dataset.c = col;
    cur.textContent = content ? label(content) : '';
    cur.style.cssText = 'left:' + (col * z - left) + 'px;top:' + (row * z - top) + 'px;width:' + z + 'px;height:' + z + 'px';
    view.setAttribute('aria-activedescendant', 'current-cell');
  }

  // The looks of the cells in view and a margin around them, kept until the
  // view leaves them or the array changes: at(u, c).
  let held = null;
  function looksIn(u0, u1, c0, c1) {
    const tab = host.tab();
    const page = host.page();
    if (held && held.tab === tab && held.page === page && u0 >= held.u0 && u1 <= held.u1 && c0 >= held.c0 && c1 <= held.c1) return held;
    const { cols, units } = host.layout();
    const margin = Math.ceil(64 / zoom());  // pixels: a small scroll needs no new read
    [u0, u1, c0, c1] = [Math.max(0, u0 - margin), Math.min(units - 1, u1 + margin), Math.max(0, c0 - margin), Math.min(cols - 1, c1 + margin)];
    const start = host.pageStart();
    // Whole rows in one call when most of a row is wanted, else a call a row.
    const whole = (c1 - c0 + 1) * 2 > cols;
    const rows = [];
    if (whole) {
      const all = host.looks(start + u0 * cols, (u1 - u0 + 1) * cols);
      for (let u = u0; u <= u1; ++u) rows.push(all.slice((u - u0) * cols + c0, (u - u0) * cols + c1 + 1));
    } else {
      for (let u = u0; u <= u1; ++u) rows.push(host.looks(start + u * cols + c0, c1 - c0 + 1));
    }
    held = { tab, page, u0, u1, c0, c1, rows, at: (u, c) => (u >= u0 && u <= u1 && c >= c0 && c <= c1 ? rows[u - u0][c - c0] : null) };
    return held;
  }

  // A paint of the map's own ([x, y] cells of the page): after it only the
  // rows it painted are read again into the looks held, not the whole view,
  // when the array kept its size.
  let painting = null;
  function paintCells(cells, content, what) {
    painting = { held, size: host.shape().size, rows: new Set(cells.map((c) => c[1])) };
    try {
      return host.paintContent(cells, content, what);
    } finally {
      painting = null;
    }
  }
  function stillHeld() {
    const p = painting;
    if (!p || !p.held || p.held.tab !== host.tab() || p.held.page !== host.page() || host.shape().size !== p.size) return null;
    const h = p.held;
    const cols = host.layout().cols;
    for (const u of p.rows) if (u >= h.u0 && u <= h.u1) h.rows[u - h.u0] = host.looks(host.pageStart() + u * cols + h.c0, h.c1 - h.c0 + 1);
    painting = null;  // once: a later refresh reads anew
    return h;
  }

  // The sizer as large as the map at this zoom, along each axis at most what
  // a browser lays out: past that the scroll position stands for the whole map, scaled.
  const across = scaledAxis();
  const down = scaledAxis();
  const extents = () => {
    const z = zoom();
    const { cols, units } = host.layout();
    const view = $('view');
    return { wide: cols * z, tall: units * z, w: view.clientWidth, h: view.clientHeight };
  };
  function size() {
    const z = zoom();
    if (!z) return false;
    const { wide, tall } = extents();
    across.forget();
    down.forget();
    $('sizer').style.width = across.extent(wide) + 'px';
    $('sizer').style.height = down.extent(tall) + 'px';
    return true;
  }

  // The map's pixel at the view's top left corner: [left, top].
  function shownFrom() {
    const view = $('view');
    const { wide, tall, w, h } = extents();
    return [across.offset(view.scrollLeft, wide, w), down.offset(view.scrollTop, tall, h)];
  }
  function scrollMap(left, top) {
    const view = $('view');
    const { wide, tall, w, h } = extents();
    across.scrollTo(view, 'scrollLeft', left, wide, w);
    down.scrollTo(view, 'scrollTop', top, tall, h);
  }

  // Scrolls so the cell (row, col) is in view.
  function reveal(row, col) {
    const view = $('view');
    const z = zoom();
    const [top, left] = [row * z, col * z];
    let [x, y] = shownFrom();
    if (top < y) y = top;
    else if (top + z > y + view.clientHeight) y = top + z - view.clientHeight;
    if (left < x) x = left;
    else if (left + z > x + view.clientWidth) x = left + z - view.clientWidth;
    scrollMap(x, y);
  }

  // Sets the current tab's zoom (a ZOOMS size): the one in force.
  function setZoom(n) {
    const shape = host.shape();
    if (!ZOOMS.includes(n)) throw new Error('no zoom ' + n + ': one of ' + ZOOMS.join(', ') + ' (pixels a cell; 0 for text)');
    if (n && shape.dimensions < 2) throw new Error('a list has no map: zoom is for 2D and 3D arrays');
    const st = stateOf(host.tab());
    st.zoom = n;
    $('zoom').value = String(n);
    host.refresh();
    const { row, col } = host.tab().cur;
    host.moveTo(row, col);
    return n;
  }
  const zoomStep = (out) => {
    const at = ZOOMS.indexOf(zoom());
    setZoom(ZOOMS[Math.max(0, Math.min(ZOOMS.length - 1, at + (out ? 1 : -1)))]);
  };

  // ---- The palette bar.
  function renderPalette(force) {
    const tab = host.tab();
    const st = stateOf(tab);
    const list = entries(tab);
    const signature = st.chosen + '|' + (st.tileset ? st.tileset.name + st.tileset.size : '') + '|' +
      list.map((e) => e.key + (e.colour || '') + (e.tile === undefined ? '' : e.tile)).join('|');
    if (!force && signature === shownSwatches) return;
    shownSwatches = signature;
    const box = $('swatches');
    box.textContent = '';
    list.forEach((entry, n) => {
      const b = document.createElement('button');
      b.type = 'button';
      b.className = 'swatch';
      b.setAttribute('role', 'option');
      b.setAttribute('aria-selected', String(entry.key === st.chosen));
      b.dataset.key = entry.key;
      b.title = (n < 9 ? '(' + (n + 1) + ') ' : '') + 'Paint with ' + label(entry.content);
      const chip = document.createElement('i');
      const tile = tileOf(tab, entry);
      if (tile >= 0) {
        const ts = st.tileset;
        chip.style.background = 'url(' + ts.url + ') ' + -(tile % ts.perRow) * 16 + 'px ' + -Math.floor(tile / ts.perRow) * 16 + 'px / ' +
          ts.perRow * 16 + 'px auto';
        chip.style.imageRendering = 'pixelated';
      } else {
        chip.style.background = colourOf(entry);
      }
      const name = document.createElement('span');
      name.textContent = label(entry.content);
      b.append(chip, name);
      b.onclick = () => choose(entry.key);
      box.appendChild(b);
    });
    const chosen = list.find((e) => e.key === st.chosen) || list[0];
    $('entryColour').value = colourOf(chosen);
  }

  function choose(key) {
    const tab = host.tab();
    const st = stateOf(tab);
    st.chosen = key;
    const entry = entryOf(tab, key);
    $('entryValue').value = entry && entry.content.type !== 'empty' ? label(entry.content) : '';
    $('entryTile').value = entry && entry.tile !== undefined ? entry.tile : '';
    renderPalette(true);
  }

  function setTool(tool) {
    const st = stateOf(host.tab());
    st.tool = tool;
    st.corner = null;
    for (const [id, t] of [['toolBrush', 'brush'], ['toolRect', 'rectangle'], ['toolFill', 'fill']]) {
      $(id).setAttribute('aria-pressed', String(t === tool));
    }
    host.redraw();
  }

  // ---- Painting, each one undo step through the page's paint.
  const chosenContent = () => {
    const tab = host.tab();
    const entry = entryOf(tab, stateOf(tab).chosen);
    return entry ? entry.content : EMPTY;
  };

  // The cells of the box from (x0, y0) to (x1, y1), corners in any order.
  function box(x0, y0, x1, y1) {
    const out = [];
    for (let y = Math.min(y0, y1); y <= Math.max(y0, y1); ++y) {
      for (let x = Math.min(x0, x1); x <= Math.max(x0, x1); ++x) out.push([x, y]);
    }
    return out;
  }

  function inGrid(x, y) {
    const { cols, units } = host.layout();
    return Number.isInteger(x) && Number.isInteger(y) && x >= 0 && y >= 0 && x < cols && y < units;
  }

  function rectangle(x0, y0, x1, y1, content) {
    for (const [x, y] of [[x0, y0], [x1, y1]]) if (!inGrid(x, y)) throw new Error('no cell [' + x + ',' + y + '] on this page');
    return paintCells(box(x0, y0, x1, y1), content, 'rectangle');
  }

  // The cells joined to (x, y) through sides, holding what it holds, on the
  // current page (the module finds them); cells the array does not reach join none.
  function region(x, y) {
    const cols = host.layout().cols;
    const start = keyOfLook(host.looks(host.pageStart() + y * cols + x, 1)[0]);
    const offsets = host.region(cols, host.pageRows(), x, y) || [];
    return { start, found: offsets.map((k) => [k % cols, Math.floor(k / cols)]) };
  }

  function fill(x, y, content) {
    if (!inGrid(x, y)) throw new Error('no cell [' + x + ',' + y + '] on this page');
    const { start, found } = region(x, y);
    if (start === null) throw new Error('cell [' + x + ',' + y + '] is past the end of the array: nothing to fill');
    if (start === keyOf(content)) {
      host.status('[' + x + ',' + y + '] and the cells joined to it already hold ' + label(content) + ': nothing to fill');
      return 0;
    }
    paintCells(found, content, 'fill');
    return found.length;
  }

  const act = (what) => {
    try {
      what();
    } catch (error) {
      host.tell(error.message, true);
    }
  };
  // A tool's step over many cells may take a while: the page shows it at work first.
  const MANY_CELLS = 50000;
  async function actOn(cells, text, what) {
    if (cells <= MANY_CELLS) return act(what);
    const done = await host.working(text);
    try {
      act(what);
    } finally {
      done();
    }
  }
  const pageSize = () => host.layout().cols * host.pageRows();
  const boxSize = (x0, y0, x1, y1) => (Math.abs(x1 - x0) + 1) * (Math.abs(y1 - y0) + 1);

  // What Enter or Space does at the cursor with the tool chosen.
  function actAtCursor() {
    const tab = host.tab();
    const st = stateOf(tab);
    const { row, col } = tab.cur;
    if (st.tool === 'fill') return actOn(pageSize(), 'Filling…', () => fill(col, row, chosenContent()));
    if (st.tool === 'rectangle') {
      if (!st.corner) {
        st.corner = [col, row];
        host.status('Rectangle from [' + col + ',' + row + ']: move to the opposite corner and press Enter (Escape cancels)');
        return host.redraw();
      }
      const [x0, y0] = st.corner;
      st.corner = null;
      return actOn(boxSize(x0, y0, col, row), 'Painting a rectangle…', () => rectangle(x0, y0, col, row, chosenContent()));
    }
    act(() => paintCells([[col, row]], chosenContent(), 'brush'));
  }

  // Keys on the map: true when taken.
  function key(e) {
    if (!zoom() || e.ctrlKey || e.metaKey || e.altKey) return false;
    const k = e.key;
    const st = stateOf(host.tab());
    if (k === '+' || k === '=') zoomStep(false);
    else if (k === '-') zoomStep(true);
    else if (k === 'b' || k === 'B') setTool('brush');
    else if (k === 'r' || k === 'R') setTool('rectangle');
    else if (k === 'f' || k === 'F') setTool('fill');
    else if (/^[1-9]$/.test(k)) { const entry = entries(host.tab())[Number(k) - 1]; if (entry) choose(entry.key); }
    else if (k === 'Enter' || k === ' ') actAtCursor();
    else if (k === 'Escape' && st.corner) { st.corner = null; host.redraw(); }
    else if (k === 'F2' || [...k].length === 1) { /* no text editor on the map */ }
    else return false;
    e.preventDefault();
    return true;
  }

  // The cells the mouse painted over so far.
  function strokeCells() {
    if (stroke.rect) return box(...stroke.rect);
    return [...stroke.cells.values()];
  }

  function cellAt(e) {
    const r = canvas.getBoundingClientRect();
    const z = zoom();
    const [left, top] = shownFrom();
    return [Math.floor((e.clientX - r.left + left) / z), Math.floor((e.clientY - r.top + top) / z)];
  }

  // The cells on the line from a to b, so a quick drag leaves no gaps.
  function line([x0, y0], [x1, y1]) {
    const out = [];
    const n = Math.max(Math.abs(x1 - x0), Math.abs(y1 - y0));
    for (let i = 0; i <= n; ++i) out.push([Math.round(x0 + (x1 - x0) * i / (n || 1)), Math.round(y0 + (y1 - y0) * i / (n || 1))]);
    return out;
  }

  function wire() {
    const view = $('view');
    view.addEventListener('mousedown', (e) => {
      if (!zoom() || e.target !== canvas || e.button !== 0) return;
      e.preventDefault();
      view.focus();
      const tab = host.tab();
      const st = stateOf(tab);
      const start = cellAt(e);
      if (!inGrid(...start)) return;
      host.moveTo(start[1], start[0]);
      if (st.tool === 'fill') return actOn(pageSize(), 'Filling…', () => fill(start[0], start[1], chosenContent()));
      stroke = { cells: new Map([[start.join(','), start]]), rect: st.tool === 'rectangle' ? [...start, ...start] : null, last: start };
      host.redraw();
      const move = (m) => {
        if (host.tab() !== tab) return;
        const at = cellAt(m).map((v, i) => Math.max(0, Math.min(i ? host.layout().units - 1 : host.layout().cols - 1, v)));
        const added = [];
        if (stroke.rect) stroke.rect = [start[0], start[1], ...at];
        else {
          for (const c of line(stroke.last, at)) {
            if (!stroke.cells.has(c.join(','))) added.push(c);
            stroke.cells.set(c.join(','), c);
          }
        }
        stroke.last = at;
        strokeMoved(added);
      };
      const up = (m) => {
        window.removeEventListener('mousemove', move);
        window.removeEventListener('mouseup', up);
        move(m);
        const cells = strokeCells();
        const what = stroke.rect ? 'rectangle' : 'brush';
        stroke = null;
        if (host.tab() !== tab) return host.redraw();
        host.moveTo(...[...cells[cells.length - 1]].reverse());
        actOn(cells.length, 'Painting…', () => paintCells(cells, chosenContent(), what));
      };
      window.addEventListener('mousemove', move);
      window.addEventListener('mouseup', up);
    });
    // Ctrl and the wheel zoom the map, about the cell under the pointer.
    // On a scaled map the wheel moves pixels of the map, not a scaled stride of them.
    view.addEventListener('wheel', (e) => {
      if (!zoom()) return;
      const { wide, tall } = extents();
      if (!e.ctrlKey && !across.scaled(wide) && !down.scaled(tall)) return;
      e.preventDefault();
      if (e.ctrlKey) return zoomStep(e.deltaY > 0);
      const unit = e.deltaMode === 1 ? zoom() : e.deltaMode === 2 ? view.clientHeight : 1;
      const [left, top] = shownFrom();
      const sideways = e.shiftKey ? e.deltaY : e.deltaX;
      scrollMap(left + sideways * unit, top + (e.shiftKey ? 0 : e.deltaY) * unit);
      host.redraw();
    }, { passive: false });
    $('zoom').addEventListener('change', () => { act(() => setZoom(Number($('zoom').value))); view.focus(); });
    $('toolBrush').onclick = () => { setTool('brush'); view.focus(); };
    $('toolRect').onclick = () => { setTool('rectangle'); view.focus(); };
    $('toolFill').onclick = () => { setTool('fill'); view.focus(); };
    $('entryForm').onsubmit = (e) => {
      e.preventDefault();
      act(() => {
        const typed = $('entryValue').value;
        const content = typed === '' ? EMPTY : host.typedContent(typed);
        const tile = $('entryTile').value.trim();
        setEntry(host.tab(), content, $('entryColour').value, tile === '' ? null : Math.max(-1, Math.trunc(Number(tile))));
      });
      view.focus();
    };
    $('entryColour').addEventListener('input', () => {
      const tab = host.tab();
      const entry = entryOf(tab, stateOf(tab).chosen);
      if (entry) setEntry(tab, entry.content, $('entryColour').value, undefined);
    });
    $('tileset').addEventListener('change', async (e) => {
      const f = e.target.files[0];
      e.target.value = '';
      if (f) await openTileset(host.tab(), f, f.name);
      view.focus();
    });
    $('tileSize').addEventListener('change', () => {
      const ts = stateOf(host.tab()).tileset;
      if (ts) act(() => cut(host.tab(), ts.bitmap, ts.name, ts.url));
    });
    $('markPrev').onclick = () => jump(-1);
    $('markNext').onclick = () => jump(1);
    $('marksClear').onclick = () => { stateOf(host.tab()).marks = null; showMarksBar(); host.redraw(); };
    $('changes').onclick = () => act(() => markChanges(host.tab(), $('changes').getAttribute('aria-pressed') !== 'true'));
    document.addEventListener('keydown', (e) => {
      if (e.key !== 'F8') return;
      e.preventDefault();
      jump(e.shiftKey ? -1 : 1);
    });
  }

  // ---- Tilesets: a picture cut into square tiles, read left to right, top to bottom.
  function cut(tab, bitmap, name, url) {
    const size = Math.trunc(Number($('tileSize').value));
    if (!(size >= 1) || size > Math.min(bitmap.width, bitmap.height)) {
      throw new Error('a tile size of ' + $('tileSize').value + ' does not fit ' + name + ' (' + bitmap.width + ' × ' + bitmap.height + ' pixels)');
    }
    const perRow = Math.floor(bitmap.width / size);
    const count = perRow * Math.floor(bitmap.height / size);
    stateOf(tab).tileset = { bitmap, name, size, perRow, count, url };
    host.tell(name + ': ' + count + ' tiles of ' + size + ' × ' + size + ' pixels; a value v shows tile v − 1 (from 0, left to right) unless its palette entry names another');
    renderPalette(true);
    host.redraw();
  }

  async function openTileset(tab, blob, name) {
    let bitmap;
    try {
      bitmap = await createImageBitmap(blob);
    } catch {
      return host.tell(name + ' is not a picture the browser reads: no tileset was opened', true);
    }
    const st = stateOf(tab);
    if (st.tileset) URL.revokeObjectURL(st.tileset.url);
    act(() => cut(tab, bitmap, name, URL.createObjectURL(blob)));
    if (!st.zoom) act(() => setZoom(16));
  }

  // ---- Marks: the cells a comparison found, kept up to date while the tab changes.
  // `other` null: the tab as opened.
  function computeMarks(tab, other) {
    const found = host.diffCells(tab, other);
    const list = found.cells.map((c) => [c.page, c.y, c.x]);
    return { other, list, set: new Set(list.map((p) => p.join(','))), step: host.stepOf(tab), shapeDiffers: found.shapeDiffers };
  }

  function markCompare(tab, other) {
    stateOf(tab).marks = computeMarks(tab, other);
    showMarksBar();
    host.redraw();
  }

  // Marks the cells changed since the tab's file was opened, or stops.
  function markChanges(tab, on) {
    const st = stateOf(tab);
    if (!on) st.marks = null;
    else markCompare(tab, null);
    showMarksBar();
    host.redraw();
  }

  // After any change of the tab: its marks found again.
  function refreshed() {
    const tab = host.tab();
    const st = stateOf(tab);
    const shape = host.shape();
    $('zoomBox').hidden = shape.dimensions < 2;
    if (shape.dimensions < 2) st.zoom = 0;
    $('zoom').value = String(st.zoom);
    $('mapbar').hidden = !st.zoom;
    for (const [id, t] of [['toolBrush', 'brush'], ['toolRect', 'rectangle'], ['toolFill', 'fill']]) {
      $(id).setAttribute('aria-pressed', String(t === st.tool));
    }
    held = stillHeld();  // the array may have changed
    $('view').classList.toggle('mapped', !!st.zoom);
    document.body.classList.toggle('mapping', !!st.zoom);
    if (st.marks && (st.marks.other && !host.isOpen(st.marks.other))) st.marks = null;
    if (st.marks && st.marks.step !== host.stepOf(tab)) {
      try {
        st.marks = computeMarks(tab, st.marks.other);
      } catch (error) {
        st.marks = null;
        host.tell(error.message, true);
      }
    }
    showMarksBar();
    renderPageTabs();
    renderPalette(true);
  }

  function showMarksBar() {
    const tab = host.tab();
    const marks = stateOf(tab).marks;
    $('marks').hidden = !marks;
    $('changes').setAttribute('aria-pressed', String(!!marks && !marks.other));
    if (!marks) return;
    const n = marks.list.length;
    const what = marks.other ? 'differ from ' + marks.other.title : 'changed since ' + tab.title + ' was opened';
    $('marksText').textContent = (n === 1 ? '1 cell ' + (marks.other ? 'differs from ' + marks.other.title : what) : n + ' cells ' + what) +
      (marks.shapeDiffers ? ' (the shape differs too)' : '');
    $('markPrev').disabled = $('markNext').disabled = n === 0;
  }

  // The next (or previous) marked cell after the cursor, on any page, round to the first.
  function jump(dir) {
    const tab = host.tab();
    const marks = stateOf(tab).marks;
    if (!marks || !marks.list.length) return host.status('no marked cells: Compare… or Changes marks them', true);
    const here = [host.page(), tab.cur.row, tab.cur.col];
    const order = (a, b) => a[0] - b[0] || a[1] - b[1] || a[2] - b[2];
    const list = marks.list;
    let k = dir > 0 ? list.findIndex((m) => order(m, here) > 0) : list.findLastIndex((m) => order(m, here) < 0);
    if (k < 0) k = dir > 0 ? 0 : list.length - 1;
    const [p, y, x] = list[k];
    if (p !== host.page()) host.setPage(p);
    host.moveTo(y, x);
    host.status('Marked cell ' + (k + 1) + ' of ' + list.length + ': [' + x + ',' + y + ']' + (host.shape().dimensions === 3 ? ' on page ' + p : '') +
      ' (F8 the next, Shift+F8 the one before)');
    return { x, y, page: p };
  }

  // Whether the text grid's cell (u, c) on the current page is marked.
  function marked(u, c) {
    const marks = stateOf(host.tab()).marks;
    if (!marks) return false;
    const one = host.shape().dimensions === 1;
    return marks.set.has(one ? '0,0,' + u : host.page() + ',' + u + ',' + c);
  }

  // ---- Page tabs for a 3D array, each page with marks flagged.
  const MOST_PAGE_TABS = 64;
  function renderPageTabs() {
    const nav = $('pageTabs');
    const shape = host.shape();
    const pages = host.pages();
    nav.hidden = shape.dimensions !== 3 || pages > MOST_PAGE_TABS;
    if (nav.hidden) return nav.replaceChildren();
    const marks = stateOf(host.tab()).marks;
    const markedPages = new Set(marks ? marks.list.map((m) => m[0]) : []);
    nav.textContent = '';
    for (let p = 0; p < pages; ++p) {
      const b = document.createElement('button');
      b.type = 'button';
      b.setAttribute('role', 'tab');
      b.setAttribute('aria-selected', String(p === host.page()));
      b.className = 'pagetab' + (markedPages.has(p) ? ' marked' : '');
      b.textContent = String(p);
      b.title = 'Page ' + p + (markedPages.has(p) ? ': has marked cells' : '');
      b.onclick = () => { host.setPage(p); $('view').focus(); };
      nav.appendChild(b);
    }
  }

  // A closing tab's tileset leaves the page's memory.
  function forget(tab) {
    const ts = tab.map && tab.map.tileset;
    if (!ts) return;
    URL.revokeObjectURL(ts.url);
    ts.bitmap.close();
    tab.map.tileset = null;
  }

  return {
    zoomed: () => zoom() > 0,
    forget,
    draw, size, reveal, key, wire, refreshed, marked,
    setZoom, zoom, rectangle, fill, region, markCompare, markChanges, jump, openTileset,
    palette: () => entries(host.tab()).map((e) => ({ content: e.content.type === 'value' ? e.content.value : e.content.type === 'string'
      ? host.showText(e.content.bytes) : e.content.type, colour: colourOf(e), tile: tileOf(host.tab(), e), chosen: e.key === stateOf(host.tab()).chosen })),
    marks: () => { const m = stateOf(host.tab()).marks; return m ? m.list.map(([page, y, x]) => ({ x, y, page })) : null; },
    setEntry: (content, colour, tile) => setEntry(host.tab(), content, colour, tile),
    setTool,
  };
}
