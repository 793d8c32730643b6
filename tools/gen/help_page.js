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
