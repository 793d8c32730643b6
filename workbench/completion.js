// Completion of the command bar's lines, from the catalogue's names.
import { $, esc } from './dom.js';
import { late } from './parts.js';

export function createCompletion(app, parts) {
  function completions(typed) {
    const lower = typed.toLowerCase();
    const out = [];
    app.names.actions.forEach((usage, n) => {
      const words = usage.split(' <')[0];
      if (words.toLowerCase().startsWith(lower.trimStart())) out.push({ text: words + (usage.includes('<') ? ' ' : ''), usage, href: 'tessel-help.html#action-' + n });
    });
    const m = /[A-Za-z0-9_$]*$/.exec(typed);
    if (m[0]) {
      app.names.expressions.forEach((e, n) => {
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

  return { commonPrefix, showSuggestions };
}
