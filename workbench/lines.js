// What the page reads from a tab's console lines.

// A step that changes the tab's setup rather than its array: a comment to
// the console, read when the tab's instance is made.
export const AUTO_SELECT = /^# auto-select (on|off)$/;
// How a tab's CSV or sheet file was read when its first row held the column labels (the console's option).
export const HEADER = / --header$/;
export const readOnly = /^\s*(show|help|echo)\b|^\s*[A-Za-z_$]+\(/i;

// The game has no action that takes a key away: a key value of 0 leaves the
// key empty, which shows as none (a search for key value 0 still finds it).
export const clearKeyLine = (index) => 'Set key value 0 at ' + index;
