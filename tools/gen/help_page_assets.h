// The help page's style and script, kept apart from the generator's logic.
#pragma once

namespace tessel::gen {

inline constexpr const char* kHelpStyle = R"css(
:root {
  --bg: #f6f7f9; --panel: #ffffff; --ink: #1d2430; --muted: #5b6575; --line: #e2e6ec;
  --accent: #0f766e; --accent-soft: #e6f4f2; --code: #f1f3f6; --mark: #fff4cc;
  --text-kind: #9a3412; --text-kind-bg: #fff1e6; --int-kind: #1e4fa8; --int-kind-bg: #e8efff;
  --kept: #166534; --kept-bg: #eaf7ee; --changed: #8a5a00; --changed-bg: #fff6e0; --lost: #a61b1b; --lost-bg: #fdecec;
  --radius: 10px; --top: 60px;
  --sans: system-ui, -apple-system, sans-serif; --mono: ui-monospace, "SFMono-Regular", Menlo, Consolas, monospace;
}
@media (prefers-color-scheme: dark) {
  :root {
    --bg: #12161c; --panel: #1a1f27; --ink: #e6e9ee; --muted: #9aa4b2; --line: #2a313c;
    --accent: #4fd1c5; --accent-soft: #163a38; --code: #222834; --mark: #3d3516;
    --text-kind: #fdba74; --text-kind-bg: #3b2414; --int-kind: #a5b8ff; --int-kind-bg: #1c2647;
    --kept: #86efac; --kept-bg: #14301e; --changed: #fcd34d; --changed-bg: #352a10; --lost: #fca5a5; --lost-bg: #3a1818;
  }
}
* { box-sizing: border-box; }
html { scroll-padding-top: calc(var(--top) + 12px); -webkit-text-size-adjust: 100%; }
body { margin: 0; background: var(--bg); color: var(--ink); font: 15px/1.55 var(--sans); }
a { color: var(--accent); text-decoration: none; }
a:hover { text-decoration: underline; }
code, pre, var, .syntax { font-family: var(--mono); font-size: 0.92em; }
var { font-style: normal; }
h1, h2, h3, h4 { line-height: 1.25; margin: 0; }

.top {
  position: sticky; top: 0; z-index: 10; height: var(--top); display: flex; align-items: center; gap: 16px;
  padding: 0 20px; background: var(--panel); border-bottom: 1px solid var(--line);
  box-shadow: 0 1px 3px rgba(15, 23, 42, 0.05);
}
.brand { font-weight: 700; font-size: 18px; color: var(--ink); white-space: nowrap; letter-spacing: -0.01em; }
.brand span { font-weight: 400; color: var(--muted); }
.brand:hover { text-decoration: none; }
.search { flex: 1; max-width: 820px; display: flex; align-items: center; gap: 10px; margin-left: auto; }
#filter {
  flex: 1; min-width: 0; height: 38px; padding: 0 14px 0 36px; border: 1px solid var(--line); border-radius: 999px;
  background: var(--bg) no-repeat 13px 50%/15px
    url("data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 16 16'%3E%3Ccircle cx='7' cy='7' r='5' fill='none' stroke='%2394a3b8' stroke-width='2'/%3E%3Cpath d='M11 11l4 4' stroke='%2394a3b8' stroke-width='2' stroke-linecap='round'/%3E%3C/svg%3E");
  color: var(--ink); font: inherit;
}
#filter:focus { outline: none; border-color: var(--accent); box-shadow: 0 0 0 3px var(--accent-soft); background-color: var(--panel); }
.search { position: relative; }
.hint {
  position: absolute; right: 92px; top: 50%; transform: translateY(-50%); font: 600 11px var(--mono);
  color: var(--muted); border: 1px solid var(--line); border-bottom-width: 2px; border-radius: 5px; padding: 0 6px;
  background: var(--panel); pointer-events: none;
}
#filter:focus ~ .hint, #filter:not(:placeholder-shown) ~ .hint { display: none; }
#count { color: var(--muted); font-size: 13px; white-space: nowrap; min-width: 70px; text-align: right; overflow: hidden; text-overflow: ellipsis; flex: 0 1 auto; }
#filter { flex: 1 0 220px; }
button.near { font: inherit; color: var(--accent, #2456c9); background: none; border: 0; padding: 0; text-decoration: underline; cursor: pointer; }
dl.bad-files { margin: 10px 0 0; font-size: 13.5px; }
dl.bad-files dt { font-weight: 600; margin-top: 6px; }
dl.bad-files dd { margin: 2px 0 0 0; color: var(--muted); }
#menu-toggle {
  display: none; height: 36px; padding: 0 12px; border: 1px solid var(--line); border-radius: 8px;
  background: var(--panel); color: var(--ink); font: inherit; font-size: 14px;
}

.layout { display: grid; grid-template-columns: 250px minmax(0, 1fr); max-width: 1320px; margin: 0 auto; }
#toc {
  position: sticky; top: var(--top); align-self: start; max-height: calc(100vh - var(--top)); overflow-y: auto;
  padding: 24px 12px 40px 20px; font-size: 14px;
}
#toc ul { list-style: none; margin: 0; padding: 0; }
#toc > ul > li { margin: 0 0 10px; }
#toc > ul > li > a { font-weight: 600; color: var(--ink); }
#toc ul ul { margin: 4px 0 0; padding-left: 10px; border-left: 2px solid var(--line); }
#toc ul ul a { display: block; padding: 2px 8px; color: var(--muted); border-radius: 6px; }
#toc ul ul a:hover { background: var(--accent-soft); color: var(--accent); text-decoration: none; }
main { padding: 24px 28px 80px; min-width: 0; }
.page-foot { margin-top: 40px; padding-top: 14px; border-top: 1px solid var(--line); color: var(--muted); font-size: 13px; }

.hero {
  background: linear-gradient(135deg, var(--accent-soft), var(--panel) 70%); border: 1px solid var(--line);
  border-radius: var(--radius); padding: 26px 30px; margin-bottom: 28px;
}
.hero { display: grid; grid-template-columns: minmax(0, 1fr) auto; gap: 28px; align-items: center; }
.hero h1 { font-size: 30px; letter-spacing: -0.02em; margin-bottom: 10px; }
.stats { list-style: none; margin: 0; padding: 0; display: grid; gap: 10px; }
.stats a {
  display: flex; align-items: baseline; gap: 10px; padding: 10px 18px; min-width: 200px; border-radius: 10px;
  background: var(--panel); border: 1px solid var(--line); color: var(--muted);
}
.stats a:hover { border-color: var(--accent); text-decoration: none; }
.stats strong { font-size: 26px; color: var(--accent); min-width: 1.6em; text-align: right; }
.hero p { margin: 8px 0 0; max-width: 76ch; }
.topic { margin: 0 0 40px; }
.topic > h2 {
  font-size: 23px; letter-spacing: -0.01em; padding-bottom: 8px; margin-bottom: 12px; border-bottom: 2px solid var(--line);
}
.lead { color: var(--muted); margin: 0 0 16px; max-width: 80ch; }
.topic h3 { font-size: 16px; margin: 24px 0 10px; }

.table-wrap { overflow-x: auto; border: 1px solid var(--line); border-radius: var(--radius); background: var(--panel); }
table { border-collapse: collapse; width: 100%; }
.grid th, .grid td { text-align: left; vertical-align: top; padding: 9px 12px; border-bottom: 1px solid var(--line); }
.grid thead th { font-size: 12px; text-transform: uppercase; letter-spacing: 0.05em; color: var(--muted); background: var(--code); }
.grid tbody tr:last-child > * { border-bottom: 0; }
.grid tbody th { min-width: 9em; }
.grid code { background: var(--code); padding: 1px 6px; border-radius: 5px; white-space: nowrap; }

.concepts { display: grid; grid-template-columns: repeat(auto-fill, minmax(300px, 1fr)); gap: 12px; margin: 0; }
.concepts > div { background: var(--panel); border: 1px solid var(--line); border-radius: var(--radius); padding: 12px 16px; }
.concepts dt { font-weight: 650; margin-bottom: 4px; }
.concepts dd { margin: 0; color: var(--ink); }
.commands { grid-template-columns: repeat(auto-fill, minmax(340px, 1fr)); }
.commands dt code { color: var(--accent); font-weight: 600; }

.group { margin: 0 0 22px; }
.group > h3 {
  position: sticky; top: var(--top); z-index: 2; margin: 0 0 10px; padding: 9px 0; font-size: 15px;
  color: var(--ink); background: var(--bg); letter-spacing: 0.01em;
}
.crumbs { color: var(--muted); font-weight: 500; }
.entries { display: grid; grid-template-columns: repeat(auto-fill, minmax(340px, 1fr)); gap: 12px; }
.menu-separator { grid-column: 1 / -1; border: 0; border-top: 1px dashed var(--line); margin: 2px 0; }
.entry {
  background: var(--panel); border: 1px solid var(--line); border-radius: var(--radius); padding: 14px 16px;
  display: flex; flex-direction: column; gap: 6px; min-width: 0;
  transition: box-shadow 0.15s, border-color 0.15s;
}
.entry:hover { border-color: color-mix(in srgb, var(--accent) 35%, var(--line)); box-shadow: 0 2px 10px rgba(15, 23, 42, 0.06); }
.entry:target { border-color: var(--accent); box-shadow: 0 0 0 3px var(--accent-soft); }
.entry header { display: flex; align-items: baseline; gap: 10px; }
.num {
  flex: none; font: 600 12px var(--mono); color: var(--accent); background: var(--accent-soft);
  padding: 2px 7px; border-radius: 6px;
}
.label { font-size: 15.5px; font-weight: 650; }
.syntax { margin: 0; padding: 6px 10px; background: var(--code); border-radius: 7px; overflow-wrap: anywhere; }
.syntax var { color: var(--accent); }
.syntax var::before { content: "\2039"; opacity: 0.6; }
.syntax var::after { content: "\203A"; opacity: 0.6; }
.fn { font-weight: 600; }
.result { color: var(--muted); white-space: nowrap; }
.summary { margin: 0; }
.note { margin: 0; color: var(--muted); font-size: 14px; }
.twin { margin: 0; font-size: 13.5px; color: var(--muted); }
.params { font-size: 13.5px; }
.params th, .params td { padding: 3px 8px 3px 0; vertical-align: top; text-align: left; }
.params th { white-space: nowrap; font-weight: 500; }
.params td:last-child { color: var(--muted); width: 100%; }
.noparams { margin: 0; font-size: 13.5px; color: var(--muted); }
.kind { display: inline-block; font: 600 11px var(--sans); padding: 1px 7px; border-radius: 999px; }
.kind-text { color: var(--text-kind); background: var(--text-kind-bg); }
.kind-integer { color: var(--int-kind); background: var(--int-kind-bg); }
pre { margin: 0; background: var(--code); border-radius: 8px; padding: 10px 12px; overflow-x: auto; line-height: 1.45; }
.example { border-left: 3px solid var(--accent); }
.example::before {
  content: "Example"; display: block; margin-bottom: 2px; font: 600 10.5px var(--sans); letter-spacing: 0.06em;
  text-transform: uppercase; color: var(--muted);
}

.format-cards { display: grid; grid-template-columns: repeat(auto-fit, minmax(170px, 1fr)); gap: 12px; margin-bottom: 8px; }
.format-card { background: var(--panel); border: 1px solid var(--line); border-radius: var(--radius); padding: 12px 16px; }
.format-card h3 { margin: 0 0 6px; font-size: 15px; }
.format-card p { margin: 0 0 6px; font-size: 14px; }
.actions-ref { display: flex; flex-wrap: wrap; gap: 5px; margin-top: 8px !important; }
.facts { min-width: 900px; font-size: 13.5px; }
.facts td { width: 17%; }
.facts tbody th { width: 15%; }
.fate { display: inline-block; font: 700 11px var(--sans); text-transform: uppercase; letter-spacing: 0.04em; padding: 1px 7px; border-radius: 999px; }
.fate-kept .fate { color: var(--kept); background: var(--kept-bg); }
.fate-changed .fate { color: var(--changed); background: var(--changed-bg); }
.fate-lost .fate { color: var(--lost); background: var(--lost-bg); }
.why { display: block; margin-top: 4px; color: var(--muted); }
.two { display: grid; grid-template-columns: repeat(auto-fit, minmax(320px, 1fr)); gap: 16px; align-items: start; }
.example-pair { margin-bottom: 26px; }
.example-pair h3 code { font-weight: 400; color: var(--muted); margin-left: 6px; }
figure { margin: 0; }
figcaption { font-size: 12px; text-transform: uppercase; letter-spacing: 0.05em; color: var(--muted); margin-bottom: 4px; }
figure pre { max-height: 520px; font-size: 13px; }
pre.script { white-space: pre-wrap; overflow-wrap: anywhere; }
.comment { color: var(--muted); font-style: italic; }
#toc a.active { color: var(--accent); background: var(--accent-soft); }
#no-match { padding: 40px; text-align: center; color: var(--muted); background: var(--panel); border: 1px dashed var(--line); border-radius: var(--radius); }
[hidden] { display: none !important; }

@media (max-width: 900px) {
  .layout { grid-template-columns: minmax(0, 1fr); }
  .hero { grid-template-columns: minmax(0, 1fr); }
  #menu-toggle { display: block; }
  #toc {
    display: none; position: fixed; top: var(--top); left: 0; right: 0; bottom: 0; z-index: 9; max-height: none;
    background: var(--panel); padding: 18px 22px;
  }
  #toc.open { display: block; }
  main { padding: 16px 14px 60px; }
}
@media (max-width: 700px) {
  .stack thead { display: none; }
  .stack, .stack tbody, .stack tr, .stack tbody th { display: block; width: auto !important; }
  .stack { min-width: 0 !important; }
  .stack tr { padding: 12px 14px; border-bottom: 1px solid var(--line); }
  .stack tbody tr:last-child { border-bottom: 0; }
  .stack tbody th { padding: 0 0 6px; border: 0; font-size: 15px; }
  .stack td { display: grid; grid-template-columns: 7.5em minmax(0, 1fr); gap: 10px; width: auto !important; padding: 5px 0; border: 0; }
  .stack td::before { content: attr(data-label); font-size: 12.5px; font-weight: 600; color: var(--muted); padding-top: 1px; }
  .format-cards { grid-template-columns: minmax(0, 1fr); }
}
@media (max-width: 560px) {
  :root { --top: 104px; }
  body { font-size: 15px; }
  .top { flex-wrap: wrap; height: auto; min-height: var(--top); padding: 10px 14px; gap: 8px 10px; }
  .search { order: 3; flex-basis: 100%; max-width: none; }
  .hint { display: none; }
  #menu-toggle { margin-left: auto; }
  .hero { padding: 18px; }
  .stats { grid-template-columns: repeat(3, minmax(0, 1fr)); }
  .stats a { min-width: 0; flex-direction: column; align-items: flex-start; gap: 0; padding: 8px 10px; font-size: 13px; }
  .stats strong { font-size: 22px; min-width: 0; text-align: left; }
  .hero h1 { font-size: 24px; }
  .entries, .concepts, .commands { grid-template-columns: minmax(0, 1fr); }
  .two { grid-template-columns: minmax(0, 1fr); }
  .entry { padding: 12px 13px; }
}
@media print {
  :root { --bg: #fff; --panel: #fff; --ink: #000; --muted: #333; --line: #bbb; --code: #f3f3f3; --accent: #000; }
  body { font-size: 10.5pt; }
  .top, #toc, #no-match { display: none !important; }
  .layout { display: block; max-width: none; }
  main { padding: 0; }
  .hero { background: none; border: 0; padding: 0; display: block; }
  .stats { display: none; }
  .group > h3 { position: static; }
  .entries, .concepts, .format-cards { display: block; }
  .entry, .concepts > div, .format-card { break-inside: avoid; box-shadow: none; margin-bottom: 8px; }
  .topic > h2 { break-after: avoid; }
  .group > h3 { break-after: avoid; }
  .table-wrap { overflow: visible; border: 0; }
  .facts { min-width: 0; }
  figure pre { max-height: none; }
  pre { white-space: pre-wrap; }
  a { color: inherit; }
}
)css";

inline constexpr const char* kHelpScript = R"js(
(() => {
  const input = document.getElementById('filter');
  const count = document.getElementById('count');
  const noMatch = document.getElementById('no-match');
  const near = document.getElementById('near');
  const entries = Array.from(document.querySelectorAll('.entry'));
  const groups = Array.from(document.querySelectorAll('.group'));
  const sections = Array.from(document.querySelectorAll('main > section'));
  const hero = document.getElementById('about');
  // What the filter looks through: every entry and every part of the other
  // sections (a concept, a table row, a card, an example), each with the
  // section it stands in.
  const parts = sections.flatMap((s) =>
    Array.from(s.querySelectorAll('.entry, .part'), (e) => ({
      element: e,
      section: s,
      text: (e.dataset.search ?? e.textContent).toLowerCase(),
    })),
  );
  const blocks = Array.from(document.querySelectorAll('main > section .two > div, main > section .table-wrap'));
  const toc = document.getElementById('toc');
  const toggle = document.getElementById('menu-toggle');

  // Words a mistyped one may have meant: within two edits of it.
  const vocabulary = [...new Set(parts.flatMap((p) => p.text.match(/[a-z][a-z$(]{2,}/g) ?? []))];
  function distance(a, b) {
    let row = Array.from({ length: b.length + 1 }, (_, j) => j);
    for (let i = 1; i <= a.length; ++i) {
      const next = [i];
      for (let j = 1; j <= b.length; ++j) next[j] = Math.min(row[j] + 1, next[j - 1] + 1, row[j - 1] + (a[i - 1] === b[j - 1] ? 0 : 1));
      row = next;
    }
    return row[b.length];
  }
  function suggestions(words) {
    const out = [];
    for (const w of words) {
      if (parts.some((p) => p.text.includes(w))) continue;
      const close = vocabulary.filter((v) => Math.abs(v.length - w.length) <= 2 && distance(v, w) <= 2);
      out.push(...close.sort((a, b) => distance(a, w) - distance(b, w)).slice(0, 3));
    }
    return [...new Set(out)];
  }

  // Every word must occur in the part: an entry's label, name, display string,
  // notes and menu path, or the text of any other part.
  function apply() {
    const words = input.value.toLowerCase().split(/\s+/).filter(Boolean);
    const filtering = words.length > 0;
    const bySection = new Map();
    for (const p of parts) {
      const hit = !filtering || words.every((w) => p.text.includes(w));
      p.element.hidden = !hit;
      if (hit) bySection.set(p.section, (bySection.get(p.section) ?? 0) + 1);
    }
    for (const g of groups) g.hidden = filtering && !g.querySelector('.entry:not([hidden])');
    for (const b of blocks) b.hidden = filtering && !b.querySelector('.part:not([hidden])') && !!b.querySelector('.part');
    for (const s of sections) s.hidden = s !== hero && !bySection.has(s);
    hero.hidden = filtering;
    const shown = [...bySection.values()].reduce((a, b) => a + b, 0);
    if (!filtering) {
      count.textContent = `${entries.length} entries`;
    } else {
      const where = sections.filter((s) => bySection.has(s)).map((s) => `${s.querySelector('h2').textContent} ${bySection.get(s)}`);
      count.textContent = shown ? `${shown} found: ${where.join(', ')}` : 'nothing found';
      count.title = count.textContent;
    }
    noMatch.hidden = !(filtering && shown === 0);
    noMatch.querySelector('strong').textContent = input.value.trim();
    near.replaceChildren();
    const tries = filtering && shown === 0 ? suggestions(words) : [];
    if (tries.length) {
      near.append(' Did you mean ');
      tries.forEach((t, i) => {
        const b = document.createElement('button');
        b.type = 'button';
        b.className = 'near';
        b.textContent = t;
        b.addEventListener('click', () => {
          input.value = words.map((w) => (parts.some((p) => p.text.includes(w)) ? w : t)).join(' ');
          apply();
        });
        near.append(i ? ', ' : '', b);
      });
      near.append('?');
    }
  }

  // A link to an entry that the filter hides clears the filter first.
  function reveal() {
    const id = decodeURIComponent(location.hash.slice(1));
    const target = id && document.getElementById(id);
    if (target && target.closest('[hidden]')) {
      input.value = '';
      apply();
      target.scrollIntoView();
    }
  }

  input.addEventListener('input', apply);
  input.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {
      input.value = '';
      apply();
    }
  });
  document.addEventListener('keydown', (e) => {
    if (e.key === '/' && document.activeElement !== input) {
      e.preventDefault();
      input.focus();
    }
  });
  toggle.addEventListener('click', () => {
    toggle.setAttribute('aria-expanded', String(toc.classList.toggle('open')));
  });
  toc.addEventListener('click', (e) => {
    if (e.target.closest('a')) {
      toc.classList.remove('open');
      toggle.setAttribute('aria-expanded', 'false');
    }
  });
  window.addEventListener('hashchange', reveal);

  // The contents mark the group or topic being read.
  const links = new Map(Array.from(toc.querySelectorAll('a'), (a) => [a.getAttribute('href').slice(1), a]));
  const marked = Array.from(links.keys(), (id) => document.getElementById(id)).filter(Boolean);
  let active = null;
  const spy = new IntersectionObserver(
    (seen) => {
      const top = seen.filter((s) => s.isIntersecting).sort((a, b) => a.boundingClientRect.top - b.boundingClientRect.top)[0];
      if (!top) return;
      active?.classList.remove('active');
      active = links.get(top.target.id);
      active?.classList.add('active');
    },
    { rootMargin: '-70px 0px -70% 0px' },
  );
  for (const m of marked) spy.observe(m);
  apply();
  reveal();
})();
)js";

}  // namespace tessel::gen
