// ONVIF cameras through the reference page in the real program: an ONVIF camera's settings and
// ranges reach the forms, an edited configuration is issued to ONVIF and device-protocol cameras
// together, each ONVIF camera's lab record changes in exactly the edited fields, and a third
// party's ONVIF client (npm `onvif`) reads the new values back from the cameras.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { useSession, quietScreenshot } from './lib/session.mjs';
import { World } from './lib/world.mjs';
import { readRow } from './lib/results.mjs';
import { changedPaths } from '../onvif_clients/lab.mjs';

const onvif = createRequire(new URL('../onvif_clients/package.json', import.meta.url))('onvif');

let session, page, world;
useSession('127.0.85', (s) => { session = s; ({ page, world } = s); });

function call(cam, method, ...args) {
  return new Promise((resolve, reject) => cam[method](...args, (err, result) => (err ? reject(err) : resolve(result))));
}

const SECTIONS = ['wifi', 'general', 'defence', 'audioVideo', 'backlight', 'color', 'display'];

test('an ONVIF camera configures ONVIF and device-protocol cameras through the page', async () => {
  const cameras = world.cameras();
  const onvifCameras = cameras.filter((c) => World.kind(c) === 'onvif');
  assert.equal(onvifCameras.length, 8);
  const source = onvifCameras.find((c) => c.group === 'g-onvif');
  // Two of the ONVIF group, the ONVIF camera among the offices, and two device-protocol cameras
  // of the offices.
  const targets = [
    ...onvifCameras.filter((c) => c.group === 'g-onvif' && c !== source).slice(0, 2),
    ...cameras.filter((c) => c.group === 'g-offices' && ['onvif', 'healthy'].includes(World.kind(c))).slice(-3),
  ];
  assert.deepEqual(targets.map((c) => World.kind(c)), ['onvif', 'onvif', 'healthy', 'healthy', 'onvif']);
  assert.ok(targets.some((c) => c.device?.faults?.httpDigest), 'an ONVIF target asks for HTTP Digest');

  // The source's settings and ranges (answers 3 and 8) in the forms, as the camera holds them.
  await page.showGroup('g-onvif');
  await page.click(`[data-key="${source.key}"] [data-testid=open-config]`);
  await page.waitState((x) => x.view === 'config' && x.source?.key === source.key && x.source.status === 'loaded' &&
    x.source.rangeStatus === 'loaded' && x.source.wifiStatus === 'loaded', { timeoutMs: 60000, what: `the configuration of ${source.serial}` });
  const held = await world.onvifState(source.serial);
  const channel = held.channels[0];
  assert.equal(await page.value('#cfg-general-serverAddress'), held.ntp[0].address);
  assert.equal(await page.value('#cfg-color-brightnessLevel'), String(channel.imaging.brightness));
  assert.equal(await page.value('#cfg-color-contrastLevel'), String(channel.imaging.contrast));
  assert.equal(await page.value('#cfg-streams-0-maxFrameRate'), String(channel.main.frameRate));
  assert.equal(await page.checked('#cfg-backlight-wideDynamicRangeSwitch'), channel.imaging.wdr);
  assert.equal(await page.value('#cfg-wifi-ssid'), held.wifi.ssid);
  assert.equal(await page.attribute('#cfg-color-brightnessLevel', 'max'), '100');
  // The frame rates offered are the camera's range (1 to its maximum of 30 for the main stream).
  const rates = await page.evaluate(`[...document.querySelectorAll('#cfg-streams-0-maxFrameRate option')].map((o) => Number(o.value))`);
  assert.deepEqual([Math.max(...rates), Math.min(...rates), rates.length], [30, 1, 30]);

  // Targets from two groups.
  for (const camera of targets) {
    await page.showGroup(camera.group);
    await page.chooseTargets([camera.key]);
  }
  const before = {};
  for (const c of targets.filter((t) => World.kind(t) === 'onvif')) before[c.serial] = await world.onvifState(c.serial);
  const devices = targets.filter((t) => World.kind(t) === 'healthy');
  const devicesBefore = await Promise.all(devices.map((c) => world.config(c.serial)));

  // Time server, colour and backlight, edited.
  await page.click('#go-config');
  for (const id of SECTIONS) await page.setChecked(`#section-${id}`, ['general', 'color', 'backlight'].includes(id));
  await page.type('#cfg-general-serverAddress', 'ntp.onvif-e2e.example');
  await page.type('#cfg-color-brightnessLevel', '61');
  await page.type('#cfg-color-contrastLevel', '47');
  await page.setChecked('#cfg-backlight-wideDynamicRangeSwitch', !channel.imaging.wdr);
  await page.click('#issue-selected');
  await page.waitState((x) => x.confirming, { what: 'the confirmation' });
  await page.click('#confirm-ok');
  const { results } = await page.waitState((x) => !x.issue && x.results && x.view === 'result' && !x.confirming,
    { timeoutMs: 120000, what: 'the results' });
  assert.equal(results.error, '');
  assert.deepEqual(new Set(results.rows.map((r) => r.key)), new Set(targets.map((c) => c.key)));
  await page.scrollToTop();
  await quietScreenshot(session, 'onvif-result-table');
  for (const row of results.rows) {
    const r = readRow(row);
    assert.ok(!r.loginFailed, `${row.key} was logged in to`);
    assert.equal(row.failNum, 0, `${row.key}: ${JSON.stringify(row.items)}`);
  }

  // Each ONVIF camera changed in exactly the edited fields.
  for (const [serial, was] of Object.entries(before)) {
    const now = await world.onvifState(serial);
    const expected = ['ntp.0.address', 'channels.0.imaging.brightness', 'channels.0.imaging.contrast',
      'channels.0.imaging.wdr'];
    assert.deepEqual(changedPaths(was, now).sort(), expected.sort(), serial);
    assert.equal(now.ntp[0].address, 'ntp.onvif-e2e.example');
    assert.deepEqual([now.channels[0].imaging.brightness, now.channels[0].imaging.contrast, now.channels[0].imaging.wdr],
      [61, 47, !channel.imaging.wdr]);
  }
  // The device-protocol cameras took the same values.
  for (const [i, c] of devices.entries()) {
    const now = (await world.config(c.serial)).configItems;
    assert.equal(now.generalConfig.timeProofreading.serverAddress, 'ntp.onvif-e2e.example', c.serial);
    assert.equal(now.imageConfig.imageColor.brightnessLevel, 61, c.serial);
    assert.notDeepEqual(now, devicesBefore[i].configItems);
  }

  // A third party's ONVIF client sees the new values on every ONVIF target.
  for (const c of targets.filter((t) => World.kind(t) === 'onvif')) {
    const cam = new onvif.Cam({ hostname: c.devip, port: c.port, username: 'admin', password: c.passwd, autoconnect: false, timeout: 5000 });
    cam.on('warning', () => {});
    await call(cam, 'connect');
    const ntp = await call(cam, 'getNTP');
    const servers = [].concat(ntp.NTPManual ?? [], ntp.NTPFromDHCP ?? []);
    assert.equal(servers[0]?.DNSname, 'ntp.onvif-e2e.example', `${c.serial}: ${JSON.stringify(ntp)}`);
    const imaging = await call(cam, 'getImagingSettings', { token: 'VideoSource_1' });
    assert.equal(Number(imaging.brightness), 61, c.serial);
    assert.equal(Number(imaging.contrast), 47, c.serial);
  }
  assert.deepEqual(page.errors, []);
});
