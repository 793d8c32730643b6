// The workbench: tabs of array files held by the module itself (compiled to
// WebAssembly), a grid that draws only what is in view, edits made as console
// lines, undo by a copy of the array kept before each step (or by replaying a
// tab's lines on its file), and the script interface.
import { bridgeOf } from './bridge.js';
import { createLevelMap } from './levelmap.js';
import { scaledAxis } from './scroll.js';

(() => {
  const $ = (id) => document.getElementById(id);
  const ROW_H = 26;
  const COL_W = 132;
  const NUM_W = 72;
  const HEAD_H = 28;
  const DOUBLE_CLICK_MS = 300;  // how long a header click waits for a second one
  const INT_MIN = -2147483648;
  const INT_MAX = 2147483647;
  // A step that changes the tab's setup rather than its array: a comment to
  // the console, read when the tab's instance is made.
  const AUTO_SELECT = /^# auto-select (on|off)$/;
  // How a tab's CSV or sheet file was read when its first row held the column labels (the console's option).
  const HEADER = / --header$/;

  let wasm = null;  // the module's instance
  let bench = 0;    // the Workbench it owns
  let names = { actions: [], expressions: [] };
  const tabs = [];
  let active = null;
  let serial = 0;
  let scripts = 0;
  // The level map (levelmap.js): zoom, palette, painting and marks, on what the page owns.
  const levelMap = createLevelMap({
    $,
    tab: () => active,
    shape: () => shape,
    layout: () => layout(),
    page: () => (shape && shape.dimensions === 3 ? active.page : 0),
    pages: () => pages(),
    setPage: (p) => { active.page = p; refresh(false); },
    isOpen: (tab) => tabs.includes(tab),
    // The last step of a tab: its marks are found again when this changes.
    stepOf: (tab) => tab.steps[tab.steps.length - 1] || null,
    // What the map draws of `count` cells from `first` (levelmap.js reads them), straight from the array.
    looks: (first, count) => {
      const answer = call('Looks', first, count);
      if (!answer.ok) throw new Error(answer.error);
      return answer.cells;
    },
    // The offsets in the current page of a flood fill's cells from (x, y), or null past the array's end.
    region: (cols, rows, x, y) => {
      const answer = call('Region', indexOf(0, 0), cols, rows, x, y);
      if (!answer.ok) throw new Error(answer.error);
      return answer.cells;
    },
    // The first cell of the current page, and its rows (a 2D array's complete and cut-short ones).
    pageStart: () => indexOf(0, 0),
    pageRows: () => (shape.dimensions === 3 ? layout().units : Math.ceil(shape.size / layout().cols)),
    paintContent: (cells, content, what) => paintContent(cells, content, what),
    working: (text) => working(text),
    typedContent: (text) => (isInteger(text) ? { type: 'value', value: Number(text) } : contentOf(text)),
    diffCells: (tab, other) => diffCells(tab, other),
    showText: (bytes) => showText(bytes, active),
    refresh: () => refresh(false),
    redraw: () => draw(),
    moveTo: (row, col) => moveTo(row, col),
    status: (text, warn) => status(text, warn),
    tell: (text, warn) => tell(active, text, warn),
  });

  let call = null;  // the bridge (bridge.js), once the module has started
  const runRaw = (line) => call('Run', line);
  const quote = (text) => '"' + String(text).replace(/\\/g, '\\\\').replace(/"/g, '\\"')
    .replace(/\n/g, '\\n').replace(/\r/g, '\\r').replace(/\t/g, '\\t') + '"';
  // ---- Texts are bytes: the bridge sends an array's texts one character a
  // byte, the page shows them through the tab's encoding and writes edits back
  // as console literals, every byte beyond ASCII a \xHH escape, so what is
  // stored is exactly the bytes meant.
  const CODE_PAGES = ['windows-1250', 'windows-1251', 'windows-1252', 'windows-1253', 'windows-1254', 'windows-1255',
    'windows-1256', 'windows-1257', 'windows-1258'];
  const ENCODINGS = ['auto', 'utf-8', ...CODE_PAGES];
  const FALLBACK = 'windows-1252';  // automatic's code page for a text that is not UTF-8
  const encodingTitle = (name) => name === 'auto' ? 'automatic' : name === 'utf-8' ? 'UTF-8' : 'Windows-' + name.slice(8);
  const hexByte = (b) => '\\x' + b.toString(16).toUpperCase().padStart(2, '0');
  const byteArray = (bytes) => Uint8Array.from(bytes, (c) => c.charCodeAt(0));
  const strictUtf8 = new TextDecoder('utf-8', { fatal: true });
  const isUtf8 = (bytes) => { try { strictUtf8.decode(byteArray(bytes)); return true; } catch { return false; } };
  const beyondAscii = (bytes) => /[\x80-\xff]/.test(bytes);
  // A byte no encoding shows as a character of its own: a control (but line
  // breaks and tabs) is escaped, so an editor cannot lose it.
  const hidden = (b) => (b < 0x20 && b !== 10 && b !== 9) || b === 0x7f;

  // Each code page's characters by byte (null where it shows none) and its
  // bytes by character, from the browser's own decoder.
  const codePages = new Map();
  function codePage(name) {
    if (!codePages.has(name)) {
      const decoder = new TextDecoder(name);
      const chars = [];
      const bytes = new Map();
      for (let b = 0; b < 256; ++b) {
        const c = decoder.decode(Uint8Array.of(b));
        const shown = !hidden(b) && c !== '\uFFFD' && !/^[\u0080-\u009f]$/.test(c);
        chars.push(shown ? c : null);
        if (shown && !bytes.has(c)) bytes.set(c, b);
      }
      codePages.set(name, { chars, bytes });
    }
    return codePages.get(name);
  }

  // The encoding a text is shown in: the tab's, or under automatic UTF-8
  // where the text is valid UTF-8, else the fallback code page.
  const shownIn = (bytes, tab) => tab.encoding !== 'auto' ? tab.encoding : isUtf8(bytes) ? 'utf-8' : FALLBACK;

  // Bytes as text: a byte the encoding cannot show is the escape \xHH, and a
  // backslash that would read as one is \x5C, so the text reads back as the same bytes.
  function showText(bytes, tab) {
    const encoding = shownIn(bytes, tab);
    const table = encoding === 'utf-8' ? null : codePage(encoding).chars;
    let out = '';
    for (let i = 0; i < bytes.length;) {
      const b = bytes.charCodeAt(i);
      if (b === 0x5c && /^x[0-9A-Fa-f]{2}/.test(bytes.slice(i + 1, i + 4))) { out += hexByte(b); ++i; continue; }
      if (b < 0x80 || table) {
        const c = b < 0x80 ? (hidden(b) ? null : bytes[i]) : table[b];
        out += c === null ? hexByte(b) : c;
        ++i;
        continue;
      }
      const n = b >= 0xc2 && b <= 0xdf ? 2 : b >= 0xe0 && b <= 0xef ? 3 : b >= 0xf0 && b <= 0xf4 ? 4 : 0;
      let c = null;
      try { if (n && i + n <= bytes.length) c = strictUtf8.decode(byteArray(bytes.slice(i, i + n))); } catch { c = null; }
      if (c === null || /^[\u0080-\u009f]$/.test(c)) { out += hexByte(b); ++i; } else { out += c; i += n; }
    }
    return out;
  }

  // Text as the bytes of `encoding` (escapes \xHH as their bytes), or what it cannot hold.
  const utf8Encoder = new TextEncoder();
  function textBytes(text, encoding) {
    const table = encoding === 'utf-8' ? null : codePage(encoding).bytes;
    let out = '';
    for (let i = 0; i < text.length;) {
      const escape = /^\\x([0-9A-Fa-f]{2})/.exec(text.slice(i, i + 4));
      if (escape && escape[1] !== '00') { out += String.fromCharCode(parseInt(escape[1], 16)); i += 4; continue; }
      const c = String.fromCodePoint(text.codePointAt(i));
      i += c.length;
      if (c.charCodeAt(0) < 0x80) { out += c; continue; }
      if (table) {
        if (!table.has(c)) {
          return { error: '"' + c + '" (U+' + c.codePointAt(0).toString(16).toUpperCase().padStart(4, '0') + ') cannot be written in ' +
            encodingTitle(encoding) + ': nothing was changed (choose the tab\'s text encoding, or type the byte as \\xHH)' };
        }
        out += String.fromCharCode(table.get(c));
      } else {
        out += String.fromCharCode(...utf8Encoder.encode(c));
      }
    }
    return { bytes: out };
  }

  // The encoding an edit of a text holding `old` is written in: the tab's;
  // under automatic the one the old text was shown in, UTF-8 for a text of
  // plain ASCII or a new one (compat: what the page has always written).
  const writtenIn = (old, tab) => tab.encoding !== 'auto' ? tab.encoding : beyondAscii(old || '') ? shownIn(old, tab) : 'utf-8';

  // Bytes as a console literal: pure ASCII, so the line carries them exactly.
  function literal(bytes) {
    let out = '"';
    for (let i = 0; i < bytes.length; ++i) {
      const b = bytes.charCodeAt(i);
      const named = { 0x22: '\\"', 0x5c: '\\\\', 0x0a: '\\n', 0x0d: '\\r', 0x09: '\\t' }[b];
      out += named || (b < 0x20 || b >= 0x7f ? hexByte(b) : bytes[i]);
    }
    return out + '"';
  }

  // A text typed for `old` as a literal in the tab's encoding: {literal} or {error}.
  function textLiteral(text, old, tab) {
    const written = textBytes(text, writtenIn(old, tab));
    return written.error ? written : { literal: literal(written.bytes), bytes: written.bytes };
  }

  // A typed console line with the characters of its texts in the tab's chosen
  // code page (UTF-8 as typed otherwise), as \xHH escapes.
  function encodeLine(line, tab) {
    if (tab.encoding === 'auto' || tab.encoding === 'utf-8') return { line };
    let out = '';
    for (const c of line) {
      if (c.charCodeAt(0) < 0x80) { out += c; continue; }
      const written = textBytes(c, tab.encoding);
      if (written.error) return written;
      out += hexByte(written.bytes.charCodeAt(0));
    }
    return { line: out };
  }

  const isInteger = (text) => /^\s*[+-]?\d+\s*$/.test(text) && Number(text) >= INT_MIN && Number(text) <= INT_MAX;

  // ---- Tabs: one instance of the session each, with the file it came from
  // and the steps (each a list of lines) made since, for undo.
  function makeTab(title, file, readAs = '') {
    const tab = { id: 't' + ++serial, title, file, readAs, steps: [], undone: [], format: null, page: 0,
      cur: { row: 0, col: 0 }, entries: [], encoding: 'auto',
      files: file ? [file] : [],  // the stored files its lines read, removed when it closes
      offers: [], damaged: null, saved: { count: 0, last: null }, saveName: null,
      ready: 0 };  // a copy of its array as it is, for the next step's undo
    tabs.push(tab);
    return tab;
  }

  // Whether the tab holds changes not saved: its steps are not the ones it was opened or last saved with.
  const changed = (tab) => tab.steps.length !== tab.saved.count || (tab.steps.length > 0 && tab.steps[tab.steps.length - 1] !== tab.saved.last);
  const markSaved = (tab) => { tab.saved = { count: tab.steps.length, last: tab.steps[tab.steps.length - 1] || null }; };

  // Whether the tab's rows start selected: the last such step says, else off, as a new object starts.
  function autoSelectOf(tab) {
    let on = false;
    for (const step of tab.steps) for (const line of step) if (AUTO_SELECT.test(line)) on = AUTO_SELECT.exec(line)[1] === 'on';
    return on;
  }

  // Makes the tab's instance from its file (or empty) and replays its steps.
  function rebuild(tab) {
    const answer = rebuildBare(tab);
    if (!answer.ok) return answer;
    for (const step of tab.steps) apply(step);
    return answer;
  }

  function activate(tab) {
    active = tab;
    $('log').replaceChildren(...tab.entries);  // each tab has its own log and its own questions
    $('offers').replaceChildren(...tab.offers);
    $('log').scrollTop = $('log').scrollHeight;
    $('format').value = tab.format || 'native';  // saved as it came, unless another format is chosen
    $('encoding').value = tab.encoding;
    runRaw('with ' + tab.id);
    renderTabs();
    refresh(true);
  }

  function closeTab(tab) {
    for (const step of tab.steps) forgetSnapshot(step);
    dropReady(tab);
    levelMap.forget(tab);
    runRaw('drop ' + tab.id);
    tabs.splice(tabs.indexOf(tab), 1);
    for (const box of tab.offers) box.dismissed();  // its questions go with it, and what they held
    tab.offers = [];
    for (const path of tab.files) release(path);
    if (tabs.length === 0) makeUntitled();
    if (active === tab) $('offers').textContent = '';
    if (active === tab) activate(tabs[tabs.length - 1]);
    else renderTabs();
  }

  function makeUntitled() {
    const tab = makeTab('untitled', null);
    rebuild(tab);
    return tab;
  }

  function renderTabs() {
    $('diff').disabled = !active.file && tabs.length < 2;  // nothing to compare with
    const nav = $('tabs');
    nav.textContent = '';
    for (const tab of tabs) {
      const b = document.createElement('button');
      b.className = 'tab' + (tab === active ? ' on' : '');
      b.setAttribute('role', 'tab');
      b.innerHTML = '<span></span><i title="Close">×</i>';
      b.firstChild.textContent = tab.title + (tab.format ? ' · ' + tab.format : '') + ' · ' + encodingTitle(tab.encoding) +
        (changed(tab) ? ' •' : '');
      b.title = 'Texts shown and written as ' + encodingTitle(tab.encoding) +
        (tab.encoding === 'auto' ? ' (UTF-8 where valid, else ' + encodingTitle(FALLBACK) + ')' : '');
      b.onclick = (e) => (e.target.tagName === 'I' ? askClose(tab) : activate(tab));
      nav.appendChild(b);
    }
  }

  // Closing a tab with changes not saved asks first.
  function askClose(tab) {
    if (changed(tab) && !window.confirm(tab.title + ' has changes that are not saved. Close it and lose them?')) return;
    closeTab(tab);
  }

  // Keeps bytes in a folder of their own in the page's file system: their path.
  let stored = 0;
  function store(name, bytes) {
    const folder = '/files/' + ++stored;
    wasm.FS.mkdirTree(folder);
    const path = folder + '/' + (name.replace(/[\/\\]/g, '_') || 'file');
    wasm.FS.writeFile(path, bytes);
    return path;
  }

  // Removes a stored file that no open tab reads: a closed tab's file leaves
  // the page's memory, and no later line or script can read it.
  function release(path) {
    if (tabs.some((t) => t.files.includes(path))) return;
    const answer = call('Forget', path);
    if (!answer.ok) status(answer.error, true);
  }

  // Opens bytes as a new tab, read as `readAs` ('' for what the content
  // shows, 'sheet' for a spreadsheet's CSV); the description of what was opened.
  function openBytes(name, bytes, readAs = '') {
    return openStored(name, store(name, bytes), readAs);
  }

  // `made`: the tab and the answer of its load, when loaded beforehand (loadTab).
  function openStored(name, path, readAs, made = null) {
    const { tab, answer } = made || loadTab(name, path, readAs, null);
    if (!answer.ok) {
      tabs.splice(tabs.indexOf(tab), 1);
      runRaw('drop ' + tab.id);
      release(path);
      if (active) runRaw('with ' + active.id);
      tell(active, name + ' was not opened: ' + answer.error, true);
      return { name, error: answer.error };
    }
    tab.format = answer.format;
    if (tabs.length === 2 && !tabs[0].file && tabs[0].steps.length === 0 && !tabs[0].offers.length) closeTab(tabs[0]);
    activate(tab);
    keepLater(tab);
    const shape = call('Shape');
    tell(tab, name + ' opened as a ' + answer.format + ' file' +
      (answer.warnings.length ? ': ' + answer.warnings.join('; ') : ''), answer.warnings.length > 0);
    if (answer.damaged) {
      // What tessel check says of it, on the tab for as long as it is open, and in its log.
      const checked = check(tab);
      tab.damaged = (checked.output || checked.error || answer.warnings.join('\n')).replace(/\n$/, '');
      log('check ' + fileName(tab), tab.damaged, true, tab);
      offer(tab.damaged + '\nShown as far as it reads: saving it writes only that.', [
        ['Check again', () => { activate(tab); showCheck(); }],
      ], undefined, tab, { keep: true, damage: true });
    }
    if (answer.warnings.some((w) => w.includes('looks like a spreadsheet')) && readAs === '') {
      offer(name + ' looks like a spreadsheet\'s CSV (quoted fields or semicolons), which a game reads as plain text.',
        [['Reopen it as a spreadsheet', () => reopen(tab, name, 'sheet')]]);
    }
    // A table's first row may name its columns, as the console's --header reads it.
    if ((answer.format === 'csv' || answer.format === 'sheet') && !HEADER.test(readAs)) {
      offer('Does the first row of ' + name + ' hold the column labels? Read so, it names the columns instead of being row 0.',
        [['First row holds the column labels', () => reopen(tab, name, answer.format + ' --header')]], undefined, tab);
    }
    return { name, file: path, format: answer.format, dimensions: shape.dimensions, size: shape.size,
      columns: shape.columns, rowsPerPage: shape.rowsPerPage, warnings: answer.warnings };
  }

  // A new tab with the file loaded (`loaded`: what a worker's load of it gave,
  // else it is loaded here), the current tab's instance still the current one.
  function loadTab(name, path, readAs, loaded) {
    const tab = makeTab(name, path, readAs);
    const answer = loaded ? adopt(tab, loaded) : rebuild(tab);
    if (active) runRaw('with ' + active.id);
    return { tab, answer };
  }

  // The tab's file opened again, read as `readAs`, in a new tab that takes the old one's place.
  async function reopen(tab, name, readAs) {
    await openLarge(name, tab.file, readAs);  // first, so the file is still held while the old tab closes
    if (tabs.includes(tab)) askClose(tab);  // its changes, if any, are not lost unasked
  }

  // A stored file opened in a tab: a large one loaded by a worker while the
  // page shows it at work and goes on answering (`inflated`: a tile map's
  // layers, inflated; `shown`: the end of the work already shown for it;
  // `away`: in a worker whatever its size); the description of what was opened.
  async function openLarge(name, path, readAs, { inflated = null, shown = null, away = false } = {}) {
    const size = wasm.FS.stat(path).size;
    const large = away || size > LARGE_FILE;
    const done = shown || (large ? await working('Opening ' + name + ' (' + count(size, 'byte', 'bytes') + ')…') : null);
    try {
      const loaded = large ? await openElsewhere(path, readAs, inflated) : null;
      if (!loaded) return openStored(name, path, readAs);
      const made = loadTab(name, path, readAs, loaded);
      await drawn();  // reading the array in and drawing its tab are tasks of their own
      return openStored(name, path, readAs, made);
    } finally {
      if (done) done();
    }
  }

  // The file at `path` loaded by the module in a worker of its own, as the page
  // loads it: {answer, native, extras} (the array as a native file and what
  // that does not carry), {answer} when the load refused, {failed} when the
  // worker did, or null where no worker can start (the page then loads it itself).
  function openElsewhere(path, readAs, inflated) {
    return new Promise((resolve) => {
      const source = new Blob([$('moduleScript').textContent, '\n', $('openWorker').textContent], { type: 'text/javascript' });
      const url = URL.createObjectURL(source);
      let worker;
      const end = (result) => {
        worker.terminate();  // its memory goes with it
        URL.revokeObjectURL(url);
        resolve(result);
      };
      try {
        worker = new Worker(url);
      } catch {
        URL.revokeObjectURL(url);
        return resolve(null);
      }
      worker.onmessage = ({ data }) => end(data);
      worker.onerror = (e) => { e.preventDefault(); end({ failed: true }); };
      worker.postMessage({ path, bytes: wasm.FS.readFile(path), readAs, inflated });
    });
  }

  // The tab's instance made from a worker's load: its native file read in
  // with the extras, and the answer of that load (its format, damage and
  // warnings). Loaded here instead when the worker failed or its file does not read back whole.
  function adopt(tab, loaded) {
    if (loaded.failed) return rebuild(tab);
    if (!loaded.native) return loaded.answer;  // the load itself refused, as it does here
    const temp = store('opened.arr', loaded.native);
    const extras = store('opened.extras', loaded.extras);
    const made = call('Open', tab.id, temp, 'native', '');
    const exact = made.ok && !made.damaged && made.warnings.length === 0 && call('TakeExtras', extras).ok;
    release(temp);
    release(extras);
    return exact ? loaded.answer : rebuild(tab);
  }

  // Files dropped or picked: array files open in tabs; a file of no array
  // format may be meant for the current cell (an element file), so the choice is offered.
  async function openFiles(files) {
    for (const f of files) {
      // A large file takes a while to read: the page shows it at work before it starts.
      let done = f.size > LARGE_FILE ? await working('Opening ' + f.name + ' (' + count(f.size, 'byte', 'bytes') + ')…') : null;
      let path;
      try {
        path = store(f.name, new Uint8Array(await f.arrayBuffer()));
        const kind = call('Kind', path).format;
        if (kind !== null) {
          const inflated = kind === 'tilemap' ? await inflateMap(path) : null;
          const opening = openLarge(f.name, path, '', { inflated, shown: done });
          done = null;  // the open ends the work shown
          await opening;
          continue;
        }
      } finally {
        if (done) done();
      }
      const [tab, index] = [active, indexOf(active.cur.row, active.cur.col)];
      offer(f.name + ' (' + count(f.size, 'byte', 'bytes') + ') is not an array file.', [
        ['Load it into element ' + index + ' of ' + tab.title, () => loadCell(f.name, path, index, tab)],
        ['Open it as CSV', () => openLarge(f.name, path, 'csv')],
        ['Open it as a spreadsheet', () => openLarge(f.name, path, 'sheet')],
      ], () => release(path));
    }
  }

  // Work that takes a while (a large file loaded): the message, the grid
  // marked busy and a bar that moves on its own (the browser animates it while
  // the script runs), drawn before the work starts. Its end: the function it gives.
  const LARGE_FILE = 1000000;  // bytes
  const drawn = () => new Promise((shown) => requestAnimationFrame(() => setTimeout(shown, 0)));
  async function working(text) {
    status(text);
    $('working').hidden = false;
    $('view').setAttribute('aria-busy', 'true');
    await drawn();
    return () => {
      $('working').hidden = true;
      if (!busy) $('view').removeAttribute('aria-busy');
      if ($('status').textContent === text) status('');  // unless the work said what came of it
    };
  }

  // ---- Tile maps: their compressed layers, which the module's C++ reader
  // finds, are inflated here by the browser beforehand (it inflates only
  // asynchronously); the reader then takes what it needs from them.
  // What each packed layer inflated to (null where it did not), for a worker that opens the map.
  async function inflateMap(path) {
    const packed = call('Packed', path);
    if (!packed.ok) return null;  // opening the map says what is wrong with it
    const raws = [];
    for (const p of packed.data) {
      const raw = await inflateBytes(wasm.FS.readFile(p.path), p.compression, p.size);
      if (raw) wasm.FS.writeFile(p.path + '.raw', raw);
      raws.push(raw);
    }
    call('Inflated', path);
    return raws;
  }

  // The bytes inflated, when they inflate to exactly `size` bytes; null otherwise.
  async function inflateBytes(bytes, compression, size) {
    try {
      const format = compression === 'gzip' ? 'gzip' : 'deflate';  // "deflate" is zlib's wrapped form
      const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream(format)).getReader();
      const out = new Uint8Array(size);
      let used = 0;
      for (;;) {
        const { done, value } = await reader.read();
        if (done) break;
        if (used + value.length > size) {
          reader.cancel();
          return null;
        }
        out.set(value, used);
        used += value.length;
      }
      return used === size ? out : null;
    } catch (e) {
      return null;  // not zlib or gzip data: the reader says so
    }
  }

  // The bytes compressed as zlib ("zlib") or gzip data, by the browser; null where it cannot.
  async function deflateBytes(bytes, compression) {
    try {
      const format = compression === 'gzip' ? 'gzip' : 'deflate';  // "deflate" is zlib's wrapped form
      const packed = await new Response(new Blob([bytes]).stream().pipeThrough(new CompressionStream(format))).arrayBuffer();
      return new Uint8Array(packed);
    } catch {
      return null;  // the layer is written uncompressed, and the save says so
    }
  }

  // The map a tab saved as a tile map is written into: its own, else the last map opened.
  function templateMap(tab) {
    if (tab.format === 'tilemap') return tab;
    return tabs.slice().reverse().find((t) => t.format === 'tilemap' && t.file) || null;
  }

  // A question with buttons above the log, each button an answer; several may
  // wait. It belongs to its tab: shown with it, its buttons act on it, it goes
  // when the tab closes. A kept one (a damaged load) stays while the tab is open.
  function offer(text, choices, dismissed = () => {}, tab = active, { keep = false, damage = false } = {}) {
    const box = document.createElement('div');
    box.className = 'offer' + (damage ? ' damage' : '');
    box.setAttribute('role', damage ? 'alert' : 'group');
    box.innerHTML = '<span></span>';
    box.firstChild.textContent = text;
    box.dismissed = dismissed;
    const gone = () => { tab.offers = tab.offers.filter((b) => b !== box); box.remove(); };
    for (const [label, act, ends] of [...choices, ...(keep ? [] : [['Dismiss', dismissed, true]])]) {
      const b = document.createElement('button');
      b.textContent = label;
      b.onclick = () => {
        if (!tabs.includes(tab)) return gone();
        if (!keep || ends) gone();
        if (tab !== active) activate(tab);
        act();
      };
      box.appendChild(b);
    }
    tab.offers.push(box);
    if (tab === active) $('offers').appendChild(box);
  }

  // ---- Element files: a whole file's bytes as one cell, and one cell's bytes
  // as a file, through the game's own actions.
  function loadCell(name, path, index, tab = active) {
    if (tab !== active) {
      if (!tabs.includes(tab)) {
        release(path);
        tell(active, tab.title + ' is closed: ' + name + ' was not loaded', true);
        return { text: tab.title + ' is closed\n', failed: true };
      }
      activate(tab);
    }
    const line = 'Set file ' + quote(path) + ' at ' + index;
    const result = change([line]);
    report(line, result);
    // The tab's undo replays the line, which reads the file again: it is kept while the tab is open.
    if (result.failed) release(path);
    else {
      tab.files.push(path);
      tell(tab, name + ' loaded into element ' + index + ' as a data cell');
    }
    return result;
  }

  function saveCell(index) {
    const path = '/out/element';
    wasm.FS.mkdirTree('/out');
    if (wasm.FS.analyzePath(path).exists) wasm.FS.unlink(path);
    const answer = runRaw('Save element ' + index + ' to file ' + quote(path));
    if (!answer.ok) return { error: (answer.errors || answer.output).replace(/\n$/, '') };
    const bytes = wasm.FS.readFile(path);
    wasm.FS.unlink(path);
    return { bytes };
  }

  function downloadCell() {
    const index = indexOf(active.cur.row, active.cur.col);
    const saved = saveCell(index);
    if (saved.error) return tell(active, 'element ' + index + ' was not saved: ' + saved.error, true);
    const name = active.title.replace(/\.[^.]*$/, '') + '-element-' + index + '.bin';
    hand(saved.bytes, name);
    tell(active, name + ' saved: the ' + count(saved.bytes.length, 'byte', 'bytes') + ' of element ' + index);
  }

  // Hands bytes to the browser as a downloaded file.
  function hand(bytes, name) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
  }

  // ---- The console's check and diff views. Each runs in a folder of its
  // own, so it names the files as the user knows them, removed after.
  let compared = 0;
  function removeTree(path) {
    for (const name of wasm.FS.readdir(path)) {
      if (name === '.' || name === '..') continue;
      const inner = path + '/' + name;
      if (wasm.FS.isDir(wasm.FS.stat(inner).mode)) removeTree(inner);
      else wasm.FS.unlink(inner);
    }
    wasm.FS.rmdir(path);
  }

  function inFolder(folder, files, fn) {
    wasm.FS.mkdirTree(folder);
    for (const [name, bytes] of Object.entries(files)) {
      const dir = name.includes('/') ? folder + '/' + name.slice(0, name.lastIndexOf('/')) : folder;
      wasm.FS.mkdirTree(dir);
      wasm.FS.writeFile(folder + '/' + name, bytes);
    }
    wasm.FS.chdir(folder);
    try {
      return fn();
    } finally {
      wasm.FS.chdir('/');
      removeTree(folder);
    }
  }

  const fileName = (tab) => tab.title.replace(/[\/\\]/g, '_') || 'untitled';

  // `tessel check` of the tab's file as it was opened.
  function check(tab) {
    if (!tab.file) return { error: 'an array made here has no file to check: save it, then open the file' };
    const answer = inFolder('/compare/' + ++compared, { [fileName(tab)]: wasm.FS.readFile(tab.file) },
      () => call('Check', fileName(tab), tab.readAs));
    return answer.ok ? { output: answer.output, status: answer.status } : { error: answer.error };
  }

  // `tessel diff` of the tab as opened (`other` null) or of another tab, with the tab as it is now.
  function diff(tab, other, asJson = false) {
    const now = (t) => {
      runRaw('with ' + t.id);
      try {
        return saveAs('native');
      } finally {
        runRaw('with ' + active.id);
      }
    };
    const mine = now(tab);
    if (mine.error) return { error: mine.error };
    let a, b;
    const files = {};
    if (!other) {
      if (!tab.file) return { error: 'an array made here has no file to compare with: compare it with another tab' };
      [a, b] = [fileName(tab), 'now/' + fileName(tab)];
      files[a] = wasm.FS.readFile(tab.file);
      files[b] = mine.bytes;
    } else {
      const theirs = now(other);
      if (theirs.error) return { error: theirs.error };
      a = fileName(tab);
      b = fileName(other) === a ? '2/' + a : fileName(other);
      files[a] = mine.bytes;
      files[b] = theirs.bytes;
    }
    const from = other ? '' : tab.readAs;  // the file as opened is read as it was
    const answer = inFolder('/compare/' + ++compared, files, () => call('Diff', a, b, from, asJson ? 1 : 0));
    return answer.ok ? { output: answer.output, errors: answer.errors, status: answer.status, a, b } : { error: answer.error };
  }

  function showCheck() {
    const result = check(active);
    if (result.error) return status(result.error, true);
    log('check ' + fileName(active), result.output, result.status !== 0);
    status(fileName(active) + (result.status === 0 ? ' is sound' : result.status === 1 ? ' is damaged' : ' cannot be read'),
      result.status !== 0);
  }

  function showDiff(choice) {
    const other = choice === 'opened' ? null : tabs.find((t) => t.id === choice);
    const result = diff(active, other);
    if (result.error) return status(result.error, true);
    log('diff ' + result.a + ' ' + result.b, result.output + result.errors, result.status === 2);
    status(result.status === 0 ? 'no difference' : result.status === 1 ? 'the arrays differ: see the log' : 'cannot compare', result.status !== 0);
    if (result.status !== 2) levelMap.markCompare(active, other);
  }

  // The cells `tessel diff` finds, as its JSON gives them: [{x, y, page}], and whether the shapes differ.
  function diffCells(tab, other) {
    const result = diff(tab, other, true);
    if (result.error) throw new Error(result.error);
    const found = JSON.parse(result.output || '{"cells": []}');
    return { cells: found.cells || [], shapeDiffers: !!found.shapeDiffers };
  }

  // ---- Changes: lines run on the active tab's instance, kept as one undo step.
  let lastStep = null;
  const readOnly = /^\s*(show|help|echo)\b|^\s*[A-Za-z_$]+\(/i;
  function change(lines) {
    if (busy) return { text: busy + ': try again when it is done\n', failed: true };
    const kept = takeReady(active, lines);
    const result = apply(lines);
    const done = lines.slice(0, result.done);
    if (lines.grid && result.done === lines.length) done.grid = lines.grid;
    lastStep = done.length ? done : null;  // the log entry made next is this step's
    if (done.length) {
      done.snap = kept;
      active.steps.push(done);
      active.undone = [];
      trimSnapshots();
      renderTabs();
    } else if (kept) {
      active.ready = kept;  // nothing changed: still the array as it is
    }
    if (done.length) keepLater(active);
    refresh(false);
    return { text: result.text, failed: result.failed };
  }

  // ---- Steps at the speed of the module: a step's lines run in one call of
  // the bridge, and the cells of a row or column step (`lines.grid`: which
  // step, and which of its lines are the cells') go through the module's batch
  // for them, which changes the same cells as those element lines; the step's
  // other lines (boundary, labels) run around it. {text, failed, done: lines run}.
  function runLines(lines) {
    if (!lines.length) return { text: '', failed: false, done: 0 };
    const answer = call('Lines', lines.join('\n'));
    if (answer.error !== undefined) return { text: answer.error + '\n', failed: true, done: 0 };
    return { text: answer.output + answer.errors, failed: !answer.ok, done: answer.done };
  }

  function apply(lines) {
    const g = lines.grid;
    if (!g) return runLines(lines);
    const parts = [];
    const before = runLines(lines.slice(0, g.from));
    parts.push(before);
    if (!before.failed) {
      const batch = g.kind === 'paint' ? call('Paint', g.indexes, g.text === null ? 0 : 1, g.value, g.text || '')
        : call('Grid', g.kind, g.count, g.at);
      const cells = batch.ok && batch.done ? { text: '', failed: false, done: g.to - g.from } : runLines(lines.slice(g.from, g.to));
      parts.push(cells);
      if (!cells.failed) parts.push(runLines(lines.slice(g.to)));
    }
    return parts.reduce((a, b) => ({ text: a.text + b.text, failed: a.failed || b.failed, done: a.done + b.done }));
  }

  // A copy of the tab's array kept before each step (`step.snap`), so undoing
  // it puts the copy back instead of replaying every line since the file was
  // opened. The copy of the array as it is (`tab.ready`) is taken just after
  // the page has drawn a change, so the change itself does not wait for it;
  // a change that comes sooner takes it first. The copies of all tabs hold at
  // most SNAPSHOT_CELLS cells: older steps are undone by replaying. A step
  // that changes the tab's setup is undone by replaying too, since the
  // instance is made again for it.
  const SNAPSHOT_CELLS = 6500000;
  const SLICED_CELLS = 200000;  // an array this large may take longer than a moment to replay
  const snapshotCells = new Map();  // snapshot id -> the cells it holds
  function keepNow(tab) {
    if (tab.ready || !tabs.includes(tab) || busy) return;
    runRaw('with ' + tab.id);
    const answer = call('Keep');
    const size = call('Shape').size;
    runRaw('with ' + active.id);
    if (!answer.ok) return;
    snapshotCells.set(answer.id, size);
    tab.ready = answer.id;
    trimSnapshots();
  }
  function keepLater(tab) {
    dropReady(tab);
    requestAnimationFrame(() => setTimeout(() => keepNow(tab), 0));
  }
  function dropReady(tab) {
    if (!tab.ready) return;
    call('Drop', tab.ready);
    snapshotCells.delete(tab.ready);
    tab.ready = 0;
  }
  // The copy of the array before a step about to run: 0 when the step is undone by replaying.
  function takeReady(tab, lines) {
    if (lines.some((l) => AUTO_SELECT.test(l))) return 0;
    keepNow(tab);
    const id = tab.ready;
    tab.ready = 0;
    return id;
  }
  function forgetSnapshot(step) {
    if (!step.snap) return;
    call('Drop', step.snap);
    snapshotCells.delete(step.snap);
    step.snap = 0;
  }
  function trimSnapshots() {
    const held = [];
    for (const t of tabs) for (const step of t.steps) if (step.snap) held.push(step);
    held.sort((a, b) => a.snap - b.snap);  // oldest first
    let total = held.reduce((n, step) => n + snapshotCells.get(step.snap) + 1, 0);
    for (const t of tabs) total += t.ready ? snapshotCells.get(t.ready) + 1 : 0;
    while (held.length > 1 && total > SNAPSHOT_CELLS) {
      const step = held.shift();
      total -= snapshotCells.get(step.snap) + 1;
      forgetSnapshot(step);
    }
  }

  // Work that may take longer than a moment (replaying a tab's steps) runs in
  // slices between which the page answers; `busy` says what it is doing, and
  // changes wait for it.
  let busy = null;
  function replayInSlices(tab, what, done) {
    busy = what;
    $('view').setAttribute('aria-busy', 'true');
    status(what + '…');
    const steps = tab.steps.slice();
    let next = 0;
    let opened = false;
    const slice = () => {
      if (!tabs.includes(tab)) return finish();
      runRaw('with ' + tab.id);
      const until = performance.now() + 40;
      if (!opened) {
        opened = true;
        const answer = rebuildBare(tab);
        if (!answer.ok) next = steps.length;
      }
      while (next < steps.length && performance.now() < until) apply(steps[next++]);
      runRaw('with ' + active.id);
      if (next < steps.length) {
        status(what + ': ' + next + ' of ' + steps.length + ' steps replayed…');
        return setTimeout(slice, 0);
      }
      finish();
    };
    const finish = () => {
      busy = null;
      $('view').removeAttribute('aria-busy');
      done();
    };
    setTimeout(slice, 0);  // after the message is drawn
  }

  // The tab's instance made anew from its file (or empty), with the setup its steps give, no step replayed.
  function rebuildBare(tab) {
    const setup = autoSelectOf(tab) ? '--auto-select' : '';
    if (tab.file) return call('Open', tab.id, tab.file, tab.readAs, setup);
    runRaw('drop ' + tab.id);
    return runRaw('new ' + tab.id + ' ' + setup);
  }

  // A step's log entry marked undone, or not again once redone.
  function markUndone(step, on) {
    if (!step.entry) return;
    step.entry.classList.toggle('undone', on);
    const mark = step.entry.querySelector('.mark');
    if (on && !mark) step.entry.firstChild.insertAdjacentHTML('afterend', ' <small class="mark">undone</small>');
    if (!on && mark) mark.remove();
  }

  function undo() {
    if (busy) return status(busy + ': try again when it is done', true);
    if (!active.steps.length) return status('nothing to undo');
    const tab = active;
    const step = tab.steps.pop();
    tab.undone.push(step);
    markUndone(step, true);
    runRaw('with ' + tab.id);
    const restored = step.snap && call('Restore', step.snap).ok;
    snapshotCells.delete(step.snap);
    step.snap = 0;
    const after = () => {
      keepLater(tab);
      renderTabs();
      if (tab === active) refresh(false);
      status('undone');
    };
    if (restored) return after();
    // No copy of the array before the step: the file and the steps before it,
    // replayed; on a large array in slices, so the page shows it and answers.
    if (shape.size < SLICED_CELLS) {
      rebuild(tab);
      runRaw('with ' + active.id);
      return after();
    }
    return new Promise((resolve) => replayInSlices(tab, 'Undoing ' + tab.title, () => { after(); resolve(); }));
  }

  // The tab's instance made again from its file and steps, for a change of its setup.
  function remake() {
    rebuild(active);
    keepLater(active);
    runRaw('with ' + active.id);
    refresh(false);
  }

  function redo() {
    if (busy) return status(busy + ': try again when it is done', true);
    if (!active.undone.length) return status('nothing to redo');
    const step = active.undone.pop();
    step.snap = takeReady(active, step);
    apply(step);
    active.steps.push(step);
    keepLater(active);
    trimSnapshots();
    markUndone(step, false);
    if (step.some((l) => AUTO_SELECT.test(l))) remake();
    renderTabs();
    refresh(false);
    status('redone');
  }

  // One console line, as typed in the command bar or given to run(line).
  function runLine(typed) {
    const encoded = encodeLine(typed, active);
    if (encoded.error) return { text: encoded.error + '\n', failed: true };
    const line = encoded.line;
    if (/^\s*(new|with|drop|quit|exit)\b/i.test(line) && !/^\s*[a-z]+\(/i.test(line)) {
      return { text: 'the workbench keeps one instance a tab: open a file for another\n', failed: true };
    }
    // A loop would gather the tab's later edits as its lines.
    if (/^\s*(for|end)\b/.test(line) && !/^\s*[a-z]+\(/i.test(line)) {
      return { text: 'the command bar runs one line at a time: loops run in tessel scripts\n', failed: true };
    }
    if (readOnly.test(line)) {
      const answer = runRaw(line);
      return { text: answer.output + answer.errors, failed: !answer.ok };
    }
    return change([line]);
  }

  // ---- Saving: the module writes the file; the page hands it over.
  // A tile map's compressed layers are written compressed once the browser
  // has compressed their data (saveCompressed): until then `deflate` lists it.
  function saveAs(format, tab = active) {
    const path = '/out/' + tab.id + '.' + format;
    wasm.FS.mkdirTree('/out');
    // A table read with its labels in its first row is written so again.
    const header = HEADER.test(tab.readAs) && (format === 'csv' || format === 'sheet') ? ' --header' : '';
    const map = format === 'tilemap' ? templateMap(tab) : null;
    if (format === 'tilemap' && !map) return { error: 'a tile map is saved into a copy of a map: open the map first' };
    if (tab !== active) runRaw('with ' + tab.id);
    const answer = call('Save', format + header + (map ? ' --template ' + map.file : ''), path);
    if (tab !== active) runRaw('with ' + active.id);
    if (!answer.ok) return { error: answer.error };
    const bytes = wasm.FS.readFile(path);
    wasm.FS.unlink(path);
    return { bytes, losses: answer.losses, template: map && map.title, ...(answer.deflate ? { deflate: answer.deflate, folder: answer.folder } : {}) };
  }

  // The save, with the data of a map's compressed layers compressed by the
  // browser (it compresses only asynchronously) the way the layers they
  // replace were, then the map written again with them.
  async function saveCompressed(format, tab = active) {
    const first = saveAs(format, tab);
    if (first.error || !first.deflate) return first;
    for (const d of first.deflate) {
      const packed = await deflateBytes(wasm.FS.readFile(d.path), d.compression);
      if (packed) wasm.FS.writeFile(d.path + '.packed', packed);
    }
    call('Deflated', first.folder);
    if (!tabs.includes(tab)) return { error: tab.title + ' was closed' };
    const { deflate, folder, ...saved } = saveAs(format, tab);
    return saved;  // a layer changed meanwhile is written uncompressed, and its note says so
  }

  const extensions = { native: '.arr', host: '.kzp', csv: '.csv', ini: '.ini', sheet: '.csv', json: '.json', tilemap: '.tmj' };
  // Save: a tab made here asks its file name at its first save, Save as… always.
  const defaultName = (tab, format) => tab.saveName || tab.title.replace(/\.[^.]*$/, '') + extensions[format];
  async function download(askName = false) {
    const tab = active;
    const format = $('format').value;
    if (askName || (!tab.file && !tab.saveName)) {
      return ask('Save ' + tab.title + ' as:', defaultName(tab, format), (name) => {
        if (!name.trim()) return tell(tab, tab.title + ' was not saved: it needs a file name', true);
        tab.saveName = name.trim().replace(/[\/\\]/g, '_');
        tab.title = tab.saveName;
        if (tabs.includes(tab) && tab === active) download();
      });
    }
    // The console refuses this without --force: the page asks.
    if (tab.damaged && !window.confirm(tab.title + ' was damaged when opened:\n' + tab.damaged +
      '\n\nSaving writes only what was read; the rest of the file is lost. Save anyway?')) {
      return tell(tab, tab.title + ' was not saved: it was damaged when opened', true);
    }
    const saved = await saveCompressed(format, tab);
    if (saved.error) return tell(tab, 'the save failed: ' + saved.error, true);
    const name = defaultName(tab, format);
    hand(saved.bytes, name);
    markSaved(tab);
    renderTabs();
    tell(tab, name + ' saved (' + format + (saved.template ? ' into a copy of ' + saved.template : '') + ', ' +
      saved.bytes.length + ' bytes)' +
      (saved.losses ? ': ' + saved.losses : ''), !!saved.losses);
  }

  // The tab's texts shown (and later edits written) in another encoding: the bytes stay as they are.
  function setEncoding(tab, name) {
    if (!ENCODINGS.includes(name)) throw new Error('no text encoding "' + name + '": one of ' + ENCODINGS.join(', '));
    tab.encoding = name;
    if (tab === active) $('encoding').value = name;
    renderTabs();
    draw();
    status('Texts of ' + tab.title + ' shown as ' + encodingTitle(name) + ': the bytes are unchanged');
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

  // ---- Column widths: COL_W unless the column's header edge was dragged
  // (kept per tab, by column number). A grid may be 2^31 columns wide, so
  // positions are worked out from the few widths set, never column by column.
  const MIN_COL_W = 40;
  const widthsOf = (tab) => tab.widths || (tab.widths = new Map());
  const colWidth = (c) => widthsOf(active).get(c) || COL_W;
  // The x of column c's left edge in the grid's content.
  function colLeft(c) {
    let x = c * COL_W;
    for (const [k, w] of widthsOf(active)) if (k < c) x += w - COL_W;
    return x;
  }
  // The column whose span holds content x.
  function colAt(x) {
    let [c, at] = [0, 0];
    for (const k of [...widthsOf(active).keys()].sort((p, q) => p - q)) {
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
    $('filter').hidden = shape.dimensions !== 2;
    $('filterFound').textContent = '';  // said of the selection the last filter made
    const { cols, units } = layout();
    $('sizer').style.width = NUM_W + colLeft(cols) + 'px';
    $('sizer').style.height = HEAD_H + rowAxis.extent(units * ROW_H) + 'px';
    levelMap.refreshed();
    levelMap.size();
    rowAxis.forget();
    $('check').disabled = !active.file;  // an array made here has no file until it is saved and opened
    $('undo').disabled = !active.steps.length;
    $('redo').disabled = !active.undone.length;
    if (moved) { $('view').scrollTop = 0; $('view').scrollLeft = 0; }
    clampCursor();
    draw();
  }

  // ---- Scrolling: where the rows in view start (in pixels of the whole grid),
  // from the scroll position, scaled when the grid is taller than a browser lays out (scroll.js).
  const rowAxis = scaledAxis();
  const rowRoom = () => ({ room: Math.max(0, $('view').clientHeight - HEAD_H), whole: layout().units * ROW_H });
  function contentTop() {
    const { room, whole } = rowRoom();
    return rowAxis.offset($('view').scrollTop, whole, room);
  }
  function setContentTop(top) {
    const { room, whole } = rowRoom();
    rowAxis.scrollTo($('view'), 'scrollTop', top, whole, room);
  }

  const esc = (t) => String(t).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' }[c]));

  function cellHtml(c) {
    if (!c) return ['t-none', ''];
    let body;
    let shown = null;  // a text's whole, shown on hover: the cell may be too narrow for it
    switch (c.type) {
      case 'value': body = String(c.value); break;
      case 'string': shown = showText(c.text, active); body = esc(shown).replace(/\n/g, '<b class="br">↵</b>'); break;
      case 'data': body = '[' + c.length + ' bytes]'; break;
      default: body = '';
    }
    // Every cell has a key cell; an empty one is no key to any expression.
    const keyText = c.key ? esc(c.key.type === 'string' ? showText(c.key.text, active) : c.key.text) : '';
    const key = c.key && c.key.type !== 'empty' ? '<i class="k" title="key (' + c.key.type + '): ' + keyText + '">' + keyText + '</i>' : '';
    const flag = numberish(c) ? ' numberish' : '';
    return ['t-' + c.type + flag, key + '<span' + (shown ? ' title="' + esc(shown) + '"' : '') + '>' + body + '</span>'];
  }

  // ---- Texts a game takes for other numbers: "2.5" reads as the value 2 and
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
    const two = shape.dimensions === 2;
    let firstNumberish = null;
    const row = (index, inner) => '<div role="row" class="row" aria-rowindex="' + index + '">' + inner.join('') + '</div>';
    const heads = ['<div class="corner" role="columnheader" aria-colindex="1">' +
      (shape.dimensions === 1 ? 'index' : shape.dimensions === 3 ? 'y \\ x' : 'row') + '</div>'];
    for (let c = c0; c <= c1; ++c) {
      const label = two && labels[c] ? '<span class="label">' + esc(showText(labels[c], active)) + '</span>' : '';
      const name = shape.dimensions === 1 ? 'element' : String(c);
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
        const cur = active.cur.row === u && active.cur.col === c;
        if (!firstNumberish && numberish(cells[c])) firstNumberish = [cells[c], indexOf(u, c)];
        inner.push('<div class="cell ' + cls + (two && cells[c] && cells[c].selected ? ' in-sel' : '') + (levelMap.marked(u, c) ? ' marked' : '') + (cur ? ' cur" id="current-cell" aria-selected="true' : '') + '" role="gridcell" aria-colindex="' +
          (c + 2) + '" data-u="' + u + '" data-c="' + c + '" style="top:' + top + 'px;' + place(c) + '">' + body + '</div>');
      }
      out.push(row(u + 2, inner));
    }
    view.setAttribute('aria-rowcount', String(units + 1));
    view.setAttribute('aria-colcount', String(cols + 1));
    layer.innerHTML = out.join('');
    if (firstNumberish) flagNumberish(active, ...firstNumberish);
    // The grid keeps the focus; the current cell is its active descendant, when drawn.
    if ($('current-cell')) view.setAttribute('aria-activedescendant', 'current-cell');
    else view.removeAttribute('aria-activedescendant');
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
    if (levelMap.zoomed()) {
      levelMap.reveal(active.cur.row, active.cur.col);
      return draw();
    }
    const view = $('view');
    const top = active.cur.row * ROW_H;
    const left = colLeft(active.cur.col);
    const width = colWidth(active.cur.col);
    const shown = contentTop();
    if (top < shown) setContentTop(top);
    else if (top + ROW_H > shown + view.clientHeight - HEAD_H) setContentTop(top + ROW_H - view.clientHeight + HEAD_H);
    if (left < view.scrollLeft) view.scrollLeft = left;
    if (left + width > view.scrollLeft + view.clientWidth - NUM_W) view.scrollLeft = left + width - view.clientWidth + NUM_W;
    draw();
  }

  function currentCell() {
    return (cache.get(active.cur.row) || [])[active.cur.col];
  }

  // What the editor started from: leaving it with that text runs nothing.
  let editing = null;
  // `caret`: begun on the text as it is (F2, Enter, a double click), so the
  // arrow keys move the caret; begun by typing, they commit and move, as in a spreadsheet.
  function startEdit(initial, caret = initial === undefined) {
    const c = currentCell();
    const ed = $('editor');
    const view = $('view');
    const old = c && c.type === 'string' ? c.text : '';
    const shown = c && c.type === 'value' ? String(c.value) : c && c.type === 'string' ? showText(old, active) : '';
    editing = { tab: active, index: indexOf(active.cur.row, active.cur.col), old, shown, type: c ? c.type : 'empty', caret };
    ed.hidden = false;
    // In the scrolled content, where the cell is drawn in view.
    ed.style.top = view.scrollTop + HEAD_H + active.cur.row * ROW_H - contentTop() + 'px';
    ed.style.left = NUM_W + colLeft(active.cur.col) + 'px';
    ed.value = initial !== undefined ? initial : shown;
    fitEditor();
    ed.focus();
    if (initial === undefined) ed.select();
  }

  // The editor as large as its text, every line of it, within the view.
  function fitEditor() {
    const ed = $('editor');
    const view = $('view');
    const narrowest = colWidth(active.cur.col);
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
    if (!commit || !was || was.tab !== active) return;
    const text = ed.value;
    // Left as it was: no line, so nothing is rewritten and no undo step is made.
    if (text === was.shown) return moveAfterEdit(move, key);
    const index = was.index;
    let line;
    if (text === '') line = 'Set value 0 at ' + index;
    else if (isInteger(text)) line = 'Set value ' + Number(text) + ' at ' + index;
    else {
      const written = textLiteral(text, was.old, active);
      if (written.error) return tell(active, written.error, true);
      line = 'Set string ' + written.literal + ' at ' + index;
    }
    report(line, change([line]));
    moveAfterEdit(move, key);
  }

  // After an edit: Tab and Shift+Tab go along the row, and Enter then goes down
  // to the column the run of Tabs started in, as a spreadsheet does.
  let tabRun = null;  // {tab, col}: where the Tabs started
  function moveAfterEdit([rows, cols], key) {
    const { row, col } = active.cur;
    if (key === 'Tab' && layout().cols === 1) {
      [rows, cols] = [cols, 0];  // a list has no row to go along: Tab goes to the next element
    } else if (key === 'Tab') {
      if (!tabRun || tabRun.tab !== active) tabRun = { tab: active, col };
    } else if (key === 'Enter' && tabRun && tabRun.tab === active) {
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

  // The game has no action that takes a key away: a key value of 0 leaves the
  // key empty, which shows as none (a search for key value 0 still finds it).
  const clearKeyLine = (index) => 'Set key value 0 at ' + index;

  // A choice among `options` ([value, text] each) in the status line; `done` gets the value.
  function choose(question, options, done) {
    const box = $('status');
    box.className = '';
    box.innerHTML = '<label>' + esc(question) + ' <select id="choice"></select></label> <button id="chosen">Compare</button>';
    for (const [value, text] of options) $('choice').add(new Option(text, value));
    const go = () => { const v = $('choice').value; box.textContent = ''; $('view').focus(); done(v); };
    $('chosen').onclick = go;
    $('choice').onkeydown = (e) => {
      if (e.key === 'Enter') { e.preventDefault(); go(); }
      if (e.key === 'Escape') { box.textContent = ''; $('view').focus(); }
    };
    $('choice').focus();
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
  function rowLines(insert, y = active.cur.row) {
    const X = shape.columns;
    const at = y * X;
    const lines = [];
    for (let i = 0; i < X; ++i) lines.push(insert ? 'Insert value 0 at ' + at : 'Delete at ' + at);
    lines.grid = { kind: insert ? 'insertRow' : 'deleteRow', count: X, at, from: 0, to: lines.length };
    return lines;
  }

  function columnLines(insert, c = active.cur.col) {
    const X = shape.columns;
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
      if ((labels[j] || '') !== (moved[j] || '')) names.push('Set label to ' + literal(moved[j] || '') + ' at column ' + j);
    }
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
    const written = textLiteral(value, '', active);
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
    const cols = shape.dimensions === 1 ? 1 : shape.columns;
    const lines = cells.map((cell) => {
      const [x, y] = Array.isArray(cell) ? cell : [cell, null];
      const index = y === null ? x : shape.dimensions === 1 ? y : x >= 0 && x < cols ? indexOf(y, x) : NaN;
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
    if (!shape || shape.dimensions !== 2) throw new Error('rows and columns are a 2D array\'s: this one has ' + shape.dimensions + ' dimensions');
    const { cols, units } = layout();
    const most = what === 'row' ? units - 1 : cols - 1;
    if (!Number.isInteger(at) || at < 0 || at > most) throw new Error('no ' + what + ' ' + at + ': 0 to ' + most);
    const lines = what === 'row' ? rowLines(insert, at) : columnLines(insert, at);
    const result = change(lines);
    report((insert ? '+ ' : '− ') + what + ' ' + at, result);
    if (result.failed) throw new Error(result.text.replace(/\n$/, ''));
  }

  // ---- Sorting by a column's header, with the module's row sorts: by value
  // or by text, as most of the column's cells are, ascending, then descending
  // on a second click of the same header.
  const SORT_SAMPLE = 2000;  // rows looked at to tell a column of texts from one of values
  const LIST_SCAN = 20000;   // rows looked at for the selected rows listed (a cell a call)

  // Calls `fn(row, cell)` with each complete row's cell in column `col` (as
  // the bridge gives it: [type, length, text, key type, key text, selected]),
  // from the first row on, until it returns true or `most` rows are seen.
  function eachRowCell(col, most, fn) {
    const X = Math.max(1, shape.columns);
    const rows = Math.min(Math.floor(shape.size / X), most);
    for (let r = 0; r < rows; ++r) {
      const answer = call('Cells', r * X + col, 1);
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
    const sorted = shape.dimensions === 2 && lastSort(active);
    return sorted && sorted.col === col ? '<b class="sorted" title="rows sorted by this column">' + (sorted.descending ? '▼' : '▲') + '</b>' : '';
  }

  function sortByHeader(col) {
    if (shape.dimensions !== 2) return;
    const tab = active;
    const before = lastSort(tab);
    const descending = !!before && before.col === col && !before.descending;
    const line = sortLine(col, descending);
    const rows = Math.floor(shape.size / Math.max(1, shape.columns));
    const sort = (lines) => {
      const result = change(lines);
      report(lines.join('; '), result);
      if (result.failed) return;
      tab.sorted = { col, descending, step: tab.steps[tab.steps.length - 1] };
      draw();
      const some = shape.selectedRows < rows ? ': the ' + count(shape.selectedRows, 'selected row', 'selected rows') + ' of ' + rows +
        ' moved among their own places, the others stayed where they were' : '';
      tell(tab, 'Rows sorted by column ' + col + (descending ? ', descending' : ', ascending') + some);
    };
    if (rows === 0) return tell(tab, 'Nothing to sort: the array has no complete row', true);
    // The module sorts the selected rows only: run with none, the sort would move nothing.
    if (shape.selectedRows === 0) {
      tell(tab, 'Not sorted: no row is selected, and the row sorts move the selected rows only ' +
        '(a query or "Select all rows" selects them); nothing was changed', true);
      offer('No row of ' + tab.title + ' is selected, so sorting by column ' + col + ' would move nothing.',
        [['Select all rows and sort', () => sort(['Select all rows', line])]], undefined, tab);
      return;
    }
    sort([line]);
  }

  // ---- The filter box: a new selection of the rows whose cell in a column
  // passes a test, made by the module's queries, as one undo step.
  const VALUE_TESTS = ['=', '<>', '>', '>=', '<', '<='];
  function filterLines(col, test, value, high) {
    const text = (t) => {
      const written = textLiteral(t, '', active);
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
    const rows = Math.floor(shape.size / Math.max(1, shape.columns));
    const first = selectedRows(10);
    const text = shape.selectedRows === 0 ? 'no row of ' + rows + ' is selected'
      : count(shape.selectedRows, 'row', 'rows') + ' of ' + rows + ' selected: ' + first.join(', ') + (shape.selectedRows > first.length ? ', …' : '');
    $('filterFound').textContent = text;
    tell(active, 'Selection: ' + text);
    if (first.length) moveTo(first[0], active.cur.col);
  }

  function runFilter() {
    const typed = $('filterColumn').value.trim();
    const col = typed === '' ? active.cur.col : Number(typed);
    if (!Number.isInteger(col) || col < 0 || col >= shape.columns) {
      return tell(active, 'No column ' + typed + ': the columns are 0 to ' + (shape.columns - 1), true);
    }
    let lines;
    try {
      lines = filterLines(col, $('filterTest').value, $('filterValue').value, $('filterHigh').value);
    } catch (error) {
      return tell(active, error.message + ': no row was selected or deselected', true);
    }
    const result = change(lines);
    report(lines.join('; '), result);
    if (!result.failed) showSelection();
  }

  // The settings form: the lines for what was changed, one undo step.
  function openSettings() {
    $('setDims').value = String(shape.dimensions);
    // A boundary not set yet (0) is left blank: the boxes take 1 or more, and 0 would stop the form.
    $('setX').value = shape.columns >= 1 ? shape.columns : '';
    $('setY').value = shape.rowsPerPage >= 1 ? shape.rowsPerPage : '';
    $('setDelimiter').value = showText(shape.delimiter, active);
    $('setCase').value = '';
    $('setSearch').value = '';
    $('setQueries').value = '';
    $('setAutoSelect').value = autoSelectOf(active) ? 'on' : 'off';
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
    const delimiter = $('setDelimiter').value;
    if (delimiter !== showText(shape.delimiter, active)) {
      const written = textLiteral(delimiter, shape.delimiter, active);
      if (written.error) throw new Error(written.error);
      lines.push('Set list delimiter to ' + written.literal);
    }
    if ($('setCase').value) lines.push($('setCase').value);
    if ($('setSearch').value) lines.push($('setSearch').value);
    if ($('setQueries').value) lines.push($('setQueries').value);
    // The game reads this setup once, when the object is made: so is the tab's instance, made again with it.
    if ($('setAutoSelect').value !== (autoSelectOf(active) ? 'on' : 'off')) lines.unshift('# auto-select ' + $('setAutoSelect').value);
    return lines;
  }

  function report(line, result) {
    log(line, result.text, result.failed);
  }

  // ---- The command bar: lines, completion and the log.
  function log(line, text, failed, tab = active) {
    const entry = document.createElement('div');
    entry.className = 'entry' + (failed ? ' bad' : '');
    const help = helpLink(line);
    entry.innerHTML = '<code class="in"></code>' + (help ? ' <a class="ref" target="_blank" rel="noopener" href="' + help + '">help</a>' : '') + '<pre></pre>';
    entry.firstChild.textContent = '› ' + line;
    entry.lastChild.textContent = text.replace(/\n$/, '');
    if (lastStep && tab === active) lastStep.entry = entry;
    lastStep = null;
    keep(tab, entry);
  }

  function keep(tab, entry) {
    tab.entries.push(entry);
    while (tab.entries.length > 200) tab.entries.shift().remove();
    if (tab !== active) return;
    const box = $('log');
    box.appendChild(entry);
    box.scrollTop = box.scrollHeight;
  }

  // A message of a tab (a load, damage, a save, a mistake): in its log, and in the status line while it is shown.
  function tell(tab, text, warn) {
    if (tab === active) status(text, warn);
    const entry = document.createElement('div');
    entry.className = 'entry note' + (warn ? ' bad' : '');
    entry.innerHTML = '<pre></pre>';
    entry.firstChild.textContent = text;
    keep(tab, entry);
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
    levelMap.wire();
    const view = $('view');
    let queued = false;  // one draw a frame, however many scroll events came
    view.addEventListener('scroll', () => {
      if (queued) return;
      queued = true;
      requestAnimationFrame(() => { queued = false; draw(); });
    });
    // On a scaled grid the wheel moves rows as on any other, not a scaled stride of them.
    view.addEventListener('wheel', (e) => {
      if (levelMap.zoomed() || !rowAxis.scaled(rowRoom().whole) || e.ctrlKey || Math.abs(e.deltaY) < Math.abs(e.deltaX)) return;
      e.preventDefault();
      const unit = e.deltaMode === 1 ? ROW_H : e.deltaMode === 2 ? view.clientHeight - HEAD_H : 1;
      setContentTop(contentTop() + e.deltaY * unit);
    }, { passive: false });
    window.addEventListener('resize', () => draw());
    view.addEventListener('mousedown', (e) => {
      const cell = e.target.closest('.cell');
      if (!cell) return;
      endEdit(true);
      tabRun = null;
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
      if (!head || e.detail > 1 || shape.dimensions !== 2 || e.target.closest('.grip') || performance.now() - resizedAt < 200) return;
      const tab = active;
      sortClick = setTimeout(() => { if (active === tab) sortByHeader(Number(head.dataset.c)); }, DOUBLE_CLICK_MS);
    });
    // Dragging a header's right edge sets its column's width, for this tab.
    view.addEventListener('mousedown', (e) => {
      const grip = e.target.closest('.grip');
      if (!grip || e.button !== 0) return;
      e.preventDefault();
      e.stopPropagation();
      endEdit(true);
      const [col, x0, tab] = [Number(grip.parentNode.dataset.c), e.clientX, active];
      const w0 = colWidth(col);
      const move = (m) => {
        if (active !== tab) return;
        const w = Math.max(MIN_COL_W, Math.round(w0 + m.clientX - x0));
        if (w === COL_W) widthsOf(tab).delete(col);
        else widthsOf(tab).set(col, w);
        $('sizer').style.width = NUM_W + colLeft(layout().cols) + 'px';
        cached = null;  // the window in view may now hold other columns
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
      if (head && shape.dimensions === 2) {
        active.cur.col = Number(head.dataset.c);
        draw();
        $('labelSet').click();
      }
    });
    view.addEventListener('keydown', (e) => {
      if (e.target !== view || levelMap.key(e)) return;
      const { row, col } = active.cur;
      const moves = { ArrowUp: [-1, 0], ArrowDown: [1, 0], ArrowLeft: [0, -1], ArrowRight: [0, 1], PageUp: [-20, 0], PageDown: [20, 0] };
      const { cols, units } = layout();
      if (moves[e.key]) {
        e.preventDefault();
        tabRun = null;
        moveTo(row + moves[e.key][0], col + moves[e.key][1]);
      } else if (e.key === 'Home' || e.key === 'End') {
        // The row's first or last cell; with Ctrl (or in a list) the first or last row.
        e.preventDefault();
        const end = e.key === 'End';
        const rows = e.ctrlKey || e.metaKey || cols === 1;
        const last = shape.dimensions === 3 ? units - 1 : Math.max(0, units - 2);  // not the row past the end
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
    document.addEventListener('keydown', (e) => {
      if (!(e.ctrlKey || e.metaKey)) return;
      const k = e.key.toLowerCase();
      if (k === 's') { e.preventDefault(); endEdit(true); download(e.shiftKey); }
      if (e.target.tagName === 'INPUT' && e.target.id !== 'editor') return;
      if (k === 'z' && !e.shiftKey) { e.preventDefault(); endEdit(false); undo(); }
      if (k === 'y' || (k === 'z' && e.shiftKey)) { e.preventDefault(); endEdit(false); redo(); }
    });
    $('picker').addEventListener('change', (e) => { openFiles(e.target.files); e.target.value = ''; });
    $('save').onclick = () => download();
    $('saveAs').onclick = () => download(true);
    // Leaving or reloading the page with changes not saved raises the browser's own question.
    window.addEventListener('beforeunload', (e) => {
      if (!tabs.some(changed)) return;
      e.preventDefault();
      e.returnValue = '';
    });
    $('new').onclick = () => activate(makeUntitled());
    // What the chosen format would not keep, told before saving: a save to a scratch file.
    $('format').addEventListener('change', async () => {
      const format = $('format').value;
      const trial = await saveCompressed(format);
      if (trial.error) status('the save would fail: ' + trial.error, true);
      else status(trial.losses ? 'Saving as ' + format + ': ' + trial.losses : 'Saving as ' + format + ' keeps everything', !!trial.losses);
    });
    $('encoding').addEventListener('change', () => { setEncoding(active, $('encoding').value); $('view').focus(); });
    $('undo').onclick = undo;
    $('redo').onclick = redo;
    $('pagePrev').onclick = () => { active.page = Math.max(0, active.page - 1); refresh(false); };
    $('pageNext').onclick = () => { active.page = Math.min(pages() - 1, active.page + 1); refresh(false); };
    $('pageNumber').onchange = () => { active.page = Math.max(0, Number($('pageNumber').value) || 0); refresh(false); };
    const button = (what, insert) => () => {
      try {
        gridStep(what, insert, what === 'row' ? active.cur.row : active.cur.col);
      } catch (error) {
        tell(active, error.message, true);
      }
    };
    $('rowInsert').onclick = button('row', true);
    $('rowDelete').onclick = button('row', false);
    $('colInsert').onclick = button('column', true);
    $('colDelete').onclick = button('column', false);
    $('labelSet').onclick = () => {
      const old = labels[active.cur.col] || '';
      ask('Label of column ' + active.cur.col + ':', showText(old, active), (text) => {
        if (text === showText(old, active)) return;  // left as it was: nothing to run
        const written = textLiteral(text, old, active);
        if (written.error) return tell(active, written.error, true);
        const line = 'Set label to ' + written.literal + ' at column ' + active.cur.col;
        report(line, change([line]));
      });
    };
    $('keySet').onclick = () => {
      const c = currentCell();
      const old = c && c.key && c.key.type === 'string' ? c.key.text : '';
      const shown = c && c.key && c.key.type !== 'empty' ? (c.key.type === 'string' ? showText(old, active) : c.key.text) : '';
      ask('Key of element ' + indexOf(active.cur.row, active.cur.col) + ' (a number gives a value key, nothing clears it):',
        shown, (text) => {
          if (text === shown && shown !== '') return;  // left as it was: nothing to run
          const index = indexOf(active.cur.row, active.cur.col);
          const written = textLiteral(text, old, active);
          if (written.error) return tell(active, written.error, true);
          const line = text === '' ? clearKeyLine(index)
            : isInteger(text) ? 'Set key value ' + Number(text) + ' at ' + index : 'Set key string ' + written.literal + ' at ' + index;
          report(line, change([line]));
        });
    };
    $('keyClear').onclick = () => {
      const line = clearKeyLine(indexOf(active.cur.row, active.cur.col));
      report(line, change([line]));
      $('view').focus();
    };
    $('cellLoad').addEventListener('change', async (e) => {
      const f = e.target.files[0];
      e.target.value = '';
      if (f) loadCell(f.name, store(f.name, new Uint8Array(await f.arrayBuffer())), indexOf(active.cur.row, active.cur.col));
      $('view').focus();
    });
    $('cellSave').onclick = downloadCell;
    $('check').onclick = showCheck;
    $('diff').onclick = () => {
      const choices = active.file ? [['opened', active.title + ' as opened']] : [];
      for (const t of tabs) if (t !== active) choices.push([t.id, t.title + ' (tab ' + (tabs.indexOf(t) + 1) + ')']);
      choose('Compare ' + active.title + ' with', choices, showDiff);
    };
    $('settingsOpen').onclick = openSettings;
    $('filter').onsubmit = (e) => { e.preventDefault(); runFilter(); };
    $('filterTest').onchange = () => { $('filterAnd').hidden = $('filterTest').value !== 'between'; };
    $('filterAll').onclick = () => {
      const result = change(['Select all rows']);
      report('Select all rows', result);
      if (!result.failed) showSelection();
    };
    $('settingsCancel').onclick = () => { $('settings').hidden = true; $('view').focus(); };
    $('settings').onsubmit = (e) => {
      e.preventDefault();
      $('settings').hidden = true;
      let lines;
      try {
        lines = settingsLines();
      } catch (error) {
        return tell(active, error.message, true);
      }
      if (lines.length) report(lines.join('; '), change(lines));
      if (lines.some((l) => AUTO_SELECT.test(l))) remake();
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
    // Opens a file's bytes (a Uint8Array) in a new tab: its description. The
    // format is the one its content shows unless named ("sheet" reads a spreadsheet's CSV).
    open: (name, bytes, format = '') => openBytes(name, bytes, format),
    // The same in a worker, as the page opens a large file: a promise of the description.
    openAway: (name, bytes, format = '') => openLarge(name, store(name, bytes), format, { away: true }),
    // Runs a console line on the current tab: what the console prints.
    run: (line) => { const r = runLine(line); log(line, r.text, r.failed); return r.text; },
    // The current tab saved in "native", "host", "csv", "ini", "sheet", "json" or "tilemap" (into a copy
    // of the tab's map, else the last map opened): {bytes, losses, template}.
    // A promise when a map's layers are compressed first.
    save: (format) => {
      const s = saveAs(format);
      if (s.error) throw new Error(s.error);
      if (!s.deflate) return s;
      return saveCompressed(format).then((c) => { if (c.error) throw new Error(c.error); return c; });
    },
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
    // A file's bytes as the data of element `index` of the current tab (Set file at), and
    // the bytes of an element as the game's Save element to file writes them.
    loadCell: (name, bytes, index) => {
      const r = loadCell(name, store(name, bytes), index);
      if (r.failed) throw new Error(r.text.replace(/\n$/, ''));
    },
    saveCell: (index) => { const s = saveCell(index); if (s.error) throw new Error(s.error); return s.bytes; },
    // What tessel check prints for the current tab's file as opened, and what
    // tessel diff prints for it as opened (no argument) or for tab `other`, with it as it is now.
    check: () => { const r = check(active); if (r.error) throw new Error(r.error); return r.output; },
    diff: (other) => {
      const r = diff(active, other === undefined ? null : tabs[other]);
      if (r.error) throw new Error(r.error);
      return { output: r.output, errors: r.errors, a: r.a, b: r.b };
    },
    // The current tab's text encoding, set first when a name is given ("auto", "utf-8", "windows-1250" to "windows-1258").
    encoding: (name) => { if (name !== undefined) setEncoding(active, name); return active.encoding; },
    // Undo and redo of the current tab: a promise when the undo replays the tab's steps in slices.
    undo: () => undo(),
    redo: () => redo(),
    // Rows and columns of the current page of a 2D array, each one undo step,
    // as the toolbar does them: an empty row above row y, or one below the last (y = the row count).
    insertRow: (y) => gridStep('row', true, y),
    deleteRow: (y) => gridStep('row', false, y),
    insertColumn: (x) => gridStep('column', true, x),
    deleteColumn: (x) => gridStep('column', false, x),
    // Cells of the current page ([x, y] each, or an index) set to an integer or a text, one undo step.
    paint: (cells, value) => paint(cells, value),
    // The level map of the current 2D or 3D page: the zoom in pixels a cell (0 the text grid), set
    // first when given; a rectangle of cells (corners in any order) and a flood fill from a cell (the
    // cells joined to it through sides that hold what it holds) set to an integer or a text, one undo step each.
    zoom: (n) => (n === undefined ? levelMap.zoom() : levelMap.setZoom(n)),
    rectangle: (x0, y0, x1, y1, value) => levelMap.rectangle(x0, y0, x1, y1, contentOf(value)),
    fill: (x, y, value) => levelMap.fill(x, y, contentOf(value)),
    // The palette: [{content, colour, tile, chosen}]; an entry's colour ('#rrggbb', null the default) and tile (a number, null the default).
    palette: () => levelMap.palette(),
    colour: (value, colour, tile) => { levelMap.setEntry(contentOf(value), colour, tile); return levelMap.palette(); },
    // The cells marked by Compare… or Changes ([{x, y, page}], null when none are), and a jump to the next (-1: the one before).
    marks: () => levelMap.marks(),
    nextMark: (dir = 1) => levelMap.jump(dir),
    // The open tabs' titles and which one is current.
    tabs: () => ({ titles: tabs.map((t) => t.title), current: tabs.indexOf(active) }),
    select: (i) => activate(tabs[i]),
  };

  createTesselModule().then((instance) => {
    wasm = instance;
    bench = wasm._tesselWorkbenchCreate();
    if (!bench) throw new Error('the module did not start');
    call = bridgeOf(wasm, bench);
    names = call('Catalogue');
    wire();
    activate(makeUntitled());
    status('Open an array file (native, host array, CSV, INI, JSON or a tile map) with Open… or by dropping it here; type console lines below.');
    resolveReady();
  }).catch((error) => status('The workbench could not start: ' + error, true));
})();
