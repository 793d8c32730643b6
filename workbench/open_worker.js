// Opens a file away from the page's thread, so a large load does not freeze
// it: a module of its own loads the file exactly as the page would (the same
// call), and hands back what the load said with the array as a native file,
// which the page's module reads in a fraction of the time, with what a
// native file does not carry (the bridge's extras). One file a worker.
import { bridgeOf } from './bridge.js';

const started = createTesselModule().then((wasm) => {
  const bench = wasm._tesselWorkbenchCreate();
  if (!bench) throw new Error('the module did not start');
  return { wasm, call: bridgeOf(wasm, bench) };
});

// {path, bytes, readAs, inflated}: the file stored where the page keeps it (so
// messages name it alike), a tile map's layers as the page inflated them.
onmessage = async ({ data }) => {
  try {
    const { wasm, call } = await started;
    const { path, bytes, readAs, inflated } = data;
    wasm.FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
    wasm.FS.writeFile(path, bytes);
    if (inflated) {
      const packed = call('Packed', path);
      if (packed.ok) packed.data.forEach((p, k) => inflated[k] && wasm.FS.writeFile(p.path + '.raw', inflated[k]));
      call('Inflated', path);
    }
    const answer = call('Open', 'opened', path, readAs, '');
    if (!answer.ok) return postMessage({ answer });
    const saved = call('Save', 'native', '/opened.arr');
    if (!saved.ok) return postMessage({ failed: true });
    const extras = call('Extras', '/opened.extras');
    if (!extras.ok) return postMessage({ failed: true });
    const [native, rest] = [wasm.FS.readFile('/opened.arr'), wasm.FS.readFile('/opened.extras')];
    postMessage({ answer, native, extras: rest }, [native.buffer, rest.buffer]);
  } catch {
    postMessage({ failed: true });  // the page loads it itself
  }
};
