// The settings form of a tab's array.
import { $ } from './dom.js';
import { showText, textLiteral } from './encoding.js';
import { late } from './parts.js';

export function createSettings(app, parts) {
  const { autoSelectOf } = late(parts, 'tabs');

  // The settings form: the lines for what was changed, one undo step.
  function openSettings() {
    $('setDims').value = String(app.shape.dimensions);
    // A boundary not set yet (0) is left blank: the boxes take 1 or more, and 0 would stop the form.
    $('setX').value = app.shape.columns >= 1 ? app.shape.columns : '';
    $('setY').value = app.shape.rowsPerPage >= 1 ? app.shape.rowsPerPage : '';
    $('setDelimiter').value = showText(app.shape.delimiter, app.active);
    $('setCase').value = '';
    $('setSearch').value = '';
    $('setQueries').value = '';
    $('setAutoSelect').value = autoSelectOf(app.active) ? 'on' : 'off';
    $('settings').hidden = false;
    $('setDims').focus();
  }

  function settingsLines() {
    const lines = [];
    const dims = Number($('setDims').value);
    if (dims !== app.shape.dimensions) lines.push('Set array dimension to ' + dims);
    const verb = $('setMove').value;
    const x = Number($('setX').value);
    const y = Number($('setY').value);
    if (x >= 1 && x !== app.shape.columns) lines.push(verb + ' dimension 1 boundary to ' + x);
    if (y >= 1 && y !== app.shape.rowsPerPage) lines.push(verb + ' dimension 2 boundary to ' + y);
    const delimiter = $('setDelimiter').value;
    if (delimiter !== showText(app.shape.delimiter, app.active)) {
      const written = textLiteral(delimiter, app.shape.delimiter, app.active);
      if (written.error) throw new Error(written.error);
      lines.push('Set list delimiter to ' + written.literal);
    }
    if ($('setCase').value) lines.push($('setCase').value);
    if ($('setSearch').value) lines.push($('setSearch').value);
    if ($('setQueries').value) lines.push($('setQueries').value);
    // The game reads this setup once, when the object is made: so is the tab's instance, made again with it.
    if ($('setAutoSelect').value !== (autoSelectOf(app.active) ? 'on' : 'off')) lines.unshift('# auto-select ' + $('setAutoSelect').value);
    return lines;
  }

  return { openSettings, settingsLines };
}
