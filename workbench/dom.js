// Small helpers of the page's markup and wording.

export const $ = (id) => document.getElementById(id);
export const esc = (t) => String(t).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' }[c]));
export const count = (n, one, many) => n + ' ' + (n === 1 ? one : many);
