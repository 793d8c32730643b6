// Tile maps and JSON files opened through the file chooser (a map's compressed
// layers inflated, and written again, by the browser), held against the console's.
import { describe, test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import zlib from 'node:zlib';
import { sameBytes, useWorkbench } from './browser.mjs';

const examples = process.env.TESSEL_EXAMPLES;
assert.ok(examples, 'TESSEL_EXAMPLES is set');
const wb = await useWorkbench('tessel-maps-');
const { page, work, pick, saved } = wb;

// The console's convert of files of the work folder; the bytes it wrote to `out`.
function converted(args, out) {
  fs.rmSync(path.join(work, out), { force: true });
  return wb.console(['convert', ...args, out]) && wb.file(out);
}

// A map whose roofs' data is `roofs`: a tile layer as ids, one in a group as base64
// (with no compression the page writes it back as the console does), and an image layer between them.
const map3x2 = (roofs, compression) => ({
  height: 2, infinite: false, orientation: 'orthogonal', tileheight: 8, tilewidth: 8, type: 'map', width: 3,
  layers: [{ data: [1, 2, 3, 0, 2147483653, 6], name: 'ground', type: 'tilelayer' }, { name: 'sky', type: 'imagelayer' },
    { name: 'upper', type: 'group', layers: [{ data: roofs.toString('base64'), encoding: 'base64', ...compression, name: 'roofs', type: 'tilelayer' }] }],
});
const roofs = Buffer.from(new Uint32Array([0, 7, 0, 8, 0, 9]).buffer);

// A map's JSON with each compressed layer's data inflated, and how each was compressed.
function decoded(bytes) {
  const map = JSON.parse(Buffer.from(bytes).toString());
  const compressions = [];
  const walk = (layers) => {
    for (const l of layers) {
      if (l.layers) walk(l.layers);
      if (!l.compression) continue;
      compressions.push(l.compression);
      l.data = (l.compression === 'gzip' ? zlib.gunzipSync : zlib.inflateSync)(Buffer.from(l.data, 'base64')).toString('hex');
    }
  };
  walk(map.layers);
  return { map, compressions };
}

fs.copyFileSync(path.join(examples, 'dungeon.tmj'), path.join(work, 'dungeon.tmj'));
wb.write('plain.tmj', JSON.stringify(map3x2(roofs), null, 1) + '\n');
wb.write('gzip.tmj', JSON.stringify(map3x2(zlib.gzipSync(roofs), { compression: 'gzip' }), null, 1) + '\n');
wb.consoleFile(['new items --dims 2 --x 2', 'Set label to "name" at column 0', 'Set string "sword" at 0', 'Set value 12 at 1',
  'Set string "shield" at 2', 'Set value 7 at 3'], 'items.arr');
converted(['items.arr'], 'items.json');

const shape = async () => { const { dimensions, boundaries, size } = await wb.cells(); return { dimensions, boundaries, size }; };

describe('tile maps and JSON files in the workbench', () => {
  test('a map opens as a 3D tab and saves as the console saves it, its zlib and gzip layers compressed alike', async () => {
    // Each map: its file, its array's boundaries and size, how its compressed layers are written.
    const maps = [['dungeon.tmj', [8, 5, 0], 120, ['zlib']], ['gzip.tmj', [3, 2, 0], 12, ['gzip']], ['plain.tmj', [3, 2, 0], 12, []]];
    for (const [file, boundaries, size, compressed] of maps) {
      const stem = file.replace(/\.tmj$/, '');
      await pick(file);
      assert.deepEqual(await shape(), { dimensions: 3, boundaries, size }, file);
      if (file === 'dungeon.tmj') assert.match(await wb.logText(), /object layer "structure\/spawns" skipped/);
      sameBytes((await saved('native')).bytes, converted([file], `${stem}.arr`), `${file}: the native file is the console's`);
      await page.select('#format', 'tilemap');
      await page.waitForFunction(() => /keeps everything/.test(document.getElementById('status').textContent));
      const map = await saved('tilemap');
      assert.deepEqual([map.template, map.losses], [file, ''], file);
      const made = converted(['--template', file, `${stem}.arr`], `console-${stem}.tmj`);
      // Compressed by the browser, a layer's bytes may differ: inflated, the map is the console's.
      if (compressed.length) assert.deepEqual(decoded(map.bytes).map, decoded(made).map, `${file}: inflated, the console's`);
      else sameBytes(map.bytes, made, `${file}: the page's map is the console's`);
      assert.deepEqual(decoded(map.bytes).compressions, compressed, `${file}: its layers compressed as read`);
    }
  });

  test('a JSON file opens as its array; a 2D array is no tile map', async () => {
    await pick('items.json');
    assert.deepEqual(await shape(), { dimensions: 2, boundaries: [2, 0], size: 4 });
    sameBytes((await saved('native')).bytes, wb.file('items.arr'), 'the native file is the one the JSON came from');
    // A tile map is saved into a copy of a map, here the last one opened, from a 3D array only.
    await assert.rejects(saved('tilemap'), /from a 3D array/);
  });
});
