// The reference page in the real program against the lab world, driven as a person would:
// the studio's groups, paging through the 25-camera group, a camera's configuration, ranges
// and Wi-Fi list in the forms; then every section issued to 20 cameras across two groups (one
// absent, one whose password changed), the result table against what the cameras now hold, and
// saving a configuration name. The password prompt, and what the page sends for a retry, a
// single section and a name, and its CSV export, are pinned by tests/page with a fake bridge;
// tests/e2e/bridge.test.mjs takes those calls through the real program.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { Program, tempDir } from '../e2e/lib/program.mjs';
import { sleep } from '../e2e/lib/processes.mjs';
import { World } from './lib/world.mjs';
import { Page } from './lib/page.mjs';
import { checkRow, readRow } from './lib/results.mjs';

const dir = tempDir('orvex-e2e-page-');
let world, program, page;
before(async () => {
  // The cameras on 127.0.81.1, .2, ... port 8000, the statistics server on 127.0.81.250.
  world = await World.start({ state: path.join(dir, 'state'), statsHost: '127.0.81.250',
    args: ['--base-address', '127.0.81.1', '--camera-port', '8000'] });
  program = await Program.start({ argument: world.ready.argument, dir });
  page = await Page.open(program);
});
after(async () => {
  await program?.stop();
  await world?.stop();
  fs.rmSync(dir, { recursive: true, force: true });
});

// Waits until no toast covers the page (they leave after a few seconds), then writes the shot
// into ORVEX_E2E_SCREENSHOTS (the build sets it), else the test's folder.
async function quietScreenshot(name) {
  const deadline = Date.now() + 8000;
  while (Date.now() < deadline && await page.exists('[data-testid=toast]')) await sleep(200);
  return page.screenshot(process.env.ORVEX_E2E_SCREENSHOTS || path.join(dir, 'screenshots'), name);
}

const rowKeys = () => page.evaluate(`[...document.querySelectorAll('[data-testid=camera-row]')].map((r) => r.dataset.key)`);

test('the group list and pages 1 to 3 of the 25-camera group', async () => {
  let s = await page.state();
  assert.deepEqual(s.groups, world.fleet.groups.map((g) => ({ groupId: g.groupId, groupName: g.groupName, groupDevNum: g.cameras.length })));
  assert.equal(s.currentCamera, 'OXW00001_1');
  const lobby = world.cameras().filter((c) => c.group === 'g-lobby');
  assert.equal(lobby.length, 25);
  assert.equal(s.selection, 'g-lobby');
  assert.deepEqual(await rowKeys(), lobby.slice(0, 10).map((c) => c.key));
  // Each row shows the studio's data: address, origin and whether the password needs checking.
  for (const camera of lobby.slice(0, 10)) {
    const text = await page.text(`[data-testid=camera-row][data-key="${camera.key}"]`);
    assert.ok(text.includes(camera.devname) && text.includes(camera.devip) && text.includes(camera.iPlatform ? '平台' : '本地'), text);
    assert.equal(text.includes('需验证密码'), camera.CheckPassword, text);
  }
  await quietScreenshot('group-list');

  for (const [pageNum, slice] of [[2, lobby.slice(10, 20)], [3, lobby.slice(20)]]) {
    await page.click('#page-next');
    s = await page.waitState((x) => x.page.pageNum === pageNum && !x.page.loading, { what: `page ${pageNum}` });
    assert.deepEqual([s.page.cameras, await rowKeys(), await page.text('#page-info')],
      [slice.map((c) => c.key), slice.map((c) => c.key), `第 ${pageNum} / 3 页`]);
  }

  // All cameras, split by origin as the studio marked them.
  await page.click('#group-all');
  s = await page.waitState((x) => x.allCameras.status === 'loaded');
  const all = world.cameras();
  assert.deepEqual(new Set(s.allCameras.platform), new Set(all.filter((c) => c.iPlatform).map((c) => c.key)));
  assert.deepEqual(new Set(s.allCameras.local), new Set(all.filter((c) => !c.iPlatform).map((c) => c.key)));
  assert.deepEqual(page.errors, []);
});

test("a camera's configuration, ranges and Wi-Fi list reach the forms", async () => {
  await page.click('[data-group-id="g-lobby"]');
  await page.waitState((x) => x.page.groupId === 'g-lobby' && x.page.pageNum === 1 && !x.page.loading);
  const key = 'OXW00010_1';  // sees 30 networks, of which the camera lists 20
  await page.click(`[data-key="${key}"] [data-testid=open-config]`);
  const s = await page.waitState((x) => x.view === 'config' && x.source?.key === key && x.source.status === 'loaded' &&
    x.source.rangeStatus === 'loaded' && x.source.wifiStatus === 'loaded', { what: 'the configuration of OXW00010' });
  const lab = await world.config('OXW00010');
  const { generalConfig: general, imageConfig: image } = lab.configItems;
  const { audioConfig: audio, videoConfig: streams } = image.audioAndVideoConfig;
  const fields = {
    '#cfg-general-serverAddress': general.timeProofreading.serverAddress, '#cfg-wifi-ssid': general.wiFiConfig.ssid,
    '#cfg-color-brightnessLevel': image.imageColor.brightnessLevel, '#cfg-color-hue': image.imageColor.hue,
    '#cfg-audio-inputVolume': audio.inputVolume, '#cfg-audio-outputVolume': audio.outputVolume,
    '#cfg-streams-0-maxFrameRate': streams[0].maxFrameRate, '#cfg-streams-1-videoCodecType': streams[1].videoCodecType,
    '#cfg-display-dateFormat': image.imageDisplay.dateFormat,
    '#cfg-defence-sensitivityLevel': lab.configItems.defenceConfig.motionDetectDefence.sensitivityLevel,
  };
  for (const [selector, value] of Object.entries(fields)) {
    assert.equal(await page.value(selector), String(value), selector);
  }
  assert.deepEqual([await page.checked('#cfg-backlight-wideDynamicRangeSwitch'), await page.checked('#cfg-display-showWeek')],
    [image.imageBacklight.wideDynamicRangeSwitch, image.imageDisplay.showWeek]);

  // The ranges bound the fields.
  const colour = lab.ranges.imageCfgRange.brightnessLevel;
  assert.deepEqual([await page.attribute('#cfg-color-brightnessLevel', 'min'), await page.attribute('#cfg-color-brightnessLevel', 'max'),
    await page.attribute('#cfg-audio-inputVolume', 'max')], [colour.min, colour.max, lab.ranges.audioCfgRange.audioInVolumeMax].map(String));
  await page.type('#cfg-color-brightnessLevel', String(colour.max + 7));
  assert.equal(await page.value('#cfg-color-brightnessLevel'), String(colour.max));

  // The Wi-Fi networks the camera reports; choosing one fills the SSID.
  assert.equal(lab.wifiCount, 30);
  const shown = await page.evaluate(`[...document.querySelectorAll('[data-testid=wifi-ssid]')].map((b) => b.textContent)`);
  assert.deepEqual([s.source.wifi, shown], [[...new Set(lab.wifiNetworks)], [...new Set(lab.wifiNetworks)]]);
  await page.click('#wifi-list [data-testid=wifi-ssid]:nth-of-type(3)');
  assert.equal(await page.value('#cfg-wifi-ssid'), shown[2]);
  assert.notEqual(shown[2], general.wiFiConfig.ssid);
  await page.scrollToTop();
  await quietScreenshot('camera-config');
  assert.deepEqual(page.errors, []);
});

async function showGroupPage(groupId, pageNum) {
  if ((await page.state()).page?.groupId !== groupId) await page.click(`[data-group-id="${groupId}"]`);
  await page.waitState((x) => x.page?.groupId === groupId && !x.page.loading);
  while ((await page.state()).page.pageNum < pageNum) {
    await page.click('#page-next');
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

test('every section to 20 cameras across two groups: the result table matches the cameras', async () => {
  const inGroup = (group) => world.cameras().filter((c) => c.group === group);
  const lobby = inGroup('g-lobby').filter((c) => World.kind(c) === 'healthy');
  const parking = inGroup('g-parking').filter((c) => World.kind(c) !== 'unconfirmed');
  assert.ok(parking.some((c) => World.kind(c) === 'absent') && parking.some((c) => World.kind(c) === 'changed'));
  const targets = [...lobby.slice(0, 20 - parking.length), ...parking];
  assert.equal(targets.length, 20);

  await page.waitState((s) => s.source?.status === 'loaded' && s.source.rangeStatus === 'loaded' && s.source.wifiStatus === 'loaded',
    { what: 'the configuration of the source camera' });
  // The lobby's first page by "select the page" (its unconfirmed camera is left out), the rest one
  // by one, then the parking group's page.
  await page.click('#nav-cameras');
  await showGroupPage('g-lobby', 1);
  await page.click('#select-page');
  const firstKeys = new Set(inGroup('g-lobby').slice(0, 10).map((c) => c.key));
  await page.waitState((x) => x.targets.length === lobby.filter((c) => firstKeys.has(c.key)).length, { what: "the first page's cameras" });
  await showGroupPage('g-lobby', 2);
  await chooseTargets(targets.filter((c) => c.group === 'g-lobby' && !firstKeys.has(c.key)).map((c) => c.key));
  await showGroupPage('g-parking', 1);
  await chooseTargets(parking.map((c) => c.key));
  assert.deepEqual(new Set((await page.state()).targets), new Set(targets.map((c) => c.key)));

  const bystander = inGroup('g-offices').find((c) => World.kind(c) === 'healthy');
  const before = await holdings([...targets, bystander]);

  // Every section, with values changed in each.
  await page.click('#go-config');
  if ((await page.state()).sections.length < 7) await page.click('#sections-all');
  const { draft: source } = (await page.state()).source;
  await page.type('#cfg-general-serverAddress', 'ntp.e2e.example');
  await page.click('#wifi-list [data-testid=wifi-ssid]:nth-of-type(2)');
  await page.type('#cfg-wifi-password', 'e2e-wifi-pass');
  await page.type('#cfg-defence-remindVoice', String((source.defence.remindVoice + 1) % 6));
  await page.type('#cfg-audio-inputVolume', '37');
  await page.type('#cfg-audio-outputVolume', '63');
  await page.setChecked('#cfg-backlight-wideDynamicRangeSwitch', !source.backlight.wideDynamicRangeSwitch);
  await page.type('#cfg-color-brightnessLevel', '61');
  await page.type('#cfg-color-contrastLevel', '47');
  await page.setChecked('#cfg-display-showOrvexLogo', !source.display.showOrvexLogo);
  await page.setChecked('#cfg-display-showWeek', !source.display.showWeek);
  let s = await page.state();
  assert.equal(s.sections.length, 7);
  assert.equal(s.source.draft.general.serverAddress, 'ntp.e2e.example');

  // The name the page saves reaches the studio.
  const name = '夜间巡检 (2 号楼)';
  const from = world.child.events.length;
  await page.type('#config-name', name);
  await page.click('#save-config-name');
  const received = await world.child.waitForEvent((e) => e.event === 'received' && e.kind === 'configName', { from });
  assert.deepEqual(received.json, { cloudCfgName: name });

  await page.click('#issue-selected');
  s = await page.waitState((x) => x.confirming, { what: 'the confirmation' });
  assert.deepEqual([s.confirming.kind, s.confirming.cameras.length], ['all', 20]);
  const { draft } = s.source;
  await page.click('#confirm-ok');
  const { results } = await page.waitState((x) => !x.issue && x.results && x.view === 'result' && !x.confirming,
    { timeoutMs: 120000, what: 'the results' });
  assert.equal(results.error, '');
  assert.deepEqual(new Set(results.rows.map((r) => r.key)), new Set(targets.map((c) => c.key)));

  const after = await holdings([...targets, bystander]);
  let accepted = 0;
  for (const row of results.rows) {
    const r = readRow(row);
    assert.equal(r.items.length, 10, row.key);
    if (['absent', 'changed'].includes(World.kind(world.camera(row.key)))) {
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
  await quietScreenshot('result-table');
  const lastFailed = results.rows.filter((r) => readRow(r).loginFailed).at(-1);
  await page.evaluate(`document.querySelector('[data-testid=result-row][data-key="${lastFailed.key}"]').scrollIntoView({block: 'end'})`);
  await quietScreenshot('result-table-failed-logins');
  assert.deepEqual(page.errors, []);
});
