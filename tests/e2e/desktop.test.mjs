// The program as a desktop citizen: --version and --help answer without starting the engine;
// a start prints nothing on the terminal (Qt's, the engine's and the page's console messages
// are debug output); pop-ups to http(s) go to the desktop's default web browser and any other
// address is refused.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { useLab } from './lib/lab.mjs';
import { Program, programPath } from './lib/program.mjs';
import { sleep, waitUntil } from './lib/processes.mjs';
import { startXvfb } from './lib/x11.mjs';

const STATS_HOST = '127.0.0.33';
let dir, studio, pages, bin, opened;

useLab({ count: 2, statsHost: STATS_HOST }, (lab) => {
  ({ dir, studio, pages } = lab);
  // The desktop's URL opener, replaced: it records every address it is given.
  bin = path.join(dir, 'bin');
  opened = path.join(dir, 'opened.txt');
  fs.mkdirSync(bin);
  fs.writeFileSync(path.join(bin, 'xdg-open'), `#!/bin/sh\nprintf '%s\\n' "$*" >> '${opened}'\n`, { mode: 0o755 });
});

// Without a display and with the X11 platform asked for: starting the engine would fail.
function runAlone(args) {
  const env = { ...process.env, QT_QPA_PLATFORM: 'xcb' };
  delete env.DISPLAY;
  delete env.WAYLAND_DISPLAY;
  return spawnSync(programPath(), args, { env, encoding: 'utf8', timeout: 10000 });
}

test('--version and --help answer on standard output without starting the engine', () => {
  const version = runAlone(['--version']);
  assert.equal(version.status, 0, version.stderr);
  assert.match(version.stdout, /^orvex-cloud-config \d+\.\d+\.\d+\n$/);
  assert.equal(version.stderr, '');
  const help = runAlone(['--help']);
  assert.equal(help.status, 0, help.stderr);
  assert.match(help.stdout, /^usage: orvex-cloud-config /);
  assert.ok(help.stdout.includes('&LogDomain=') && help.stdout.includes('ORVEX_DEBUG_OUTPUT'), help.stdout);
  assert.equal(help.stderr, '');
  // The same words as the studio's page argument are not a request for help.
  assert.notEqual(runAlone(['--help', 'extra']).status, 0, 'two arguments start the program (and fail here)');
});

async function startProbe(options) {
  const program = await Program.start({ page: pages.url('probe.html'), logDomain: STATS_HOST, ...options });
  await program.connect({ urlMatch: (url) => url.includes('probe.html') });
  await program.page.evaluate(`new Promise((resolve) => document.readyState === 'complete' ? resolve() : addEventListener('load', resolve))`);
  return program;
}

async function quit(program) {
  const from = studio.events.length;
  studio.send('quit');
  await studio.waitForEvent({ event: 'sent', command: 'quit' }, { from });
  const exit = await program.waitExit(15000);
  assert.deepEqual(exit, { code: 0, signal: null });
}

test('a start prints nothing on the terminal; its messages are debug output when asked for', async () => {
  const marker = `orvex-console-${process.pid}`;
  for (const debugOutput of [false, true]) {
    const program = await startProbe({ debugOutput });
    // The page's console errors are printed by Qt; a page fault happens in the renderer.
    await program.page.evaluate(`console.error(${JSON.stringify(marker)}); true`);
    await sleep(1000);
    await quit(program);
    assert.equal(program.child.stderr, '', `nothing on standard error (debug output ${debugOutput})`);
    assert.deepEqual(program.child.lines, [], `nothing on standard output (debug output ${debugOutput})`);
    const log = program.debugLog();
    if (debugOutput) {
      assert.ok(log.includes(marker), 'the console message went to the debug output');
      assert.ok(!log.includes('applicationDirPath'), 'the engine finds its application folder');
    } else {
      assert.equal(log, '', 'no debug output file is written');
    }
    await program.stop();
  }
});

// On a display: Qt's offscreen platform has no desktop services to open an address with.
test('pop-ups to http(s) open in the default web browser; other addresses are refused',
  { skip: fs.existsSync('/usr/bin/Xvfb') ? false : 'Xvfb is not installed' }, async () => {
  fs.rmSync(opened, { force: true });
  const xvfb = await startXvfb();
  const program = await startProbe({
    display: xvfb.display,
    env: { PATH: `${bin}:${process.env.PATH}`, XDG_CURRENT_DESKTOP: undefined, BROWSER: undefined },
  });
  const page = program.page;
  const pageUrl = await page.evaluate('location.href');
  await page.evaluate(`window.open('file:///etc/passwd'); window.open('ftp://example.test/x'); window.open('data:text/html,x'); true`);
  await page.evaluate(`window.open('https://example.test/a?b=1&c=二'); true`);
  await page.evaluate(`(() => {
    const a = document.createElement('a');
    a.href = 'http://example.test/blank'; a.target = '_blank'; a.textContent = 'x';
    document.body.append(a); a.click(); a.remove(); return true;
  })()`);
  const read = () => (fs.existsSync(opened) ? fs.readFileSync(opened, 'utf8').trim().split('\n') : []);
  await waitUntil(() => read().length >= 2, { timeoutMs: 15000, what: 'two addresses at the opener' });
  await sleep(500);
  assert.deepEqual(read().sort(), ['http://example.test/blank', 'https://example.test/a?b=1&c=%E4%BA%8C']);
  assert.equal(await page.evaluate('location.href'), pageUrl, 'the page itself stays');
  // The engine itself never lets a page open a file: address; the others reach the program,
  // which names them in its debug output and opens nothing.
  const log = program.debugLog();
  for (const refused of ['ftp://example.test/x', 'data:text/html,x']) {
    assert.ok(log.includes(refused), `a debug line names the refused ${refused}`);
  }
  await quit(program);
  await program.stop();
  await xvfb.stop();
});
