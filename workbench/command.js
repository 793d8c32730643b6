// The command bar, and files dropped on the page.
import { $ } from './dom.js';
import { encodeLine } from './encoding.js';
import { lineKind } from './lines.js';
import { late } from './parts.js';

export function createCommand(app, parts) {
  const { commonPrefix, showSuggestions } = late(parts, 'completion');
  const { openFiles } = late(parts, 'files');
  const { log } = late(parts, 'log');
  const { change } = late(parts, 'undo');

  // One console line, as typed in the command bar or given to run(line).
  function runLine(typed) {
    const encoded = encodeLine(typed, app.active);
    if (encoded.error) return { text: encoded.error + '\n', failed: true };
    const line = encoded.line;
    const kind = lineKind(line, app.names.words);
    if (kind === 'session') {
      return { text: 'the workbench keeps one instance a tab: open a file for another\n', failed: true };
    }
    // A loop would gather the tab's later edits as its lines.
    if (kind === 'loop') {
      return { text: 'the command bar runs one line at a time: loops run in tessel scripts\n', failed: true };
    }
    if (kind === 'reads') {
      const answer = app.runRaw(line);
      return { text: answer.output + answer.errors, failed: !answer.ok };
    }
    return change([line]);
  }

  function wire() {
    const command = $('command');
    command.addEventListener('input', showSuggestions);
    // Later than a click on a suggestion's help link, which the list must still be there for.
    command.addEventListener('blur', () => setTimeout(() => { $('suggest').hidden = true; }, 200));
    command.addEventListener('keydown', (e) => {
      if (e.key === 'Tab') {
        e.preventDefault();
        const found = showSuggestions();
        if (found.length) command.value = commonPrefix(found.map((f) => f.text));
        showSuggestions();
      } else if (e.key === 'Enter' && command.value.trim()) {
        const line = command.value;
        command.value = '';
        $('suggest').hidden = true;
        const result = runLine(line);
        log(line, result.text, result.failed);
      } else if (e.key === 'Escape') {
        $('suggest').hidden = true;
      }
    });
    let depth = 0;
    const hasFiles = (e) => e.dataTransfer && Array.from(e.dataTransfer.types).includes('Files');
    window.addEventListener('dragenter', (e) => { if (hasFiles(e)) { ++depth; $('drop').hidden = false; } });
    window.addEventListener('dragleave', () => { if (--depth <= 0) { depth = 0; $('drop').hidden = true; } });
    window.addEventListener('dragover', (e) => e.preventDefault());
    window.addEventListener('drop', (e) => {
      e.preventDefault();
      depth = 0;
      $('drop').hidden = true;
      if (e.dataTransfer && e.dataTransfer.files.length) openFiles(e.dataTransfer.files);
    });
  }

  return { runLine, wire };
}
