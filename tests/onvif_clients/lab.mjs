// Runs `orvex-lab cameras` for the client tests: starts it, waits for its JSON events, sends
// commands on its standard input, and stops it.
import { spawn } from 'node:child_process';
import { createInterface } from 'node:readline';

export class Lab {
  constructor(args, { command = [] } = {}) {
    const program = process.env.ORVEX_LAB;
    if (!program) throw new Error('ORVEX_LAB is not set');
    const argv = [...command, program, 'cameras', ...args];
    this.child = spawn(argv[0], argv.slice(1), { stdio: ['pipe', 'pipe', 'inherit'] });
    this.events = [];
    this.waiters = [];
    this.exited = new Promise((resolve) => this.child.on('exit', resolve));
    createInterface({ input: this.child.stdout }).on('line', (line) => {
      let event;
      try {
        event = JSON.parse(line);
      } catch {
        return;
      }
      this.events.push(event);
      this.waiters = this.waiters.filter((w) => !w(event));
    });
  }

  // The first event (from now on, or already seen when `seen`) that `match` accepts.
  next(match, { seen = false, timeoutMs = 10000 } = {}) {
    const old = seen ? this.events.find(match) : undefined;
    if (old) return Promise.resolve(old);
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error('no such lab event in time')), timeoutMs);
      this.waiters.push((event) => {
        if (!match(event)) return false;
        clearTimeout(timer);
        resolve(event);
        return true;
      });
    });
  }

  async ready() {
    const ready = await this.next((e) => e.event === 'ready' || e.event === 'error', { seen: true });
    if (ready.event === 'error') throw new Error(`lab: ${ready.message}`);
    return this.events.filter((e) => e.event === 'camera');
  }

  command(line) {
    this.child.stdin.write(line + '\n');
  }

  async config(serial) {
    const event = this.next((e) => e.event === 'config' && e.serial === serial);
    this.command(`config ${serial}`);
    return (await event).state;
  }

  async counters(serial) {
    const event = this.next((e) => e.event === 'counters' && e.serial === serial);
    this.command(`counters ${serial}`);
    return event;
  }

  async stop() {
    if (this.child.exitCode === null) {
      this.command('exit');
      const timer = setTimeout(() => this.child.kill('SIGKILL'), 5000);
      await this.exited;
      clearTimeout(timer);
    }
  }
}

// The paths ("channels.0.main.bitrate") whose values differ between two JSON values.
export function changedPaths(before, after, prefix = '') {
  if (typeof before !== 'object' || before === null || typeof after !== 'object' || after === null) {
    return JSON.stringify(before) === JSON.stringify(after) ? [] : [prefix];
  }
  const keys = new Set([...Object.keys(before), ...Object.keys(after)]);
  return [...keys].flatMap((k) => changedPaths(before[k], after[k], prefix ? `${prefix}.${k}` : k));
}
