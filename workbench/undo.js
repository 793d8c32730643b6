// Steps and undo: lines run on the current tab's instance as one undo step,
// copies of the array kept before steps, and replays of a tab's steps.
import { $ } from './dom.js';
import { AUTO_SELECT } from './lines.js';
import { late } from './parts.js';

export function createUndo(app, parts) {
  const { refresh } = late(parts, 'grid');
  const { status, stepLogged } = late(parts, 'log');
  const { autoSelectOf, renderTabs } = late(parts, 'tabs');

  function change(lines) {
    if (busy) return { text: busy + ': try again when it is done\n', failed: true };
    const kept = takeReady(app.active, lines);
    const result = apply(lines);
    const done = lines.slice(0, result.done);
    if (lines.grid && result.done === lines.length) done.grid = lines.grid;
    stepLogged(done.length ? done : null);  // the log entry made next is this step's
    if (done.length) {
      done.snap = kept;
      app.active.steps.push(done);
      app.active.undone = [];
      trimSnapshots();
      renderTabs();
    } else if (kept) {
      app.active.ready = kept;  // nothing changed: still the array as it is
    }
    if (done.length) keepLater(app.active);
    refresh(false);
    return { text: result.text, failed: result.failed };
  }

  // Steps at the speed of the module: a step's lines run in one call of
  // the bridge, and the cells of a row or column step (`lines.grid`: which
  // step, and which of its lines are the cells') go through the module's batch
  // for them, which changes the same cells as those element lines; the step's
  // other lines (boundary, labels) run around it. {text, failed, done: lines run}.
  function runLines(lines) {
    if (!lines.length) return { text: '', failed: false, done: 0 };
    const answer = app.call('Lines', lines.join('\n'));
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
      const batch = g.kind === 'paint' ? app.call('Paint', g.indexes, g.text === null ? 0 : 1, g.value, g.text || '')
        : app.call('Grid', g.kind, g.count, g.at);
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
    if (tab.ready || !app.tabs.includes(tab) || busy) return;
    app.runRaw('with ' + tab.id);
    const answer = app.call('Keep');
    const size = app.call('Shape').size;
    app.runRaw('with ' + app.active.id);
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
    app.call('Drop', tab.ready);
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
    app.call('Drop', step.snap);
    snapshotCells.delete(step.snap);
    step.snap = 0;
  }
  function trimSnapshots() {
    const held = [];
    for (const t of app.tabs) for (const step of t.steps) if (step.snap) held.push(step);
    held.sort((a, b) => a.snap - b.snap);  // oldest first
    let total = held.reduce((n, step) => n + snapshotCells.get(step.snap) + 1, 0);
    for (const t of app.tabs) total += t.ready ? snapshotCells.get(t.ready) + 1 : 0;
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
  const busyWith = () => busy;
  function replayInSlices(tab, what, done) {
    busy = what;
    $('view').setAttribute('aria-busy', 'true');
    status(what + '…');
    const steps = tab.steps.slice();
    let next = 0;
    let opened = false;
    const slice = () => {
      if (!app.tabs.includes(tab)) return finish();
      app.runRaw('with ' + tab.id);
      const until = performance.now() + 40;
      if (!opened) {
        opened = true;
        const answer = rebuildBare(tab);
        if (!answer.ok) next = steps.length;
      }
      while (next < steps.length && performance.now() < until) apply(steps[next++]);
      app.runRaw('with ' + app.active.id);
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
    if (tab.file) return app.call('Open', tab.id, tab.file, tab.readAs, setup);
    app.runRaw('drop ' + tab.id);
    return app.runRaw('new ' + tab.id + ' ' + setup);
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
    if (!app.active.steps.length) return status('nothing to undo');
    const tab = app.active;
    const step = tab.steps.pop();
    tab.undone.push(step);
    markUndone(step, true);
    app.runRaw('with ' + tab.id);
    const restored = step.snap && app.call('Restore', step.snap).ok;
    snapshotCells.delete(step.snap);
    step.snap = 0;
    const after = () => {
      keepLater(tab);
      renderTabs();
      if (tab === app.active) refresh(false);
      status('undone');
    };
    if (restored) return after();
    // No copy of the array before the step: the file and the steps before it,
    // replayed; on a large array in slices, so the page shows it and answers.
    if (app.shape.size < SLICED_CELLS) {
      rebuild(tab);
      app.runRaw('with ' + app.active.id);
      return after();
    }
    return new Promise((resolve) => replayInSlices(tab, 'Undoing ' + tab.title, () => { after(); resolve(); }));
  }

  // The tab's instance made again from its file and steps, for a change of its setup.
  function remake() {
    rebuild(app.active);
    keepLater(app.active);
    app.runRaw('with ' + app.active.id);
    refresh(false);
  }

  function redo() {
    if (busy) return status(busy + ': try again when it is done', true);
    if (!app.active.undone.length) return status('nothing to redo');
    const step = app.active.undone.pop();
    step.snap = takeReady(app.active, step);
    apply(step);
    app.active.steps.push(step);
    keepLater(app.active);
    trimSnapshots();
    markUndone(step, false);
    if (step.some((l) => AUTO_SELECT.test(l))) remake();
    renderTabs();
    refresh(false);
    status('redone');
  }

  // Makes the tab's instance from its file (or empty) and replays its steps.
  function rebuild(tab) {
    const answer = rebuildBare(tab);
    if (!answer.ok) return answer;
    for (const step of tab.steps) apply(step);
    return answer;
  }

  return { busyWith, change, dropReady, forgetSnapshot, keepLater, rebuild, redo, remake, undo };
}
