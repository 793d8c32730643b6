// Texts are bytes: the bridge sends an array's texts one character a byte,
// and the module (tools/console/edited_text.h) shows them through a tab's
// text encoding and turns what is typed into console literals, so the page
// and the console cannot disagree about a text. The code pages' tables are
// the browser's, handed to the module once when it starts.

export const INT_MIN = -2147483648;
export const INT_MAX = 2147483647;
export const isInteger = (text) => /^\s*[+-]?\d+\s*$/.test(text) && Number(text) >= INT_MIN && Number(text) <= INT_MAX;

let bridge = null;  // { call, encodings: [{name, title}], fallback }, once connected
const answered = (answer) => { if (!answer.ok) throw new Error(answer.error); return answer; };

// Hands the module the browser's table of each code page it reads texts in
// (the character of each byte, -1 for none) and learns the encodings a tab may use.
export function connect(call) {
  const tables = {};
  for (const number of answered(call('CodePages')).codePages) {
    let decoder = null;
    try { decoder = new TextDecoder('windows-' + number); } catch { continue; }  // a browser without it
    tables[number] = Array.from({ length: 256 }, (_, b) => {
      const c = decoder.decode(Uint8Array.of(b));
      return c === '\uFFFD' || c.length !== 1 ? -1 : c.codePointAt(0);
    });
  }
  const { encodings, fallback } = answered(call('Tables', JSON.stringify(tables)));
  bridge = { call, encodings, fallback };
}

export const encodingNames = () => bridge.encodings.map((e) => e.name);
export const fallbackEncoding = () => bridge.fallback;
export const encodingTitle = (name) => (bridge.encodings.find((e) => e.name === name) || { title: name }).title;

// Shown texts by encoding and bytes: the grid asks for what is in view in one
// call (showTexts), and the single texts it then draws are found here.
const shownCache = new Map();
const cacheKey = (bytes, tab) => tab.encoding + '\u0000' + bytes;
const KEPT = 20000;  // texts kept before the cache starts anew

export function showTexts(list, tab) {
  const wanted = [...new Set(list.filter((bytes) => !shownCache.has(cacheKey(bytes, tab))))];
  if (!wanted.length) return;
  if (shownCache.size + wanted.length > KEPT) shownCache.clear();
  const { texts } = answered(bridge.call('Shown', tab.encoding, JSON.stringify(wanted)));
  wanted.forEach((bytes, k) => shownCache.set(cacheKey(bytes, tab), texts[k]));
}

// Bytes as text in the tab's encoding: a byte it cannot show is the escape
// \xhh, and a backslash that would read as one is \x5c, so the text typed
// back unchanged gives the same bytes.
export function showText(bytes, tab) {
  showTexts([bytes], tab);
  return shownCache.get(cacheKey(bytes, tab));
}

// A text typed for an element that held `old`, written in the tab's encoding
// (under automatic, in the one the old text was shown in): {literal, bytes} or {error}.
export function textLiteral(text, old, tab) {
  const answer = bridge.call('Typed', tab.encoding, text, old || '');
  return answer.ok ? { literal: answer.literal, bytes: answer.bytes } : { error: answer.error };
}

// Bytes as console literals (one call for the list): pure ASCII, so the line carries them exactly.
export const literals = (list) => answered(bridge.call('Literals', JSON.stringify(list))).literals;
export const literal = (bytes) => literals([bytes])[0];
// A text (a path) as a console literal of its UTF-8 bytes.
export const quote = (text) => literal(String.fromCharCode(...new TextEncoder().encode(String(text))));

// A typed console line with the characters of its texts in the tab's chosen
// code page as escapes (as typed otherwise): {line} or {error}.
export function encodeLine(line, tab) {
  const answer = bridge.call('Line', tab.encoding, line);
  return answer.ok ? { line: answer.line } : { error: answer.error };
}
