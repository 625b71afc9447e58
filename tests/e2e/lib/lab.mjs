// The lab's roles as child processes of the end-to-end tests: the studio, the statistics server
// and the camera fleet (tools/lab/README.md describes them). Each start waits, bounded, until
// the role serves; each role is a Child of processes.mjs (events, commands, stop).

import fs from 'node:fs';
import path from 'node:path';
import { Child } from './processes.mjs';

// The lab executable: ORVEX_LAB, set by the build for these tests.
export function labPath() {
  const lab = process.env.ORVEX_LAB;
  if (!lab) throw new Error('ORVEX_LAB is not set: the path of orvex-lab');
  return lab;
}

async function startRole(name, args, readyEvent, timeoutMs) {
  const child = new Child(name, labPath(), args);
  try {
    const event = await child.waitForEvent((e) => e.event === readyEvent || e.event === 'error',
      { timeoutMs, what: `${readyEvent} event` });
    if (event.event === 'error') throw new Error(`${name}: ${event.message}`);
    child.ready = event;
    return child;
  } catch (e) {
    await child.stop();
    throw e;
  }
}

// The studio, listening on host:port (the program always connects to 127.0.0.1:5905).
// `fleet`: fleet file; `sendOnHello`: answer each hello with the group message and, with
// `camera` ("SERIAL [CHANNEL]"), the current-camera message. Commands: child.send('groups'),
// 'camera S', 'quit', 'text TYPE TEXT', 'close'. Events: connected, received, sent, closed.
export function startStudio({ host = '127.0.0.1', port = 5905, fleet, sendOnHello = false, camera, record } = {}) {
  const args = ['studio', '--host', host, '--port', String(port)];
  if (fleet) args.push('--fleet', fleet);
  if (sendOnHello) args.push('--send-on-hello');
  if (camera) args.push('--camera', camera);
  if (record) args.push('--record', record);
  return startRole('studio', args, 'listening', 10000);
}

// The statistics server on host:port; every POST /statistics.do becomes a `statistics` event
// with its `items` ([name, value] pairs in order). The program posts to port 80 of its
// "&LogDomain=" value, so each test gives its own loopback address (127.0.0.x; needs root).
export function startStats({ host, port = 80, status } = {}) {
  if (!host) throw new Error('startStats needs a loopback host of its own');
  const args = ['stats', '--host', host, '--port', String(port)];
  if (status) args.push('--status', String(status));
  return startRole('stats', args, 'listening', 10000);
}

// The camera fleet. `state`: the folder of the cameras' records; `fleet`: a fleet object (written
// to `state`/fleet-in.json) or file; `cameras`: --camera SPEC texts; `count` (+ `prefix`,
// `password`): generated cameras. The fleet for the studio (every camera's real address and port)
// is written to `state`/fleet.json and named by `child.fleetFile`. Commands: 'fault S WORDS',
// 'counters S'.
export async function startCameras({ state, fleet, cameras = [], count, prefix, password, timeoutMs = 20000 } = {}) {
  if (!state) throw new Error('startCameras needs a state folder');
  fs.mkdirSync(state, { recursive: true });
  const args = ['cameras', '--state', state, '--no-sync', '--fleet-out', path.join(state, 'fleet.json')];
  if (fleet) {
    let file = fleet;
    if (typeof fleet !== 'string') {
      file = path.join(state, 'fleet-in.json');
      fs.writeFileSync(file, JSON.stringify(fleet, null, 1));
    }
    args.push('--fleet', file);
  }
  for (const spec of cameras) args.push('--camera', spec);
  if (count) args.push('--count', String(count));
  if (prefix) args.push('--prefix', prefix);
  if (password) args.push('--password', password);
  const child = await startRole('cameras', args, 'ready', timeoutMs);
  child.fleetFile = path.join(state, 'fleet.json');
  child.fleetOut = JSON.parse(fs.readFileSync(child.fleetFile, 'utf8'));
  child.endpoints = Object.fromEntries(child.eventsMatching({ event: 'camera' }).map((e) => [e.serial, e]));
  return child;
}

// The 80,280-byte record the cameras role keeps for channel `channel` of `serial` under `state`.
export function storedRecord(state, serial, channel = 1) {
  return fs.readFileSync(path.join(state, serial, `channel-${channel}.cfg`));
}
