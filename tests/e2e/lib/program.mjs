// The program (orvex-cloud-config) as a child process of the end-to-end tests: its command line,
// the environment that runs it without a display (or on an X display), its debug output in a
// file, and a raw CDP session to its page.

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { Child, waitUntil } from './processes.mjs';
import { connectPage } from './cdp.mjs';
import { freePort } from './page_server.mjs';

// The program executable: ORVEX_PROGRAM, set by the build for these tests.
export function programPath() {
  const program = process.env.ORVEX_PROGRAM;
  if (!program) throw new Error('ORVEX_PROGRAM is not set: the path of orvex-cloud-config');
  return program;
}

// The studio's command-line argument: the page address and the seven keys in their order.
export function commandLineArgument({
  page, userId = 'u1', userName = 'tester', hc = 'h', clientVersion = '1.0', logDomain = '127.0.0.1',
  host = 'hh', domainIp = '1.2.3.4',
}) {
  return `${page}&Userid=${userId}&UserName=${userName}&hc=${hc}&clt_ver=${clientVersion}` +
    `&LogDomain=${logDomain}&host=${host}&domainIp=${domainIp}`;
}

// A fresh temporary folder (removed by the caller with fs.rmSync(dir, {recursive, force})).
export function tempDir(prefix = 'orvex-e2e-') {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

export class Program {
  // Starts the program. `page`: the page address; `logDomain`: the statistics host (port 80);
  // the other command-line values as in commandLineArgument; `argument`: the whole argument
  // instead; `display`: an X display (":99") instead of the offscreen platform; `env`: extra
  // variables; `dir`: where the debug output file goes (a temporary folder by default).
  static async start(options = {}) {
    const dir = options.dir || tempDir();
    const debugPort = options.debugPort || await freePort();
    const debugFile = path.join(dir, `debug-${debugPort}.log`);
    const env = {
      ...process.env,
      QTWEBENGINE_DISABLE_SANDBOX: '1',
      LC_ALL: 'C.UTF-8',
      ORVEX_DEBUG_OUTPUT: debugFile,
      QTWEBENGINE_REMOTE_DEBUGGING: `127.0.0.1:${debugPort}`,
      ...options.env,
    };
    if (options.display) {
      env.QT_QPA_PLATFORM = 'xcb';
      env.DISPLAY = options.display;
    } else {
      env.QT_QPA_PLATFORM = 'offscreen';
      delete env.DISPLAY;
    }
    const argument = options.argument ?? commandLineArgument(options);
    const program = new Program();
    program.dir = dir;
    program.ownsDir = !options.dir;
    program.debugPort = debugPort;
    program.debugFile = debugFile;
    program.startedAt = Date.now();
    program.child = new Child('program', programPath(), [argument], { env, stdin: 'ignore' });
    return program;
  }

  get pid() {
    return this.child.pid;
  }

  // Connects the CDP session to the page (the first page target whose url satisfies
  // `urlMatch`); `this.page` is the session.
  async connect({ urlMatch, timeoutMs = 30000 } = {}) {
    this.page = await connectPage(this.debugPort, { urlMatch, timeoutMs });
    return this.page;
  }

  // Everything the program wrote to its debug output so far.
  debugLog() {
    try {
      return fs.readFileSync(this.debugFile, 'utf8');
    } catch {
      return '';
    }
  }

  // Waits until the debug output contains `text` (from character `from` on); returns the index.
  waitDebug(text, { from = 0, timeoutMs = 10000 } = {}) {
    return waitUntil(() => {
      const i = this.debugLog().indexOf(text, from);
      if (i < 0 && this.child.exit) throw new Error(`program exited (${JSON.stringify(this.child.exit)})`);
      return i >= 0 ? i + 1 : undefined;
    }, { timeoutMs, what: `debug output ${JSON.stringify(text)}` }).then((i) => i - 1);
  }

  // Waits up to `timeoutMs` for the program to end by itself; {code, signal} or null.
  waitExit(timeoutMs) {
    return this.child.waitExit(timeoutMs);
  }

  // Processes left in the program's session (the program and its browser sub-processes).
  survivors() {
    return this.child.survivors();
  }

  // Closes the CDP session and ends the program and its session (SIGTERM, then SIGKILL).
  // Stops the program; a temporary folder it made for itself goes with it.
  async stop() {
    this.page?.close();
    const result = await this.child.stop({ graceMs: 2000 });
    if (this.ownsDir) fs.rmSync(this.dir, { recursive: true, force: true });
    return result;
  }
}
