// What the page reads from a tab's console lines.

// A step that changes the tab's setup rather than its array: a comment to
// the console, read when the tab's instance is made.
export const AUTO_SELECT = /^# auto-select (on|off)$/;
// How a tab's CSV or sheet file was read when its first row held the column labels (the console's option).
export const HEADER = / --header$/;
// What a console line does, by the console's own words (`words`, word to
// kind, from the module): 'session' (instances, quitting), 'loop', 'reads'
// (a show, help or echo, or an expression), or 'change' (an action).
export function lineKind(line, words) {
  const start = /^\s*([A-Za-z0-9_$.-]+)(\s*\()?/.exec(line);
  if (start && !start[2] && Object.hasOwn(words, start[1])) return words[start[1]];
  return start && start[2] ? 'reads' : 'change';
}

// The game has no action that takes a key away: a key value of 0 leaves the
// key empty, which shows as none (a search for key value 0 still finds it).
export const clearKeyLine = (index) => 'Set key value 0 at ' + index;
