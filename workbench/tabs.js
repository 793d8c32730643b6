// Tabs: one instance of the session each, with the file it came from, its
// log, its questions and the steps made since it was opened.
import { $, count } from './dom.js';
import { encodingNames, encodingTitle, fallbackEncoding } from './encoding.js';
import { AUTO_SELECT } from './lines.js';
import { late } from './parts.js';

export function createTabs(app, parts) {
  const { release } = late(parts, 'files');
  const { draw, refresh } = late(parts, 'grid');
  const { status } = late(parts, 'log');
  const { dropReady, forgetSnapshot, rebuild } = late(parts, 'undo');
  const levelMap = late(parts, 'levelMap');

  let serial = 0;
  // A tab's steps are lists of lines, kept for undo.
  function makeTab(title, file, readAs = '') {
    const tab = { id: 't' + ++serial, title, file, readAs, steps: [], undone: [], format: null, page: 0,
      cur: { row: 0, col: 0 }, entries: [], encoding: 'auto',
      files: file ? [file] : [],  // the stored files its lines read, removed when it closes
      offers: [], damaged: null, saved: { count: 0, last: null }, saveName: null,
      ready: 0 };  // a copy of its array as it is, for the next step's undo
    app.tabs.push(tab);
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

  function activate(tab) {
    app.active = tab;
    $('log').replaceChildren(...tab.entries);  // each tab has its own log and its own questions
    $('offers').replaceChildren(...tab.offers);
    $('log').scrollTop = $('log').scrollHeight;
    $('format').value = tab.format || 'native';  // saved as it came, unless another format is chosen
    $('encoding').value = tab.encoding;
    app.runRaw('with ' + tab.id);
    renderTabs();
    refresh(true);
  }

  function closeTab(tab) {
    for (const step of tab.steps) forgetSnapshot(step);
    dropReady(tab);
    levelMap.forget(tab);
    app.runRaw('drop ' + tab.id);
    app.tabs.splice(app.tabs.indexOf(tab), 1);
    for (const box of tab.offers) box.dismissed();  // its questions go with it, and what they held
    tab.offers = [];
    for (const path of tab.files) release(path);
    if (app.tabs.length === 0) makeUntitled();
    if (app.active === tab) $('offers').textContent = '';
    if (app.active === tab) activate(app.tabs[app.tabs.length - 1]);
    else renderTabs();
  }

  function makeUntitled() {
    const tab = makeTab('untitled', null);
    rebuild(tab);
    return tab;
  }

  function renderTabs() {
    $('diff').disabled = !app.active.file && app.tabs.length < 2;  // nothing to compare with
    const nav = $('tabs');
    nav.textContent = '';
    for (const tab of app.tabs) {
      const b = document.createElement('button');
      b.className = 'tab' + (tab === app.active ? ' on' : '');
      b.setAttribute('role', 'tab');
      b.innerHTML = '<span></span><i title="Close">×</i>';
      b.firstChild.textContent = tab.title + (tab.format ? ' · ' + tab.format : '') + ' · ' + encodingTitle(tab.encoding) +
        (changed(tab) ? ' •' : '');
      b.title = 'Texts shown and written as ' + encodingTitle(tab.encoding) +
        (tab.encoding === 'auto' ? ' (UTF-8 where valid, else ' + encodingTitle(fallbackEncoding()) + ')' : '');
      b.onclick = (e) => (e.target.tagName === 'I' ? askClose(tab) : activate(tab));
      nav.appendChild(b);
    }
  }

  // Closing a tab with changes not saved asks first.
  function askClose(tab) {
    if (changed(tab) && !window.confirm(tab.title + ' has changes that are not saved. Close it and lose them?')) return;
    closeTab(tab);
  }

  // The tab's texts shown (and later edits written) in another encoding: the bytes stay as they are.
  function setEncoding(tab, name) {
    if (!encodingNames().includes(name)) throw new Error('no text encoding "' + name + '": one of ' + encodingNames().join(', '));
    tab.encoding = name;
    if (tab === app.active) $('encoding').value = name;
    renderTabs();
    draw();
    status('Texts of ' + tab.title + ' shown as ' + encodingTitle(name) + ': the bytes are unchanged');
  }

  return { activate, askClose, autoSelectOf, changed, closeTab, makeTab, makeUntitled, markSaved, renderTabs, setEncoding };
}
