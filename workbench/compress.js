// A tile map's compressed layers, inflated and deflated by the browser (it
// does either only asynchronously).

export async function inflateBytes(bytes, compression, size) {
  try {
    const format = compression === 'gzip' ? 'gzip' : 'deflate';  // "deflate" is zlib's wrapped form
    const reader = new Blob([bytes]).stream().pipeThrough(new DecompressionStream(format)).getReader();
    const out = new Uint8Array(size);
    let used = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      if (used + value.length > size) {
        reader.cancel();
        return null;
      }
      out.set(value, used);
      used += value.length;
    }
    return used === size ? out : null;
  } catch (e) {
    return null;  // not zlib or gzip data: the reader says so
  }
}

// The bytes compressed as zlib ("zlib") or gzip data, by the browser; null where it cannot.
export async function deflateBytes(bytes, compression) {
  try {
    const format = compression === 'gzip' ? 'gzip' : 'deflate';  // "deflate" is zlib's wrapped form
    const packed = await new Response(new Blob([bytes]).stream().pipeThrough(new CompressionStream(format))).arrayBuffer();
    return new Uint8Array(packed);
  } catch {
    return null;  // the layer is written uncompressed, and the save says so
  }
}
