// The program's window on a real X display (Xvfb): the page's changeTitle shows in the title
// label's pixels and names the window for the desktop, resizeCefWnd moves the window's edges and not its corner, a window manager's
// close request is swallowed, and a real click on "btn_close" ends the program.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useLab } from './lib/lab.mjs';
import { Program } from './lib/program.mjs';
import { Probe } from './lib/probe.mjs';
import { sleep, waitUntil } from './lib/processes.mjs';
import { startXvfb, x11, x11Unavailable } from './lib/x11.mjs';

const STATS_HOST = '127.0.0.34';
const SCREEN = [1600, 1000];
// The skin (Skin/WndMainFrame.xml): a 1280 x 800 window with a 40-pixel title bar, the logo in
// its first 46 pixels and the 46-pixel close button at its right end.
const SKIN = { width: 1280, height: 800, titleHeight: 40, logoWidth: 46, closeWidth: 46 };
const unavailable = x11Unavailable();

let dir, xvfb, studio, pages;
useLab({ count: 2, statsHost: STATS_HOST, skip: unavailable }, async (lab) => {
  ({ dir, studio, pages } = lab);
  xvfb = await startXvfb({ size: `${SCREEN[0]}x${SCREEN[1]}x24` });
});

test('title, size, close requests and btn_close on the real window', { skip: unavailable || false }, async () => {
  const display = xvfb.display;
  const studioFrom = studio.events.length;
  const program = await Program.start({ page: pages.url('probe.html'), logDomain: STATS_HOST, dir, display });
  try {
    const probe = new Probe(await program.connect());
    await probe.ready();
    const found = await x11(display, 'find', program.pid, 15000);
    const win = found.window;
    // Centred on the screen at the skin's size.
    assert.deepEqual([found.width, found.height], [SKIN.width, SKIN.height]);
    assert.deepEqual([found.x, found.y], [(SCREEN[0] - SKIN.width) / 2, (SCREEN[1] - SKIN.height) / 2]);

    // The title label lies between the logo and the close button.
    const label = [SKIN.logoWidth, 0, SKIN.width - SKIN.logoWidth - SKIN.closeWidth, SKIN.titleHeight];
    const labelPixels = async () => (await x11(display, 'hash', win, ...label)).hash;
    // The first paints settle: the same pixels twice in a row.
    let previous = '';
    const original = await waitUntil(async () => {
      const now = await labelPixels();
      const settled = now === previous ? now : undefined;
      previous = now;
      return settled;
    }, { timeoutMs: 10000, intervalMs: 200, what: 'the title bar to settle' });
    assert.equal(await probe.call('changeTitle', '批量配置 - 参数配置（E2E）'), undefined);
    const changed = await waitUntil(async () => {
      const now = await labelPixels();
      return now !== original ? now : undefined;
    }, { timeoutMs: 5000, what: 'the title label to change' });
    assert.notEqual(changed, original);
    // The desktop names the window as its title bar does.
    await waitUntil(async () => (await x11(display, 'name', win)).name === '批量配置 - 参数配置（E2E）' || undefined,
      { timeoutMs: 5000, what: 'the window name to follow the title' });
    await probe.call('changeTitle', '云配置');
    await waitUntil(async () => (await labelPixels()) === original,
      { timeoutMs: 5000, what: 'the title label to show the first title again' });

    // The corner stays; the window and the page take the new size.
    for (const [width, height] of [[1100, 720], [1024, 700]]) {
      await probe.call('resizeCefWnd', String(width), String(height));
      await waitUntil(async () => {
        const g = await x11(display, 'geometry', win);
        return g.x === found.x && g.y === found.y && g.width === width && g.height === height;
      }, { timeoutMs: 5000, what: `the window to be ${width} x ${height} at the same corner` });
      await waitUntil(async () =>
        (await probe.page.evaluate('innerWidth + "x" + innerHeight')) === `${width}x${height - SKIN.titleHeight}`,
      { timeoutMs: 5000, what: 'the page to follow the window' });
    }

    // A window manager's close request is swallowed: only btn_close and the studio close it.
    await x11(display, 'close', win);
    await sleep(1000);
    assert.equal(program.child.exit, null, 'the program still runs');
    await x11(display, 'geometry', win);

    const g = await x11(display, 'geometry', win);
    await x11(display, 'click', win, g.width - SKIN.closeWidth / 2, SKIN.titleHeight / 2);
    const exit = await program.waitExit(15000);
    assert.deepEqual(exit, { code: 0, signal: null }, 'btn_close ends the program');
    await waitUntil(() => program.survivors().length === 0,
      { timeoutMs: 5000, what: 'every sub-process of the program to end' });
    await studio.waitForEvent({ event: 'closed', reason: 'peer closed' }, { from: studioFrom, timeoutMs: 5000 });
  } finally {
    await program.stop();
  }
});
