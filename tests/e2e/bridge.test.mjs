// The bridge of the real program, one program run for every case: a probe page calls the bridge
// functions and records what the program pushes into SetMsgToH5; the lab plays the studio (a
// group of 25 cameras) and serves the cameras. What the cameras hold afterwards is read from the
// lab's record files and, through the program, with the configuration query.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { startCameras, startStats, startStudio, storedRecord } from './lib/lab.mjs';
import { Program, tempDir } from './lib/program.mjs';
import { startPageServer } from './lib/page_server.mjs';
import { Probe } from './lib/probe.mjs';
import { labWifiName, recordFields } from './lib/records.mjs';
import { sleep, stopAllChildren, waitUntil } from './lib/processes.mjs';

const STATS_HOST = '127.0.0.33';
const GROUP = 'g-e2e';
// A name that ends a single-quoted script literal, closes a script element, carries a backslash,
// a double quote, a tab and a line separator, and tries to run script twice.
const NASTY = `O'Brien's "cam" \\ </script><script>window.__pwned=1</script>'); window.__pwned=2; ('\u2028end\tx`;
const serial = (n) => `E2E${String(n).padStart(2, '0')}`;
const CHECK_CAMERA = 3;      // the studio asks for its password to be confirmed
const NASTY_CAMERA = 5;
const WIFI30_CAMERA = 7;     // sees 30 networks
const ABSENT_CAMERA = 19;    // nothing listens at its address
const CHANGED_CAMERA = 20;   // its password was changed behind the studio's back
const ITEMS = ['通用配置', 'wifi配置', '布撤防计划', '视频配置', '输入音频配置', '输出音频配置',
  '宽动态配置', '图像设置', 'Logo配置', '图像显示'];
const MEMBERS = ['CheckPassword', 'channelNo', 'devType', 'devip', 'devname', 'encrypt', 'iPlatform',
  'newDev', 'passwd', 'port', 'serial'];

// Every section of the page configuration, with values the lab's cameras accept.
const FULL_CONFIG = {
  configItems: {
    generalConfig: {
      timeProofreading: { proofMode: 'auto', serverAddress: 'ntp.e2e.example' },
      wiFiConfig: { ssid: 'E2E-Net', password: 'e2e-pass-123', verifyMethod: 'WPA2-PSK', encryptType: 'AES' },
    },
    defenceConfig: { motionDetectDefence: { remindSwitch: true, detectMode: 0, sensitivityLevel: 4, remindVoice: 2 } },
    imageConfig: {
      audioAndVideoConfig: {
        videoConfig: [
          { streamType: 1, keyFrameInterval: 60, maxFrameRate: 20, picQuality: 2, vbrUpperCap: 2048, videoFlowType: 1,
            bitrateType: 'CBR', frameType: '1', videoCodecType: 'STD_H265', videoResolution: 19 },
          { streamType: 0, keyFrameInterval: 30, maxFrameRate: 15, picQuality: 4, vbrUpperCap: 512, videoFlowType: 0,
            bitrateType: 'VBR', frameType: 0, videoCodecType: 'STD_H264', videoResolution: 2 },
        ],
        audioConfig: { audioCompressionType: 'G711_A', inputVolume: 55, outputVolume: 66, audioInputMode: 'Line In' },
      },
      imageBacklight: { wideDynamicRangeSwitch: true },
      imageColor: { brightnessLevel: 71, contrastLevel: 22, saturationLevel: 93, hue: 14 },
      imageDisplay: { showOrvexLogo: true, showName: false, showDate: true, showWeek: true, dateFormat: 'dd/MM/yyyy',
        displayState: 2, timeFormat: 1 },
    },
  },
};

function fleetCamera(n) {
  const camera = {
    serial: serial(n), devname: n === NASTY_CAMERA ? NASTY : `Camera ${n}`, devip: '127.0.0.1',
    passwd: `pw-${n}`, devType: 'IPC', port: 0, channelNo: 1, iPlatform: n % 3 === 0 ? 1 : 0,
    encrypt: true, newDev: false, CheckPassword: false,
    device: { password: `pw-${n}`, wifiNetworks: n === WIFI30_CAMERA ? 30 : 8 },
  };
  if (n === CHECK_CAMERA) {
    camera.passwd = '';
    camera.CheckPassword = true;
  }
  if (n === 2) camera.studioExtra = { online: true };
  if (n === ABSENT_CAMERA) camera.device.faults = { absent: true };
  if (n === CHANGED_CAMERA) camera.device.password = 'changed-20';
  return camera;
}

let dir, state, cameras, studio, stats, pages, program, probe;
let studioCameras;  // the camera objects of the studio's group message, in order

before(async () => {
  dir = tempDir();
  state = path.join(dir, 'state');
  const fleet = { groups: [{ groupName: 'E2E 一楼', groupId: GROUP, groupDevNum: 99,
    cameras: Array.from({ length: 25 }, (_, i) => fleetCamera(i + 1)) }] };
  cameras = await startCameras({ state, fleet });
  studio = await startStudio({ fleet: cameras.fleetFile, sendOnHello: true, camera: `${serial(1)} 1` });
  stats = await startStats({ host: STATS_HOST });
  pages = await startPageServer();
  // The group message carries each camera's eleven members and its studioExtra members.
  studioCameras = cameras.fleetOut.groups[0].cameras.map((c) => {
    const sent = Object.fromEntries(MEMBERS.map((m) => [m, c[m]]));
    return { ...sent, ...(c.studioExtra || {}) };
  });
  program = await Program.start({ page: pages.url('probe.html'), logDomain: STATS_HOST, dir });
  probe = new Probe(await program.connect());
  await probe.ready();
  // The group list is there once the studio's group message has been read.
  await waitUntil(async () => (await probe.query(1)).text !== '', { timeoutMs: 20000, what: 'the group list' });
});

after(async () => {
  await program?.stop();
  await stopAllChildren();
  await pages?.close();
  fs.rmSync(dir, { recursive: true, force: true });
});

// A camera object as the page sends it (the eleven members of the stored camera).
function cameraRequest(n, overrides = {}) {
  const c = studioCameras[n - 1];
  return { ...Object.fromEntries(MEMBERS.map((m) => [m, c[m]])), ...overrides };
}

function parse(answer) {
  assert.equal(typeof answer.text, 'string');
  return JSON.parse(answer.text);
}

async function groupPage(page, size = 10) {
  return probe.query(2, { groupId: GROUP, camerasPageNum: page, pageSize: size });
}

test('group list (1): the first 10 cameras exactly as the studio sent them, the announced count', async () => {
  const answer = await probe.query(1);
  assert.equal(answer.codeType, 'string');
  assert.equal(answer.textType, 'string');
  assert.equal(answer.argc, 2);
  assert.ok(!/[\n\t]/.test(answer.text), 'one line');
  const groups = parse(answer).groupInfo;
  assert.equal(groups.length, 1);
  assert.equal(groups[0].groupName, 'E2E 一楼');
  assert.equal(groups[0].groupId, GROUP);
  assert.equal(groups[0].groupDevNum, 99, 'as announced, not recounted');
  assert.deepEqual(groups[0].cameraLst, studioCameras.slice(0, 10));
  assert.equal(groups[0].cameraLst[1].online, true, 'members the program does not know stay');
});

test('group pages (2): 1-10, 11-20, 21-25, then none; bad requests answer an empty text', async () => {
  const serials = (body) => (body.cameraLst || []).map((c) => c.serial);
  for (const [page, first, last] of [[1, 1, 10], [2, 11, 20], [3, 21, 25]]) {
    const body = parse(await groupPage(page));
    assert.equal(body.groupId, GROUP);
    assert.equal(body.groupDevNum, 25);
    assert.deepEqual(serials(body), Array.from({ length: last - first + 1 }, (_, i) => serial(first + i)));
    // Written from the stored records: the eleven members, nothing else.
    for (const camera of body.cameraLst) assert.deepEqual(Object.keys(camera).sort(), MEMBERS);
  }
  assert.deepEqual(parse(await groupPage(4)), { groupDevNum: 25, groupId: GROUP });
  assert.deepEqual(parse(await groupPage(1, 0)), { groupDevNum: 25, groupId: GROUP });
  assert.equal((await groupPage(0)).text, '');
  assert.equal((await probe.query(2, { groupId: 'no-such-group', camerasPageNum: 1, pageSize: 10 })).text, '');
  assert.equal((await probe.query(2, 'not json')).text, '');
});

test('all cameras (4) by origin and the current camera (5) as the studio sent it', async () => {
  const all = parse(await probe.query(4));
  const expected = (platform) => studioCameras.filter((c) => (c.iPlatform !== 0) === platform).map((c) => c.serial);
  assert.deepEqual(all.platformCameraLst.map((c) => c.serial), expected(true));
  assert.deepEqual(all.localCameraLst.map((c) => c.serial), expected(false));
  assert.equal(all.platformCameraLst.length + all.localCameraLst.length, 25);

  const current = await probe.query(5);
  assert.ok(!/[\n\t]/.test(current.text));
  assert.deepEqual(parse(current), studioCameras[0]);
});

test('configuration (3), ranges (8) and Wi-Fi networks (9) come from the lab cameras', async () => {
  const config = parse(await probe.query(3, cameraRequest(1)));
  assert.equal(config.subSerial, serial(1));
  assert.equal(config.channelNo, 1);
  const held = recordFields(storedRecord(state, serial(1)));
  const items = config.configItems;
  assert.equal(items.generalConfig.timeProofreading.serverAddress, held.timeServerAddress);
  assert.equal(items.generalConfig.wiFiConfig.ssid, held.wifiSsid);
  assert.equal(items.generalConfig.wiFiConfig.password, held.wifiKey);
  assert.deepEqual(items.imageConfig.imageColor, { brightnessLevel: held.brightness, contrastLevel: held.contrast,
    saturationLevel: held.saturation, hue: held.hue });
  assert.equal(items.imageConfig.audioAndVideoConfig.videoConfig[0].videoResolution, held.streams[0].resolution);
  assert.equal(items.imageConfig.audioAndVideoConfig.audioConfig.inputVolume, held.audioInputVolume);

  // The type is read as C's atoi reads it.
  for (const type of [' 3', '3abc']) {
    const from = await probe.count();
    await probe.call('queryOrvexInfo', type, JSON.stringify(cameraRequest(2)));
    assert.equal(parse(await probe.wait('3', { from })).subSerial, serial(2));
  }
  // A camera whose password changed answers with its identity only.
  assert.deepEqual(parse(await probe.query(3, cameraRequest(CHANGED_CAMERA))),
    { channelNo: 1, subSerial: serial(CHANGED_CAMERA) });

  const ranges = parse(await probe.query(8, cameraRequest(1)));
  assert.equal(ranges.serial, serial(1));
  assert.equal(ranges.channelNo, 1);
  assert.deepEqual(ranges.imageCfgRange.brightnessLevel, { default: 50, max: 100, min: 0 });
  assert.deepEqual(ranges.videoCfgRange.videoResolution.map((r) => r.resolutionName), ['2560*1440', '1920*1080', '1280*720']);
  assert.deepEqual(ranges.videoCfgRange.SubvideoResolution.map((r) => r.resolutionIndex), [2, 5, 1]);
  assert.deepEqual(ranges.videoCfgRange.videoType, [1, 10]);
  assert.deepEqual(ranges.audioCfgRange.mainAudioEncType, [0, 1, 2, 7]);

  const wifi = parse(await probe.query(9, cameraRequest(1)));
  assert.deepEqual(wifi, Array.from({ length: 8 }, (_, i) => ({ ssid: labWifiName(serial(1), i) })));
  const many = parse(await probe.query(9, cameraRequest(WIFI30_CAMERA)));
  assert.deepEqual(many, Array.from({ length: 20 }, (_, i) => ({ ssid: labWifiName(serial(WIFI30_CAMERA), i) })),
    '30 networks are cut to 20');
  assert.equal((await probe.query(9, cameraRequest(ABSENT_CAMERA))).text, '', 'an unreachable camera lists nothing');
});

test('query types 0, 6, 7, 10 and "x" and the seven media calls answer nothing', async () => {
  const from = await probe.count();
  for (const type of ['0', '6', '7', '10', 'x', '']) {
    assert.equal(await probe.call('queryOrvexInfo', type, JSON.stringify(cameraRequest(1))), undefined);
  }
  for (const name of ['PlayRecord', 'PauseRecord', 'StopRecord', 'PlayWord', 'StopWord', 'PauseWord', 'ReturnChoose']) {
    assert.equal(await probe.call(name, 'a', '1'), undefined);
  }
  // Answers given at once keep the order of the calls: the group list comes next, alone.
  await probe.call('queryOrvexInfo', '1', '');
  await probe.wait('1', { from });
  await sleep(300);
  assert.deepEqual((await probe.answers(from)).map((a) => a.code), ['1']);
});

test('a camera named with an apostrophe and a script fragment arrives intact and runs nothing', async () => {
  const page1 = parse(await groupPage(1));
  assert.equal(page1.cameraLst[NASTY_CAMERA - 1].devname, NASTY);
  const all = parse(await probe.query(4));
  assert.equal([...all.localCameraLst, ...all.platformCameraLst].find((c) => c.serial === serial(NASTY_CAMERA)).devname, NASTY);
  const groups = parse(await probe.query(1));
  assert.equal(groups.groupInfo[0].cameraLst[NASTY_CAMERA - 1].devname, NASTY);
  assert.equal(await probe.page.evaluate('typeof window.__pwned'), 'undefined');
  assert.equal(await probe.page.evaluate('document.scripts.length'), 2, 'no script element was added');
});

test('a password check that passes reaches the studio and clears CheckPassword; a failing one does not', async () => {
  let studioFrom = studio.events.length;
  const passed = parse(await probe.callAndWait('11', 'CheckDevPassword',
    [JSON.stringify(cameraRequest(CHECK_CAMERA, { passwd: `pw-${CHECK_CAMERA}` }))]));
  assert.equal(passed.result, true);
  assert.equal(passed.CheckPassword, false);
  assert.equal(passed.serial, serial(CHECK_CAMERA));
  assert.equal(passed.passwd, `pw-${CHECK_CAMERA}`);
  assert.equal(passed.devType, 'IPC');
  const sent = await studio.waitForEvent({ event: 'received', kind: 'camera' }, { from: studioFrom });
  assert.equal(sent.type, 2);
  assert.deepEqual(sent.json, cameraRequest(CHECK_CAMERA, { passwd: `pw-${CHECK_CAMERA}`, CheckPassword: false }));
  assert.equal(sent.length, Buffer.byteLength(sent.text) + 1, 'the text and its NUL');

  const listed = parse(await probe.query(1)).groupInfo[0].cameraLst[CHECK_CAMERA - 1];
  assert.equal(listed.CheckPassword, false);
  assert.equal(listed.passwd, `pw-${CHECK_CAMERA}`);
  const stored = parse(await groupPage(1)).cameraLst[CHECK_CAMERA - 1];
  assert.equal(stored.CheckPassword, false);
  assert.equal(stored.passwd, `pw-${CHECK_CAMERA}`);

  studioFrom = studio.events.length;
  const failed = parse(await probe.callAndWait('11', 'CheckDevPassword',
    [JSON.stringify(cameraRequest(4, { passwd: 'nope' }))]));
  assert.equal(failed.result, false);
  assert.equal(failed.CheckPassword, true);
  assert.equal(failed.passwd, 'nope');
  // The next thing the studio receives is the name sent after the check: no camera.
  await probe.call('IssuedConfigName', 'after the failed check');
  const next = await studio.waitForEvent({ event: 'received' }, { from: studioFrom });
  assert.equal(next.kind, 'configName');
  assert.equal(parse(await groupPage(1)).cameraLst[3].passwd, 'pw-4', 'a failed check changes nothing');
});

test('a configuration name reaches the studio as one line', async () => {
  const name = '夜间配置 "A" \\ 1\t2';
  const from = studio.events.length;
  assert.equal(await probe.call('IssuedConfigName', name), undefined);
  const sent = await studio.waitForEvent({ event: 'received', kind: 'configName' }, { from });
  assert.equal(sent.type, 1);
  assert.ok(!/[\n\t]/.test(sent.text), `one line: ${JSON.stringify(sent.text)}`);
  assert.deepEqual(sent.json, { cloudCfgName: name });
  assert.equal(sent.length, Buffer.byteLength(sent.text) + 1);
});

// What a camera holds after FULL_CONFIG, by field.
function assertHoldsFullConfig(n) {
  const f = recordFields(storedRecord(state, serial(n)));
  const where = `camera ${serial(n)}`;
  assert.equal(f.timeServerAddress, 'ntp.e2e.example', where);
  assert.deepEqual([f.wifiSsid, f.wifiMode, f.wifiSecurity, f.wifiCipher, f.wifiKey, f.wifiKeyLength, f.wifiKeySelector],
    ['E2E-Net', 0, 4, 0, 'e2e-pass-123', 12, 0], where);
  assert.equal(f.motionSwitch, 1, where);
  assert.equal(f.motionMode, 0, where);
  assert.equal(f.motionSensitivity, f.sensitivityScale === 2 ? 0 : 3, `${where}: sensitivity 4 on its scale`);
  assert.deepEqual([f.alarmChannel, f.alarmSound], [1, 2], where);
  assert.deepEqual(f.streams[0], { streamType: 1, flowType: 1, resolution: 19, bitrateType: 1, picQuality: 2, bitrateCode: 23,
    frameRate: 20, iFrameInterval: 60, frameType: 1, videoEncoding: 10, audioEncoding: 2 }, where);
  assert.deepEqual(f.streams[1], { streamType: 0, flowType: 0, resolution: 2, bitrateType: 0, picQuality: 4, bitrateCode: 15,
    frameRate: 15, iFrameInterval: 30, frameType: 0, videoEncoding: 1, audioEncoding: 2 }, where);
  assert.deepEqual([f.audioInputMode, f.audioInputVolume, f.audioOutputVolume], [1, 55, 66], where);
  assert.deepEqual(f.wideDynamicRange, [1, 1, 1], where);
  assert.deepEqual([f.brightness, f.contrast, f.saturation, f.hue], [71, 22, 93, 14], where);
  assert.deepEqual([f.logoShown, f.channelNameShown, f.dateShown, f.weekShown, f.dateFormat, f.displayState, f.timeFormat],
    [1, 0, 1, 1, 8, 2, 1], where);
  return f;
}

const TARGETS = Array.from({ length: 20 }, (_, i) => i + 1);
const FAILING = new Set([ABSENT_CAMERA, CHANGED_CAMERA]);
let issueResult;

function assertIssueResult(result) {
  assert.equal(result.length, 20);
  result.forEach((entry, i) => {
    const n = TARGETS[i];
    assert.deepEqual(entry.device, { channelNo: 1, deviceName: studioCameras[n - 1].devname, serial: serial(n) });
    assert.deepEqual(entry.syncInfo.map((s) => s.itemName), ITEMS, serial(n));
    if (FAILING.has(n)) {
      assert.equal(entry.failNum, 10, serial(n));
      for (const s of entry.syncInfo) assert.deepEqual([s.isSuccess, s.moreInfo], [false, '网络异常'], serial(n));
    } else {
      assert.equal(entry.failNum, 0, `${serial(n)}: ${JSON.stringify(entry.syncInfo)}`);
      for (const s of entry.syncInfo) {
        assert.equal(s.isSuccess, true, `${serial(n)} ${s.itemName}: ${s.moreInfo}`);
        assert.match(s.moreInfo, /applied on channel 1/);
      }
    }
  });
}

test('an issue of every section to 20 cameras (one absent, one with a changed password) answers 7 with what the cameras now hold', async () => {
  const targets = [...parse(await groupPage(1)).cameraLst, ...parse(await groupPage(2)).cameraLst];
  assert.deepEqual(targets.map((c) => c.serial), TARGETS.map(serial));
  const untouched = [CHANGED_CAMERA, 21, 22, 23, 24, 25].map((n) => [n, storedRecord(state, serial(n))]);

  const answer = await probe.callAndWait('7', 'IssuedConfigToCameras',
    [JSON.stringify(targets), JSON.stringify(FULL_CONFIG)], { timeoutMs: 90000 });
  assert.ok(!/[\n\t]/.test(answer.text));
  issueResult = parse(answer);
  assertIssueResult(issueResult);

  for (const n of TARGETS) if (!FAILING.has(n)) assertHoldsFullConfig(n);
  for (const [n, before] of untouched) {
    assert.ok(storedRecord(state, serial(n)).equals(before), `${serial(n)} is unchanged`);
  }

  // Read back through the program: the page form of what camera 1 now holds.
  const held = assertHoldsFullConfig(1);
  const items = parse(await probe.query(3, targets[0])).configItems;
  const expected = structuredClone(FULL_CONFIG.configItems);
  expected.defenceConfig.motionDetectDefence.sensitivityLevel = held.sensitivityScale === 2 ? 0 : 4;
  for (const [s, stream] of expected.imageConfig.audioAndVideoConfig.videoConfig.entries()) {
    stream.constantBitRate = stream.vbrUpperCap;
    stream.frameType = s === 0 ? 1 : 0;
  }
  assert.deepEqual(items, expected);
});

test('the same arguments through IssuedSingleCfgToCameras are answered with 10 and the same result', async () => {
  assert.ok(issueResult, 'runs after the issue above');
  const targets = [...parse(await groupPage(1)).cameraLst, ...parse(await groupPage(2)).cameraLst];
  const from = await probe.count();
  await probe.call('IssuedSingleCfgToCameras', JSON.stringify(targets), JSON.stringify(FULL_CONFIG));
  const answer = await probe.wait('10', { from, timeoutMs: 90000 });
  assert.deepEqual(parse(answer), issueResult);
  assert.deepEqual((await probe.answers(from)).map((a) => a.code), ['10']);
});

test('two issue requests sent back to back are both answered and neither corrupts the other', async () => {
  const colour = { configItems: { imageConfig: { imageColor: { brightnessLevel: 11, contrastLevel: 12, saturationLevel: 13, hue: 14 } } } };
  const general = { configItems: { generalConfig: { timeProofreading: { proofMode: 'auto', serverAddress: 'b.ntp.example' } } } };
  const a = [cameraRequest(6), cameraRequest(8)];
  const b = [cameraRequest(9), cameraRequest(10)];
  const from = await probe.count();
  await probe.page.evaluate(`IssuedConfigToCameras(${JSON.stringify(JSON.stringify(a))}, ${JSON.stringify(JSON.stringify(colour))});
    IssuedConfigToCameras(${JSON.stringify(JSON.stringify(b))}, ${JSON.stringify(JSON.stringify(general))});`);
  const first = await probe.wait('7', { from, timeoutMs: 60000 });
  const second = await probe.wait('7', { from: first.index + 1, timeoutMs: 60000 });
  const results = [parse(first), parse(second)].sort((x, y) => x[0].device.serial.localeCompare(y[0].device.serial));
  assert.deepEqual(results[0].map((e) => e.device.serial), [serial(6), serial(8)]);
  assert.deepEqual(results[1].map((e) => e.device.serial), [serial(9), serial(10)]);
  for (const entry of results[0]) {
    assert.deepEqual(entry.syncInfo.map((s) => [s.itemName, s.isSuccess]), [['图像设置', true]]);
  }
  for (const entry of results[1]) {
    assert.deepEqual(entry.syncInfo.map((s) => [s.itemName, s.isSuccess]), [['通用配置', true]]);
  }
  for (const n of [6, 8]) {
    const f = recordFields(storedRecord(state, serial(n)));
    assert.deepEqual([f.brightness, f.contrast, f.saturation, f.hue, f.timeServerAddress], [11, 12, 13, 14, 'ntp.e2e.example']);
  }
  for (const n of [9, 10]) {
    const f = recordFields(storedRecord(state, serial(n)));
    assert.deepEqual([f.brightness, f.contrast, f.saturation, f.hue, f.timeServerAddress], [71, 22, 93, 14, 'b.ntp.example']);
  }
});

test('resizeCefWnd resizes the window the page is shown in', async () => {
  // Sizes above the skin's minimum (960 x 600); the page fills the window below its 40-pixel title bar.
  for (const [width, height] of [[1100, 720], [1000, 650]]) {
    assert.equal(await probe.call('resizeCefWnd', String(width), String(height)), undefined);
    await waitUntil(async () => {
      const size = await probe.page.evaluate('[outerWidth, outerHeight, innerWidth, innerHeight].join("x")');
      return size === `${width}x${height}x${width}x${height - 40}`;
    }, { timeoutMs: 5000, what: `the page to be ${width} x ${height - 40}` });
  }
});
