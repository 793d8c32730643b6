// The generated help page (TESSEL_HELP_PAGE) in a headless browser: every entry under its anchor and
// menu group (menus.h read here on its own), the filter, notes, walkthroughs run by TESSEL_CONSOLE, links, widths.
import { after, describe, test } from 'node:test';
import { execFileSync } from 'node:child_process';
import os from 'node:os';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL } from 'node:url';
import { openPage } from './browser.mjs';

const { TESSEL_HELP_PAGE: pagePath, TESSEL_CATALOGUE: cataloguePath, TESSEL_SCREENSHOTS: shots } = process.env;
assert.ok(pagePath && cataloguePath && shots, 'TESSEL_HELP_PAGE, TESSEL_CATALOGUE and TESSEL_SCREENSHOTS are set');
const url = pathToFileURL(pagePath).href;
const hostHeader = (name) => fs.readFileSync(path.join(path.dirname(cataloguePath), name), 'utf8');

// The menu path of every entry, parsed from the menu trees: "action-6" -> "Add Elements", "expr-0" -> "Top level".
function menuPaths() {
  const text = hostHeader('menus.h');
  const paths = new Map();
  for (const [array, prefix] of [['kActionMenu', 'action'], ['kExpressionMenu', 'expr']]) {
    const start = text.indexOf(`${array}[] = {`);
    const body = text.slice(start, text.indexOf('\n};', start));
    const stack = [];
    for (const m of body.matchAll(/popup\("([^"]*)"\)|(?:action|expression)\((\d+)\)|end\(\)/g)) {
      if (m[1] !== undefined) stack.push(m[1]);
      else if (m[2] !== undefined) paths.set(`${prefix}-${m[2]}`, stack.length ? stack.join(' \u203a ') : 'Top level');
      else stack.pop();
    }
  }
  return paths;
}

const { page, problems, requests, close } = await openPage(url, { width: 1280, height: 900 });
after(close);

const sorts = [40, 41, 42, 43, 44, 45, 46, 47].map((n) => `action-${n}`);
const visibleIds = () => page.$$eval('.entry', (es) => es.filter((e) => e.offsetParent !== null).map((e) => e.id));

async function typeFilter(text) {
  await page.click('#filter', { clickCount: 3 });
  await page.keyboard.press('Backspace');
  if (text) await page.type('#filter', text);
}

describe('the help page', () => {
  test('holds every action and expression of the catalogue under its anchor, where the menu puts it', async () => {
    // The counts the module tells the host, from its public header.
    const header = hostHeader('tessel.h');
    const count = (name) => Number(header.match(new RegExp(`${name} = (\\d+)`))[1]);
    const ids = (prefix, n) => Array.from({ length: n }, (_, i) => `${prefix}-${i}`);
    const expected = [...ids('action', count('TESSEL_ACTION_COUNT')), ...ids('expr', count('TESSEL_EXPRESSION_COUNT'))];
    const onPage = await page.$$eval('.entry', (es) => es.map((e) => [e.id, e.closest('.group')?.querySelector('h3')?.textContent ?? '',
      !!e.querySelector('.label').textContent && !!e.querySelector('.syntax').textContent]));
    const paths = menuPaths();
    assert.deepEqual(onPage.sort(), expected.map((id) => [id, paths.get(id), true]).sort());
  });

  test('the filter finds entries and sections by label, name and description, says where, and restores', async () => {
    const all = await visibleIds();
    assert.equal(all.length, 139);
    const shown = (section) => page.$eval(`#${section}`, (s) => s.offsetParent !== null);
    const visibleIn = (section) => page.$$eval(`#${section} .part`, (ps) => ps.filter((p) => p.offsetParent !== null).map((p) => p.textContent));
    // Each case: the words typed, the entries shown (all of `only`, or at least those of `some`), and what else holds.
    const cases = [
      ['sort rows', { only: sorts }, async () => assert.equal(await shown('setup'), false, 'other topics step aside')],
      ['rowList$(', { only: ['expr-41'] }],
      ['wrapping sum', { only: ['expr-24'] }],  // words of the description, in any order
      ['damaged', { some: ['action-3', 'action-4', 'action-5', 'action-59'] }, async () => {
        assert.ok((await visibleIn('formats')).some((x) => x.startsWith('A damaged file')), 'and the bad files table');
        assert.match(await page.$eval('#count', (c) => c.textContent), /Actions \d+.*File formats \d+/);
      }],
      ['workbench', { some: [] }, async () => assert.ok((await visibleIn('start')).some((x) => x.includes('tessel-workbench.html')))],
      ['no such thing here', { only: [] }, async () => assert.equal(await page.$eval('#no-match', (e) => !e.hidden), true)],
    ];
    for (const [words, { only, some }, more] of cases) {
      await typeFilter(words);
      const ids = await visibleIds();
      if (only) assert.deepEqual(ids.sort(), only.slice().sort(), words);
      for (const id of some ?? []) assert.ok(ids.includes(id), `"${words}" finds ${id}`);
      await more?.();
    }
    await page.keyboard.press('Escape');
    assert.deepEqual([await visibleIds(), await shown('setup'), await page.$eval('#no-match', (e) => e.hidden)], [all, true, true],
      'Escape restores every entry and the other topics');
    // A misspelt word finds nothing, and the near word is offered.
    await typeFilter('damagd');
    assert.deepEqual([await visibleIds(), (await page.$$eval('#near button', (bs) => bs.map((b) => b.textContent))).includes('damaged')], [[], true]);
    await page.click('#near button');
    assert.ok((await visibleIds()).length > 0, 'a suggestion filters by it');
    await typeFilter('');
    assert.deepEqual(await visibleIds(), all, 'emptying the box restores every entry');
  });

  test('a note of a group stands on every entry of the group, and each load and save says what a bad file does', async () => {
    const texts = (id, what) => page.$eval(`#${id}`, (e, w) => Array.from(e.querySelectorAll(w), (n) => n.textContent), what);
    const noted = await Promise.all(sorts.map(async (id) => (await texts(id, '.note')).some((t) => t.startsWith('Only the selected rows move'))));
    assert.deepEqual(noted, sorts.map(() => true), 'each sort notes it');
    assert.equal((await texts('action-3', '.bad-files dt')).length, 3, 'a load: cannot be opened, damaged, past the memory rule');
    assert.deepEqual(await texts('action-2', '.bad-files dt'), ['A save that fails (a full disk, a folder that cannot be written)']);
  });

  test('the walkthroughs run through the console as the page shows them', async () => {
    const walks = await page.$$eval('#start .example-pair', (ws) =>
      ws.map((w) => ({ id: w.id, script: w.querySelector('pre.script').textContent, output: w.querySelector('pre.output').textContent })));
    assert.deepEqual(walks.map((w) => w.id), ['walk-inventory', 'walk-level-map', 'walk-high-scores']);
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'tessel-walk-'));
    // The page shows what the script prints, then the files it wrote.
    for (const w of walks) {
      fs.writeFileSync(path.join(dir, 'walk.tessel'), w.script);
      assert.equal(execFileSync(process.env.TESSEL_CONSOLE, ['run', 'walk.tessel'], { cwd: dir, encoding: 'utf8' }), w.output.split(/^--- /m)[0], w.id);
    }
    fs.rmSync(dir, { recursive: true, force: true });
  });

  test('every in-page link names an element, and a link to a filtered-out entry shows it', async () => {
    const ids = await page.$$eval('[id]', (es) => es.map((e) => e.id));
    assert.deepEqual(ids.filter((id, i) => ids.indexOf(id) !== i), [], 'no id is used twice');
    const links = await page.$$eval('a[href^="#"]', (as) => as.map((a) => decodeURIComponent(a.getAttribute('href').slice(1))));
    assert.deepEqual(links.filter((id) => !ids.includes(id)), []);
    assert.ok(links.length > 139, 'each entry links to itself, and the contents to the sections');
    await typeFilter('zzz');
    await page.evaluate(() => { location.hash = '#action-6'; });
    await page.waitForFunction(() => document.getElementById('action-6').offsetParent !== null);
    assert.equal(await page.$eval('#filter', (i) => i.value), '');
  });

  test('prints without the bar and the contents; fits a phone and a wide screen; asks for nothing beyond itself', async () => {
    await page.emulateMediaType('print');
    assert.deepEqual(await page.$$eval('.top, #toc', (es) => es.map((e) => getComputedStyle(e).display)), ['none', 'none']);
    await page.emulateMediaType(null);
    fs.mkdirSync(shots, { recursive: true });
    const shoot = (name, fullPage = false) => page.screenshot({ path: path.join(shots, `help-page-${name}.png`), fullPage });
    await page.goto(url, { waitUntil: 'load' });
    await shoot('wide');
    await shoot('full', true);
    await page.setViewport({ width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true });
    await page.goto(`${url}#actions`, { waitUntil: 'load' });
    const overflow = await page.evaluate(() => document.documentElement.scrollWidth - window.innerWidth);
    assert.ok(overflow <= 0, `no sideways scrolling at 390px (${overflow}px too wide)`);
    await shoot('narrow');
    assert.deepEqual([requests.filter((r) => !/^(file|data):/.test(r)), problems], [[], []]);
  });
});
