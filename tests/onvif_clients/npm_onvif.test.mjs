// npm's `onvif` client (a third party's ONVIF implementation) against the lab's ONVIF cameras:
// it reads and changes device, media, imaging and OSD settings, the lab's own record shows
// exactly those changes, and they survive a restart of the lab.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import onvif from 'onvif';
import { Lab, changedPaths } from './lab.mjs';

const PASSWORD = 'secret-123';

// Calls a callback-style method of the client and resolves with its result.
function call(cam, method, ...args) {
  return new Promise((resolve, reject) => {
    cam[method](...args, (err, result) => (err ? reject(err) : resolve(result)));
  });
}

async function connect(port, { password = PASSWORD, beforeConnect, useWSSecurity = true } = {}) {
  const cam = new onvif.Cam({
    hostname: '127.0.0.1', port, username: 'admin', password, autoconnect: false, timeout: 5000,
    useWSSecurity,
  });
  cam.on('warning', () => {});
  if (beforeConnect) beforeConnect(cam);
  await call(cam, 'connect');
  return cam;
}

function withState() {
  const dir = mkdtempSync(join(tmpdir(), 'onvif-npm-'));
  return { dir, done: () => rmSync(dir, { recursive: true, force: true }) };
}

async function readAll(cam) {
  const info = await call(cam, 'getDeviceInformation');
  const ntp = await call(cam, 'getNTP');
  const profiles = await call(cam, 'getProfiles');
  const encoders = await call(cam, 'getVideoEncoderConfigurations');
  const options = await call(cam, 'getVideoEncoderConfigurationOptions',
    { configurationToken: 'VideoEncoder_1_1' });
  const imaging = await call(cam, 'getImagingSettings', { token: 'VideoSource_1' });
  const imagingOptions = await call(cam, 'getVideoSourceOptions', { token: 'VideoSource_1' });
  const osds = (await call(cam, 'getOSDs', 'VideoSourceConfig_1')).getOSDsResponse.OSDs;
  const osdOptions = await call(cam, 'getOSDOptions',
    { videoSourceConfiguationToken: 'VideoSourceConfig_1' });
  return { info, ntp, profiles, encoders, options, imaging, imagingOptions, osds, osdOptions };
}

const mainEncoder = (all) => all.encoders.find((e) => e.$.token === 'VideoEncoder_1_1');
const dateOsd = (all) => all.osds.find((o) => o.$.token === 'OSD_1_date');

test('npm onvif reads, changes and reads back a lab camera across a restart', async () => {
  const state = withState();
  const setup = `kind=onvif,serial=NPM00001,port=0,password=${PASSWORD},channels=2`;
  let lab = new Lab(['--state', state.dir, '--no-sync', '--camera', setup]);
  try {
    const [camera] = await lab.ready();
    const cam = await connect(camera.port);
    assert.equal(cam.media2Support, true, 'the client uses Media2 as the camera offers it');
    const before = await readAll(cam);

    assert.equal(before.info.serialNumber, 'NPM00001');
    assert.equal(before.info.manufacturer, 'Orvex Lab');
    assert.equal(before.profiles.length, 4, 'main and sub profile for each of 2 sources');
    assert.deepEqual(cam.activeSources.map((s) => s.sourceToken), ['VideoSource_1', 'VideoSource_2']);
    assert.equal(before.encoders.length, 4);
    const h264 = [].concat(before.options).find((o) => o.encoding === 'H264');
    assert.ok(h264, 'H264 options');
    assert.ok([].concat(before.options).some((o) => o.encoding === 'H265'), 'Media2 offers H.265');
    assert.ok(h264.resolutionsAvailable.some((r) => r.width === 1280 && r.height === 720));
    assert.deepEqual(h264.bitrateRange, { min: 256, max: 16384 });
    assert.deepEqual(before.imagingOptions.brightness, { min: 0, max: 100 });
    assert.equal(typeof before.imaging.brightness, 'number');
    assert.equal(before.osds.length, 2);
    assert.ok(before.osdOptions.getOSDOptionsResponse.OSDOptions.textOption.dateFormat.includes('MM/dd/yyyy'));
    const record = await lab.config('NPM00001');

    // The changes a configuration tool makes.
    await call(cam, 'setNTP', { fromDHCP: false, type: 'IPv4', ipv4Address: '192.0.2.10' });
    const main = mainEncoder(before);
    await call(cam, 'setVideoEncoderConfiguration', {
      ...main,
      $: { ...main.$, GovLength: 40 },
      resolution: { width: 1280, height: 720 },
      rateControl: { ...main.rateControl, frameRateLimit: 20, bitrateLimit: 2048 },
    });
    await call(cam, 'setImagingSettings', {
      token: 'VideoSource_1', brightness: 71, contrast: 42, colorSaturation: 55, sharpness: 33,
    });
    const osd = dateOsd(before);
    await call(cam, 'setOSD', {
      OSDToken: 'OSD_1_date', videoSourceConfigurationToken: 'VideoSourceConfig_1',
      position: osd.position.type, dateFormat: 'MM/dd/yyyy', timeFormat: osd.textString.timeFormat,
    });

    const check = (after) => {
      assert.deepEqual(after.ntp.NTPManual, { type: 'IPv4', IPv4Address: '192.0.2.10' });
      assert.equal(after.ntp.fromDHCP, false);
      const e = mainEncoder(after);
      assert.deepEqual(e.resolution, { width: 1280, height: 720 });
      assert.equal(e.rateControl.frameRateLimit, 20);
      assert.equal(e.rateControl.bitrateLimit, 2048);
      assert.equal(e.$.GovLength, 40);
      assert.deepEqual(
        [after.imaging.brightness, after.imaging.contrast, after.imaging.colorSaturation,
          after.imaging.sharpness], [71, 42, 55, 33]);
      assert.equal(dateOsd(after).textString.dateFormat, 'MM/dd/yyyy');
    };
    check(await readAll(cam));

    // The lab's own record changed in exactly the fields asked for.
    const changed = changedPaths(record, await lab.config('NPM00001')).sort();
    const expected = [
      'channels.0.dateOsd.dateFormat', 'channels.0.imaging.brightness',
      'channels.0.imaging.contrast', 'channels.0.imaging.saturation',
      'channels.0.imaging.sharpness', 'channels.0.main.bitrate', 'channels.0.main.frameRate',
      'channels.0.main.govLength', 'channels.0.main.height', 'channels.0.main.width',
      'ntp.0.address', 'ntp.0.type',
    ].filter((p) => {
      // A value that already was what the test asked for does not change.
      const [ , index, group, field] = p.split('.');
      if (p.startsWith('ntp')) return true;
      return JSON.stringify(record.channels[index][group][field]) !== JSON.stringify(
        { brightness: 71, contrast: 42, saturation: 55, sharpness: 33, bitrate: 2048,
          frameRate: 20, govLength: 40, height: 720, width: 1280, dateFormat: 'MM/dd/yyyy' }[field]);
    });
    assert.deepEqual(changed, expected.sort());

    await lab.stop();
    lab = new Lab(['--state', state.dir, '--no-sync', '--camera',
      setup.replace('port=0', `port=${camera.port}`)]);
    await lab.ready();
    check(await readAll(await connect(camera.port)));
  } finally {
    await lab.stop();
    state.done();
  }
});

test('npm onvif on a camera without Media2 uses Media ver10 for the same settings', async () => {
  const state = withState();
  const lab = new Lab(['--state', state.dir, '--no-sync', '--camera',
    `kind=onvif,serial=NPM00002,port=0,password=${PASSWORD},unsupported=media2`]);
  try {
    const [camera] = await lab.ready();
    const cam = await connect(camera.port);
    assert.equal(cam.media2Support, false);
    const before = await readAll(cam);
    assert.equal(before.profiles.length, 2);
    const options = before.options;
    assert.deepEqual(options.extension.H264.bitrateRange, { min: 256, max: 16384 });
    const main = mainEncoder(before);
    assert.equal(main.encoding, 'H264');
    await call(cam, 'setVideoEncoderConfiguration', {
      ...main, H264: { ...main.H264, govLength: 25 },
      rateControl: { ...main.rateControl, bitrateLimit: 3000 },
    });
    const after = mainEncoder(await readAll(cam));
    assert.equal(after.H264.govLength, 25);
    assert.equal(after.rateControl.bitrateLimit, 3000);
    assert.deepEqual(after.resolution, main.resolution);

    // An out-of-range value is refused with the camera's reason, and nothing changes. The
    // client reports any refused set as "Wrong response", so the reason is read from the raw
    // answer it saw.
    const raw = [];
    cam.on('rawResponse', (xml) => raw.push(xml));
    await assert.rejects(call(cam, 'setVideoEncoderConfiguration',
      { ...main, rateControl: { ...main.rateControl, bitrateLimit: 99999 } }));
    assert.match(raw.at(-1), /ter:InvalidArgVal/);
    assert.match(raw.at(-1), /码率 99999 超出范围 256\.\.16384/);
    assert.equal(mainEncoder(await readAll(cam)).rateControl.bitrateLimit, 3000);
  } finally {
    await lab.stop();
    state.done();
  }
});

test('npm onvif with a wrong password is refused and counted', async () => {
  const state = withState();
  const lab = new Lab(['--state', state.dir, '--no-sync', '--camera',
    `kind=onvif,serial=NPM00003,port=0,password=${PASSWORD}`]);
  try {
    const [camera] = await lab.ready();
    // GetSystemDateAndTime and GetServices need no login, so the client connects; every
    // authenticated call then fails with the camera's NotAuthorized fault.
    const cam = await connect(camera.port, { password: 'not-the-password' });
    await assert.rejects(call(cam, 'getDeviceInformation'), /Sender not Authorized/);
    await assert.rejects(call(cam, 'getNTP'), /wrong user name or password/);
    const counters = await lab.counters('NPM00003');
    assert.ok(counters.failedLogins >= 2);
    assert.equal(counters.logins, 0);
  } finally {
    await lab.stop();
    state.done();
  }
});

test('npm onvif corrects a skewed camera clock from GetSystemDateAndTime', async () => {
  const state = withState();
  const lab = new Lab(['--state', state.dir, '--no-sync', '--camera',
    `kind=onvif,serial=NPM00004,port=0,password=${PASSWORD},skew=3600`]);
  try {
    const [camera] = await lab.ready();
    const cam = await connect(camera.port);
    const shift = cam.timeShift + process.uptime() * 1000 - Date.now();
    assert.ok(Math.abs(shift - 3600 * 1000) < 5000, `the client's shift is ${shift} ms`);
    assert.equal((await call(cam, 'getDeviceInformation')).serialNumber, 'NPM00004');

    // The same client pinned to the host's clock is an hour off and refused.
    const pinned = await connect(camera.port, {
      beforeConnect: (c) => { c.timeShift = Date.now() - process.uptime() * 1000; },
    });
    await assert.rejects(call(pinned, 'getDeviceInformation'), /more than 5 minutes/);
  } finally {
    await lab.stop();
    state.done();
  }
});

test('npm onvif answers the HTTP Digest challenge of a camera that asks for it', async () => {
  const state = withState();
  const lab = new Lab(['--state', state.dir, '--no-sync', '--camera',
    `kind=onvif,serial=NPM00005,port=0,password=${PASSWORD},http-digest`]);
  try {
    const [camera] = await lab.ready();
    const record = await lab.config('NPM00005');
    // HTTP Digest alone, then both (the token's nonce must survive the 401 and its retry).
    for (const [useWSSecurity, brightness] of [[false, 12], [true, 13]]) {
      const cam = await connect(camera.port, { useWSSecurity });
      assert.equal((await call(cam, 'getDeviceInformation')).serialNumber, 'NPM00005');
      await call(cam, 'setImagingSettings', { token: 'VideoSource_1', brightness });
      assert.equal((await call(cam, 'getImagingSettings', { token: 'VideoSource_1' })).brightness,
        brightness);
    }
    assert.deepEqual(changedPaths(record, await lab.config('NPM00005')),
      ['channels.0.imaging.brightness']);
    assert.equal((await lab.counters('NPM00005')).failedLogins, 0,
      'the first 401 of each call is a challenge, not a refusal');
    const wrong = await connect(camera.port, { password: 'not-the-password', useWSSecurity: false });
    await assert.rejects(call(wrong, 'getDeviceInformation'), /Digest authentication failed 401/);
    assert.ok((await lab.counters('NPM00005')).failedLogins > 0);
  } finally {
    await lab.stop();
    state.done();
  }
});
