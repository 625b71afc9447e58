// The lab world (`orvex-lab world`) as a child process: the fleet it serves, and its commands
// answered as promises (what a camera holds now, its counters, its faults).

import fs from 'node:fs';
import { Child } from '../../e2e/lib/processes.mjs';
import { labPath } from '../../e2e/lib/lab.mjs';

export class World {
  // Starts the world and waits for its "ready" event. `state`: its state folder; `statsHost`:
  // the loopback address whose port 80 records statistics; `args`: further options. Cameras
  // listen on free ports of 127.0.0.1 unless `args` says otherwise; the studio is on 5905, where
  // the program looks for it.
  static async start({ state, statsHost = '127.0.0.9', args = [], timeoutMs = 30000 } = {}) {
    const all = ['world', '--state', state, '--base-address', '', '--camera-port', '0',
      '--stats-host', statsHost, '--page-port', '0', '--no-sync', ...args];
    const world = new World();
    world.child = new Child('world', labPath(), all);
    try {
      world.ready = await world.child.waitForEvent({ event: 'ready' }, { timeoutMs });
    } catch (e) {
      const errors = world.child.eventsMatching({ event: 'error' }).map((x) => x.message);
      await world.child.stop();
      throw new Error(`the world did not start: ${errors.join('; ') || e.message}`);
    }
    world.fleet = JSON.parse(fs.readFileSync(world.ready.fleet, 'utf8'));
    return world;
  }

  // Every camera of the fleet in group order, each with `key` ("SERIAL_CHANNEL") and `group`.
  cameras() {
    return this.fleet.groups.flatMap((g) => g.cameras.map((c) => ({ ...c, key: `${c.serial}_${c.channelNo}`, group: g.groupId })));
  }

  camera(key) {
    return this.cameras().find((c) => c.key === key);
  }

  // The cameras by their trouble: absent (nothing listens), changed (the device password is not
  // the one the studio stored), unconfirmed ("CheckPassword" true), healthy (none of these);
  // ONVIF cameras (all healthy) apart.
  static kind(camera) {
    if (camera.devType === 'ONVIF') return 'onvif';
    if (camera.device?.faults?.absent) return 'absent';
    if (camera.CheckPassword) return 'unconfirmed';
    if (camera.device?.password !== undefined && camera.device.password !== camera.passwd) return 'changed';
    return 'healthy';
  }

  // Sends a command and waits for the first event of `name` (and `match`) printed after it.
  async ask(command, name, match = () => true, timeoutMs = 10000) {
    const from = this.child.events.length;
    this.child.send(command);
    return this.child.waitForEvent((e) => (e.event === name && match(e)) || (e.event === 'error' && e.command),
      { from, timeoutMs, what: `${name} after "${command}"` }).then((e) => {
      if (e.event === 'error') throw new Error(`world: ${command}: ${e.message}`);
      return e;
    });
  }

  // What the camera holds now: {configItems, ranges, wifiNetworks, wifiCount}.
  config(serial, channelNo = 1) {
    return this.ask(`config ${serial} ${channelNo}`, 'config', (e) => e.serial === serial && e.channelNo === channelNo);
  }

  // What an ONVIF camera holds now: the lab's ONVIF record (tools/lab/README.md).
  onvifState(serial) {
    return this.ask(`config ${serial}`, 'config', (e) => e.serial === serial && e.kind === 'onvif').then((e) => e.state);
  }

  counters(serial) {
    return this.ask(`counters ${serial}`, 'counters', (e) => e.serial === serial);
  }

  fault(serial, words) {
    return this.ask(`fault ${serial} ${words}`, 'faults', (e) => e.serial === serial);
  }

  async stop() {
    if (!this.child.exit) this.child.send('exit');
    const exit = await this.child.waitExit(5000);
    if (!exit) return this.child.stop();
    await this.child.stop();
    return exit;
  }
}
