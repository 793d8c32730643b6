// The workbench: tabs of array files held by the module itself (compiled to
// WebAssembly), a grid that draws only what is in view, edits made as console
// lines, undo by replaying a tab's lines on its file, and the script interface.
'use strict';
(() => {
  const $ = (id) => document.getElementById(id);
  const ROW_H = 26;
  const COL_W = 132;
  const NUM_W = 72;
  const HEAD_H = 28;
  const INT_MIN = -2147483648;
  const INT_MAX = 2147483647;

  let wasm = null;  // the module's instance
  let bench = 0;    // the Workbench it owns
  let names = { actions: [], expressions: [] };
  const tabs = [];
  let active = null;
  let serial = 0;
  let scripts = 0;

  // ---- The bridge: strings in, one JSON answer out.
  function call(fn, ...args) {
    const ptrs = args.map((a) => {
      if (typeof a === 'number') return a;
      const n = wasm.lengthBytesUTF8(a) + 1;
      const p = wasm._malloc(n);
      wasm.stringToUTF8(a, p, n);
      return p;
    });
    try {
      return JSON.parse(wasm.UTF8ToString(wasm['_tesselWorkbench' + fn](bench, ...ptrs)));
    } finally {
      ptrs.forEach((p, i) => typeof args[i] !== 'number' && wasm._free(p));
    }
  }
  const runRaw = (line) => call('Run', line);
  const quote = (text) => '"' + String(text).replace(/\\/g, '\\\\').replace(/"/g, '\\"')
    .replace(/\n/g, '\\n').replace(/\r/g, '\\r').replace(/\t/g, '\\t') + '"';
  const isInteger = (text) => /^\s*[+-]?\d+\s*$/.test(text) && Number(text) >= INT_MIN && Number(text) <= INT_MAX;

  // ---- Tabs: one instance of the session each, with the file it came from
  // and the steps (each a list of lines) made since, for undo.
  function makeTab(title, file) {
    const tab = { id: 't' + ++serial, title, file, steps: [], undone: [], format: null, page: 0, cur: { row: 0, col: 0 } };
    tabs.push(tab);
    return tab;
  }

  // Makes the tab's instance from its file (or empty) and replays its steps.
  function rebuild(tab) {
    let answer;
    if (tab.file) {
      answer = call('Open', tab.id, tab.file);
    } else {
      runRaw('drop ' + tab.id);
      answer = runRaw('new ' + tab.id);
    }
    if (!answer.ok) return answer;
    for (const step of tab.steps) for (const line of step) runRaw(line);
    return answer;
  }

  function activate(tab) {
    active = tab;
    $('format').value = tab.format || 'native';  // saved as it came, unless another format is chosen
    runRaw('with ' + tab.id);
    renderTabs();
    refresh(true);
  }

  function closeTab(tab) {
    runRaw('drop ' + tab.id);
    tabs.splice(tabs.indexOf(tab), 1);
    if (tabs.length === 0) makeUntitled();
    if (active === tab) activate(tabs[tabs.length - 1]);
    else renderTabs();
  }

  function makeUntitled() {
    const tab = makeTab('untitled', null);
    rebuild(tab);
    return tab;
  }

  function renderTabs() {
    const nav = $('tabs');
    nav.textContent = '';
    for (const tab of tabs) {
      const b = document.createElement('button');
      b.className = 'tab' + (tab === active ? ' on' : '');
      b.setAttribute('role', 'tab');
      b.innerHTML = '<span></span><i title="Close">×</i>';
      b.firstChild.textContent = tab.title + (tab.format ? ' · ' + tab.format : '') + (tab.steps.length ? ' •' : '');
      b.onclick = (e) => (e.target.tagName === 'I' ? closeTab(tab) : activate(tab));
      nav.appendChild(b);
    }
  }

  // Opens bytes as a new tab; the description of what was opened.
  function openBytes(name, bytes) {
    const folder = '/files/' + (serial + 1);
    wasm.FS.mkdirTree(folder);
    const path = folder + '/' + name.replace(/[\/\\]/g, '_');
    wasm.FS.writeFile(path, bytes);
    const tab = makeTab(name, path);
    const answer = rebuild(tab);
    if (!answer.ok) {
      tabs.pop();
      runRaw('drop ' + tab.id);
      if (active) runRaw('with ' + active.id);
      status(name + ': ' + answer.error, true);
      return { name, error: answer.error };
    }
    tab.format = answer.format;
    if (tabs.length === 2 && !tabs[0].file && tabs[0].steps.length === 0) closeTab(tabs[0]);
    activate(tab);
    const shape = call('Shape');
    status(name + ' opened as a ' + answer.format + ' file' +
      (answer.warnings.length ? ': ' + answer.warnings.join('; ') : ''), answer.warnings.length > 0);
    return { name, format: answer.format, dimensions: shape.dimensions, size: shape.size,
      columns: shape.columns, rowsPerPage: shape.rowsPerPage, warnings: answer.warnings };
  }

  async function openFiles(files) {
    for (const f of files) openBytes(f.name, new Uint8Array(await f.arrayBuffer()));
  }

  // ---- Changes: lines run on the active tab's instance, kept as one undo step.
  const readOnly = /^\s*(show|help|echo)\b|^\s*[A-Za-z_$]+\(/i;
  function change(lines) {
    const done = [];
    let text = '';
    let failed = false;
    for (const line of lines) {
      const answer = runRaw(line);
      text += answer.output + answer.errors;
      if (!answer.ok) { failed = true; break; }
      done.push(line);
    }
    if (done.length) {
      active.steps.push(done);
      active.undone = [];
      renderTabs();
    }
    refresh(false);
    return { text, failed };
  }

  function undo() {
    if (!active.steps.length) return status('nothing to undo');
    active.undone.push(active.steps.pop());
    rebuild(active);
    runRaw('with ' + active.id);
    renderTabs();
    refresh(false);
    status('undone');
  }

  function redo() {
    if (!active.undone.length) return status('nothing to redo');
    const step = active.undone.pop();
    for (const line of step) runRaw(line);
    active.steps.push(step);
    renderTabs();
    refresh(false);
    status('redone');
  }

  // One console line, as typed in the command bar or given to run(line).
  function runLine(line) {
    if (/^\s*(new|with|drop|quit|exit)\b/i.test(line) && !/^\s*[a-z]+\(/i.test(line)) {
      return { text: 'the workbench keeps one instance a tab: open a file for another\n', failed: true };
    }
    if (readOnly.test(line)) {
      const answer = runRaw(line);
      return { text: answer.output + answer.errors, failed: !answer.ok };
    }
    return change([line]);
  }

  // ---- Saving: the module writes the file; the page hands it over.
  function saveAs(format) {
    const path = '/out/' + active.id + '.' + format;
    wasm.FS.mkdirTree('/out');
    const answer = call('Save', format, path);
    if (!answer.ok) return { error: answer.error };
    const bytes = wasm.FS.readFile(path);
    wasm.FS.unlink(path);
    return { bytes, losses: answer.losses };
  }

  const extensions = { native: '.arr', host: '.kzp', csv: '.csv', ini: '.ini' };
  function download() {
    const format = $('format').value;
    const saved = saveAs(format);
    if (saved.error) return status('the save failed: ' + saved.error, true);
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([saved.bytes], { type: 'application/octet-stream' }));
    a.download = active.title.replace(/\.[^.]*$/, '') + extensions[format];
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
    status(a.download + ' saved (' + format + ', ' + saved.bytes.length + ' bytes)' +
      (saved.losses ? ': ' + saved.losses : ''), !!saved.losses);
  }

  // ---- The grid. Units are what a line of the grid shows: a row of a 2D
  // array, an element of a list, a row of the current page of a 3D array.
  let shape = null;
  let cache = new Map();  // unit -> cells, for the window `cached`
  let cached = null;
  let labels = [];

  const count = (n, one, many) => n + ' ' + (n === 1 ? one : many);
  function describe(s) {
    if (s.dimensions === 1) return '1D list · ' + count(s.size, 'element', 'elements');
    const rows = Math.ceil(s.size / Math.max(1, s.columns));
    if (s.dimensions === 2) {
      return '2D · ' + count(s.columns, 'column', 'columns') + ' × ' + count(rows, 'row', 'rows') + ' · ' + s.selectedRows + ' selected';
    }
    const pages = Math.ceil(s.size / Math.max(1, s.columns * s.rowsPerPage));
    return '3D · ' + s.columns + ' × ' + s.rowsPerPage + ' × ' + count(pages, 'page', 'pages') + ' · ' + count(s.size, 'element', 'elements');
  }

  function layout() {
    const s = shape;
    const cols = s.dimensions === 1 ? 1 : Math.max(1, s.columns);
    let units;
    if (s.dimensions === 3) units = s.rowsPerPage;
    else units = Math.ceil(s.size / cols) + 1;  // and a row past the end, where setting a cell extends the array
    return { cols, units };
  }

  function pages() {
    return Math.max(1, Math.ceil(shape.size / Math.max(1, shape.columns * shape.rowsPerPage)));
  }

  function indexOf(unit, col) {
    const s = shape;
    if (s.dimensions === 1) return unit;
    if (s.dimensions === 2) return unit * s.columns + col;
    return (active.page * s.rowsPerPage + unit) * s.columns + col;
  }

  // The cells of units u0..u1, columns c0..c1, from the module: only the
  // window in view and a margin around it are ever asked for.
  const TYPES = ['empty', 'value', 'string', 'data'];
  function fetchWindow(u0, u1, c0, c1) {
    cache = new Map();
    cached = { u0, u1, c0, c1 };
    const one = shape.dimensions === 1;
    if (one) c0 = c1 = 0;
    const rows = one ? [[u0, u1 - u0 + 1]] : [];
    if (!one) for (let u = u0; u <= u1; ++u) rows.push([u, c1 - c0 + 1]);
    for (const [u, count] of rows) {
      const answer = call('Cells', indexOf(u, c0), count);
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
    shape = call('Shape');
    cache = new Map();
    cached = null;
    labels = shape.labels;
    $('shape').textContent = describe(shape);
    const three = shape.dimensions === 3;
    $('pager').hidden = !three;
    if (three) {
      active.page = Math.min(active.page, pages() - 1);
      $('pageNumber').value = active.page;
      $('pageNumber').max = pages() - 1;
      $('pageCount').textContent = '(0 to ' + (pages() - 1) + ')';
    }
    for (const id of ['colInsert', 'colDelete', 'labelSet', 'rowInsert', 'rowDelete']) $(id).disabled = shape.dimensions !== 2;
    const { cols, units } = layout();
    $('sizer').style.width = NUM_W + cols * COL_W + 'px';
    $('sizer').style.height = HEAD_H + units * ROW_H + 'px';
    $('undo').disabled = !active.steps.length;
    $('redo').disabled = !active.undone.length;
    if (moved) { $('view').scrollTop = 0; $('view').scrollLeft = 0; }
    clampCursor();
    draw();
  }

  const esc = (t) => String(t).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' }[c]));

  function cellHtml(c) {
    if (!c) return ['t-none', ''];
    let body;
    switch (c.type) {
      case 'value': body = String(c.value); break;
      case 'string': body = esc(c.text); break;
      case 'data': body = '[' + c.length + ' bytes]'; break;
      default: body = '';
    }
    // Every cell has a key cell; an empty one is no key to any expression.
    const key = c.key && c.key.type !== 'empty' ? '<i class="k" title="key (' + c.key.type + '): ' + esc(c.key.text) + '">' + esc(c.key.text) + '</i>' : '';
    return ['t-' + c.type, key + '<span>' + body + '</span>'];
  }

  function draw() {
    const view = $('view');
    const layer = $('layer');
    const { cols, units } = layout();
    const w = view.clientWidth;
    const h = view.clientHeight;
    layer.style.width = w + 'px';
    layer.style.height = h + 'px';
    const first = Math.max(0, Math.floor(view.scrollTop / ROW_H));
    const last = Math.min(units - 1, first + Math.ceil((h - HEAD_H) / ROW_H));
    const c0 = Math.max(0, Math.floor(view.scrollLeft / COL_W));
    const c1 = Math.min(cols - 1, c0 + Math.ceil((w - NUM_W) / COL_W));
    const inside = cached && first >= cached.u0 && last <= cached.u1 && c0 >= cached.c0 && c1 <= cached.c1;
    if (!inside) fetchWindow(Math.max(0, first - 30), Math.min(units - 1, last + 30), Math.max(0, c0 - 4), Math.min(cols - 1, c1 + 4));
    const dy = HEAD_H - (view.scrollTop - first * ROW_H);
    const dx = NUM_W - (view.scrollLeft - c0 * COL_W);
    const out = [];
    const two = shape.dimensions === 2;
    for (let u = first; u <= last; ++u) {
      const cells = cache.get(u) || [];
      const top = dy + (u - first) * ROW_H;
      for (let c = c0; c <= c1; ++c) {
        const [cls, body] = cellHtml(cells[c]);
        const cur = active.cur.row === u && active.cur.col === c ? ' cur' : '';
        out.push('<div class="cell ' + cls + cur + '" data-u="' + u + '" data-c="' + c + '" style="top:' + top +
          'px;left:' + (dx + (c - c0) * COL_W) + 'px">' + body + '</div>');
      }
      const any = cells.find((x) => x);
      const mark = two && any ? (any.selected ? '<b class="sel" title="selected">●</b>' : '<b class="unsel" title="not selected">○</b>') : '';
      out.push('<div class="num" style="top:' + top + 'px">' + mark + u + '</div>');
    }
    for (let c = c0; c <= c1; ++c) {
      const label = two && labels[c] ? '<span class="label">' + esc(labels[c]) + '</span>' : '';
      const name = shape.dimensions === 1 ? 'element' : String(c);
      out.push('<div class="head" data-c="' + c + '" style="left:' + (dx + (c - c0) * COL_W) + 'px"><small>' + name + '</small>' + label + '</div>');
    }
    out.push('<div class="corner">' + (shape.dimensions === 1 ? 'index' : shape.dimensions === 3 ? 'y \\ x' : 'row') + '</div>');
    layer.innerHTML = out.join('');
  }

  // ---- The cursor and in-place editing.
  function clampCursor() {
    const { cols, units } = layout();
    active.cur.row = Math.max(0, Math.min(units - 1, active.cur.row));
    active.cur.col = Math.max(0, Math.min(cols - 1, active.cur.col));
  }

  function moveTo(row, col) {
    active.cur = { row, col };
    clampCursor();
    const view = $('view');
    const top = active.cur.row * ROW_H;
    const left = active.cur.col * COL_W;
    if (top < view.scrollTop) view.scrollTop = top;
    if (top + ROW_H > view.scrollTop + view.clientHeight - HEAD_H) view.scrollTop = top + ROW_H - view.clientHeight + HEAD_H;
    if (left < view.scrollLeft) view.scrollLeft = left;
    if (left + COL_W > view.scrollLeft + view.clientWidth - NUM_W) view.scrollLeft = left + COL_W - view.clientWidth + NUM_W;
    draw();
  }

  function currentCell() {
    return (cache.get(active.cur.row) || [])[active.cur.col];
  }

  function startEdit(initial) {
    const c = currentCell();
    const ed = $('editor');
    const view = $('view');
    ed.hidden = false;
    ed.style.top = view.scrollTop + HEAD_H + active.cur.row * ROW_H - view.scrollTop + 'px';
    ed.style.left = NUM_W + active.cur.col * COL_W - view.scrollLeft + 'px';
    ed.value = initial !== undefined ? initial : c && c.type === 'value' ? String(c.value) : c && c.type === 'string' ? c.text : '';
    ed.focus();
    if (initial === undefined) ed.select();
  }

  function endEdit(commit) {
    const ed = $('editor');
    if (ed.hidden) return;
    ed.hidden = true;
    $('view').focus();
    if (!commit) return;
    const index = indexOf(active.cur.row, active.cur.col);
    const text = ed.value;
    const line = text === '' ? 'Set value 0 at ' + index
      : isInteger(text) ? 'Set value ' + Number(text) + ' at ' + index
        : 'Set string ' + quote(text) + ' at ' + index;
    report(line, change([line]));
    moveTo(active.cur.row + 1, active.cur.col);
  }

  // An inline question in the status line; `done` gets the answer.
  function ask(question, value, done) {
    const box = $('status');
    box.innerHTML = '<label>' + esc(question) + ' <input id="answer"></label>';
    const input = $('answer');
    input.value = value;
    input.focus();
    input.select();
    input.onkeydown = (e) => {
      if (e.key === 'Enter') { e.preventDefault(); box.textContent = ''; $('view').focus(); done(input.value); }
      if (e.key === 'Escape') { box.textContent = ''; $('view').focus(); }
    };
  }

  // ---- Rows, columns, labels and keys, as the element actions do them.
  function rowLines(insert) {
    const X = shape.columns;
    const at = active.cur.row * X;
    const lines = [];
    for (let i = 0; i < X; ++i) lines.push(insert ? 'Insert value 0 at ' + at : 'Delete at ' + at);
    return lines;
  }

  function columnLines(insert) {
    const X = shape.columns;
    const c = active.cur.col;
    const rows = Math.ceil(shape.size / X);
    if (!insert && X <= 1) return [];
    const cells = [];
    for (let r = rows - 1; r >= 0; --r) cells.push(insert ? 'Insert value 0 at ' + (r * X + c) : 'Delete at ' + (r * X + c));
    const width = insert ? X + 1 : X - 1;
    cells.push('Set dimension 1 boundary to ' + width);
    // Labels belong to column numbers, so they move with their columns, each
    // set while its column exists: after widening, before narrowing.
    const moved = insert ? [...labels.slice(0, c), '', ...labels.slice(c)] : [...labels.slice(0, c), ...labels.slice(c + 1)];
    const names = [];
    for (let j = c; j < Math.max(X, width); ++j) {
      if ((labels[j] || '') !== (moved[j] || '')) names.push('Set label to ' + quote(moved[j] || '') + ' at column ' + j);
    }
    return insert ? [...cells, ...names] : [...names, ...cells];
  }

  // The settings form: the lines for what was changed, one undo step.
  function openSettings() {
    $('setDims').value = String(shape.dimensions);
    $('setX').value = shape.columns;
    $('setY').value = shape.rowsPerPage;
    $('setDelimiter').value = shape.delimiter;
    $('setCase').value = '';
    $('setSearch').value = '';
    $('settings').hidden = false;
    $('setDims').focus();
  }

  function settingsLines() {
    const lines = [];
    const dims = Number($('setDims').value);
    if (dims !== shape.dimensions) lines.push('Set array dimension to ' + dims);
    const verb = $('setMove').value;
    const x = Number($('setX').value);
    const y = Number($('setY').value);
    if (x >= 1 && x !== shape.columns) lines.push(verb + ' dimension 1 boundary to ' + x);
    if (y >= 1 && y !== shape.rowsPerPage) lines.push(verb + ' dimension 2 boundary to ' + y);
    if ($('setDelimiter').value !== shape.delimiter) lines.push('Set list delimiter to ' + quote($('setDelimiter').value));
    if ($('setCase').value) lines.push($('setCase').value);
    if ($('setSearch').value) lines.push($('setSearch').value);
    return lines;
  }

  function report(line, result) {
    log(line, result.text, result.failed);
  }

  // ---- The command bar: lines, completion and the log.
  function log(line, text, failed) {
    const entry = document.createElement('div');
    entry.className = 'entry' + (failed ? ' bad' : '');
    const help = helpLink(line);
    entry.innerHTML = '<code class="in"></code>' + (help ? ' <a class="ref" target="_blank" rel="noopener" href="' + help + '">help</a>' : '') + '<pre></pre>';
    entry.firstChild.textContent = '› ' + line;
    entry.lastChild.textContent = text.replace(/\n$/, '');
    const box = $('log');
    box.appendChild(entry);
    while (box.children.length > 200) box.firstChild.remove();
    box.scrollTop = box.scrollHeight;
  }

  // The help page's entry for the action or expression a line names.
  function helpLink(line) {
    const call = /^\s*([A-Za-z_][A-Za-z0-9_]*\$?)\(/.exec(line);
    if (call) {
      const n = names.expressions.findIndex((e) => e.toLowerCase() === (call[1] + '(').toLowerCase());
      return n >= 0 ? 'tessel-help.html#expr-' + n : null;
    }
    const lower = line.trim().toLowerCase();
    let best = -1;
    let length = 0;
    names.actions.forEach((usage, n) => {
      const words = usage.split(' <')[0].toLowerCase();
      if (lower.startsWith(words) && words.length > length) { best = n; length = words.length; }
    });
    return best >= 0 ? 'tessel-help.html#action-' + best : null;
  }

  function completions(typed) {
    const lower = typed.toLowerCase();
    const out = [];
    names.actions.forEach((usage, n) => {
      const words = usage.split(' <')[0];
      if (words.toLowerCase().startsWith(lower.trimStart())) out.push({ text: words + (usage.includes('<') ? ' ' : ''), usage, href: 'tessel-help.html#action-' + n });
    });
    const m = /[A-Za-z0-9_$]*$/.exec(typed);
    if (m[0]) {
      names.expressions.forEach((e, n) => {
        if (e.toLowerCase().startsWith(m[0].toLowerCase())) out.push({ text: typed.slice(0, m.index) + e, usage: e, href: 'tessel-help.html#expr-' + n });
      });
    }
    return out;
  }

  function showSuggestions() {
    const list = $('suggest');
    const typed = $('command').value;
    const found = typed.trim() ? completions(typed) : [];
    list.hidden = found.length === 0;
    list.innerHTML = found.slice(0, 8).map((f) => '<li><code>' + esc(f.usage) + '</code> <a target="_blank" rel="noopener" href="' + f.href + '">help</a></li>').join('');
    return found;
  }

  function commonPrefix(texts) {
    let p = texts[0];
    for (const t of texts) while (!t.toLowerCase().startsWith(p.toLowerCase())) p = p.slice(0, -1);
    return p;
  }

  function status(text, warn) {
    const box = $('status');
    box.textContent = text;
    box.className = warn ? 'warn' : '';
  }

  // ---- Events.
  function wire() {
    const view = $('view');
    let queued = false;  // one draw a frame, however many scroll events came
    view.addEventListener('scroll', () => {
      if (queued) return;
      queued = true;
      requestAnimationFrame(() => { queued = false; draw(); });
    });
    window.addEventListener('resize', () => draw());
    view.addEventListener('mousedown', (e) => {
      const cell = e.target.closest('.cell');
      if (!cell) return;
      endEdit(true);
      moveTo(Number(cell.dataset.u), Number(cell.dataset.c));
      view.focus();
      e.preventDefault();
    });
    view.addEventListener('dblclick', (e) => {
      if (e.target.closest('.cell')) startEdit();
      const head = e.target.closest('.head');
      if (head && shape.dimensions === 2) {
        active.cur.col = Number(head.dataset.c);
        draw();
        $('labelSet').click();
      }
    });
    view.addEventListener('keydown', (e) => {
      if (e.target !== view) return;
      const { row, col } = active.cur;
      const moves = { ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1], PageUp: [-20, 0], PageDown: [20, 0] };
      if (moves[e.key]) {
        e.preventDefault();
        moveTo(row + moves[e.key][0], col + moves[e.key][1]);
      } else if (e.key === 'Enter' || e.key === 'F2') {
        e.preventDefault();
        startEdit();
      } else if (e.key === 'Delete') {
        e.preventDefault();
        const line = 'Set value 0 at ' + indexOf(row, col);
        report(line, change([line]));
      } else if (e.key.length === 1 && !e.ctrlKey && !e.metaKey && !e.altKey) {
        e.preventDefault();
        startEdit(e.key);
      }
    });
    $('editor').addEventListener('keydown', (e) => {
      if (e.key === 'Enter') { e.preventDefault(); endEdit(true); }
      if (e.key === 'Escape') { e.preventDefault(); endEdit(false); }
    });
    $('editor').addEventListener('blur', () => endEdit(true));
    document.addEventListener('keydown', (e) => {
      if (!(e.ctrlKey || e.metaKey)) return;
      const k = e.key.toLowerCase();
      if (k === 's') { e.preventDefault(); endEdit(true); download(); }
      if (e.target.tagName === 'INPUT' && e.target.id !== 'editor') return;
      if (k === 'z' && !e.shiftKey) { e.preventDefault(); endEdit(false); undo(); }
      if (k === 'y' || (k === 'z' && e.shiftKey)) { e.preventDefault(); endEdit(false); redo(); }
    });
    $('picker').addEventListener('change', (e) => { openFiles(e.target.files); e.target.value = ''; });
    $('save').onclick = download;
    $('new').onclick = () => activate(makeUntitled());
    // What the chosen format would not keep, told before saving: a save to a scratch file.
    $('format').addEventListener('change', () => {
      const format = $('format').value;
      const trial = saveAs(format);
      if (trial.error) status('the save would fail: ' + trial.error, true);
      else status(trial.losses ? 'Saving as ' + format + ': ' + trial.losses : 'Saving as ' + format + ' keeps everything', !!trial.losses);
    });
    $('undo').onclick = undo;
    $('redo').onclick = redo;
    $('pagePrev').onclick = () => { active.page = Math.max(0, active.page - 1); refresh(false); };
    $('pageNext').onclick = () => { active.page = Math.min(pages() - 1, active.page + 1); refresh(false); };
    $('pageNumber').onchange = () => { active.page = Math.max(0, Number($('pageNumber').value) || 0); refresh(false); };
    $('rowInsert').onclick = () => report('+ row', change(rowLines(true)));
    $('rowDelete').onclick = () => report('− row', change(rowLines(false)));
    $('colInsert').onclick = () => report('+ column', change(columnLines(true)));
    $('colDelete').onclick = () => report('− column', change(columnLines(false)));
    $('labelSet').onclick = () => ask('Label of column ' + active.cur.col + ':', labels[active.cur.col] || '', (text) => {
      const line = 'Set label to ' + quote(text) + ' at column ' + active.cur.col;
      report(line, change([line]));
    });
    $('keySet').onclick = () => {
      const c = currentCell();
      ask('Key of element ' + indexOf(active.cur.row, active.cur.col) + ' (a number gives a value key):', c && c.key ? c.key.text : '', (text) => {
        const index = indexOf(active.cur.row, active.cur.col);
        const line = isInteger(text) ? 'Set key value ' + Number(text) + ' at ' + index : 'Set key string ' + quote(text) + ' at ' + index;
        report(line, change([line]));
      });
    };
    $('settingsOpen').onclick = openSettings;
    $('settingsCancel').onclick = () => { $('settings').hidden = true; $('view').focus(); };
    $('settings').onsubmit = (e) => {
      e.preventDefault();
      $('settings').hidden = true;
      const lines = settingsLines();
      if (lines.length) report(lines.join('; '), change(lines));
      $('view').focus();
      draw();
    };
    const command = $('command');
    command.addEventListener('input', showSuggestions);
    // Later than a click on a suggestion's help link, which the list must still be there for.
    command.addEventListener('blur', () => setTimeout(() => { $('suggest').hidden = true; }, 200));
    command.addEventListener('keydown', (e) => {
      if (e.key === 'Tab') {
        e.preventDefault();
        const found = showSuggestions();
        if (found.length) command.value = commonPrefix(found.map((f) => f.text));
        showSuggestions();
      } else if (e.key === 'Enter' && command.value.trim()) {
        const line = command.value;
        command.value = '';
        $('suggest').hidden = true;
        const result = runLine(line);
        log(line, result.text, result.failed);
      } else if (e.key === 'Escape') {
        $('suggest').hidden = true;
      }
    });
    let depth = 0;
    const hasFiles = (e) => e.dataTransfer && Array.from(e.dataTransfer.types).includes('Files');
    window.addEventListener('dragenter', (e) => { if (hasFiles(e)) { ++depth; $('drop').hidden = false; } });
    window.addEventListener('dragleave', () => { if (--depth <= 0) { depth = 0; $('drop').hidden = true; } });
    window.addEventListener('dragover', (e) => e.preventDefault());
    window.addEventListener('drop', (e) => {
      e.preventDefault();
      depth = 0;
      $('drop').hidden = true;
      if (e.dataTransfer && e.dataTransfer.files.length) openFiles(e.dataTransfer.files);
    });
  }

  // ---- The script interface: how a creator scripts the page from the
  // browser's console, and how the tests drive it.
  let resolveReady;
  const ready = new Promise((resolve) => { resolveReady = resolve; });
  window.tesselWorkbench = {
    ready,
    // Opens a file's bytes (a Uint8Array) in a new tab: its description.
    open: (name, bytes) => openBytes(name, bytes),
    // Runs a console line on the current tab: what the console prints.
    run: (line) => { const r = runLine(line); log(line, r.text, r.failed); return r.text; },
    // The current tab saved in "native", "host", "csv" or "ini": {bytes, losses}.
    save: (format) => { const s = saveAs(format); if (s.error) throw new Error(s.error); return s; },
    // The current tab's array as the console's show --json gives it.
    cells: () => JSON.parse(runRaw('show --json').output),
    // A whole script as `tessel run` runs it, in a session and a folder of its
    // own: {ok, output, errors, files} (the files it wrote, by name).
    runScript: (text, name = 'script.tessel') => {
      const folder = '/scripts/' + ++scripts;
      wasm.FS.mkdirTree(folder);
      wasm.FS.chdir(folder);
      let answer;
      try {
        answer = call('Script', name, text);
      } finally {
        wasm.FS.chdir('/');
      }
      const files = {};
      for (const f of wasm.FS.readdir(folder)) if (f !== '.' && f !== '..') files[f] = wasm.FS.readFile(folder + '/' + f);
      return { ok: answer.ok, output: answer.output, errors: answer.errors, files };
    },
    undo: () => undo(),
    redo: () => redo(),
    // The open tabs' titles and which one is current.
    tabs: () => ({ titles: tabs.map((t) => t.title), current: tabs.indexOf(active) }),
    select: (i) => activate(tabs[i]),
  };

  createTesselModule().then((instance) => {
    wasm = instance;
    bench = wasm._tesselWorkbenchCreate();
    if (!bench) throw new Error('the module did not start');
    names = call('Catalogue');
    wire();
    activate(makeUntitled());
    status('Open an array file (native, host array, CSV or INI) with Open… or by dropping it here; type console lines below.');
    resolveReady();
  }).catch((error) => status('The workbench could not start: ' + error, true));
})();
