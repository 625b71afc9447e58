// An X display for the tests that look at the program's window: Xvfb as a child process, and
// the orvex-e2e-x11 tool (tests/e2e/x11_window_tool.cpp) to find the window, read its geometry,
// hash its pixels and click on it.

import { execFile } from 'node:child_process';
import fs from 'node:fs';
import { Child, waitUntil } from './processes.mjs';

// The tool's path: ORVEX_E2E_X11, set by the build.
export function x11ToolPath() {
  return process.env.ORVEX_E2E_X11 || '';
}

// Why the window tests cannot run here, or '' when they can.
export function x11Unavailable() {
  if (!x11ToolPath() || !fs.existsSync(x11ToolPath())) return 'ORVEX_E2E_X11 (orvex-e2e-x11) is not built';
  if (!fs.existsSync('/usr/bin/Xvfb')) return 'Xvfb is not installed';
  return '';
}

// Starts Xvfb on a free display; resolves a Child with `display` (":N").
export async function startXvfb({ size = '1600x1000x24' } = {}) {
  const child = new Child('Xvfb', '/usr/bin/Xvfb',
    ['-displayfd', '1', '-screen', '0', size, '-nolisten', 'tcp', '-noreset'], { stdin: 'ignore' });
  try {
    const number = await waitUntil(() => {
      if (child.exit) throw new Error(`Xvfb exited: ${child.stderr}`);
      return child.lines.find((l) => /^\d+$/.test(l.trim()));
    }, { timeoutMs: 10000, what: 'Xvfb to choose a display' });
    child.display = `:${number.trim()}`;
    return child;
  } catch (e) {
    await child.stop();
    throw e;
  }
}

// Runs the tool with `args` on `display`; resolves its JSON answer (rejects on failure).
export function x11(display, ...args) {
  return new Promise((resolve, reject) => {
    execFile(x11ToolPath(), args.map(String), { env: { ...process.env, DISPLAY: display }, timeout: 15000 },
      (error, stdout) => {
        let answer;
        try {
          answer = JSON.parse(stdout.trim().split('\n').pop());
        } catch {
          answer = { error: `no answer (${error ? error.message : 'empty'})` };
        }
        if (error || answer.error) reject(new Error(`orvex-e2e-x11 ${args.join(' ')}: ${answer.error}`));
        else resolve(answer);
      });
  });
}
