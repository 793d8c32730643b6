// The bridge to the module's Workbench: strings in, one JSON answer out. The
// page and the worker that opens large files both call the module through it.
export function bridgeOf(wasm, bench) {
  return (fn, ...args) => {
    const ptrs = args.map((a) => {
      if (typeof a === 'number') return a;
      const n = wasm.lengthBytesUTF8(a) + 1;
      const p = wasm._malloc(n);
      wasm.stringToUTF8(a, p, n);
      return p;
    });
    try {
      return JSON.parse(wasm.UTF8ToString(wasm['_tesselWorkbench' + fn](bench, ...ptrs)));
    } finally {
      ptrs.forEach((p, i) => typeof args[i] !== 'number' && wasm._free(p));
    }
  };
}
