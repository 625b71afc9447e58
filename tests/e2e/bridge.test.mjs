// The bridge of the real program, one program run for every case: a probe page calls the bridge
// functions and records what the program pushes into SetMsgToH5; the lab plays the studio (a
// group of 25 cameras) and serves the cameras. What the cameras hold afterwards is read from the
// lab's record files and, through the program, with the configuration query. The store's
// answers for odd requests are pinned by studio/data_manager_test.cpp, the query types and
// their atoi reading by app/bridge_router_test.cpp, the calls that answer nothing by
// app/orvex_browser_core_test.cpp, resizing by tests/e2e/window.test.mjs; here every answer
// comes through the real page, studio link and cameras.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { storedRecord, useLab } from './lib/lab.mjs';
import { Program } from './lib/program.mjs';
import { Probe } from './lib/probe.mjs';
import { labWifiName, recordFields, sensitivityScale } from './lib/records.mjs';
import { waitUntil } from './lib/processes.mjs';

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
    encrypt: true, newDev: false, CheckPassword: n === CHECK_CAMERA,
    device: { password: `pw-${n}`, wifiNetworks: n === WIFI30_CAMERA ? 30 : 8 },
  };
  if (n === CHECK_CAMERA) camera.passwd = '';
  if (n === 2) camera.studioExtra = { online: true };
  if (n === ABSENT_CAMERA) camera.device.faults = { absent: true };
  if (n === CHANGED_CAMERA) camera.device.password = 'changed-20';
  return camera;
}

let dir, state, studio, pages, program, probe;
let studioCameras;  // the camera objects of the studio's group message, in order

const fleet = { groups: [{ groupName: 'E2E 一楼', groupId: GROUP, groupDevNum: 99,
  cameras: Array.from({ length: 25 }, (_, i) => fleetCamera(i + 1)) }] };
useLab({ fleet, camera: `${serial(1)} 1`, statsHost: STATS_HOST }, async (lab) => {
  ({ dir, state, studio, pages } = lab);
  // The group message carries each camera's eleven members and its studioExtra members.
  studioCameras = lab.cameras.fleetOut.groups[0].cameras.map((c) => ({
    ...Object.fromEntries(MEMBERS.map((m) => [m, c[m]])), ...(c.studioExtra || {}) }));
  program = lab.program = await Program.start({ page: pages.url('probe.html'), logDomain: STATS_HOST, dir });
  probe = new Probe(await program.connect());
  await probe.ready();
  // The group list is there once the studio's group message has been read.
  await waitUntil(async () => (await probe.query(1)).text !== '', { timeoutMs: 20000, what: 'the group list' });
});

// A camera object as the page sends it (the eleven members of the stored camera).
function cameraRequest(n, overrides = {}) {
  const c = studioCameras[n - 1];
  return { ...Object.fromEntries(MEMBERS.map((m) => [m, c[m]])), ...overrides };
}

function parse(answer) {
  assert.equal(typeof answer.text, 'string');
  assert.ok(!/[\n\t]/.test(answer.text), `one line: ${answer.text}`);
  return JSON.parse(answer.text);
}

const groupPage = async (page) => parse(await probe.query(2, { groupId: GROUP, camerasPageNum: page, pageSize: 10 }));

test('group list (1), group pages (2), all cameras (4) and the current camera (5) as the studio sent them', async () => {
  const answer = await probe.query(1);
  assert.deepEqual([answer.argc, answer.codeType, answer.textType], [2, 'string', 'string']);
  assert.deepEqual(parse(answer).groupInfo, [{ groupName: 'E2E 一楼', groupId: GROUP, groupDevNum: 99,
    cameraLst: studioCameras.slice(0, 10) }], 'the announced count and the first 10 cameras with their extra members');

  for (const [page, first, last] of [[1, 1, 10], [2, 11, 20], [3, 21, 25]]) {
    const body = await groupPage(page);
    assert.deepEqual([body.groupId, body.groupDevNum], [GROUP, 25]);
    // Written from the stored records: the eleven members, nothing else.
    assert.deepEqual(body.cameraLst, Array.from({ length: last - first + 1 }, (_, i) => cameraRequest(first + i)));
  }
  assert.deepEqual(await groupPage(4), { groupDevNum: 25, groupId: GROUP });

  const all = parse(await probe.query(4));
  const expected = (platform) => studioCameras.filter((c) => (c.iPlatform !== 0) === platform).map((c) => c.serial);
  assert.deepEqual(all.platformCameraLst.map((c) => c.serial), expected(true));
  assert.deepEqual(all.localCameraLst.map((c) => c.serial), expected(false));
  assert.equal(all.localCameraLst.find((c) => c.serial === serial(NASTY_CAMERA)).devname, NASTY);

  assert.deepEqual(parse(await probe.query(5)), studioCameras[0]);
  // The camera named with an apostrophe and a script fragment arrived intact and ran nothing.
  assert.equal(studioCameras[NASTY_CAMERA - 1].devname, NASTY);
  assert.equal(await probe.page.evaluate('typeof window.__pwned'), 'undefined');
  assert.equal(await probe.page.evaluate('document.scripts.length'), 2, 'no script element was added');
});

test('configuration (3), ranges (8) and Wi-Fi networks (9) come from the lab cameras', async () => {
  const config = parse(await probe.query(3, cameraRequest(1)));
  assert.deepEqual([config.subSerial, config.channelNo], [serial(1), 1]);
  const held = recordFields(storedRecord(state, serial(1)));
  const { generalConfig, imageConfig } = config.configItems;
  const { imageColor, audioAndVideoConfig } = imageConfig;
  assert.deepEqual({
    timeServerAddress: generalConfig.timeProofreading.serverAddress, wifiSsid: generalConfig.wiFiConfig.ssid,
    wifiKey: generalConfig.wiFiConfig.password, mainResolution: audioAndVideoConfig.videoConfig[0].videoResolution,
    audioInputVolume: audioAndVideoConfig.audioConfig.inputVolume, audioOutputVolume: audioAndVideoConfig.audioConfig.outputVolume,
    colour: [imageColor.brightnessLevel, imageColor.contrastLevel, imageColor.saturationLevel, imageColor.hue],
  }, held);
  // A camera whose password changed answers with its identity only.
  assert.deepEqual(parse(await probe.query(3, cameraRequest(CHANGED_CAMERA))), { channelNo: 1, subSerial: serial(CHANGED_CAMERA) });

  const ranges = parse(await probe.query(8, cameraRequest(1)));
  assert.deepEqual([ranges.serial, ranges.channelNo], [serial(1), 1]);
  assert.deepEqual(ranges.imageCfgRange.brightnessLevel, { default: 50, max: 100, min: 0 });
  assert.deepEqual(ranges.videoCfgRange.videoResolution.map((r) => r.resolutionName), ['2560*1440', '1920*1080', '1280*720']);
  assert.deepEqual(ranges.videoCfgRange.videoType, [1, 10]);

  const names = (n, count) => Array.from({ length: count }, (_, i) => ({ ssid: labWifiName(serial(n), i) }));
  assert.deepEqual(parse(await probe.query(9, cameraRequest(1))), names(1, 8));
  assert.deepEqual(parse(await probe.query(9, cameraRequest(WIFI30_CAMERA))), names(WIFI30_CAMERA, 20), '30 cut to 20');
  assert.equal((await probe.query(9, cameraRequest(ABSENT_CAMERA))).text, '', 'an unreachable camera lists nothing');
});

test('a password check that passes reaches the studio and clears CheckPassword; a failing one does not', async () => {
  let from = studio.events.length;
  const confirmed = cameraRequest(CHECK_CAMERA, { passwd: `pw-${CHECK_CAMERA}` });
  const passed = parse(await probe.callAndWait('11', 'CheckDevPassword', [JSON.stringify(confirmed)]));
  assert.deepEqual(passed, { ...confirmed, result: true, CheckPassword: false });
  const sent = await studio.waitForEvent({ event: 'received', kind: 'camera' }, { from });
  assert.equal(sent.type, 2);
  assert.deepEqual(sent.json, { ...confirmed, CheckPassword: false });
  assert.equal(sent.length, Buffer.byteLength(sent.text) + 1, 'the text and its NUL');
  for (const listed of [parse(await probe.query(1)).groupInfo[0].cameraLst, (await groupPage(1)).cameraLst]) {
    assert.deepEqual([listed[CHECK_CAMERA - 1].CheckPassword, listed[CHECK_CAMERA - 1].passwd], [false, `pw-${CHECK_CAMERA}`]);
  }

  from = studio.events.length;
  const failed = parse(await probe.callAndWait('11', 'CheckDevPassword', [JSON.stringify(cameraRequest(4, { passwd: 'nope' }))]));
  assert.deepEqual([failed.result, failed.CheckPassword, failed.passwd], [false, true, 'nope']);
  // The next thing the studio receives is the name sent after the check: no camera.
  const name = '夜间配置 "A" \\ 1\t2';
  assert.equal(await probe.call('IssuedConfigName', name), undefined);
  const next = await studio.waitForEvent({ event: 'received' }, { from });
  assert.deepEqual([next.kind, next.type, next.json], ['configName', 1, { cloudCfgName: name }]);
  assert.ok(!/[\n\t]/.test(next.text), `the name is sent as one line: ${JSON.stringify(next.text)}`);
  assert.equal(next.length, Buffer.byteLength(next.text) + 1);
  assert.equal((await groupPage(1)).cameraLst[3].passwd, 'pw-4', 'a failed check changes nothing');
});

const TARGETS = Array.from({ length: 20 }, (_, i) => i + 1);
const FAILING = new Set([ABSENT_CAMERA, CHANGED_CAMERA]);
let issued;  // the targets and the result of the issue to 20 cameras

test('an issue of every section to 20 cameras (one absent, one with a changed password) answers 7 with what the cameras now hold', async () => {
  const targets = [...(await groupPage(1)).cameraLst, ...(await groupPage(2)).cameraLst];
  const untouched = [CHANGED_CAMERA, 21, 22, 23, 24, 25].map((n) => [n, storedRecord(state, serial(n))]);

  const answer = await probe.callAndWait('7', 'IssuedConfigToCameras',
    [JSON.stringify(targets), JSON.stringify(FULL_CONFIG)], { timeoutMs: 90000 });
  const result = parse(answer);
  assert.equal(result.length, 20);
  result.forEach((entry, i) => {
    const n = TARGETS[i];
    const failing = FAILING.has(n);
    assert.deepEqual(entry.device, { channelNo: 1, deviceName: studioCameras[n - 1].devname, serial: serial(n) });
    assert.equal(entry.failNum, failing ? 10 : 0, `${serial(n)}: ${JSON.stringify(entry.syncInfo)}`);
    assert.deepEqual(entry.syncInfo.map((s) => [s.itemName, s.isSuccess, failing ? s.moreInfo : /已应用到通道 1/.test(s.moreInfo)]),
      ITEMS.map((name) => [name, !failing, failing ? '网络异常' : true]), serial(n));
  });
  for (const [n, before] of untouched) assert.ok(storedRecord(state, serial(n)).equals(before), `${serial(n)} is unchanged`);

  // What the records now hold, and through the program, the page form of every camera's configuration.
  assert.deepEqual(recordFields(storedRecord(state, serial(1))), { timeServerAddress: 'ntp.e2e.example', wifiSsid: 'E2E-Net',
    wifiKey: 'e2e-pass-123', mainResolution: 19, audioInputVolume: 55, audioOutputVolume: 66, colour: [71, 22, 93, 14] });
  for (const [i, target] of targets.entries()) {
    if (FAILING.has(TARGETS[i])) continue;
    const expected = structuredClone(FULL_CONFIG.configItems);
    const scale = sensitivityScale(storedRecord(state, serial(TARGETS[i])));
    expected.defenceConfig.motionDetectDefence.sensitivityLevel = scale === 2 ? 0 : 4;
    for (const [s, stream] of expected.imageConfig.audioAndVideoConfig.videoConfig.entries()) {
      stream.constantBitRate = stream.vbrUpperCap;
      stream.frameType = s === 0 ? 1 : 0;
    }
    assert.deepEqual(parse(await probe.query(3, target)).configItems, expected, target.serial);
  }
  issued = { targets, result };
});

test('the same arguments through IssuedSingleCfgToCameras are answered with 10 and the same result, after progress', async () => {
  assert.ok(issued, 'runs after the issue above');
  const from = await probe.count();
  await probe.call('IssuedSingleCfgToCameras', JSON.stringify(issued.targets), JSON.stringify(FULL_CONFIG));
  assert.deepEqual(parse(await probe.wait('10', { from, timeoutMs: 90000 })), issued.result);
  // Progress (12) after each camera, then the result.
  assert.deepEqual((await probe.answers(from)).map((a) => a.code), [...issued.targets.map(() => '12'), '10']);
});

test('two issue requests sent back to back are both answered and neither corrupts the other', async () => {
  const colour = { configItems: { imageConfig: { imageColor: { brightnessLevel: 11, contrastLevel: 12, saturationLevel: 13, hue: 14 } } } };
  const general = { configItems: { generalConfig: { timeProofreading: { proofMode: 'auto', serverAddress: 'b.ntp.example' } } } };
  const call = (cameras, config) => `IssuedConfigToCameras(${JSON.stringify(JSON.stringify(cameras.map((n) => cameraRequest(n))))}, ` +
    `${JSON.stringify(JSON.stringify(config))});`;
  const from = await probe.count();
  await probe.page.evaluate(call([6, 8], colour) + call([9, 10], general));
  const first = await probe.wait('7', { from, timeoutMs: 60000 });
  const second = await probe.wait('7', { from: first.index + 1, timeoutMs: 60000 });
  const results = [parse(first), parse(second)].sort((x, y) => x[0].device.serial.localeCompare(y[0].device.serial));
  for (const [result, cameras, item, colours, server] of [
    [results[0], [6, 8], '图像设置', [11, 12, 13, 14], 'ntp.e2e.example'],
    [results[1], [9, 10], '通用配置', [71, 22, 93, 14], 'b.ntp.example'],
  ]) {
    assert.deepEqual(result.map((e) => [e.device.serial, e.syncInfo.map((s) => [s.itemName, s.isSuccess])]),
      cameras.map((n) => [serial(n), [[item, true]]]));
    for (const n of cameras) {
      const f = recordFields(storedRecord(state, serial(n)));
      assert.deepEqual([f.colour, f.timeServerAddress], [colours, server], serial(n));
    }
  }
});
