// Start-up and shutdown of the real program against the lab: the hello to the studio, the load
// reports to the statistics server (a page that loads, a 404 page, a refused address), the
// studio's quit, and the dump files fatal signals leave.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { useLab } from './lib/lab.mjs';
import { Program, programPath } from './lib/program.mjs';
import { freePort } from './lib/page_server.mjs';
import { Probe } from './lib/probe.mjs';
import { sessionMembers, sleep, waitUntil } from './lib/processes.mjs';

const STATS_HOST = '127.0.0.31';
const BUILT_IN_PAGE = 'https://h5.orvex.example/qm_h5/studio/index.html';
const COMMON = [['hc', 'hc-9'], ['clt_ver', '3.2.1'], ['clt_type', '9']];
const VALUES = {
  logDomain: STATS_HOST, userId: 'u-17', userName: 'tester', hc: 'hc-9', clientVersion: '3.2.1',
  host: 'studio-host', domainIp: '10.1.2.3',
};
// How long a report that must not come is waited for: the sender posts within a few ms.
const QUIET_MS = 1500;

let dir, studio, stats, pages;
useLab({ count: 3, statsHost: STATS_HOST }, (lab) => ({ dir, studio, stats, pages } = lab));

const item = (event, name) => event.items.find(([n]) => n === name)?.[1];

// Ends the program with the studio's quit (`times` quits back to back); it must exit with 0
// and leave no process behind.
async function quitThroughStudio(program, times = 1) {
  const from = studio.events.length;
  for (let i = 0; i < times; i++) studio.send('quit');
  await studio.waitForEvent({ event: 'sent', command: 'quit' }, { from });
  const exit = await program.waitExit(15000);
  assert.deepEqual(exit, { code: 0, signal: null }, `the program exits by itself with 0: ${program.child.stderr.slice(-2000)}`);
  await waitUntil(() => program.survivors().length === 0,
    { timeoutMs: 5000, what: 'every sub-process of the program to end' });
}

// The statistics events of one program run, once `count` have arrived and QUIET_MS passed
// without another.
async function reportsOfRun(statsFrom, count) {
  await waitUntil(() => stats.eventsMatching({ event: 'statistics' }, statsFrom).length >= count,
    { timeoutMs: 20000, what: `${count} statistics reports` });
  await sleep(QUIET_MS);
  return stats.eventsMatching({ event: 'statistics' }, statsFrom);
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
    const [uuid, cost] = [item(load, 'uuid'), item(load, 'cost')];
    assert.match(uuid, /^[0-9A-F]{32}$/);
    assert.match(cost, /^\d+$/);
    assert.deepEqual(load.items, [['systemName', 'studio_client_h5'], ['type', '16'], ['uuid', uuid],
      ['loadurl', BUILT_IN_PAGE], ['cost', cost], ['r', '0'], ['id', 'u-17'], ['un', 'tester'], ...COMMON]);

    // Only the first load result of the window is reported: a 404 and a second good load
    // produce nothing more.
    await program.page.send('Page.navigate', { url: pages.url('status/404/later.html') });
    await waitUntil(() => pages.requests.some((r) => r.url === '/status/404/later.html'), { what: 'the 404 request' });
    await program.page.send('Page.navigate', { url: pages.url('probe.html?again') });
    await probe.ready();
    await sleep(QUIET_MS);
    assert.equal(stats.eventsMatching({ event: 'statistics' }, statsFrom).length, 1);

    // Two quits back to back: the window closes once and the program ends normally.
    await quitThroughStudio(program, 2);
    const log = program.debugLog();
    // The reporter's end line (held by the diagnostic table) is the one sign of its shutdown.
    assert.equal(log.split('UnInitStatistics end.').length - 1, 1, 'shut down once');
  } finally {
    await program.stop();
  }
});

test('a 404 page and a refused address: r 1 and one error report each, with the code and text the engine gave', async () => {
  const closed = await freePort();
  // The first address names "synchronousConfiguration", which makes the page type 17.
  for (const { page, type, code, emsg } of [
    { page: pages.url('status/404/synchronousConfiguration.html'), type: '17', code: '404', emsg: '' },
    { page: `http://127.0.0.1:${closed}/probe.html`, type: '16', code: '-102', emsg: 'ERR_CONNECTION_REFUSED' },
  ]) {
    const statsFrom = stats.events.length;
    const program = await Program.start({ ...VALUES, page, dir });
    try {
      const reports = await reportsOfRun(statsFrom, 2);
      assert.equal(reports.length, 2, `${page}: exactly one error report`);
      const [load, error] = reports;
      assert.deepEqual([item(load, 'systemName'), item(load, 'type'), item(load, 'r')], ['studio_client_h5', type, '1']);
      assert.deepEqual(error.items, [
        ['systemName', 'studio_client_h5_err'], ['type', type], ['err', code], ['emsg', emsg],
        ['resurl', ''], ['uuid', item(load, 'uuid')], ['host', 'studio-host'], ['hip', '10.1.2.3'],
        ['httpc', code], ['requrl', BUILT_IN_PAGE], ...COMMON]);
      await quitThroughStudio(program);
    } finally {
      await program.stop();
    }
  }
});

// The dump files in the executable's folder.
function dumpFiles() {
  return fs.readdirSync(path.dirname(programPath())).filter((f) => /^orvex_cloud_.*\.dmp$/.test(f));
}

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

test('a fatal signal in the renderer, then in the program, each leave a dump file named by the local time', async () => {
  const before = new Set(dumpFiles());
  const fresh = () => dumpFiles().filter((f) => !before.has(f));
  const seen = [];
  // Waits for the one new dump file, which names the process and the signal first.
  const nextDump = async (pid) => {
    const files = await waitUntil(() => (fresh().length > seen.length ? fresh() : undefined),
      { timeoutMs: 15000, what: `the dump file of ${pid}` });
    assert.equal(files.length, seen.length + 1, `one new dump file: ${files}`);
    const file = files.find((f) => !seen.includes(f));
    seen.push(file);
    const dump = fs.readFileSync(path.join(path.dirname(programPath()), file), 'latin1');
    assert.match(dump, new RegExp(`\\bprocess ${pid}\\b`));
    assert.match(dump, /\bsignal 11\b/);
    return file;
  };
  const program = await Program.start({ ...VALUES, page: pages.url('probe.html'), dir });
  try {
    await new Probe(await program.connect()).ready();
    const renderer = rendererOf(program);
    assert.ok(renderer, 'the page has a renderer process');
    process.kill(renderer, 'SIGSEGV');
    await nextDump(renderer);

    // The names count whole seconds: the program's dump must not take the renderer's name.
    await sleep(1100);
    const start = new Date();
    process.kill(program.pid, 'SIGSEGV');
    const exit = await program.waitExit(15000);
    const end = new Date();
    assert.ok(exit && exit.code !== 0, `the program ends after the signal: ${JSON.stringify(exit)}`);
    const file = await nextDump(program.pid);
    // orvex_cloud_Y_M_D_h_m_s.dmp, local time, no leading zeros, within the crash's seconds.
    const expected = [];
    for (let t = Math.floor(start / 1000); t <= Math.floor(end / 1000); t++) {
      const d = new Date(t * 1000);
      expected.push(`orvex_cloud_${d.getFullYear()}_${d.getMonth() + 1}_${d.getDate()}_` +
        `${d.getHours()}_${d.getMinutes()}_${d.getSeconds()}.dmp`);
    }
    assert.ok(expected.includes(file), `${file} is one of ${expected}`);
  } finally {
    await program.stop();
    for (const f of fresh()) fs.rmSync(path.join(path.dirname(programPath()), f), { force: true });
  }
});
