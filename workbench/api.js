// The script interface: how a creator scripts the page from the browser's
// console, and how the tests drive it.
import { late } from './parts.js';

export function createApi(app, parts) {
  const { runLine } = late(parts, 'command');
  const { contentOf, gridStep, paint } = late(parts, 'edits');
  const { loadCell, openBytes, openLarge, store } = late(parts, 'files');
  const { log } = late(parts, 'log');
  const { saveAs, saveCell, saveCompressed } = late(parts, 'save');
  const { activate, setEncoding } = late(parts, 'tabs');
  const { redo, undo } = late(parts, 'undo');
  const { check, diff } = late(parts, 'views');
  const levelMap = late(parts, 'levelMap');

  let scripts = 0;
  let resolveReady;
  const ready = new Promise((resolve) => { resolveReady = resolve; });
  const api = {
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
    cells: () => JSON.parse(app.runRaw('show --json').output),
    // A whole script as `tessel run` runs it, in a session and a folder of its
    // own: {ok, output, errors, files} (the files it wrote, by name).
    runScript: (text, name = 'script.tessel') => {
      const folder = '/scripts/' + ++scripts;
      app.wasm.FS.mkdirTree(folder);
      app.wasm.FS.chdir(folder);
      let answer;
      try {
        answer = app.call('Script', name, text);
      } finally {
        app.wasm.FS.chdir('/');
      }
      const files = {};
      for (const f of app.wasm.FS.readdir(folder)) if (f !== '.' && f !== '..') files[f] = app.wasm.FS.readFile(folder + '/' + f);
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
    check: () => { const r = check(app.active); if (r.error) throw new Error(r.error); return r.output; },
    diff: (other) => {
      const r = diff(app.active, other === undefined ? null : app.tabs[other]);
      if (r.error) throw new Error(r.error);
      return { output: r.output, errors: r.errors, a: r.a, b: r.b };
    },
    // The current tab's text encoding, set first when a name is given ("auto", "utf-8", "windows-1250" to "windows-1258").
    encoding: (name) => { if (name !== undefined) setEncoding(app.active, name); return app.active.encoding; },
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
    tabs: () => ({ titles: app.tabs.map((t) => t.title), current: app.tabs.indexOf(app.active) }),
    select: (i) => activate(app.tabs[i]),
  };
  // `api` becomes window.tesselWorkbench; `started` resolves its `ready`.
  return { api, started: () => resolveReady() };
}
