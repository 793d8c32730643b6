// The toolbar's buttons and forms, and the page's keyboard shortcuts.
import { $ } from './dom.js';
import { isInteger, showText, textLiteral } from './encoding.js';
import { AUTO_SELECT, clearKeyLine } from './lines.js';
import { late } from './parts.js';

export function createToolbar(app, parts) {
  const { ask, choose } = late(parts, 'dialogs');
  const { endEdit } = late(parts, 'editing');
  const { gridStep } = late(parts, 'edits');
  const { loadCell, openFiles, store } = late(parts, 'files');
  const { runFilter, showSelection } = late(parts, 'filter');
  const { currentCell, draw, indexOf, pages, refresh } = late(parts, 'grid');
  const { report, status, tell } = late(parts, 'log');
  const { download, downloadCell, saveCompressed } = late(parts, 'save');
  const { openSettings, settingsLines } = late(parts, 'settings');
  const { activate, changed, makeUntitled, setEncoding } = late(parts, 'tabs');
  const { change, redo, remake, undo } = late(parts, 'undo');
  const { showCheck, showDiff } = late(parts, 'views');

  function wire() {
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
      if (!app.tabs.some(changed)) return;
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
    $('encoding').addEventListener('change', () => { setEncoding(app.active, $('encoding').value); $('view').focus(); });
    $('undo').onclick = undo;
    $('redo').onclick = redo;
    $('pagePrev').onclick = () => { app.active.page = Math.max(0, app.active.page - 1); refresh(false); };
    $('pageNext').onclick = () => { app.active.page = Math.min(pages() - 1, app.active.page + 1); refresh(false); };
    $('pageNumber').onchange = () => { app.active.page = Math.max(0, Number($('pageNumber').value) || 0); refresh(false); };
    const button = (what, insert) => () => {
      try {
        gridStep(what, insert, what === 'row' ? app.active.cur.row : app.active.cur.col);
      } catch (error) {
        tell(app.active, error.message, true);
      }
    };
    $('rowInsert').onclick = button('row', true);
    $('rowDelete').onclick = button('row', false);
    $('colInsert').onclick = button('column', true);
    $('colDelete').onclick = button('column', false);
    $('labelSet').onclick = () => {
      const old = app.shape.labels[app.active.cur.col] || '';
      ask('Label of column ' + app.active.cur.col + ':', showText(old, app.active), (text) => {
        if (text === showText(old, app.active)) return;  // left as it was: nothing to run
        const written = textLiteral(text, old, app.active);
        if (written.error) return tell(app.active, written.error, true);
        const line = 'Set label to ' + written.literal + ' at column ' + app.active.cur.col;
        report(line, change([line]));
      });
    };
    $('keySet').onclick = () => {
      const c = currentCell();
      const old = c && c.key && c.key.type === 'string' ? c.key.text : '';
      const shown = c && c.key && c.key.type !== 'empty' ? (c.key.type === 'string' ? showText(old, app.active) : c.key.text) : '';
      ask('Key of element ' + indexOf(app.active.cur.row, app.active.cur.col) + ' (a number gives a value key, nothing clears it):',
        shown, (text) => {
          if (text === shown && shown !== '') return;  // left as it was: nothing to run
          const index = indexOf(app.active.cur.row, app.active.cur.col);
          const written = textLiteral(text, old, app.active);
          if (written.error) return tell(app.active, written.error, true);
          const line = text === '' ? clearKeyLine(index)
            : isInteger(text) ? 'Set key value ' + Number(text) + ' at ' + index : 'Set key string ' + written.literal + ' at ' + index;
          report(line, change([line]));
        });
    };
    $('keyClear').onclick = () => {
      const line = clearKeyLine(indexOf(app.active.cur.row, app.active.cur.col));
      report(line, change([line]));
      $('view').focus();
    };
    $('cellLoad').addEventListener('change', async (e) => {
      const f = e.target.files[0];
      e.target.value = '';
      if (f) loadCell(f.name, store(f.name, new Uint8Array(await f.arrayBuffer())), indexOf(app.active.cur.row, app.active.cur.col));
      $('view').focus();
    });
    $('cellSave').onclick = downloadCell;
    $('check').onclick = showCheck;
    $('diff').onclick = () => {
      const choices = app.active.file ? [['opened', app.active.title + ' as opened']] : [];
      for (const t of app.tabs) if (t !== app.active) choices.push([t.id, t.title + ' (tab ' + (app.tabs.indexOf(t) + 1) + ')']);
      choose('Compare ' + app.active.title + ' with', choices, showDiff);
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
        return tell(app.active, error.message, true);
      }
      if (lines.length) report(lines.join('; '), change(lines));
      if (lines.some((l) => AUTO_SELECT.test(l))) remake();
      $('view').focus();
      draw();
    };
  }

  return { wire };
}
