// Questions: a tab's offers above the log, and inline questions in the status line.
import { $, esc } from './dom.js';
import { late } from './parts.js';

export function createDialogs(app, parts) {
  const { keep } = late(parts, 'log');
  const { activate } = late(parts, 'tabs');

  // A question with buttons above the log, each button an answer; several may
  // wait. It belongs to its tab: shown with it, its buttons act on it, it goes
  // when the tab closes. A kept one (a damaged load) stays while the tab is open.
  function offer(text, choices, dismissed = () => {}, tab = app.active, { keep = false, damage = false } = {}) {
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
        if (!app.tabs.includes(tab)) return gone();
        if (!keep || ends) gone();
        if (tab !== app.active) activate(tab);
        act();
      };
      box.appendChild(b);
    }
    tab.offers.push(box);
    if (tab === app.active) $('offers').appendChild(box);
  }

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

  return { ask, choose, offer };
}
