// The workbench: tabs of array files held by the module itself (compiled to
// WebAssembly), a grid that draws only what is in view, edits made as console
// lines, undo by a copy of the array kept before each step (or by replaying a
// tab's lines on its file), and the script interface. This file starts the
// module and makes the page's parts, one job each, which call one another
// through `parts`; `app` is what they share: the module, the tabs, the current
// tab and its array's shape.
import { createApi } from './api.js';
import { bridgeOf } from './bridge.js';
import { createCommand } from './command.js';
import { createCompletion } from './completion.js';
import { createDialogs } from './dialogs.js';
import { $ } from './dom.js';
import { createEditing } from './editing.js';
import { createEdits } from './edits.js';
import { connect, isInteger, showText } from './encoding.js';
import { createFiles } from './files.js';
import { createFilter } from './filter.js';
import { createGrid } from './grid.js';
import { createLevelMap } from './levelmap.js';
import { createLog } from './log.js';
import { late } from './parts.js';
import { createSave } from './save.js';
import { createSettings } from './settings.js';
import { createSort } from './sort.js';
import { createTabs } from './tabs.js';
import { createUndo } from './undo.js';
import { createViews } from './views.js';
import { createGridEvents } from './wire_grid.js';
import { createToolbar } from './wire_toolbar.js';

const app = {
  wasm: null,  // the module's instance
  call: null,  // the bridge (bridge.js), once the module has started
  runRaw: (line) => app.call('Run', line),
  names: { actions: [], expressions: [], words: {} },  // the catalogue's and the console's own words
  tabs: [],
  active: null,
  shape: null,  // the current tab's array, as the module's Shape gives it
};
const parts = {};
const { contentOf, paintContent } = late(parts, 'edits');
const { working } = late(parts, 'files');
const { draw, indexOf, layout, moveTo, pages, refresh } = late(parts, 'grid');
const { status, tell } = late(parts, 'log');
const { diffCells } = late(parts, 'views');

// The level map (levelmap.js): zoom, palette, painting and marks, on what the page owns.
parts.levelMap = createLevelMap({
  $,
  tab: () => app.active,
  shape: () => app.shape,
  layout: () => layout(),
  page: () => (app.shape && app.shape.dimensions === 3 ? app.active.page : 0),
  pages: () => pages(),
  setPage: (p) => { app.active.page = p; refresh(false); },
  isOpen: (tab) => app.tabs.includes(tab),
  // The last step of a tab: its marks are found again when this changes.
  stepOf: (tab) => tab.steps[tab.steps.length - 1] || null,
  // What the map draws of `count` cells from `first` (levelmap.js reads them), straight from the array.
  looks: (first, count) => {
    const answer = app.call('Looks', first, count);
    if (!answer.ok) throw new Error(answer.error);
    return answer.cells;
  },
  // The offsets in the current page of a flood fill's cells from (x, y), or null past the array's end.
  region: (cols, rows, x, y) => {
    const answer = app.call('Region', indexOf(0, 0), cols, rows, x, y);
    if (!answer.ok) throw new Error(answer.error);
    return answer.cells;
  },
  // The first cell of the current page, and its rows (a 2D array's complete and cut-short ones).
  pageStart: () => indexOf(0, 0),
  pageRows: () => (app.shape.dimensions === 3 ? layout().units : Math.ceil(app.shape.size / layout().cols)),
  paintContent: (cells, content, what) => paintContent(cells, content, what),
  working: (text) => working(text),
  typedContent: (text) => (isInteger(text) ? { type: 'value', value: Number(text) } : contentOf(text)),
  diffCells: (tab, other) => diffCells(tab, other),
  showText: (bytes) => showText(bytes, app.active),
  refresh: () => refresh(false),
  redraw: () => draw(),
  moveTo: (row, col) => moveTo(row, col),
  status: (text, warn) => status(text, warn),
  tell: (text, warn) => tell(app.active, text, warn),
});
parts.tabs = createTabs(app, parts);
parts.files = createFiles(app, parts);
parts.save = createSave(app, parts);
parts.dialogs = createDialogs(app, parts);
parts.views = createViews(app, parts);
parts.undo = createUndo(app, parts);
parts.grid = createGrid(app, parts);
parts.editing = createEditing(app, parts);
parts.edits = createEdits(app, parts);
parts.sort = createSort(app, parts);
parts.filter = createFilter(app, parts);
parts.settings = createSettings(app, parts);
parts.log = createLog(app, parts);
parts.completion = createCompletion(app, parts);
parts.command = createCommand(app, parts);
parts.gridEvents = createGridEvents(app, parts);
parts.toolbar = createToolbar(app, parts);
parts.api = createApi(app, parts);
window.tesselWorkbench = parts.api.api;

createTesselModule().then((instance) => {
  app.wasm = instance;
  const bench = app.wasm._tesselWorkbenchCreate();  // the Workbench the module owns
  if (!bench) throw new Error('the module did not start');
  app.call = bridgeOf(app.wasm, bench);
  connect(app.call);
  app.names = app.call('Catalogue');
  // In the order the page has always added its listeners.
  parts.levelMap.wire();
  parts.gridEvents.wire();
  parts.editing.wire();
  parts.toolbar.wire();
  parts.command.wire();
  parts.tabs.activate(parts.tabs.makeUntitled());
  status('Open an array file (native, host array, CSV, INI, JSON or a tile map) with Open… or by dropping it here; type console lines below.');
  parts.api.started();
}).catch((error) => status('The workbench could not start: ' + error, true));
