// Runs the page from web/ over a loopback HTTP server in Debian's chromium, with a fake bridge
// whose calls reach the test; the test answers them through SetMsgToH5, at once (from the
// world) or when it chooses.

import { before, after } from 'node:test';
import http from 'node:http';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { issueResult, keyOf, configItems, ranges } from './world.mjs';

const WEB = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../../../web');
const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.svg': 'image/svg+xml', '.png': 'image/png' };
export const SHOTS = process.env.ORVEX_PAGE_SCREENSHOTS || path.join(os.tmpdir(), 'orvex-page-screens');

export function startServer() {
  const server = http.createServer((req, res) => {
    const rel = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.resolve(WEB, rel);
    if (!file.startsWith(WEB) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'content-type': `${TYPES[path.extname(file)] || 'application/octet-stream'}; charset=utf-8` });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/index.html`,
    close: () => new Promise((done) => server.close(done)),
  })));
}

export function launch() {
  return chromium.launch({ executablePath: '/usr/bin/chromium', headless: true, args: ['--no-sandbox', '--disable-gpu',
    '--disable-quic', '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync'] });
}

const FAKE_BRIDGE = `(() => {
  const names = ['PlayRecord', 'PauseRecord', 'StopRecord', 'PlayWord', 'StopWord', 'PauseWord', 'ReturnChoose',
    'changeTitle', 'resizeCefWnd', 'queryOrvexInfo', 'IssuedConfigToCameras', 'IssuedSingleCfgToCameras',
    'IssuedConfigName', 'CheckDevPassword'];
  for (const name of names) {
    window[name] = function () {
      const args = Array.from(arguments);
      if (args.some((a) => typeof a !== 'string')) throw new Error(name + ' takes text arguments');
      window.__bridgeCall(name, args);
      return undefined;
    };
  }
})();`;

// The world's answer to one call, as [code, text], or null when the program gives none.
function worldAnswer(world, name, args) {
  const all = world.groups.flatMap((g) => g.cameras);
  const cam = () => JSON.parse(args[1] || args[0]);
  if (name === 'queryOrvexInfo') {
    const type = args[0];
    if (type === '1') {
      return ['1', JSON.stringify({ groupInfo: world.groups.map((g) => ({
        groupName: g.groupName, groupId: g.groupId, groupDevNum: g.groupDevNum,
        cameraLst: g.cameras.length ? g.cameras.slice(0, 10) : null,
      })) })];
    }
    if (type === '2') {
      const q = JSON.parse(args[1]);
      const g = world.groups.find((x) => x.groupId === q.groupId);
      if (!g || q.camerasPageNum < 1) return ['2', ''];
      const list = g.cameras.slice((q.camerasPageNum - 1) * q.pageSize, q.camerasPageNum * q.pageSize);
      return ['2', JSON.stringify({ groupId: g.groupId, groupDevNum: g.cameras.length, ...(list.length ? { cameraLst: list } : {}) })];
    }
    if (type === '4') {
      const of = (p) => { const l = all.filter((c) => (c.iPlatform !== 0) === p); return l.length ? l : null; };
      return ['4', JSON.stringify({ platformCameraLst: of(true), localCameraLst: of(false) })];
    }
    if (type === '5') return ['5', world.current ? JSON.stringify(world.current) : ''];
    if (type === '20') {
      return ['14', JSON.stringify({ configs: JSON.parse(args[1]).cameras.map((c) => (world.unreachable.has(keyOf(c))
        ? { serial: c.serial, channelNo: c.channelNo, isSuccess: false, cause: 'unreachable', moreInfo: '网络异常' }
        : { serial: c.serial, channelNo: c.channelNo, isSuccess: true, moreInfo: '', configItems: configItems(c.serial) })) })];
    }
    if (type === '21') return ['15', JSON.stringify({ passes: world.backups || [] })];
    const c = cam();
    const reachable = !world.unreachable.has(keyOf(c));
    if (type === '3') {
      return ['3', JSON.stringify({ subSerial: c.serial, channelNo: c.channelNo, ...(reachable ? { configItems: configItems(c.serial) } : {}) })];
    }
    if (type === '8') return ['8', reachable ? JSON.stringify(ranges(c.serial, c.channelNo)) : ''];
    if (type === '9') return ['9', reachable ? JSON.stringify(world.wifi.map((ssid) => ({ ssid }))) : ''];
    return null;
  }
  if (name === 'CheckDevPassword') {
    const c = cam();
    const ok = world.passwords[keyOf(c)] === c.passwd;
    return ['11', JSON.stringify({ ...c, result: ok, CheckPassword: !ok })];
  }
  if (name === 'IssuedConfigToCameras' || name === 'IssuedSingleCfgToCameras') {
    const cameras = JSON.parse(args[0]);
    const text = cameras.length ? JSON.stringify(issueResult(world, cameras, args[1])) : 'null';
    return [name === 'IssuedConfigToCameras' ? '7' : '10', text];
  }
  return null;
}

// One page with a fake bridge. `hold` is a predicate over (name, args): matching calls are kept
// for the test to answer; every other call is answered from the world.
export async function openPage(browser, server, { world, hold = () => false, bridge = true } = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 800 }, acceptDownloads: true });
  const page = await context.newPage();
  const calls = [];
  const errors = [];
  const waiters = [];
  page.on('pageerror', (e) => errors.push(e));
  if (bridge) {
    await page.exposeBinding('__bridgeCall', (_source, name, args) => {
      const call = { name, args, held: hold(name, args) };
      calls.push(call);
      waiters.splice(0).forEach((w) => w());
      if (!call.held) {
        const answer = worldAnswer(world, name, args);
        if (answer) setTimeout(() => send(...answer).catch(() => {}), 5);
      }
    });
    await page.addInitScript(FAKE_BRIDGE);
  }
  const send = (code, text) => page.evaluate(([c, t]) => window.SetMsgToH5(c, t), [code, text]);
  const api = {
    page, calls, errors,
    send,
    // Answers a held call as the world would.
    release: (call) => send(...worldAnswer(world, call.name, call.args)),
    state: () => page.evaluate(() => window.__orvexPageState()),
    rowKeys: () => page.$$eval('[data-testid=camera-row]', (rows) => rows.map((r) => r.dataset.key)),
    find: (name, pred = () => true) => calls.filter((c) => c.name === name && pred(c.args)),
    async waitCall(name, pred = () => true, count = 1) {
      const deadline = Date.now() + 5000;
      for (;;) {
        const found = api.find(name, pred);
        if (found.length >= count) return found[count - 1];
        if (Date.now() > deadline) throw new Error(`no call ${name} (calls: ${JSON.stringify(calls.map((c) => [c.name, c.args[0]]))})`);
        await new Promise((r) => { waiters.push(r); setTimeout(r, 50); });
      }
    },
    // The `count`-th queryOrvexInfo call of `type`.
    waitQuery: (type, count = 1) => api.waitCall('queryOrvexInfo', (a) => a[0] === type, count),
    async shot(name) {
      fs.mkdirSync(SHOTS, { recursive: true });
      await page.screenshot({ path: path.join(SHOTS, `${name}.png`) });
    },
    close: () => context.close(),
  };
  await page.goto(server.url);
  return api;
}

// One server and browser for a test file's pages; the returned function opens one (openPage's options).
export function usePages() {
  let server;
  let browser;
  before(async () => { server = await startServer(); browser = await launch(); });
  after(async () => { await browser.close(); await server.close(); });
  return (options) => openPage(browser, server, options);
}

export const query = (type) => (name, args) => name === 'queryOrvexInfo' && args[0] === type;
