// Start-up and shutdown of the real program against the lab: the hello to the studio, the load
// reports to the statistics server (a page that loads, a 404 page, a refused address), the
// studio's quit, and the dump file a fatal signal leaves.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { startCameras, startStats, startStudio } from './lib/lab.mjs';
import { Program, programPath, tempDir } from './lib/program.mjs';
import { freePort, startPageServer } from './lib/page_server.mjs';
import { Probe } from './lib/probe.mjs';
import { sessionMembers, sleep, stopAllChildren, waitUntil } from './lib/processes.mjs';

const STATS_HOST = '127.0.0.31';
const BUILT_IN_PAGE = 'https://h5.orvex.example/qm_h5/studio/index.html';
const COMMON = [['hc', 'hc-9'], ['clt_ver', '3.2.1'], ['clt_type', '9']];
const VALUES = {
  logDomain: STATS_HOST, userId: 'u-17', userName: 'tester', hc: 'hc-9', clientVersion: '3.2.1',
  host: 'studio-host', domainIp: '10.1.2.3',
};
// How long a report that must not come is waited for: the sender posts within a few ms.
const QUIET_MS = 1500;

let dir, cameras, studio, stats, pages;

before(async () => {
  dir = tempDir();
  cameras = await startCameras({ state: path.join(dir, 'state'), count: 3 });
  studio = await startStudio({ fleet: cameras.fleetFile, sendOnHello: true });
  stats = await startStats({ host: STATS_HOST });
  pages = await startPageServer();
});

after(async () => {
  await stopAllChildren();
  await pages?.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

function names(event) {
  return event.items.map(([name]) => name);
}

function item(event, name) {
  const found = event.items.find(([n]) => n === name);
  return found ? found[1] : undefined;
}

// Ends the program with the studio's quit; it must exit with 0 and leave no process behind.
async function quitThroughStudio(program, { times = 1 } = {}) {
  const from = studio.events.length;
  for (let i = 0; i < times; i++) studio.send('quit');
  await studio.waitForEvent({ event: 'sent', command: 'quit' }, { from });
  const exit = await program.waitExit(15000);
  assert.deepEqual(exit, { code: 0, signal: null }, `the program exits by itself with 0: ${program.child.stderr.slice(-2000)}`);
  await waitUntil(() => program.survivors().length === 0,
    { timeoutMs: 5000, what: 'every sub-process of the program to end' });
  await program.stop();
}

// The statistics events of one program run, once `count` have arrived and QUIET_MS passed
// without another.
async function reportsOfRun(from, count) {
  await waitUntil(() => stats.eventsMatching({ event: 'statistics' }, from).length >= count,
    { timeoutMs: 20000, what: `${count} statistics reports` });
  await sleep(QUIET_MS);
  return stats.eventsMatching({ event: 'statistics' }, from);
}

test('a page that loads: hello to the studio, one load report with r 0, later loads unreported, quit closes once', async () => {
  const studioFrom = studio.events.length;
  const statsFrom = stats.events.length;
  const program = await Program.start({ ...VALUES, page: pages.url('probe.html'), dir });
  try {
    const hello = await studio.waitForEvent({ event: 'received', kind: 'hello' }, { from: studioFrom, timeoutMs: 20000 });
    assert.equal(hello.type, 0);
    const probe = new Probe(await program.connect());
    await probe.ready();

    const [load] = await reportsOfRun(statsFrom, 1);
    assert.deepEqual(names(load),
      ['systemName', 'type', 'uuid', 'loadurl', 'cost', 'r', 'id', 'un', 'hc', 'clt_ver', 'clt_type']);
    assert.equal(item(load, 'systemName'), 'studio_client_h5');
    assert.equal(item(load, 'type'), '16');
    assert.match(item(load, 'uuid'), /^[0-9A-F]{32}$/);
    assert.equal(item(load, 'loadurl'), BUILT_IN_PAGE);
    assert.match(item(load, 'cost'), /^\d+$/);
    assert.ok(Number(item(load, 'cost')) < 60000);
    assert.equal(item(load, 'r'), '0');
    assert.equal(item(load, 'id'), 'u-17');
    assert.equal(item(load, 'un'), 'tester');
    assert.deepEqual(load.items.slice(-3), COMMON);
    assert.equal(load.target, `/statistics.do?${load.query}`);
    assert.equal(load.host, `${STATS_HOST}:80`);
    assert.equal(load.contentType, 'application/x-www-form-urlencoded');
    assert.equal(load.body, '');

    // Only the first load result of the window is reported: a 404 and a second good load
    // produce nothing more.
    await program.page.send('Page.navigate', { url: pages.url('status/404/later.html') });
    await waitUntil(() => pages.requests.some((r) => r.url === '/status/404/later.html'), { what: 'the 404 request' });
    await program.page.send('Page.navigate', { url: pages.url('probe.html?again') });
    await probe.ready();
    await sleep(QUIET_MS);
    assert.equal(stats.eventsMatching({ event: 'statistics' }, statsFrom).length, 1);

    // Two quits back to back: the window closes once and the program ends normally.
    await quitThroughStudio(program, { times: 2 });
    const log = program.debugLog();
    assert.equal(log.split('UnInitStatistics end.').length - 1, 1, 'shut down once');
    assert.match(log, /Send {2}hello msg to orvex succ/);
  } finally {
    await program.stop();
  }
});

test('a 404 page: r 1 and one error report with err and httpc 404 and an empty emsg', async () => {
  const statsFrom = stats.events.length;
  // The address names "synchronousConfiguration", which makes the page type 17.
  const program = await Program.start({ ...VALUES, page: pages.url('status/404/synchronousConfiguration.html'), dir });
  try {
    const [load, error] = await reportsOfRun(statsFrom, 2);
    assert.equal(item(load, 'systemName'), 'studio_client_h5');
    assert.equal(item(load, 'type'), '17');
    assert.equal(item(load, 'r'), '1');
    assert.ok(error, 'an error report');
    assert.deepEqual(error.items, [
      ['systemName', 'studio_client_h5_err'], ['type', '17'], ['err', '404'], ['emsg', ''],
      ['resurl', ''], ['uuid', item(load, 'uuid')], ['host', 'studio-host'], ['hip', '10.1.2.3'],
      ['httpc', '404'], ['requrl', BUILT_IN_PAGE], ...COMMON]);
    assert.equal(stats.eventsMatching({ event: 'statistics' }, statsFrom).length, 2, 'exactly one error report');
    await quitThroughStudio(program);
  } finally {
    await program.stop();
  }
});

test('a refused page address: an error report with the net error code and its text', async () => {
  const statsFrom = stats.events.length;
  const closed = await freePort();
  const program = await Program.start({ ...VALUES, page: `http://127.0.0.1:${closed}/probe.html`, dir });
  try {
    const [load, error] = await reportsOfRun(statsFrom, 2);
    assert.equal(item(load, 'type'), '16');
    assert.equal(item(load, 'r'), '1');
    assert.ok(error, 'an error report');
    assert.deepEqual(names(error), ['systemName', 'type', 'err', 'emsg', 'resurl', 'uuid', 'host', 'hip',
      'httpc', 'requrl', 'hc', 'clt_ver', 'clt_type']);
    assert.equal(item(error, 'err'), '-102', 'net::ERR_CONNECTION_REFUSED');
    assert.equal(item(error, 'httpc'), '-102');
    assert.equal(item(error, 'emsg'), 'ERR_CONNECTION_REFUSED');
    assert.equal(item(error, 'uuid'), item(load, 'uuid'));
    assert.equal(stats.eventsMatching({ event: 'statistics' }, statsFrom).length, 2);
    await quitThroughStudio(program);
  } finally {
    await program.stop();
  }
});

// The dump files in the executable's folder.
function dumpFiles() {
  return fs.readdirSync(path.dirname(programPath())).filter((f) => /^orvex_cloud_.*\.dmp$/.test(f));
}

test('a fatal signal leaves the dump file named by the local time of the crash', async () => {
  const before = new Set(dumpFiles());
  const program = await Program.start({ ...VALUES, page: pages.url('probe.html'), dir });
  let created = [];
  try {
    await new Probe(await program.connect()).ready();
    const start = new Date();
    process.kill(program.pid, 'SIGSEGV');
    const exit = await program.waitExit(15000);
    const end = new Date();
    assert.ok(exit, 'the program ends after the signal');
    assert.notEqual(exit.code, 0);
    created = dumpFiles().filter((f) => !before.has(f));
    // orvex_cloud_Y_M_D_h_m_s.dmp, local time, no leading zeros, within the crash's seconds.
    const expected = new Set();
    for (let t = Math.floor(start.getTime() / 1000); t <= Math.floor(end.getTime() / 1000); t++) {
      const d = new Date(t * 1000);
      expected.add(`orvex_cloud_${d.getFullYear()}_${d.getMonth() + 1}_${d.getDate()}_` +
        `${d.getHours()}_${d.getMinutes()}_${d.getSeconds()}.dmp`);
    }
    assert.equal(created.length, 1, `one new dump file, got ${JSON.stringify(created)}`);
    assert.ok(expected.has(created[0]), `${created[0]} is one of ${[...expected]}`);
    // What the dump writer records first: the process and the signal.
    const dump = fs.readFileSync(path.join(path.dirname(programPath()), created[0]), 'latin1');
    assert.match(dump, new RegExp(`\\bprocess ${program.pid}\\b`));
    assert.match(dump, /\bsignal 11\b/);
  } finally {
    await program.stop();
    for (const f of created) fs.rmSync(path.join(path.dirname(programPath()), f), { force: true });
  }
});

// The page's renderer: the browser engine's zygote forks it, so its parent is a zygote process.
function rendererOf(program) {
  const args = (pid) => {
    try {
      return fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
    } catch {
      return '';
    }
  };
  const parent = (pid) => {
    const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8');
    return Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]);
  };
  return sessionMembers(program.pid).find(
    (pid) => args(pid).includes('--type=zygote') && args(parent(pid)).includes('--type=zygote'));
}

test('a fatal signal in a browser sub-process leaves its dump file too', async () => {
  const before = new Set(dumpFiles());
  const program = await Program.start({ ...VALUES, page: pages.url('probe.html'), dir });
  let created = [];
  try {
    await new Probe(await program.connect()).ready();
    const renderer = rendererOf(program);
    assert.ok(renderer, 'the page has a renderer process');
    process.kill(renderer, 'SIGSEGV');
    await waitUntil(() => dumpFiles().some((f) => !before.has(f)),
      { timeoutMs: 15000, what: 'the renderer\'s dump file' });
    created = dumpFiles().filter((f) => !before.has(f));
    const dump = fs.readFileSync(path.join(path.dirname(programPath()), created[0]), 'latin1');
    assert.match(dump, new RegExp(`\\bprocess ${renderer}\\b`));
    assert.match(dump, /\bsignal 11\b/);
  } finally {
    await program.stop();
    for (const f of created) fs.rmSync(path.join(path.dirname(programPath()), f), { force: true });
  }
});
