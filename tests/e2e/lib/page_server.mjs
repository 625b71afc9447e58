// A loopback HTTP server for the pages the program loads in the end-to-end tests: the files of
// tests/e2e/pages, and any status on demand.

import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const PAGES = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../pages');

// Starts the server on a free port of 127.0.0.1. Routes:
//   GET  /status/CODE[/...]   answers CODE with a small HTML page
//   GET  /PATH                the file PATH of tests/e2e/pages (404 when there is none)
// Every request is recorded in `requests` ({method, url, status}).
export async function startPageServer() {
  const requests = [];
  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://loopback');
    const file = path.resolve(PAGES, decodeURIComponent(url.pathname).replace(/^\/+/, ''));
    let status = Number(/^\/status\/(\d{3})(\/|$)/.exec(url.pathname)?.[1] || 200);
    if (status === 200 && (!file.startsWith(PAGES + path.sep) || !fs.existsSync(file) || fs.statSync(file).isDirectory())) {
      status = 404;
    }
    requests.push({ method: req.method, url: req.url, status });
    res.writeHead(status, { 'cache-control': 'no-store', 'content-type': 'text/html; charset=utf-8' });
    res.end(status === 200 ? fs.readFileSync(file) : `<!doctype html><title>status ${status}</title><p>status ${status}</p>`);
  });
  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  const base = `http://127.0.0.1:${server.address().port}`;
  return {
    requests,
    // The address of `rel` on this server ("probe.html", "status/404/x.html").
    url: (rel) => `${base}/${rel}`,
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
