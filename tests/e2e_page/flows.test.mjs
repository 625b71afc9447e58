// The user's flows through the reference page in the real program against the lab world, one
// run each: the studio's groups and paging through the 25-camera group, a camera's
// configuration, ranges and Wi-Fi list in the forms, and an issue of every section to 20 cameras
// with its result table and CSV export checked against what the cameras hold. What the page
// does with each answer is tests/page's; what the program answers is tests/e2e/bridge.test.mjs's.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { useSession, quietScreenshot } from './lib/session.mjs';
import { World } from './lib/world.mjs';
import { checkRow, csvKeys, parseCsv, readRow, sentItems } from './lib/results.mjs';

let session, page, world;
useSession('127.0.81', (s) => { session = s; ({ page, world } = s); });

const rowKeys = () => page.evaluate(`[...document.querySelectorAll('[data-testid=camera-row]')].map((r) => r.dataset.key)`);

test('the group list and pages 1 to 3 of the 25-camera group', async () => {
  const fleet = world.fleet.groups;
  let s = await page.state();
  assert.deepEqual(s.groups, fleet.map((g) => ({ groupId: g.groupId, groupName: g.groupName, groupDevNum: g.cameras.length })));
  assert.deepEqual(await page.evaluate(`[...document.querySelectorAll('[data-testid=group-item] .name')].map((n) => n.textContent)`),
    fleet.map((g) => g.groupName));
  assert.equal(s.title, '批量配置 - 摄像机列表');
  assert.equal(s.currentCamera, 'OXW00001_1');

  const lobby = world.cameras().filter((c) => c.group === 'g-lobby');
  assert.equal(lobby.length, 25);
  assert.equal(s.selection, 'g-lobby');
  assert.deepEqual(await rowKeys(), lobby.slice(0, 10).map((c) => c.key));
  // Each row shows the studio's data: address, origin and whether the password needs checking.
  for (const camera of lobby.slice(0, 10)) {
    const text = await page.text(`[data-testid=camera-row][data-key="${camera.key}"]`);
    assert.ok(text.includes(camera.devname) && text.includes(camera.devip), text);
    assert.ok(text.includes(camera.iPlatform ? '平台' : '本地'), text);
    assert.equal(text.includes('需验证密码'), camera.CheckPassword, text);
  }
  await quietScreenshot(session, 'group-list');

  for (const [pageNum, slice] of [[2, lobby.slice(10, 20)], [3, lobby.slice(20)]]) {
    await page.click('#page-next');
    s = await page.waitState((x) => x.page.pageNum === pageNum && !x.page.loading, { what: `page ${pageNum}` });
    assert.deepEqual(s.page.cameras, slice.map((c) => c.key));
    assert.deepEqual(await rowKeys(), slice.map((c) => c.key));
    assert.equal(await page.text('#page-info'), `第 ${pageNum} / 3 页`);
  }
  assert.equal(await page.evaluate(`document.querySelector('#page-next').disabled`), true);

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
  const items = lab.configItems;
  const image = items.imageConfig;
  const fields = {
    '#cfg-general-serverAddress': items.generalConfig.timeProofreading.serverAddress,
    '#cfg-wifi-ssid': items.generalConfig.wiFiConfig.ssid,
    '#cfg-color-brightnessLevel': image.imageColor.brightnessLevel,
    '#cfg-color-hue': image.imageColor.hue,
    '#cfg-audio-inputVolume': image.audioAndVideoConfig.audioConfig.inputVolume,
    '#cfg-audio-outputVolume': image.audioAndVideoConfig.audioConfig.outputVolume,
    '#cfg-streams-0-maxFrameRate': image.audioAndVideoConfig.videoConfig[0].maxFrameRate,
    '#cfg-streams-1-videoCodecType': image.audioAndVideoConfig.videoConfig[1].videoCodecType,
    '#cfg-display-dateFormat': image.imageDisplay.dateFormat,
    '#cfg-defence-sensitivityLevel': items.defenceConfig.motionDetectDefence.sensitivityLevel,
  };
  for (const [selector, value] of Object.entries(fields)) {
    assert.equal(await page.value(selector), String(value), selector);
  }
  assert.equal(await page.checked('#cfg-backlight-wideDynamicRangeSwitch'), image.imageBacklight.wideDynamicRangeSwitch);
  assert.equal(await page.checked('#cfg-display-showWeek'), image.imageDisplay.showWeek);

  // The ranges bound the fields.
  const colour = lab.ranges.imageCfgRange.brightnessLevel;
  assert.equal(await page.attribute('#cfg-color-brightnessLevel', 'min'), String(colour.min));
  assert.equal(await page.attribute('#cfg-color-brightnessLevel', 'max'), String(colour.max));
  assert.equal(await page.attribute('#cfg-audio-inputVolume', 'max'), String(lab.ranges.audioCfgRange.audioInVolumeMax));

  // The Wi-Fi networks the camera reports; choosing one fills the SSID.
  assert.equal(lab.wifiCount, 30);
  assert.deepEqual(s.source.wifi, [...new Set(lab.wifiNetworks)]);
  const shown = await page.evaluate(`[...document.querySelectorAll('[data-testid=wifi-ssid]')].map((b) => b.textContent)`);
  assert.deepEqual(shown, [...new Set(lab.wifiNetworks)]);
  await page.click('#wifi-list [data-testid=wifi-ssid]:nth-of-type(3)');
  const picked = await page.value('#cfg-wifi-ssid');
  assert.equal(picked, shown[2]);
  assert.notEqual(picked, items.generalConfig.wiFiConfig.ssid);

  assert.equal((await page.state()).title, '批量配置 - 参数配置（大厅-10）');
  await page.scrollToTop();
  await quietScreenshot(session, 'camera-config');
  assert.deepEqual(page.errors, []);
});

const healthy = (group) => world.cameras().filter((c) => c.group === group && World.kind(c) === 'healthy');

// What the cameras hold now, by key.
async function holdings(cameras) {
  const out = {};
  for (const c of cameras) out[c.key] = (await world.config(c.serial, c.channelNo)).configItems;
  return out;
}

test('every section to 20 cameras across two groups: the result table matches the cameras', async () => {
  await page.waitState((x) => x.source?.status === 'loaded' && x.source.wifiStatus === 'loaded', { what: 'a source camera' });
  const lobby = healthy('g-lobby');
  const parking = world.cameras().filter((c) => c.group === 'g-parking' && World.kind(c) !== 'unconfirmed');
  assert.ok(parking.some((c) => World.kind(c) === 'absent') && parking.some((c) => World.kind(c) === 'changed'));
  const targets = [...lobby.slice(0, 20 - parking.length), ...parking];
  assert.equal(targets.length, 20);

  // The lobby's first page by "select the page" (its unconfirmed camera is left out), the rest one
  // by one, then the parking group's page.
  await page.showGroup('g-lobby');
  await page.click('#select-page');
  const firstKeys = new Set(world.cameras().filter((c) => c.group === 'g-lobby').slice(0, 10).map((c) => c.key));
  const firstPage = lobby.filter((c) => firstKeys.has(c.key));
  await page.waitState((x) => x.targets.length === firstPage.length, { what: "the first page's cameras" });
  await page.showGroup('g-lobby', 2);
  await page.chooseTargets(targets.filter((c) => c.group === 'g-lobby' && !firstKeys.has(c.key)).map((c) => c.key));
  await page.showGroup('g-parking');
  await page.chooseTargets(parking.map((c) => c.key));
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
  const asked = await page.waitState((x) => x.confirming, { what: 'the confirmation' });
  assert.deepEqual([asked.confirming.kind, asked.confirming.cameras.length], ['all', 20]);
  const sent = sentItems(asked.confirming);
  await page.click('#confirm-ok');
  const { results } = await page.waitState((x) => !x.issue && x.results && x.view === 'result' && !x.confirming,
    { timeoutMs: 120000, what: 'the results' });
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
    assert.deepEqual(checkRow(row, { before: before[row.key], after: after[row.key], sent }), [], row.key);
  }
  assert.ok(accepted >= 150, `most items were accepted (${accepted})`);
  assert.deepEqual(after[bystander.key], before[bystander.key], 'a camera that was not chosen is unchanged');

  // The table shows the same rows, the failed ones first.
  const shown = await page.evaluate(`[...document.querySelectorAll('[data-testid=result-row]')].map((tr) => ({
    key: tr.dataset.key, failNum: Number(tr.querySelector('[data-testid=fail-num]').textContent),
    ok: tr.querySelectorAll('[data-testid=result-item].ok').length, failed: tr.classList.contains('is-failed')}))`);
  const byKey = (a, b) => a.key.localeCompare(b.key);
  assert.deepEqual([...shown].sort(byKey), results.rows.map((r) => ({
    key: r.key, failNum: r.failNum, ok: r.items.filter((i) => i.isSuccess).length, failed: r.failed,
  })).sort(byKey));
  assert.ok(shown.findLastIndex((r) => r.failed) < shown.findIndex((r) => !r.failed), 'failed rows come first');
  await page.scrollToTop();
  await quietScreenshot(session, 'result-table');

  // The CSV export holds one line per item of the same rows.
  await page.click('#export-csv');
  s = await page.waitState((x) => x.lastCsv, { what: 'the CSV text' });
  const csv = parseCsv(s.lastCsv);
  assert.deepEqual(csv[0], ['摄像机名称', '序列号', '通道', '失败数', '配置项', '结果', '详细信息', '失败原因', '复核']);
  assert.deepEqual(csv.slice(1).map((line) => line.slice(1, 6).join(',')).sort(), csvKeys(results.rows).sort());
  for (const line of csv.slice(1)) {
    assert.equal(line[0], world.camera(`${line[1]}_${line[2]}`).devname);
  }
});
