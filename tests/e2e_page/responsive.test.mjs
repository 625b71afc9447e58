// The page stays responsive while a password check waits on a camera that never answers: the
// program's other answers keep arriving during the device library's request limit.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useSession } from './lib/session.mjs';
import { World } from './lib/world.mjs';
import { waitUntil } from '../e2e/lib/processes.mjs';

let page, world;
useSession('127.0.83', (s) => ({ page, world } = s));

// The codes of the answers the program pushed since the recorder was set up.
const answers = () => page.evaluate('window.__answerCodes');

test('a group page arrives while a password check waits on a silent camera', async () => {
  const camera = world.cameras().find((c) => World.kind(c) === 'unconfirmed' && c.group === 'g-lobby');
  await world.fault(camera.serial, 'silent');
  await page.evaluate(`(() => {
    window.__answerCodes = [];
    const sink = window.SetMsgToH5;
    window.SetMsgToH5 = (code, text) => { window.__answerCodes.push(String(code)); return sink(code, text); };
  })()`);
  const { connections } = await world.counters(camera.serial);

  await page.click(`[data-key="${camera.key}"] [data-testid=target-check]`);
  await page.type('#password-input', 'admin123');
  // On the GUI thread the check held the program for the library's 10 s limit: this click (its
  // CDP call gives up first), the ones below and the group page all waited behind it.
  await page.click('#password-ok');
  await page.waitState((x) => x.password?.checking, { what: 'the check under way' });
  await waitUntil(async () => (await world.counters(camera.serial)).connections > connections,
    { timeoutMs: 5000, what: 'the check reaching the camera' });

  // The person gives up waiting and turns to another group: its page (2) arrives before the
  // check's answer (11), which a held GUI thread would give first.
  await page.click('#password-cancel');
  await page.click('[data-group-id="g-parking"]');
  const s = await page.waitState((x) => x.page?.groupId === 'g-parking' && !x.page.loading, { what: 'the parking group' });
  const codes = await answers();
  assert.deepEqual(s.page.cameras, world.cameras().filter((c) => c.group === 'g-parking').map((c) => c.key));
  assert.ok(codes.includes('2') && !codes.includes('11'), `answers: ${codes.join(' ')}`);

  // The check still ends with an answer, and the camera is not confirmed.
  await waitUntil(async () => (await answers()).includes('11'), { timeoutMs: 30000, what: 'the password answer' });
  assert.ok(!(await page.state()).targets.includes(camera.key));
  assert.deepEqual(page.errors, []);
});
