// A raw Chrome DevTools Protocol client for the program's browser, which opens the protocol
// with QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:PORT. Uses Node's WebSocket (node 20 needs
// --experimental-websocket; node 22 has it by default).

import { waitUntil } from './processes.mjs';

// The targets the browser lists at http://127.0.0.1:PORT/json.
export async function listTargets(port) {
  const response = await fetch(`http://127.0.0.1:${port}/json`);
  if (!response.ok) throw new Error(`/json answered ${response.status}`);
  return response.json();
}

export class CdpSession {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Set();
    this.closed = false;
    socket.addEventListener('message', (event) => {
      const message = JSON.parse(typeof event.data === 'string' ? event.data : event.data.toString());
      if (message.id !== undefined && this.pending.has(message.id)) {
        const { resolve, reject, timer } = this.pending.get(message.id);
        this.pending.delete(message.id);
        clearTimeout(timer);
        if (message.error) reject(new Error(`CDP ${message.error.code}: ${message.error.message}`));
        else resolve(message.result);
      } else if (message.method) {
        for (const listener of this.listeners) listener(message.method, message.params);
      }
    });
    socket.addEventListener('close', () => {
      this.closed = true;
      for (const { reject, timer } of this.pending.values()) {
        clearTimeout(timer);
        reject(new Error('CDP connection closed'));
      }
      this.pending.clear();
    });
  }

  // Sends one command; resolves with its result, rejects on a protocol error, a closed
  // connection or after `timeoutMs`.
  send(method, params = {}, timeoutMs = 10000) {
    if (this.closed) return Promise.reject(new Error('CDP connection closed'));
    const id = this.nextId++;
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.pending.delete(id);
        reject(new Error(`CDP ${method} unanswered after ${timeoutMs} ms`));
      }, timeoutMs);
      this.pending.set(id, { resolve, reject, timer });
      this.socket.send(JSON.stringify({ id, method, params }));
    });
  }

  // Calls `listener(method, params)` for every protocol event; returns the function that
  // removes it.
  onEvent(listener) {
    this.listeners.add(listener);
    return () => this.listeners.delete(listener);
  }

  // Evaluates `expression` in the page (awaiting a promise it yields) and returns its value,
  // copied by value. A script exception becomes a rejected promise with its text.
  async evaluate(expression, { timeoutMs = 10000 } = {}) {
    const result = await this.send('Runtime.evaluate', {
      expression, awaitPromise: true, returnByValue: true, timeout: timeoutMs,
    }, timeoutMs + 2000);
    if (result.exceptionDetails) {
      const d = result.exceptionDetails;
      throw new Error(`page script failed: ${d.exception?.description || d.text}`);
    }
    return result.result.value;
  }

  close() {
    if (!this.closed) this.socket.close();
    this.closed = true;
  }
}

// Connects to the browser's page target (the first "page" whose url satisfies `urlMatch`, any
// page by default), waiting up to `timeoutMs` for the browser to list it.
export async function connectPage(port, { urlMatch = () => true, timeoutMs = 20000 } = {}) {
  if (typeof WebSocket === 'undefined') {
    throw new Error('this node has no WebSocket: run it with --experimental-websocket');
  }
  const target = await waitUntil(async () => {
    const targets = await listTargets(port);
    return targets.find((t) => t.type === 'page' && t.webSocketDebuggerUrl && urlMatch(t.url));
  }, { timeoutMs, what: `a page target on debugging port ${port}` });
  const socket = new WebSocket(target.webSocketDebuggerUrl);
  await new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('CDP WebSocket did not open')), timeoutMs);
    socket.addEventListener('open', () => { clearTimeout(timer); resolve(); });
    socket.addEventListener('error', () => { clearTimeout(timer); reject(new Error('CDP WebSocket failed')); });
  });
  const session = new CdpSession(socket);
  session.target = target;
  return session;
}
