// Child processes for the end-to-end tests: each runs in a session of its own, its standard
// output is read as lines (JSON lines become events), every wait is bounded, and every process
// started here is killed with its whole session when the test process ends, however it ends.

import { spawn } from 'node:child_process';
import fs from 'node:fs';

const live = new Set();

// The pids of every process of session `sid` (the child and everything it started, unless a
// descendant left the session). Reads /proc.
export function sessionMembers(sid) {
  const pids = [];
  for (const name of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    let stat;
    try {
      stat = fs.readFileSync(`/proc/${name}/stat`, 'utf8');
    } catch {
      continue;  // ended while we looked
    }
    // Fields after the command (which may hold blanks and parentheses): state ppid pgrp session.
    const rest = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
    if (rest[0] !== 'Z' && Number(rest[3]) === sid) pids.push(Number(name));
  }
  return pids;
}

function killSession(sid, signal) {
  for (const pid of [-sid, ...sessionMembers(sid)]) {
    try {
      process.kill(pid, signal);
    } catch {
      // already gone
    }
  }
}

function killAllNow() {
  for (const child of live) killSession(child.pid, 'SIGKILL');
  live.clear();
}

process.on('exit', killAllNow);
for (const [signal, number] of [['SIGINT', 2], ['SIGTERM', 15], ['SIGHUP', 1]]) {
  process.on(signal, () => {
    killAllNow();
    process.exit(128 + number);
  });
}

export function sleep(ms) {
  return new Promise((resolve) => setTimeout(resolve, ms));
}

// Polls `probe` (sync or async) until it returns a value other than undefined/null/false, or
// throws after `timeoutMs` naming `what`.
export async function waitUntil(probe, { timeoutMs = 10000, intervalMs = 50, what = 'condition' } = {}) {
  const deadline = Date.now() + timeoutMs;
  let lastError;
  for (;;) {
    try {
      const value = await probe();
      if (value !== undefined && value !== null && value !== false) return value;
    } catch (e) {
      lastError = e;
    }
    if (Date.now() >= deadline) {
      throw new Error(`timed out after ${timeoutMs} ms waiting for ${what}` +
                      (lastError ? ` (last error: ${lastError.message})` : ''));
    }
    await sleep(intervalMs);
  }
}

// An event test from an object of member values or a function.
const matcher = (predicate) => (typeof predicate === 'function' ? predicate
  : (e) => Object.entries(predicate).every(([k, v]) => e[k] === v));

// One child process. `events` holds the JSON objects it printed, `lines` every line.
export class Child {
  constructor(name, command, args, { env = process.env, stdin = 'pipe' } = {}) {
    this.name = name;
    this.lines = [];
    this.events = [];
    this.stderr = '';
    this.exit = null;  // {code, signal} once it has ended
    this.proc = spawn(command, args, { env, detached: true, stdio: [stdin, 'pipe', 'pipe'] });
    this.pid = this.proc.pid;
    if (this.pid === undefined) throw new Error(`${name}: could not start ${command}`);
    live.add(this);
    this.exited = new Promise((resolve) => {
      this.proc.on('exit', (code, signal) => resolve(this.exit = { code, signal }));
    });
    this.proc.on('error', () => {});
    this.proc.stdin?.on('error', () => {});
    let pending = '';
    this.proc.stdout.setEncoding('utf8');
    this.proc.stdout.on('data', (chunk) => {
      const lines = (pending + chunk).split('\n');
      pending = lines.pop();
      for (const line of lines) {
        this.lines.push(line);
        try {
          if (line.startsWith('{')) this.events.push(JSON.parse(line));
        } catch {
          // not an event
        }
      }
    });
    this.proc.stderr.setEncoding('utf8');
    // Keep the tail only: the browser sub-processes can be chatty.
    this.proc.stderr.on('data', (chunk) => { this.stderr = (this.stderr + chunk).slice(-20000); });
  }

  // Writes one command line to the child's standard input.
  send(line) {
    this.proc.stdin.write(line + '\n');
  }

  // The first event at index >= `from` that satisfies `predicate` (an object of member values
  // or a function); waits up to `timeoutMs`. Returns the event; its index is `event.__index`.
  async waitForEvent(predicate, { from = 0, timeoutMs = 10000, what } = {}) {
    const test = matcher(predicate);
    const label = what || (typeof predicate === 'function' ? 'an event' : JSON.stringify(predicate));
    return waitUntil(() => {
      const i = this.events.findIndex((e, j) => j >= from && test(e));
      if (i >= 0) return Object.defineProperty(this.events[i], '__index', { value: i, configurable: true });
      if (this.exit) throw new Error(`${this.name} exited (${JSON.stringify(this.exit)})`);
      return undefined;
    }, { timeoutMs, what: `${this.name}: ${label}` });
  }

  // Events at index >= `from` that satisfy `predicate`.
  eventsMatching(predicate, from = 0) {
    return this.events.slice(from).filter(matcher(predicate));
  }

  // Waits up to `timeoutMs` for the child to end; returns {code, signal} or null.
  async waitExit(timeoutMs) {
    let timer;
    const result = await Promise.race([this.exited, new Promise((resolve) => { timer = setTimeout(resolve, timeoutMs, null); })]);
    clearTimeout(timer);
    return result;
  }

  // The processes still alive in the child's session (the child included while it runs).
  survivors() {
    return sessionMembers(this.pid);
  }

  // Ends the child and everything in its session: SIGTERM (or `signal`), up to `graceMs`, then
  // SIGKILL; nothing of its session may stay either. Returns the child's exit.
  async stop({ signal = 'SIGTERM', graceMs = 3000 } = {}) {
    if (!this.exit) killSession(this.pid, signal);
    let exit = await this.waitExit(graceMs);
    if (!exit || this.survivors().length > 0) {
      killSession(this.pid, 'SIGKILL');
      exit = exit || await this.waitExit(5000);
      await waitUntil(() => this.survivors().length === 0, { timeoutMs: 5000, what: `${this.name}'s session to end` })
        .catch(() => {});
    }
    this.proc.stdin?.destroy();
    live.delete(this);
    return exit;
  }
}

// Stops every child started here that is still running (for test hooks).
export async function stopAllChildren() {
  await Promise.all([...live].map((child) => child.stop({ graceMs: 2000 })));
}
