// Browsing through the reference page in the real program against the lab world: the studio's
// groups, paging through the 25-camera group, a camera's configuration, ranges and Wi-Fi list
// in the forms. The password prompt is tested with a fake bridge in tests/page/issue.test.mjs,
// the program's check against the camera and the studio in tests/e2e/bridge.test.mjs.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { startSession, stopSession, quietScreenshot } from './lib/session.mjs';

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
  await quietScreenshot(session, 'group-list');

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
  await quietScreenshot(session, 'camera-config');
  assert.deepEqual(page.errors, []);
});
