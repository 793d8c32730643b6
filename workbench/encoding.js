// Texts are bytes: how the page shows them through a tab's text encoding and
// writes edits back as console literals.

export const INT_MIN = -2147483648;
export const INT_MAX = 2147483647;
export const quote = (text) => '"' + String(text).replace(/\\/g, '\\\\').replace(/"/g, '\\"')
  .replace(/\n/g, '\\n').replace(/\r/g, '\\r').replace(/\t/g, '\\t') + '"';
// Texts are bytes: the bridge sends an array's texts one character a
// byte, the page shows them through the tab's encoding and writes edits back
// as console literals, every byte beyond ASCII a \xHH escape, so what is
// stored is exactly the bytes meant.
const CODE_PAGES = ['windows-1250', 'windows-1251', 'windows-1252', 'windows-1253', 'windows-1254', 'windows-1255',
  'windows-1256', 'windows-1257', 'windows-1258'];
export const ENCODINGS = ['auto', 'utf-8', ...CODE_PAGES];
export const FALLBACK = 'windows-1252';  // automatic's code page for a text that is not UTF-8
export const encodingTitle = (name) => name === 'auto' ? 'automatic' : name === 'utf-8' ? 'UTF-8' : 'Windows-' + name.slice(8);
const hexByte = (b) => '\\x' + b.toString(16).toUpperCase().padStart(2, '0');
const byteArray = (bytes) => Uint8Array.from(bytes, (c) => c.charCodeAt(0));
const strictUtf8 = new TextDecoder('utf-8', { fatal: true });
const isUtf8 = (bytes) => { try { strictUtf8.decode(byteArray(bytes)); return true; } catch { return false; } };
const beyondAscii = (bytes) => /[\x80-\xff]/.test(bytes);
// A byte no encoding shows as a character of its own: a control (but line
// breaks and tabs) is escaped, so an editor cannot lose it.
const hidden = (b) => (b < 0x20 && b !== 10 && b !== 9) || b === 0x7f;

// Each code page's characters by byte (null where it shows none) and its
// bytes by character, from the browser's own decoder.
const codePages = new Map();
function codePage(name) {
  if (!codePages.has(name)) {
    const decoder = new TextDecoder(name);
    const chars = [];
    const bytes = new Map();
    for (let b = 0; b < 256; ++b) {
      const c = decoder.decode(Uint8Array.of(b));
      const shown = !hidden(b) && c !== '\uFFFD' && !/^[\u0080-\u009f]$/.test(c);
      chars.push(shown ? c : null);
      if (shown && !bytes.has(c)) bytes.set(c, b);
    }
    codePages.set(name, { chars, bytes });
  }
  return codePages.get(name);
}

// The encoding a text is shown in: the tab's, or under automatic UTF-8
// where the text is valid UTF-8, else the fallback code page.
const shownIn = (bytes, tab) => tab.encoding !== 'auto' ? tab.encoding : isUtf8(bytes) ? 'utf-8' : FALLBACK;

// Bytes as text: a byte the encoding cannot show is the escape \xHH, and a
// backslash that would read as one is \x5C, so the text reads back as the same bytes.
export function showText(bytes, tab) {
  const encoding = shownIn(bytes, tab);
  const table = encoding === 'utf-8' ? null : codePage(encoding).chars;
  let out = '';
  for (let i = 0; i < bytes.length;) {
    const b = bytes.charCodeAt(i);
    if (b === 0x5c && /^x[0-9A-Fa-f]{2}/.test(bytes.slice(i + 1, i + 4))) { out += hexByte(b); ++i; continue; }
    if (b < 0x80 || table) {
      const c = b < 0x80 ? (hidden(b) ? null : bytes[i]) : table[b];
      out += c === null ? hexByte(b) : c;
      ++i;
      continue;
    }
    const n = b >= 0xc2 && b <= 0xdf ? 2 : b >= 0xe0 && b <= 0xef ? 3 : b >= 0xf0 && b <= 0xf4 ? 4 : 0;
    let c = null;
    try { if (n && i + n <= bytes.length) c = strictUtf8.decode(byteArray(bytes.slice(i, i + n))); } catch { c = null; }
    if (c === null || /^[\u0080-\u009f]$/.test(c)) { out += hexByte(b); ++i; } else { out += c; i += n; }
  }
  return out;
}

// Text as the bytes of `encoding` (escapes \xHH as their bytes), or what it cannot hold.
const utf8Encoder = new TextEncoder();
function textBytes(text, encoding) {
  const table = encoding === 'utf-8' ? null : codePage(encoding).bytes;
  let out = '';
  for (let i = 0; i < text.length;) {
    const escape = /^\\x([0-9A-Fa-f]{2})/.exec(text.slice(i, i + 4));
    if (escape && escape[1] !== '00') { out += String.fromCharCode(parseInt(escape[1], 16)); i += 4; continue; }
    const c = String.fromCodePoint(text.codePointAt(i));
    i += c.length;
    if (c.charCodeAt(0) < 0x80) { out += c; continue; }
    if (table) {
      if (!table.has(c)) {
        return { error: '"' + c + '" (U+' + c.codePointAt(0).toString(16).toUpperCase().padStart(4, '0') + ') cannot be written in ' +
          encodingTitle(encoding) + ': nothing was changed (choose the tab\'s text encoding, or type the byte as \\xHH)' };
      }
      out += String.fromCharCode(table.get(c));
    } else {
      out += String.fromCharCode(...utf8Encoder.encode(c));
    }
  }
  return { bytes: out };
}

// The encoding an edit of a text holding `old` is written in: the tab's;
// under automatic the one the old text was shown in, UTF-8 for a text of
// plain ASCII or a new one (compat: what the page has always written).
const writtenIn = (old, tab) => tab.encoding !== 'auto' ? tab.encoding : beyondAscii(old || '') ? shownIn(old, tab) : 'utf-8';

// Bytes as a console literal: pure ASCII, so the line carries them exactly.
export function literal(bytes) {
  let out = '"';
  for (let i = 0; i < bytes.length; ++i) {
    const b = bytes.charCodeAt(i);
    const named = { 0x22: '\\"', 0x5c: '\\\\', 0x0a: '\\n', 0x0d: '\\r', 0x09: '\\t' }[b];
    out += named || (b < 0x20 || b >= 0x7f ? hexByte(b) : bytes[i]);
  }
  return out + '"';
}

// A text typed for `old` as a literal in the tab's encoding: {literal} or {error}.
export function textLiteral(text, old, tab) {
  const written = textBytes(text, writtenIn(old, tab));
  return written.error ? written : { literal: literal(written.bytes), bytes: written.bytes };
}

// A typed console line with the characters of its texts in the tab's chosen
// code page (UTF-8 as typed otherwise), as \xHH escapes.
export function encodeLine(line, tab) {
  if (tab.encoding === 'auto' || tab.encoding === 'utf-8') return { line };
  let out = '';
  for (const c of line) {
    if (c.charCodeAt(0) < 0x80) { out += c; continue; }
    const written = textBytes(c, tab.encoding);
    if (written.error) return written;
    out += hexByte(written.bytes.charCodeAt(0));
  }
  return { line: out };
}

export const isInteger = (text) => /^\s*[+-]?\d+\s*$/.test(text) && Number(text) >= INT_MIN && Number(text) <= INT_MAX;
