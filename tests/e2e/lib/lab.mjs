// The lab's roles as child processes of the end-to-end tests: the studio, the statistics server
// and the camera fleet (tools/lab/README.md describes them). Each start waits, bounded, until
// the role serves; each role is a Child of processes.mjs (events, commands, stop).

import { before, after } from 'node:test';
import fs from 'node:fs';
import path from 'node:path';
import { Child, stopAllChildren } from './processes.mjs';
import { startPageServer } from './page_server.mjs';
import { tempDir } from './program.mjs';

// The lab executable: ORVEX_LAB, set by the build for these tests.
export function labPath() {
  const lab = process.env.ORVEX_LAB;
  if (!lab) throw new Error('ORVEX_LAB is not set: the path of orvex-lab');
  return lab;
}

async function startRole(name, args, readyEvent, timeoutMs = 10000) {
  const child = new Child(name, labPath(), [name, ...args]);
  try {
    const event = await child.waitForEvent((e) => e.event === readyEvent || e.event === 'error',
      { timeoutMs, what: `${readyEvent} event` });
    if (event.event === 'error') throw new Error(`${name}: ${event.message}`);
    return child;
  } catch (e) {
    await child.stop();
    throw e;
  }
}

// The studio on 127.0.0.1:5905, where the program looks for it. `fleet`: fleet file;
// `camera` ("SERIAL [CHANNEL]"): the current-camera message sent after the group message that
// answers each hello. Commands: child.send('groups'), 'camera S', 'quit', 'text TYPE TEXT',
// 'close'. Events: connected, received, sent, closed.
export function startStudio({ fleet, camera } = {}) {
  return startRole('studio', ['--fleet', fleet, '--send-on-hello', ...(camera ? ['--camera', camera] : [])], 'listening');
}

// The statistics server on port 80 of `host`; every POST /statistics.do becomes a `statistics`
// event with its `items` ([name, value] pairs in order). The program posts to port 80 of its
// "&LogDomain=" value, so each test gives its own loopback address (127.0.0.x; needs root).
export function startStats({ host }) {
  return startRole('stats', ['--host', host, '--port', '80'], 'listening');
}

// The camera fleet. `state`: the folder of the cameras' records; `fleet`: a fleet object
// (written to `state`/fleet-in.json); `count`: that many generated cameras instead. The fleet
// for the studio (every camera's real address and port) is written to `state`/fleet.json,
// named by `child.fleetFile` and parsed in `child.fleetOut`.
export async function startCameras({ state, fleet, count }) {
  fs.mkdirSync(state, { recursive: true });
  const args = ['--state', state, '--no-sync', '--fleet-out', path.join(state, 'fleet.json')];
  if (fleet) {
    fs.writeFileSync(path.join(state, 'fleet-in.json'), JSON.stringify(fleet));
    args.push('--fleet', path.join(state, 'fleet-in.json'));
  }
  if (count) args.push('--count', String(count));
  const child = await startRole('cameras', args, 'ready', 20000);
  child.fleetFile = path.join(state, 'fleet.json');
  child.fleetOut = JSON.parse(fs.readFileSync(child.fleetFile, 'utf8'));
  return child;
}

// The 80,280-byte record the cameras role keeps for channel `channel` of `serial` under `state`.
export function storedRecord(state, serial, channel = 1) {
  return fs.readFileSync(path.join(state, serial, `channel-${channel}.cfg`));
}

// The lab of one test file, started before its tests and stopped (with every child and a
// `program` set on it) after them: a temporary folder `dir`, the cameras under `state` (`count`
// generated ones or `fleet`), the studio (`camera`: its current camera), a statistics server
// on `statsHost` when one is given, and the page server `pages`. `ready(lab)` runs last.
export function useLab({ count, fleet, camera, statsHost, skip = false }, ready = () => {}) {
  const lab = {};
  before(async () => {
    if (skip) return;
    lab.dir = tempDir();
    lab.state = path.join(lab.dir, 'state');
    lab.cameras = await startCameras({ state: lab.state, count, fleet });
    lab.studio = await startStudio({ fleet: lab.cameras.fleetFile, camera });
    if (statsHost) lab.stats = await startStats({ host: statsHost });
    lab.pages = await startPageServer();
    await ready(lab);
  });
  after(async () => {
    await lab.program?.stop();
    await stopAllChildren();
    await lab.pages?.close();
    if (lab.dir) fs.rmSync(lab.dir, { recursive: true, force: true });
  });
  return lab;
}
