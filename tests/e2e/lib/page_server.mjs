// A loopback HTTP server for the pages the program loads in the end-to-end tests: files from a
// folder (tests/e2e/pages by default), any status on demand, and beacons that pages send back.

import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { waitUntil } from './processes.mjs';

export const PAGES = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../pages');

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8', '.css': 'text/css; charset=utf-8',
  '.json': 'application/json', '.png': 'image/png', '.svg': 'image/svg+xml',
};

// Starts the server on 127.0.0.1 with a free port (or `port`). Routes:
//   GET  /status/CODE[/...]   answers CODE with a small HTML page
//   ANY  /beacon[/NAME][?...] records {name, query, body, at} in `beacons`, answers 204
//   GET  /PATH                the file PATH of `root` (404 when there is none)
// Every request is recorded in `requests` ({method, url, status, at}).
export async function startPageServer({ root = PAGES, port = 0 } = {}) {
  const requests = [];
  const beacons = [];
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://loopback');
    const record = { method: req.method, url: req.url, status: 0, at: Date.now() };
    requests.push(record);
    const answer = (status, headers, body) => {
      record.status = status;
      res.writeHead(status, { 'cache-control': 'no-store', ...headers });
      res.end(body);
    };
    const status = /^\/status\/(\d{3})(\/|$)/.exec(url.pathname);
    if (status) {
      const code = Number(status[1]);
      answer(code, { 'content-type': 'text/html; charset=utf-8' },
        `<!doctype html><title>status ${code}</title><p>status ${code}</p>`);
      return;
    }
    if (url.pathname === '/beacon' || url.pathname.startsWith('/beacon/')) {
      let body = '';
      req.setEncoding('utf8');
      req.on('data', (chunk) => { body += chunk; });
      req.on('end', () => {
        beacons.push({
          name: decodeURIComponent(url.pathname.slice('/beacon/'.length)),
          query: Object.fromEntries(url.searchParams), body, at: Date.now(),
        });
        answer(204, {}, '');
      });
      return;
    }
    const rel = decodeURIComponent(url.pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.resolve(root, rel);
    if (!file.startsWith(root + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      answer(404, { 'content-type': 'text/html; charset=utf-8' }, '<!doctype html><p>not found</p>');
      return;
    }
    answer(200, { 'content-type': TYPES[path.extname(file)] || 'application/octet-stream' },
      fs.readFileSync(file));
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', resolve);
  });
  const base = `http://127.0.0.1:${server.address().port}`;
  return {
    base,
    port: server.address().port,
    requests,
    beacons,
    // The address of `rel` on this server ("probe.html", "status/404/x.html").
    url: (rel) => `${base}/${rel.replace(/^\/+/, '')}`,
    // Waits for the first beacon named `name` (from index `from` of `beacons`).
    waitBeacon: (name, { from = 0, timeoutMs = 10000 } = {}) => waitUntil(
      () => beacons.slice(from).find((b) => b.name === name),
      { timeoutMs, what: `beacon ${name}` }),
    close: () => new Promise((resolve) => {
      server.closeAllConnections?.();
      server.close(() => resolve());
    }),
  };
}

// A loopback TCP port that nothing listens on at the moment of the call.
export async function freePort() {
  const server = http.createServer();
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}
