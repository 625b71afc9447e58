// What an installer can trust, through the page in the real program against the lab world: a
// camera that refuses the motion schedule shows the defence item as ✗ with its own words; a
// change of the time server alone leaves every other byte of every target as it was, though the
// targets differ from the source and from each other; a pass that failed halfway is restored
// from its backups byte for byte, and the restore is itself listed as a pass.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { useSession, quietScreenshot } from './lib/session.mjs';
import { World } from './lib/world.mjs';
import { checkRow, sentItems } from './lib/results.mjs';

let session, page, world;
let lobby;  // the healthy cameras of the first page of the lobby; the first is the source
useSession('127.0.86', async (s) => {
  session = s;
  ({ page, world } = s);
  const firstPage = world.cameras().filter((c) => c.group === 'g-lobby').slice(0, 10);
  lobby = firstPage.filter((c) => World.kind(c) === 'healthy');
  await page.waitState((x) => x.source?.key === lobby[0].key && x.source.status === 'loaded' && x.source.rangeStatus === 'loaded',
    { timeoutMs: 60000, what: 'the source camera' });
});

const NTP = 'generalConfig.timeProofreading.serverAddress';
const quote = JSON.stringify;
const serverOf = (held) => held.items.generalConfig.timeProofreading.serverAddress;

// What the cameras hold now, by key: the record file the lab keeps (every byte) and its
// configuration as the page's JSON.
async function holdings(cameras) {
  const out = {};
  for (const c of cameras) {
    out[c.key] = {
      bytes: fs.readFileSync(path.join(world.ready.state, c.serial, `channel-${c.channelNo}.cfg`)),
      items: (await world.config(c.serial, c.channelNo)).configItems,
    };
  }
  return out;
}

// Makes `cameras` the targets, and only them.
async function chooseTargets(cameras) {
  await page.click('#nav-cameras');
  const keys = cameras.map((c) => c.key);
  for (const key of (await page.state()).targets.filter((k) => !keys.includes(k))) {
    await page.click(`[data-testid=target-item][data-key="${key}"] [data-testid=target-remove]`);
    await page.waitState((x) => !x.targets.includes(key), { what: `${key} removed` });
  }
  await page.waitState((x) => x.page?.groupId === 'g-lobby' && x.page.pageNum === 1 && !x.page.loading);
  await page.chooseTargets(keys);
  assert.deepEqual(new Set((await page.state()).targets), new Set(keys));
}

// Clicks `button` on the configuration view, waits for the preview, then issues; returns what
// the page asked to confirm (read before confirming) and the results.
async function issue(button, checkPreview = async () => {}) {
  await page.click(button);
  const asked = await page.waitState((x) => x.issueProblems.length || (x.confirming && x.confirming.preview.status !== 'loading'),
    { timeoutMs: 60000, what: 'the confirmation with its preview' });
  assert.deepEqual(asked.issueProblems, []);
  assert.equal(asked.confirming.preview.status, 'loaded');
  await checkPreview(asked.confirming);
  await page.click('#confirm-ok');
  const { results } = await page.waitState((x) => !x.issue && x.passes.length > asked.passes.length && x.view === 'result',
    { timeoutMs: 120000, what: 'the results' });
  return { confirming: asked.confirming, results };
}

const shownItems = (key) => page.evaluate(`[...document.querySelectorAll('[data-testid=result-row][data-key="${key}"] [data-testid=result-item]')]
  .map((i) => ({status: i.dataset.status, text: i.textContent, cause: i.querySelector('[data-testid=item-cause]')?.textContent ?? ''}))`);
const failNumShown = (key) => page.text(`[data-testid=result-row][data-key="${key}"] [data-testid=fail-num]`);

test('a refused motion schedule shows the defence item as failed, with the camera\'s words', async () => {
  const [refusing, fine] = [lobby[1], lobby[2]];
  await world.fault(refusing.serial, 'fail-item=3');
  await chooseTargets([refusing, fine]);
  const before = await holdings([refusing, fine]);
  await page.click('#nav-config');
  // A new alarm sound: the motion schedule is still written first, with each camera's own values.
  const voice = ((await page.state()).source.draft.defence.remindVoice + 1) % 6;
  await page.type('#cfg-defence-remindVoice', String(voice));
  const { confirming, results } = await issue('#issue-only-defence');
  const after = await holdings([refusing, fine]);

  const row = (c) => results.rows.find((r) => r.key === c.key);
  for (const c of [refusing, fine]) {
    assert.deepEqual(checkRow(row(c), { before: before[c.key].items, after: after[c.key].items, sent: sentItems(confirming) }), [], c.key);
    const shown = await shownItems(c.key);
    assert.equal(Number(await failNumShown(c.key)), shown.filter((i) => i.status === 'failed').length, `${c.key}: 失败数 is the ✗ shown`);
    // The alarm sound, the item's second call, was written on both.
    assert.equal(after[c.key].items.defenceConfig.motionDetectDefence.remindVoice, voice, c.key);
  }
  assert.deepEqual(row(refusing).items.map((i) => i.steps.map((st) => st.isSuccess)), [[false, true]]);

  const defence = (await shownItems(refusing.key)).find((i) => i.text.includes('布撤防计划'));
  assert.equal(defence.status, 'failed');
  assert.match(defence.cause, /设备无法应用移动侦测计划/);
  assert.equal(await page.attribute(`[data-testid=result-row][data-key="${refusing.key}"]`, 'data-status'), 'failed');
  assert.equal(await failNumShown(refusing.key), '1');
  assert.ok((await shownItems(fine.key)).every((i) => i.status !== 'failed'), `${fine.key} is ✓`);
  assert.equal(await page.attribute(`[data-testid=result-row][data-key="${fine.key}"]`, 'data-status'), 'ok');
  await page.scrollToTop();
  await quietScreenshot(session, 'trust-refused-step');
  await world.fault(refusing.serial, 'none');
});

test('changing only the time server leaves every other byte of every target as it was', async () => {
  const targets = lobby.slice(3, 6);
  await chooseTargets(targets);
  const source = (await world.config(lobby[0].serial)).configItems;
  const before = await holdings(targets);
  // The targets differ from the source and from each other, beyond the time server.
  const rest = (items) => quote({ ...items, generalConfig: { ...items.generalConfig, timeProofreading: null } });
  assert.equal(new Set([source, ...targets.map((c) => before[c.key].items)].map(rest)).size, targets.length + 1);

  await page.click('#nav-config');
  const server = 'ntp.trust-e2e.example';
  await page.type('#cfg-general-serverAddress', server);
  const { confirming, results } = await issue('#issue-only-general', async (asked) => {
    assert.deepEqual(sentItems(asked), { generalConfig: { timeProofreading: { serverAddress: server } } });
    assert.deepEqual(await page.evaluate(`[...document.querySelectorAll('[data-testid=preview-row]')].map((r) => r.dataset.field)`), [NTP]);
    const at = `[data-testid=preview-row][data-field="${NTP}"]`;
    assert.equal(await page.text(`${at} [data-testid=preview-new]`), server);
    const change = await page.text(`${at} [data-testid=preview-change]`);
    assert.match(change, new RegExp(`^${targets.length} / ${targets.length} 台将修改`));
    const olds = {};
    for (const c of targets) olds[serverOf(before[c.key])] = (olds[serverOf(before[c.key])] || 0) + 1;
    for (const [old, count] of Object.entries(olds)) assert.ok(change.includes(`从 ${old}（${count} 台）`), change);
  });
  assert.equal(confirming.cameras.length, targets.length);

  const after = await holdings(targets);
  for (const c of targets) {
    assert.equal(results.rows.find((r) => r.key === c.key)?.failed, false, `${c.key} succeeded`);
    const want = structuredClone(before[c.key].items);
    want.generalConfig.timeProofreading.serverAddress = server;
    assert.deepEqual(after[c.key].items, want, c.key);
    // In the record, only the address's own bytes changed.
    const old = serverOf(before[c.key]);
    const at = before[c.key].bytes.indexOf(`${old}\0`);
    assert.equal(after[c.key].bytes.indexOf(`${server}\0`), at, `${c.key}: the address in place of the old one`);
    const end = at + Math.max(old.length, server.length) + 1;
    for (const [from, to] of [[0, at], [end, undefined]]) {
      assert.ok(after[c.key].bytes.subarray(from, to).equals(before[c.key].bytes.subarray(from, to)), `${c.key}: bytes from ${from}`);
    }
  }
});

test('a pass that failed halfway is restored byte for byte, and the restore is a pass of its own', async () => {
  const targets = lobby.slice(6, 9);
  const dropping = targets[1];
  await chooseTargets(targets);
  const before = await holdings(targets);
  // The connection drops at the colour item: the time item is written, the rest is not.
  await world.fault(dropping.serial, 'drop-on-item=8');
  await page.click('#nav-config');
  for (const id of ['wifi', 'general', 'defence', 'audioVideo', 'backlight', 'color', 'display']) {
    await page.setChecked(`#section-${id}`, ['general', 'color', 'display'].includes(id));
  }
  await page.type('#cfg-general-serverAddress', 'ntp.halfway.example');
  await page.type('#cfg-color-brightnessLevel', '77');
  await page.setChecked('#cfg-display-showWeek', !(await page.checked('#cfg-display-showWeek')));
  const { results } = await issue('#issue-selected');
  const dropped = results.rows.find((r) => r.key === dropping.key);
  assert.equal(dropped.failed, true);
  assert.deepEqual(dropped.items.filter((i) => i.isSuccess).map((i) => i.itemName), ['通用配置']);
  const written = await holdings(targets);
  for (const c of targets) assert.notDeepEqual(written[c.key].items, before[c.key].items, `${c.key} was written to`);
  await world.fault(dropping.serial, 'none');

  await page.click('#backup-refresh');
  let s = await page.waitState((x) => x.backups.status === 'loaded', { what: 'the backup list' });
  const pass = s.backups.passes[0];
  const listed = s.backups.passes.length;
  assert.deepEqual(new Set(pass.cameras.map((c) => c.key)), new Set(targets.map((c) => c.key)));
  assert.deepEqual(pass.cameras.find((c) => c.key === dropping.key).items, ['通用配置']);
  const folder = path.join(session.program.dataDir, 'orvex-cloud-config', 'backups', pass.id);
  assert.equal(fs.statSync(folder).mode & 0o777, 0o700);
  for (const file of fs.readdirSync(folder)) assert.equal(fs.statSync(path.join(folder, file)).mode & 0o777, 0o600, file);

  await page.click(`[data-testid=backup-pass][data-pass-id="${pass.id}"] [data-testid=restore-all]`);
  await page.waitState((x) => x.ask?.id === 'restore', { what: 'the restore question' });
  const shownPasses = s.passes.length;
  await page.click('#ask-ok');
  s = await page.waitState((x) => !x.issue && x.passes.length > shownPasses && x.view === 'result',
    { timeoutMs: 120000, what: 'the restore result' });
  assert.equal(s.results.kind, 'restore');
  assert.match(await page.text('.result-panel h2'), /^恢复结果/);
  assert.equal(s.results.error, '');
  assert.deepEqual(new Set(s.results.rows.map((r) => r.key)), new Set(targets.map((c) => c.key)));
  const names = (row) => row.items.map((i) => i.itemName);
  for (const row of s.results.rows) {
    assert.equal(row.failed, false, `${row.key} restored: ${quote(row.items)}`);
    assert.deepEqual(names(row), names(results.rows.find((r) => r.key === row.key)), `${row.key}: the items of the pass`);
  }

  const restored = await holdings(targets);
  for (const c of targets) {
    assert.deepEqual(restored[c.key].items, before[c.key].items, c.key);
    assert.ok(restored[c.key].bytes.equals(before[c.key].bytes), `${c.key}: the record file byte for byte`);
  }
  await page.scrollToTop();
  await quietScreenshot(session, 'trust-restored');

  await page.click('#backup-refresh');
  s = await page.waitState((x) => x.backups.status === 'loaded' && x.backups.passes.length > listed, { what: 'the restore as a pass' });
  assert.equal(s.backups.passes[0].kind, 'restore');
  assert.notEqual(s.backups.passes[0].id, pass.id);
  assert.deepEqual(new Set(s.backups.passes[0].cameras.map((c) => c.key)), new Set(targets.map((c) => c.key)));
});
