// Browsing through the reference page in the real program against the lab world: the studio's
// groups, paging through the 25-camera group, a camera's configuration, ranges and Wi-Fi list
// in the forms, and password checks that fail and pass.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSession, stopSession, quietScreenshot } from './lib/session.mjs';
import { World } from './lib/world.mjs';

let session;
let page;
let world;
before(async () => {
  session = await startSession('127.0.81');
  ({ page, world } = session);
});
after(async () => {
  if (session) await stopSession(session);
});

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
  await page.type('#cfg-color-brightnessLevel', String(colour.max + 7));
  assert.equal(await page.value('#cfg-color-brightnessLevel'), String(colour.max));

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

test('a password check that fails and one that passes, as the page shows them', async () => {
  const camera = world.cameras().find((c) => World.kind(c) === 'unconfirmed' && c.group === 'g-lobby');
  await page.click('#nav-cameras');
  await page.waitFor(`[data-key="${camera.key}"] [data-testid=target-check]`);
  const counters = await world.counters(camera.serial);
  const from = world.child.events.length;

  await page.click(`[data-key="${camera.key}"] [data-testid=target-check]`);
  await page.waitFor('#password-dialog');
  assert.equal((await page.state()).password.camera, camera.key);
  await page.type('#password-input', 'not-the-password');
  await page.click('#password-ok');
  let s = await page.waitState((x) => x.password && !x.password.checking && x.password.error, { what: 'the refusal' });
  assert.equal(s.password.error, '密码错误，请重新输入');
  assert.equal(await page.text('#password-error'), '密码错误，请重新输入');
  assert.deepEqual(s.targets, []);
  await quietScreenshot(session, 'password-refused');

  await page.type('#password-input', 'admin123');
  await page.click('#password-ok');
  s = await page.waitState((x) => !x.password && x.targets.includes(camera.key), { what: 'the confirmed camera as a target' });
  assert.ok((await page.text(`[data-testid=camera-row][data-key="${camera.key}"]`)).includes('已验证'));

  // The camera saw one refused and one accepted login; the studio got the confirmed camera.
  const after = await world.counters(camera.serial);
  assert.equal(after.failedLogins - counters.failedLogins, 1);
  assert.ok(after.logins > counters.logins);
  const reported = await world.child.waitForEvent((e) => e.event === 'received' && e.kind === 'camera', { from });
  assert.equal(reported.json.serial, camera.serial);
  assert.equal(reported.json.passwd, 'admin123');
  assert.deepEqual(page.errors, []);
});
