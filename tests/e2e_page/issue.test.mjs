// Issuing through the reference page in the real program against the lab world: every section
// to 20 cameras across two groups (one absent, one whose password changed), the result table
// against what the cameras now hold, retrying only the failed cameras, the CSV export, a
// single-section issue, and saving a configuration name.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSession, stopSession, quietScreenshot } from './lib/session.mjs';
import { World } from './lib/world.mjs';
import { checkRow, csvKeys, parseCsv, readRow } from './lib/results.mjs';

let session;
let page;
let world;
before(async () => {
  session = await startSession('127.0.82');
  ({ page, world } = session);
  await page.waitState((s) => s.source?.status === 'loaded' && s.source.rangeStatus === 'loaded' && s.source.wifiStatus === 'loaded',
    { what: "the current camera's configuration" });
});
after(async () => {
  if (session) await stopSession(session);
});

const healthy = (group) => world.cameras().filter((c) => c.group === group && World.kind(c) === 'healthy');

async function showGroupPage(groupId, pageNum) {
  const s = await page.state();
  if (s.view !== 'cameras') await page.click('#nav-cameras');
  if (s.page?.groupId !== groupId) await page.click(`[data-group-id="${groupId}"]`);
  await page.waitState((x) => x.page?.groupId === groupId && !x.page.loading);
  while ((await page.state()).page.pageNum !== pageNum) {
    await page.click((await page.state()).page.pageNum < pageNum ? '#page-next' : '#page-prev');
    await page.waitState((x) => !x.page.loading);
  }
}

async function chooseTargets(keys) {
  for (const key of keys) {
    await page.click(`[data-key="${key}"] [data-testid=target-check]`);
    await page.waitState((x) => x.targets.includes(key), { what: `${key} as a target` });
  }
}

// What the cameras hold now, by key.
async function holdings(cameras) {
  const out = {};
  for (const c of cameras) out[c.key] = (await world.config(c.serial, c.channelNo)).configItems;
  return out;
}

// Confirms the issue the page asks about and waits until its results are in.
async function confirmAndWait(kind, count) {
  const asked = await page.waitState((x) => x.confirming, { what: 'the confirmation' });
  assert.equal(asked.confirming.kind, kind);
  assert.equal(asked.confirming.cameras.length, count);
  const draft = asked.source.draft;
  await page.click('#confirm-ok');
  const done = await page.waitState((x) => !x.issue && x.results && x.view === 'result' && !x.confirming,
    { timeoutMs: 120000, what: 'the results' });
  return { draft, results: done.results };
}

let issued;  // the first issue: {draft, rows, before}

test('every section to 20 cameras across two groups: the result table matches the cameras', async () => {
  const lobby = healthy('g-lobby');
  const parking = world.cameras().filter((c) => c.group === 'g-parking' && World.kind(c) !== 'unconfirmed');
  assert.ok(parking.some((c) => World.kind(c) === 'absent') && parking.some((c) => World.kind(c) === 'changed'));
  const targets = [...lobby.slice(0, 20 - parking.length), ...parking];
  assert.equal(targets.length, 20);

  // The lobby's first page by "select the page" (its unconfirmed camera is left out), the rest one
  // by one, then the parking group's page.
  await showGroupPage('g-lobby', 1);
  await page.click('#select-page');
  const firstKeys = new Set(world.cameras().filter((c) => c.group === 'g-lobby').slice(0, 10).map((c) => c.key));
  const firstPage = lobby.filter((c) => firstKeys.has(c.key));
  await page.waitState((x) => x.targets.length === firstPage.length, { what: "the first page's cameras" });
  await showGroupPage('g-lobby', 2);
  await chooseTargets(targets.filter((c) => c.group === 'g-lobby' && !firstKeys.has(c.key)).map((c) => c.key));
  await showGroupPage('g-parking', 1);
  await chooseTargets(parking.map((c) => c.key));
  let s = await page.state();
  assert.deepEqual(new Set(s.targets), new Set(targets.map((c) => c.key)));

  const bystander = healthy('g-offices')[0];
  const before = await holdings([...targets, bystander]);

  // Every section, with values changed in each.
  await page.click('#go-config');
  if ((await page.state()).sections.length < 7) await page.click('#sections-all');
  const source = (await page.state()).source;
  await page.type('#cfg-general-serverAddress', 'ntp.e2e.example');
  await page.click('#wifi-list [data-testid=wifi-ssid]:nth-of-type(2)');
  await page.type('#cfg-wifi-password', 'e2e-wifi-pass');
  await page.type('#cfg-defence-remindVoice', String((source.draft.defence.remindVoice + 1) % 6));
  await page.type('#cfg-audio-inputVolume', '37');
  await page.type('#cfg-audio-outputVolume', '63');
  await page.setChecked('#cfg-backlight-wideDynamicRangeSwitch', !source.draft.backlight.wideDynamicRangeSwitch);
  await page.type('#cfg-color-brightnessLevel', '61');
  await page.type('#cfg-color-contrastLevel', '47');
  await page.setChecked('#cfg-display-showOrvexLogo', !source.draft.display.showOrvexLogo);
  await page.setChecked('#cfg-display-showWeek', !source.draft.display.showWeek);
  s = await page.state();
  assert.equal(s.sections.length, 7);
  assert.equal(s.source.draft.general.serverAddress, 'ntp.e2e.example');
  await page.click('#issue-selected');
  const { draft, results } = await confirmAndWait('all', 20);
  assert.equal(results.error, '');
  assert.deepEqual(new Set(results.rows.map((r) => r.key)), new Set(targets.map((c) => c.key)));

  const after = await holdings([...targets, bystander]);
  let accepted = 0;
  for (const row of results.rows) {
    const camera = world.camera(row.key);
    const r = readRow(row);
    assert.equal(r.items.length, 10, row.key);
    if (['absent', 'changed'].includes(World.kind(camera))) {
      assert.ok(row.failed && r.loginFailed && row.failNum === 10, `${row.key} cannot be logged in to`);
      assert.deepEqual(after[row.key], before[row.key], `${row.key} is unchanged`);
    } else {
      assert.ok(!r.loginFailed, `${row.key} was logged in to`);
    }
    accepted += r.items.filter((i) => i.isSuccess).length;
    assert.deepEqual(checkRow(row, { before: before[row.key], after: after[row.key], draft }), [], row.key);
  }
  assert.ok(accepted >= 150, `most items were accepted (${accepted})`);
  assert.deepEqual(after[bystander.key], before[bystander.key], 'a camera that was not chosen is unchanged');

  // The table shows the same rows.
  const shown = await page.evaluate(`[...document.querySelectorAll('[data-testid=result-row]')].map((tr) => ({
    key: tr.dataset.key, failNum: Number(tr.querySelector('[data-testid=fail-num]').textContent),
    ok: tr.querySelectorAll('[data-testid=result-item].ok').length, failed: tr.classList.contains('is-failed')}))`);
  assert.deepEqual(shown, results.rows.map((r) => ({
    key: r.key, failNum: r.failNum, ok: r.items.filter((i) => i.isSuccess).length, failed: r.failed,
  })));
  await page.scrollToTop();
  await quietScreenshot(session, 'result-table');
  const lastFailed = results.rows.filter((r) => readRow(r).loginFailed).at(-1);
  await page.evaluate(`document.querySelector('[data-testid=result-row][data-key="${lastFailed.key}"]').scrollIntoView({block: 'end'})`);
  await quietScreenshot(session, 'result-table-failed-logins');

  // The CSV export holds one line per item of the same rows.
  await page.click('#export-csv');
  s = await page.waitState((x) => x.lastCsv, { what: 'the CSV text' });
  const csv = parseCsv(s.lastCsv);
  assert.deepEqual(csv[0], ['摄像机名称', '序列号', '通道', '失败数', '配置项', '结果', '详细信息', '失败原因', '复核']);
  assert.deepEqual(csv.slice(1).map((line) => line.slice(1, 6).join(',')), csvKeys(results.rows));
  for (const line of csv.slice(1)) {
    assert.equal(line[0], world.camera(`${line[1]}_${line[2]}`).devname);
  }
  issued = { draft, rows: results.rows, before };
});

test('retrying the failed cameras re-issues only those', async () => {
  assert.ok(issued, 'needs the first issue');
  const failed = issued.rows.filter((r) => r.failed).map((r) => r.key);
  const succeeded = issued.rows.filter((r) => !r.failed).map((r) => r.key);
  assert.ok(succeeded.length > 0);
  // The absent camera is back; the one with the changed password still refuses.
  const absent = world.cameras().find((c) => failed.includes(c.key) && World.kind(c) === 'absent');
  const changed = world.cameras().find((c) => failed.includes(c.key) && World.kind(c) === 'changed');
  await world.fault(absent.serial, 'none');
  const countersBefore = {};
  for (const row of issued.rows) countersBefore[row.key] = await world.counters(world.camera(row.key).serial);

  await page.click('#retry-failed');
  const s = await page.waitState((x) => !x.issue && x.results && x.results.rows.length === failed.length,
    { timeoutMs: 120000, what: 'the results of the retry' });
  assert.deepEqual(s.results.rows.map((r) => r.key), failed);

  for (const row of issued.rows) {
    const now = await world.counters(world.camera(row.key).serial);
    const was = countersBefore[row.key];
    const tried = (now.logins + now.failedLogins) - (was.logins + was.failedLogins);
    const sets = (now.setsAccepted + now.setsRefused) - (was.setsAccepted + was.setsRefused);
    if (failed.includes(row.key)) {
      assert.ok(tried > 0, `${row.key} was tried again`);
    } else {
      assert.deepEqual([tried, sets], [0, 0], `${row.key} was left alone`);
    }
  }
  const revived = s.results.rows.find((r) => r.key === absent.key);
  assert.ok(!readRow(revived).loginFailed, 'the camera that came back was configured');
  const after = await world.config(absent.serial);
  assert.deepEqual(checkRow(revived, { before: issued.before[absent.key], after: after.configItems, draft: issued.draft }), []);
  assert.ok(readRow(s.results.rows.find((r) => r.key === changed.key)).loginFailed);
});

test('a single-section issue writes only that section', async () => {
  await page.click('#nav-cameras');
  await page.click('#clear-targets');
  await page.waitState((x) => x.targets.length === 0);
  const targets = healthy('g-warehouse').slice(0, 3);
  await showGroupPage('g-warehouse', 1);
  await chooseTargets(targets.map((c) => c.key));
  const before = await holdings(targets);

  await page.click('#go-config');
  await page.type('#cfg-color-brightnessLevel', '23');
  await page.type('#cfg-color-hue', '44');
  await page.type('#cfg-general-serverAddress', 'not-issued.example');  // another section, not issued
  await page.click('#issue-only-color');
  const { draft, results } = await confirmAndWait('single', 3);
  assert.equal((await page.state()).title, '批量配置 - 下发结果');
  const after = await holdings(targets);
  for (const row of results.rows) {
    assert.deepEqual(row.items.map((i) => [i.itemName, i.isSuccess]), [['图像设置', true]], row.key);
    assert.equal(row.failNum, 0);
    assert.equal(after[row.key].imageConfig.imageColor.brightnessLevel, 23);
    assert.deepEqual(checkRow(row, { before: before[row.key], after: after[row.key], draft }), [], row.key);
  }
});

test('saving a configuration name sends it to the studio', async () => {
  await page.click('#nav-config');
  const name = '夜间巡检 (2 号楼)';
  const from = world.child.events.length;
  await page.type('#config-name', name);
  await page.click('#save-config-name');
  const received = await world.child.waitForEvent((e) => e.event === 'received' && e.kind === 'configName', { from });
  assert.deepEqual(received.json, { cloudCfgName: name });
  assert.equal((await page.state()).savedConfigName, name);
  assert.deepEqual(page.errors, []);
});
