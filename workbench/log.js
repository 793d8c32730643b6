// A tab's log and the status line.
import { $ } from './dom.js';
import { late } from './parts.js';

export function createLog(app, parts) {
  // The step the log entry made next belongs to (its entry is marked when it is undone).
  let lastStep = null;
  const stepLogged = (step) => { lastStep = step; };

  function log(line, text, failed, tab = app.active) {
    const entry = document.createElement('div');
    entry.className = 'entry' + (failed ? ' bad' : '');
    const help = helpLink(line);
    entry.innerHTML = '<code class="in"></code>' + (help ? ' <a class="ref" target="_blank" rel="noopener" href="' + help + '">help</a>' : '') + '<pre></pre>';
    entry.firstChild.textContent = '› ' + line;
    entry.lastChild.textContent = text.replace(/\n$/, '');
    if (lastStep && tab === app.active) lastStep.entry = entry;
    lastStep = null;
    keep(tab, entry);
  }

  function keep(tab, entry) {
    tab.entries.push(entry);
    while (tab.entries.length > 200) tab.entries.shift().remove();
    if (tab !== app.active) return;
    const box = $('log');
    box.appendChild(entry);
    box.scrollTop = box.scrollHeight;
  }

  // A message of a tab (a load, damage, a save, a mistake): in its log, and in the status line while it is shown.
  function tell(tab, text, warn) {
    if (tab === app.active) status(text, warn);
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
      const n = app.names.expressions.findIndex((e) => e.toLowerCase() === (call[1] + '(').toLowerCase());
      return n >= 0 ? 'tessel-help.html#expr-' + n : null;
    }
    const lower = line.trim().toLowerCase();
    let best = -1;
    let length = 0;
    app.names.actions.forEach((usage, n) => {
      const words = usage.split(' <')[0].toLowerCase();
      if (lower.startsWith(words) && words.length > length) { best = n; length = words.length; }
    });
    return best >= 0 ? 'tessel-help.html#action-' + best : null;
  }
  function report(line, result) {
    log(line, result.text, result.failed);
  }

  function status(text, warn) {
    const box = $('status');
    box.textContent = text;
    box.className = warn ? 'warn' : '';
  }

  return { keep, log, report, status, stepLogged, tell };
}
