// A raw Chrome DevTools Protocol client for the program's browser, which opens the protocol
// with QTWEBENGINE_REMOTE_DEBUGGING=127.0.0.1:PORT. It brings its own small WebSocket client
// (text frames, client masking, ping and close) so that it runs on any node from 18 on.

import crypto from 'node:crypto';
import http from 'node:http';
import { waitUntil } from './processes.mjs';

// The targets the browser lists at http://127.0.0.1:PORT/json.
function listTargets(port) {
  return new Promise((resolve, reject) => {
    const request = http.get({ host: '127.0.0.1', port, path: '/json', timeout: 5000 }, (response) => {
      let body = '';
      response.setEncoding('utf8');
      response.on('data', (chunk) => { body += chunk; });
      response.on('end', () => {
        try {
          if (response.statusCode !== 200) throw new Error(`/json answered ${response.statusCode}`);
          resolve(JSON.parse(body));
        } catch (e) {
          reject(e);
        }
      });
    });
    request.on('timeout', () => request.destroy(new Error('/json timed out')));
    request.on('error', reject);
  });
}

// A WebSocket client connection: `send(text)`, `close()`, and the callbacks `onmessage(text)`
// and `onclose()`. Resolves once the opening handshake is done.
function openWebSocket(address, timeoutMs) {
  const url = new URL(address);
  const key = crypto.randomBytes(16).toString('base64');
  return new Promise((resolve, reject) => {
    const request = http.get({
      host: url.hostname, port: url.port, path: url.pathname + url.search, timeout: timeoutMs,
      headers: { Connection: 'Upgrade', Upgrade: 'websocket', 'Sec-WebSocket-Version': '13', 'Sec-WebSocket-Key': key },
    });
    request.on('timeout', () => request.destroy(new Error('WebSocket handshake timed out')));
    request.on('error', reject);
    request.on('response', (response) => reject(new Error(`WebSocket refused: ${response.statusCode}`)));
    request.on('upgrade', (response, socket, head) => {
      const accept = crypto.createHash('sha1').update(key + '258EAFA5-E914-47DA-95CA-C5AB0DC85B11').digest('base64');
      if (response.headers['sec-websocket-accept'] !== accept) {
        socket.destroy();
        reject(new Error('WebSocket handshake: wrong accept key'));
        return;
      }
      socket.setTimeout(0);
      socket.setNoDelay(true);
      const ws = { onmessage: () => {}, onclose: () => {}, closed: false };
      const frame = (opcode, payload) => {
        const n = payload.length;
        const header = Buffer.alloc(n < 126 ? 2 : n < 65536 ? 4 : 10);
        header[0] = 0x80 | opcode;
        header[1] = 0x80 | (n < 126 ? n : n < 65536 ? 126 : 127);
        if (n >= 65536) header.writeBigUInt64BE(BigInt(n), 2);
        else if (n >= 126) header.writeUInt16BE(n, 2);
        const mask = crypto.randomBytes(4);
        const masked = Buffer.from(payload.map((b, i) => b ^ mask[i & 3]));
        if (!socket.destroyed) socket.write(Buffer.concat([header, mask, masked]));
      };
      ws.send = (text) => frame(0x1, Buffer.from(text, 'utf8'));
      ws.close = () => {
        if (!ws.closed) frame(0x8, Buffer.alloc(0));
        socket.end();
      };
      const finish = () => {
        if (!ws.closed) {
          ws.closed = true;
          ws.onclose();
        }
      };
      let buffer = head;
      let fragments = [];
      socket.on('data', (chunk) => {
        buffer = Buffer.concat([buffer, chunk]);
        while (buffer.length >= 2) {
          const fin = (buffer[0] & 0x80) !== 0;
          const opcode = buffer[0] & 0x0f;
          let length = buffer[1] & 0x7f;
          const offset = length === 126 ? 4 : length === 127 ? 10 : 2;
          if (buffer.length < offset) return;
          if (length === 126) length = buffer.readUInt16BE(2);
          else if (length === 127) length = Number(buffer.readBigUInt64BE(2));
          if (buffer.length < offset + length) return;
          const payload = buffer.subarray(offset, offset + length);
          buffer = buffer.subarray(offset + length);
          if (opcode === 0x9) frame(0xA, payload);
          else if (opcode === 0x8) {
            socket.end();
            finish();
            return;
          } else if (opcode === 0x1 || opcode === 0x0) {
            fragments.push(Buffer.from(payload));
            if (fin) {
              ws.onmessage(Buffer.concat(fragments).toString('utf8'));
              fragments = [];
            }
          }
        }
      });
      socket.on('close', finish);
      socket.on('error', finish);
      resolve(ws);
    });
  });
}

export class CdpSession {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = new Set();
    this.closed = false;
    socket.onmessage = (text) => {
      const message = JSON.parse(text);
      const call = this.pending.get(message.id);
      if (call) {
        this.pending.delete(message.id);
        clearTimeout(call.timer);
        if (message.error) call.reject(new Error(`CDP ${message.error.code}: ${message.error.message}`));
        else call.resolve(message.result);
      } else if (message.method) {
        for (const listener of this.listeners) listener(message.method, message.params);
      }
    };
    socket.onclose = () => {
      this.closed = true;
      for (const { reject, timer } of this.pending.values()) {
        clearTimeout(timer);
        reject(new Error('CDP connection closed'));
      }
      this.pending.clear();
    };
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

  // Calls `listener(method, params)` for every protocol event.
  onEvent(listener) {
    this.listeners.add(listener);
  }

  // Evaluates `expression` in the page (awaiting a promise it yields) and returns its value,
  // copied by value. A script exception becomes a rejected promise with its text.
  async evaluate(expression, { timeoutMs = 10000 } = {}) {
    const result = await this.send('Runtime.evaluate', {
      expression, awaitPromise: true, returnByValue: true, timeout: timeoutMs,
    }, timeoutMs + 2000);
    const d = result.exceptionDetails;
    if (d) throw new Error(`page script failed: ${d.exception?.description || d.text}`);
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
  const target = await waitUntil(async () => {
    const targets = await listTargets(port);
    return targets.find((t) => t.type === 'page' && t.webSocketDebuggerUrl && urlMatch(t.url));
  }, { timeoutMs, what: `a page target on debugging port ${port}` });
  return new CdpSession(await openWebSocket(target.webSocketDebuggerUrl, timeoutMs));
}
