// The program (orvex-cloud-config) as a child process of the end-to-end tests: its command line,
// the environment that runs it without a display (or on an X display), its debug output in a
// file, and a raw CDP session to its page.

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { Child } from './processes.mjs';
import { connectPage } from './cdp.mjs';
import { freePort } from './page_server.mjs';

// The program executable: ORVEX_PROGRAM, set by the build for these tests.
export function programPath() {
  const program = process.env.ORVEX_PROGRAM;
  if (!program) throw new Error('ORVEX_PROGRAM is not set: the path of orvex-cloud-config');
  return program;
}

// A fresh temporary folder (removed by the caller with fs.rmSync(dir, {recursive, force})).
export function tempDir(prefix = 'orvex-e2e-') {
  return fs.mkdtempSync(path.join(os.tmpdir(), prefix));
}

export class Program {
  // Starts the program offscreen. `page`: the page address; `logDomain`: the statistics host
  // (port 80); `userId`, `userName`, `hc`, `clientVersion`, `host`, `domainIp`: the other keys
  // of the studio's argument; `argument`: the whole argument instead; `dir`: where the debug
  // output file goes (a temporary folder of its own by default); `display`: an X display
  // (":99") to show the window on instead of running offscreen; `debugOutput`: false starts it
  // with no debug output attached; `env`: more variables (undefined removes one).
  // Downloads go to `program.downloadDir` (the XDG download folder of a configuration folder of
  // its own), never to the user's.
  static async start({ page, logDomain = '127.0.0.1', userId = 'u1', userName = 'tester', hc = 'h',
    clientVersion = '1.0', host = 'hh', domainIp = '1.2.3.4', argument, dir, display,
    debugOutput = true, env: extraEnv = {} } = {}) {
    const program = new Program();
    program.dir = dir || tempDir();
    program.ownsDir = !dir;
    program.debugPort = await freePort();
    program.debugFile = path.join(program.dir, `debug-${program.debugPort}.log`);
    const config = fs.mkdtempSync(path.join(program.dir, 'config-'));
    program.downloadDir = path.join(program.dir, `downloads-${program.debugPort}`);
    // Issue passes save their backups under the data folder: each run keeps its own.
    program.dataDir = path.join(program.dir, `data-${program.debugPort}`);
    fs.writeFileSync(path.join(config, 'user-dirs.dirs'), `XDG_DOWNLOAD_DIR="${program.downloadDir}"\n`);
    const env = {
      ...process.env,
      QTWEBENGINE_DISABLE_SANDBOX: '1',
      LC_ALL: 'C.UTF-8',
      ORVEX_DEBUG_OUTPUT: program.debugFile,
      QTWEBENGINE_REMOTE_DEBUGGING: `127.0.0.1:${program.debugPort}`,
      QT_QPA_PLATFORM: display ? 'xcb' : 'offscreen',
      XDG_CONFIG_HOME: config,
      XDG_DATA_HOME: program.dataDir,
    };
    if (display) env.DISPLAY = display;
    else delete env.DISPLAY;
    if (!debugOutput) delete env.ORVEX_DEBUG_OUTPUT;
    for (const [name, value] of Object.entries(extraEnv)) {
      if (value === undefined) delete env[name];
      else env[name] = value;
    }
    argument ??= `${page}&Userid=${userId}&UserName=${userName}&hc=${hc}&clt_ver=${clientVersion}` +
      `&LogDomain=${logDomain}&host=${host}&domainIp=${domainIp}`;
    program.child = new Child('program', programPath(), [argument], { env, stdin: 'ignore' });
    program.pid = program.child.pid;
    return program;
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

  waitExit(timeoutMs) {
    return this.child.waitExit(timeoutMs);
  }

  // Processes left in the program's session (the program and its browser sub-processes).
  survivors() {
    return this.child.survivors();
  }

  // Closes the CDP session and ends the program and its session (SIGTERM, then SIGKILL); a
  // temporary folder it made for itself goes with it.
  async stop() {
    this.page?.close();
    const result = await this.child.stop({ graceMs: 2000 });
    if (this.ownsDir) fs.rmSync(this.dir, { recursive: true, force: true });
    return result;
  }
}
