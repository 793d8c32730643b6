// The console's check and diff of a tab's files.
import { late } from './parts.js';

export function createViews(app, parts) {
  const { log, status } = late(parts, 'log');
  const { saveAs } = late(parts, 'save');
  const levelMap = late(parts, 'levelMap');

  // The console's check and diff views. Each runs in a folder of its
  // own, so it names the files as the user knows them, removed after.
  let compared = 0;
  function removeTree(path) {
    for (const name of app.wasm.FS.readdir(path)) {
      if (name === '.' || name === '..') continue;
      const inner = path + '/' + name;
      if (app.wasm.FS.isDir(app.wasm.FS.stat(inner).mode)) removeTree(inner);
      else app.wasm.FS.unlink(inner);
    }
    app.wasm.FS.rmdir(path);
  }

  function inFolder(folder, files, fn) {
    app.wasm.FS.mkdirTree(folder);
    for (const [name, bytes] of Object.entries(files)) {
      const dir = name.includes('/') ? folder + '/' + name.slice(0, name.lastIndexOf('/')) : folder;
      app.wasm.FS.mkdirTree(dir);
      app.wasm.FS.writeFile(folder + '/' + name, bytes);
    }
    app.wasm.FS.chdir(folder);
    try {
      return fn();
    } finally {
      app.wasm.FS.chdir('/');
      removeTree(folder);
    }
  }

  const fileName = (tab) => tab.title.replace(/[\/\\]/g, '_') || 'untitled';

  // `tessel check` of the tab's file as it was opened.
  function check(tab) {
    if (!tab.file) return { error: 'an array made here has no file to check: save it, then open the file' };
    const answer = inFolder('/compare/' + ++compared, { [fileName(tab)]: app.wasm.FS.readFile(tab.file) },
      () => app.call('Check', fileName(tab), tab.readAs));
    return answer.ok ? { output: answer.output, status: answer.status } : { error: answer.error };
  }

  // `tessel diff` of the tab as opened (`other` null) or of another tab, with the tab as it is now.
  function diff(tab, other, asJson = false) {
    const now = (t) => {
      app.runRaw('with ' + t.id);
      try {
        return saveAs('native');
      } finally {
        app.runRaw('with ' + app.active.id);
      }
    };
    const mine = now(tab);
    if (mine.error) return { error: mine.error };
    let a, b;
    const files = {};
    if (!other) {
      if (!tab.file) return { error: 'an array made here has no file to compare with: compare it with another tab' };
      [a, b] = [fileName(tab), 'now/' + fileName(tab)];
      files[a] = app.wasm.FS.readFile(tab.file);
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
    const answer = inFolder('/compare/' + ++compared, files, () => app.call('Diff', a, b, from, asJson ? 1 : 0));
    return answer.ok ? { output: answer.output, errors: answer.errors, status: answer.status, a, b } : { error: answer.error };
  }

  function showCheck() {
    const result = check(app.active);
    if (result.error) return status(result.error, true);
    log('check ' + fileName(app.active), result.output, result.status !== 0);
    status(fileName(app.active) + (result.status === 0 ? ' is sound' : result.status === 1 ? ' is damaged' : ' cannot be read'),
      result.status !== 0);
  }

  function showDiff(choice) {
    const other = choice === 'opened' ? null : app.tabs.find((t) => t.id === choice);
    const result = diff(app.active, other);
    if (result.error) return status(result.error, true);
    log('diff ' + result.a + ' ' + result.b, result.output + result.errors, result.status === 2);
    status(result.status === 0 ? 'no difference' : result.status === 1 ? 'the arrays differ: see the log' : 'cannot compare', result.status !== 0);
    if (result.status !== 2) levelMap.markCompare(app.active, other);
  }

  // The cells `tessel diff` finds, as its JSON gives them: [{x, y, page}], and whether the shapes differ.
  function diffCells(tab, other) {
    const result = diff(tab, other, true);
    if (result.error) throw new Error(result.error);
    const found = JSON.parse(result.output || '{"cells": []}');
    return { cells: found.cells || [], shapeDiffers: !!found.shapeDiffers };
  }

  return { check, diff, diffCells, fileName, showCheck, showDiff };
}
