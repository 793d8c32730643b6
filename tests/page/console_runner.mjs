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

// The native file the console saves after `lines`, as `name` in the work folder.
export function consoleFiles(tessel, work) {
  return (lines, name) => {
    tessel([...lines, `Save to file "${name}"`], name + '.tessel');
    return fs.readFileSync(path.join(work, name));
  };
}

// A small generator of random numbers below n, so a failing case can be run again from its seed.
export function generator(seed) {
  let s = seed >>> 0 || 1;
  return (n) => {
    s ^= s << 13; s >>>= 0;
    s ^= s >>> 17;
    s ^= s << 5; s >>>= 0;
    return s % n;
  };
}
