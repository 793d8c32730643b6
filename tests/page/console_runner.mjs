// The console host as the workbench tests run it: lines written as a script
// in a work folder and run there, in the C locale, its output read as bytes
// (one character a byte), so it compares with what the page keeps.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

export function consoleRunner(consolePath, work) {
  return (lines, name = 'script.tessel') => {
    fs.writeFileSync(path.join(work, name), lines.join('\n') + '\n');
    return execFileSync(consolePath, ['run', name], {
      cwd: work, encoding: 'latin1', stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, LC_ALL: 'C' },
    });
  };
}
