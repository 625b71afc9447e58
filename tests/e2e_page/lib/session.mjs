// One test file's setting: the lab world, the program started against it (offscreen) and its
// page, with everything stopped and removed afterwards.

import { before, after } from 'node:test';
import fs from 'node:fs';
import path from 'node:path';
import { Program, tempDir } from '../../e2e/lib/program.mjs';
import { World } from './world.mjs';
import { Page } from './page.mjs';

// Starts the world with its cameras on `subnet`.1, .2, ... port 8000 and its statistics server
// on `subnet`.250 (each test file uses a subnet of its own), then the program and its page.
// `programOptions` go to Program.start.
export async function startSession(subnet, { display, programOptions = {} } = {}) {
  const dir = tempDir('orvex-e2e-page-');
  const session = { dir };
  try {
    session.world = await World.start({
      state: path.join(dir, 'state'), statsHost: `${subnet}.250`,
      args: ['--base-address', `${subnet}.1`, '--camera-port', '8000'],
    });
    session.program = await Program.start({ argument: session.world.ready.argument, dir, display, ...programOptions });
    session.page = await Page.open(session.program);
  } catch (e) {
    await stopSession(session);
    throw e;
  }
  return session;
}

// The session of one test file: started before its tests (then handed to `ready`, which may
// wait for more) and stopped after them.
export function useSession(subnet, ready = () => {}, options = {}) {
  const holder = {};
  before(async () => {
    holder.session = await startSession(subnet, options);
    await ready(holder.session);
  });
  after(async () => {
    if (holder.session) await stopSession(holder.session);
  });
  return holder;
}

export async function stopSession(session) {
  await session.program?.stop();
  await session.world?.stop();
  fs.rmSync(session.dir, { recursive: true, force: true });
}

// Where screenshots go: ORVEX_E2E_SCREENSHOTS (the build sets it), else a folder of the session.
export function screenshotDir(session) {
  return process.env.ORVEX_E2E_SCREENSHOTS || path.join(session.dir, 'screenshots');
}

// Waits until no toast covers the page (they leave after a few seconds), then takes the shot.
export async function quietScreenshot(session, name) {
  const { page } = session;
  const deadline = Date.now() + 8000;
  while (Date.now() < deadline && await page.exists('[data-testid=toast]')) {
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  return page.screenshot(screenshotDir(session), name);
}
