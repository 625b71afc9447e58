// The studio's quit ends the program promptly even while it waits on peers that never answer:
// an issue to cameras that accept connections and stay silent, and a statistics server that
// answers one byte every 2 s. The device library's limits are 10 s a request and 3 s a connect.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import net from 'node:net';
import { startStats, useLab } from './lib/lab.mjs';
import { Program } from './lib/program.mjs';
import { Probe } from './lib/probe.mjs';
import { sleep, waitUntil } from './lib/processes.mjs';

const STATS_HOST = '127.0.0.36';
const TRICKLE_HOST = '127.0.0.37';
const SILENT = ['SIL01', 'SIL02', 'SIL03'];
const MEMBERS = ['CheckPassword', 'channelNo', 'devType', 'devip', 'devname', 'encrypt', 'iPlatform',
  'newDev', 'passwd', 'port', 'serial'];

let dir, cameras, studio, pages;
const fleet = { groups: [{ groupName: 'Silent', groupId: 'g-silent', cameras: SILENT.map((serial) => ({
  serial, devname: serial, devip: '127.0.0.1', passwd: 'pw', devType: 'IPC', port: 0, channelNo: 1,
  device: { faults: { silent: true } } })) }] };
useLab({ fleet }, (lab) => ({ dir, cameras, studio, pages } = lab));

// Sends the studio's quit; the program must exit with 0 within `boundMs` and leave no process
// behind. Reports how long it took.
async function quitAndTime(t, program, boundMs) {
  const start = Date.now();
  studio.send('quit');
  const exit = await program.waitExit(boundMs);
  const ms = Date.now() - start;
  assert.deepEqual(exit, { code: 0, signal: null },
    `the program exits with 0 within ${boundMs} ms of the quit: ${program.child.stderr.slice(-2000)}`);
  await waitUntil(() => program.survivors().length === 0, { timeoutMs: 5000, what: 'every sub-process of the program to end' });
  t.diagnostic(`the program exited ${ms} ms after the quit`);
}

test('a quit 2 s into an issue to three silent cameras ends the program within 15 s', async (t) => {
  await startStats({ host: STATS_HOST });
  const program = await Program.start({ page: pages.url('probe.html'), logDomain: STATS_HOST, dir });
  try {
    const probe = new Probe(await program.connect());
    await probe.ready();
    await waitUntil(async () => (await probe.query(1)).text !== '', { timeoutMs: 20000, what: 'the group list' });
    const targets = cameras.fleetOut.groups[0].cameras.map((c) => Object.fromEntries(MEMBERS.map((m) => [m, c[m]])));
    const colour = { configItems: { imageConfig: { imageColor: { brightnessLevel: 40, contrastLevel: 50, saturationLevel: 60, hue: 7 } } } };
    await probe.call('IssuedConfigToCameras', JSON.stringify(targets), JSON.stringify(colour));
    await sleep(2000);
    // The issue is under way: it has connected to a silent camera and waits for its answer.
    cameras.send(`counters ${SILENT[0]}`);
    const counters = await cameras.waitForEvent({ event: 'counters', serial: SILENT[0] });
    assert.ok(counters.connections > 0, `the issue reached the silent cameras: ${JSON.stringify(counters)}`);
    assert.equal((await probe.answers()).some((a) => a.code === '7'), false, 'the issue is still waiting');
    await quitAndTime(t, program, 15000);
  } finally {
    await program.stop();
  }
});

// A statistics server on port 80 of `host` that reads each request whole and then answers
// "HTTP/1.1 200 OK ..." one byte every 2 s. `posts` holds the request line of each request read.
async function startTrickleServer(host) {
  const answer = Buffer.from('HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok');
  const sockets = new Set();
  const posts = [];
  const server = net.createServer((socket) => {
    sockets.add(socket);
    socket.on('close', () => sockets.delete(socket));
    socket.on('error', () => {});
    let data = Buffer.alloc(0);
    socket.on('data', (chunk) => {
      data = Buffer.concat([data, chunk]);
      const end = data.indexOf('\r\n\r\n');
      const length = Number(/^content-length:\s*(\d+)/im.exec(data.subarray(0, end).toString('latin1'))?.[1] || 0);
      if (end < 0 || data.length < end + 4 + length || socket.trickle) return;
      posts.push(data.subarray(0, end).toString('latin1').split('\r\n')[0]);
      let i = 0;
      socket.trickle = setInterval(() => {
        if (socket.destroyed || i >= answer.length) clearInterval(socket.trickle);
        else socket.write(answer.subarray(i, ++i));
      }, 2000);
      socket.on('close', () => clearInterval(socket.trickle));
    });
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(80, host, resolve);
  });
  return {
    posts,
    close: () => new Promise((resolve) => {
      for (const s of sockets) {
        clearInterval(s.trickle);
        s.destroy();
      }
      server.close(() => resolve());
    }),
  };
}

test('a quit while the load report is answered one byte every 2 s ends the program within 8 s', async (t) => {
  const trickle = await startTrickleServer(TRICKLE_HOST);
  const program = await Program.start({ page: pages.url('probe.html'), logDomain: TRICKLE_HOST, dir });
  try {
    await waitUntil(() => trickle.posts.length > 0, { timeoutMs: 30000, what: 'the load report\'s POST' });
    assert.match(trickle.posts[0], /^POST \/statistics\.do\b/);
    await quitAndTime(t, program, 8000);
  } finally {
    await program.stop();
    await trickle.close();
  }
});
