// Opening files: bytes kept in the page's file system while a tab reads them,
// loaded here or, when large, by a worker; element files loaded into a cell.
import { inflateBytes } from './compress.js';
import { $, count } from './dom.js';
import { quote } from './encoding.js';
import { HEADER } from './lines.js';
import { late } from './parts.js';

export function createFiles(app, parts) {
  const { offer } = late(parts, 'dialogs');
  const { indexOf } = late(parts, 'grid');
  const { keep, log, report, status, tell } = late(parts, 'log');
  const { activate, askClose, closeTab, makeTab } = late(parts, 'tabs');
  const { busyWith, change, keepLater, rebuild } = late(parts, 'undo');
  const { check, fileName, showCheck } = late(parts, 'views');

  // Keeps bytes in a folder of their own in the page's file system: their path.
  let stored = 0;
  function store(name, bytes) {
    const folder = '/files/' + ++stored;
    app.wasm.FS.mkdirTree(folder);
    const path = folder + '/' + (name.replace(/[\/\\]/g, '_') || 'file');
    app.wasm.FS.writeFile(path, bytes);
    return path;
  }

  // Removes a stored file that no open tab reads: a closed tab's file leaves
  // the page's memory, and no later line or script can read it.
  function release(path) {
    if (app.tabs.some((t) => t.files.includes(path))) return;
    const answer = app.call('Forget', path);
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
      app.tabs.splice(app.tabs.indexOf(tab), 1);
      app.runRaw('drop ' + tab.id);
      release(path);
      if (app.active) app.runRaw('with ' + app.active.id);
      tell(app.active, name + ' was not opened: ' + answer.error, true);
      return { name, error: answer.error };
    }
    tab.format = answer.format;
    if (app.tabs.length === 2 && !app.tabs[0].file && app.tabs[0].steps.length === 0 && !app.tabs[0].offers.length) closeTab(app.tabs[0]);
    activate(tab);
    keepLater(tab);
    const now = app.call('Shape');
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
    return { name, file: path, format: answer.format, dimensions: now.dimensions, size: now.size,
      columns: now.columns, rowsPerPage: now.rowsPerPage, warnings: answer.warnings };
  }

  // A new tab with the file loaded (`loaded`: what a worker's load of it gave,
  // else it is loaded here), the current tab's instance still the current one.
  function loadTab(name, path, readAs, loaded) {
    const tab = makeTab(name, path, readAs);
    const answer = loaded ? adopt(tab, loaded) : rebuild(tab);
    if (app.active) app.runRaw('with ' + app.active.id);
    return { tab, answer };
  }

  // The tab's file opened again, read as `readAs`, in a new tab that takes the old one's place.
  async function reopen(tab, name, readAs) {
    await openLarge(name, tab.file, readAs);  // first, so the file is still held while the old tab closes
    if (app.tabs.includes(tab)) askClose(tab);  // its changes, if any, are not lost unasked
  }

  // A stored file opened in a tab: a large one loaded by a worker while the
  // page shows it at work and goes on answering (`inflated`: a tile map's
  // layers, inflated; `shown`: the end of the work already shown for it;
  // `away`: in a worker whatever its size); the description of what was opened.
  async function openLarge(name, path, readAs, { inflated = null, shown = null, away = false } = {}) {
    const size = app.wasm.FS.stat(path).size;
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
      worker.postMessage({ path, bytes: app.wasm.FS.readFile(path), readAs, inflated });
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
    const made = app.call('Open', tab.id, temp, 'native', '');
    const exact = made.ok && !made.damaged && made.warnings.length === 0 && app.call('TakeExtras', extras).ok;
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
        const kind = app.call('Kind', path).format;
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
      const [tab, index] = [app.active, indexOf(app.active.cur.row, app.active.cur.col)];
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
      if (!busyWith()) $('view').removeAttribute('aria-busy');
      if ($('status').textContent === text) status('');  // unless the work said what came of it
    };
  }

  // Tile maps: their compressed layers, which the module's C++ reader
  // finds, are inflated here by the browser beforehand (it inflates only
  // asynchronously); the reader then takes what it needs from them.
  // What each packed layer inflated to (null where it did not), for a worker that opens the map.
  async function inflateMap(path) {
    const packed = app.call('Packed', path);
    if (!packed.ok) return null;  // opening the map says what is wrong with it
    const raws = [];
    for (const p of packed.data) {
      const raw = await inflateBytes(app.wasm.FS.readFile(p.path), p.compression, p.size);
      if (raw) app.wasm.FS.writeFile(p.path + '.raw', raw);
      raws.push(raw);
    }
    app.call('Inflated', path);
    return raws;
  }

  // Element files: a whole file's bytes as one cell, and one cell's bytes
  // as a file, through the game's own actions.
  function loadCell(name, path, index, tab = app.active) {
    if (tab !== app.active) {
      if (!app.tabs.includes(tab)) {
        release(path);
        tell(app.active, tab.title + ' is closed: ' + name + ' was not loaded', true);
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

  return { loadCell, openBytes, openFiles, openLarge, release, store, working };
}
