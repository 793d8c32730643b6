// Saving: the module writes the file, the page hands it to the browser.
import { deflateBytes } from './compress.js';
import { $, count } from './dom.js';
import { quote } from './encoding.js';
import { HEADER } from './lines.js';
import { late } from './parts.js';

export function createSave(app, parts) {
  const { ask } = late(parts, 'dialogs');
  const { indexOf } = late(parts, 'grid');
  const { tell } = late(parts, 'log');
  const { markSaved, renderTabs } = late(parts, 'tabs');

  // The map a tab saved as a tile map is written into: its own, else the last map opened.
  function templateMap(tab) {
    if (tab.format === 'tilemap') return tab;
    return app.tabs.slice().reverse().find((t) => t.format === 'tilemap' && t.file) || null;
  }
  // Saving: the module writes the file; the page hands it over.
  // A tile map's compressed layers are written compressed once the browser
  // has compressed their data (saveCompressed): until then `deflate` lists it.
  function saveAs(format, tab = app.active) {
    const path = '/out/' + tab.id + '.' + format;
    app.wasm.FS.mkdirTree('/out');
    // A table read with its labels in its first row is written so again.
    const header = HEADER.test(tab.readAs) && (format === 'csv' || format === 'sheet') ? ' --header' : '';
    const map = format === 'tilemap' ? templateMap(tab) : null;
    if (format === 'tilemap' && !map) return { error: 'a tile map is saved into a copy of a map: open the map first' };
    if (tab !== app.active) app.runRaw('with ' + tab.id);
    const answer = app.call('Save', format + header + (map ? ' --template ' + map.file : ''), path);
    if (tab !== app.active) app.runRaw('with ' + app.active.id);
    if (!answer.ok) return { error: answer.error };
    const bytes = app.wasm.FS.readFile(path);
    app.wasm.FS.unlink(path);
    return { bytes, losses: answer.losses, template: map && map.title, ...(answer.deflate ? { deflate: answer.deflate, folder: answer.folder } : {}) };
  }

  // The save, with the data of a map's compressed layers compressed by the
  // browser (it compresses only asynchronously) the way the layers they
  // replace were, then the map written again with them.
  async function saveCompressed(format, tab = app.active) {
    const first = saveAs(format, tab);
    if (first.error || !first.deflate) return first;
    for (const d of first.deflate) {
      const packed = await deflateBytes(app.wasm.FS.readFile(d.path), d.compression);
      if (packed) app.wasm.FS.writeFile(d.path + '.packed', packed);
    }
    app.call('Deflated', first.folder);
    if (!app.tabs.includes(tab)) return { error: tab.title + ' was closed' };
    const { deflate, folder, ...saved } = saveAs(format, tab);
    return saved;  // a layer changed meanwhile is written uncompressed, and its note says so
  }

  const extensions = { native: '.arr', host: '.kzp', csv: '.csv', ini: '.ini', sheet: '.csv', json: '.json', tilemap: '.tmj' };
  // Save: a tab made here asks its file name at its first save, Save as… always.
  const defaultName = (tab, format) => tab.saveName || tab.title.replace(/\.[^.]*$/, '') + extensions[format];
  async function download(askName = false) {
    const tab = app.active;
    const format = $('format').value;
    if (askName || (!tab.file && !tab.saveName)) {
      return ask('Save ' + tab.title + ' as:', defaultName(tab, format), (name) => {
        if (!name.trim()) return tell(tab, tab.title + ' was not saved: it needs a file name', true);
        tab.saveName = name.trim().replace(/[\/\\]/g, '_');
        tab.title = tab.saveName;
        if (app.tabs.includes(tab) && tab === app.active) download();
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

  function saveCell(index) {
    const path = '/out/element';
    app.wasm.FS.mkdirTree('/out');
    if (app.wasm.FS.analyzePath(path).exists) app.wasm.FS.unlink(path);
    const answer = app.runRaw('Save element ' + index + ' to file ' + quote(path));
    if (!answer.ok) return { error: (answer.errors || answer.output).replace(/\n$/, '') };
    const bytes = app.wasm.FS.readFile(path);
    app.wasm.FS.unlink(path);
    return { bytes };
  }

  function downloadCell() {
    const index = indexOf(app.active.cur.row, app.active.cur.col);
    const saved = saveCell(index);
    if (saved.error) return tell(app.active, 'element ' + index + ' was not saved: ' + saved.error, true);
    const name = app.active.title.replace(/\.[^.]*$/, '') + '-element-' + index + '.bin';
    hand(saved.bytes, name);
    tell(app.active, name + ' saved: the ' + count(saved.bytes.length, 'byte', 'bytes') + ' of element ' + index);
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

  return { download, downloadCell, saveAs, saveCell, saveCompressed };
}
