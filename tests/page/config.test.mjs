// The configuration view: reading a camera's configuration, ranges and Wi-Fi list in any
// order, the bounds of the forms, and the issue requests built from the forms and sections.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { usePages, query } from './support/harness.mjs';
import { makeWorld, configItems } from './support/world.mjs';

const openPage = usePages();

async function chooseTargets(p, keys) {
  await p.page.click('#nav-cameras');
  for (const key of keys) await p.page.click(`[data-key="${key}"] [data-testid=target-check]`);
}

test('the current camera is read first; ranges bound the forms; Wi-Fi names fill the SSID', async () => {
  const p = await openPage({ world: makeWorld() });
  const read = await p.waitQuery('3');
  const asked = JSON.parse(read.args[1]);
  assert.deepEqual([asked.serial, asked.passwd, asked.port], ['ORX-102', 'abc12345', 8000]);
  await p.waitQuery('9');
  await p.page.click('#nav-config');
  await p.page.waitForSelector('[data-testid=wifi-ssid]');
  await p.shot('config');
  assert.equal(await p.page.getAttribute('#cfg-color-brightnessLevel', 'max'), '80');
  const options = (sel) => p.page.locator(`${sel} option`).evaluateAll((o) => o.map((x) => x.value));
  assert.deepEqual(await options('#cfg-streams-0-videoCodecType'), ['STD_H264', 'STD_H265']);
  assert.deepEqual(await options('#cfg-streams-0-maxFrameRate'), ['1', '15', '25', '30']);
  assert.equal((await options('#cfg-streams-0-vbrUpperCap')).at(-1), '8192');
  // A smaller resolution narrows the bitrate and frame rate choices and moves the values into them.
  await p.page.selectOption('#cfg-streams-0-videoResolution', '0');
  assert.equal((await options('#cfg-streams-0-vbrUpperCap')).at(-1), '1024');
  assert.equal(await p.page.inputValue('#cfg-streams-0-vbrUpperCap'), '1024');
  assert.deepEqual(await options('#cfg-streams-0-maxFrameRate'), ['1', '15', '25']);
  await p.page.click('[data-testid=wifi-ssid]:has-text("访客网络")');
  const s = await p.state();
  assert.deepEqual([s.source.draft.wifi.ssid, s.source.draft.streams[0].maxFrameRate, s.title],
    ['访客网络', 25, '批量配置 - 参数配置（一号楼-2）']);
  await p.close();
});

test('ranges before the configuration, foreign and empty answers: only the right camera is shown', async () => {
  const world = makeWorld();
  world.current = null;
  const hold = (n, a) => ['3', '8', '9'].some((t) => query(t)(n, a));
  const p = await openPage({ world, hold });
  await p.page.waitForSelector('[data-key="ORX-104_1"]');
  await p.page.click('[data-key="ORX-104_1"] [data-testid=open-config]');
  const read = await p.waitQuery('3');
  await p.send('8', JSON.stringify({ serial: 'ORX-104', channelNo: 1, imageCfgRange: { brightnessLevel: { min: 10, max: 60, default: 30 } } }));
  await p.send('3', JSON.stringify({ subSerial: 'ORX-999', channelNo: 1, configItems: configItems('ORX-999') }));
  assert.equal((await p.state()).source.status, 'loading');
  await p.release(read);
  await p.page.waitForSelector('#cfg-color-brightnessLevel');
  assert.equal(await p.page.getAttribute('#cfg-color-brightnessLevel', 'max'), '60');
  assert.equal(await p.page.inputValue('#cfg-wifi-ssid'), 'cam-ORX-104');
  // Ranges that came first are kept, so none are asked for again.
  assert.equal(p.find('queryOrvexInfo', (a) => a[0] === '8').length, 0);
  await p.waitQuery('9');
  await p.send('9', '');
  await p.page.waitForSelector('text=无法获取摄像机附近的 Wi-Fi 网络');
  await p.send('9', '[{"ssid":"late"}]'); // nothing is waiting for it
  assert.equal((await p.state()).source.wifiStatus, 'failed');

  await p.page.click('#reload-config');
  await p.waitQuery('3', 2);
  await p.send('3', '');
  await p.page.waitForSelector('#config-error:has-text("未收到配置数据")');
  await p.page.click('#reload-config');
  await p.waitQuery('3', 3);
  await p.send('3', JSON.stringify({ subSerial: 'ORX-104', channelNo: 1 }));
  await p.page.waitForSelector('#config-error:has-text("登录失败")');
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('issuing sends only the changed fields of the chosen sections, or whole sections when asked', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n.startsWith('Issued') });
  await p.waitQuery('9');
  await chooseTargets(p, ['ORX-101_1', 'ORX-103_1']);
  await p.page.click('#go-config');
  await p.page.click('#sections-all'); // all on
  await p.page.click('#sections-all'); // all off
  await p.page.check('#section-color');
  await p.page.check('#section-wifi');
  await p.page.fill('#cfg-wifi-ssid', 'imageDisplay "5G"');
  await p.page.fill('#cfg-color-hue', '42');
  await p.page.check('#section-display'); // chosen but unchanged: not sent
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  const call = await p.waitCall('IssuedConfigToCameras');
  const cameras = JSON.parse(call.args[0]);
  assert.deepEqual(cameras.map((c) => c.serial), ['ORX-101', 'ORX-103']);
  assert.deepEqual(Object.keys(cameras[0]).sort(), ['CheckPassword', 'channelNo', 'devType', 'devip', 'devname',
    'encrypt', 'iPlatform', 'newDev', 'passwd', 'port', 'serial']);
  assert.deepEqual(JSON.parse(call.args[1]), { configItems: {
    generalConfig: { wiFiConfig: { ssid: 'imageDisplay "5G"' } }, imageConfig: { imageColor: { hue: 42 } } } });
  // A typed word must not look like a section to the program's text search.
  assert.equal(call.args[1].includes('imageDisplay'), false);
  assert.equal((await p.state()).view, 'result');
  await p.send('7', '[]');

  // "复制整个分区" sends the whole section; a changed main stream keeps the sub stream and audio as {}.
  await p.page.click('#nav-config');
  await p.page.check('#whole-color');
  await p.page.check('#section-audioVideo');
  await p.page.selectOption('#cfg-streams-0-videoCodecType', 'STD_H264');
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  const again = JSON.parse((await p.waitCall('IssuedConfigToCameras', () => true, 2)).args[1]).configItems;
  assert.deepEqual(again.imageConfig.imageColor, { brightnessLevel: 50, contrastLevel: 50, saturationLevel: 50, hue: 42 });
  assert.deepEqual(again.imageConfig.audioAndVideoConfig, { videoConfig: [{ videoCodecType: 'STD_H264' }, {}], audioConfig: {} });
  assert.deepEqual(Object.keys(again.imageConfig).sort(), ['audioAndVideoConfig', 'imageColor']);
  await p.close();
});

test('a single section is issued alone and answered with its own code', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n.startsWith('Issued') });
  await p.waitQuery('9');
  await chooseTargets(p, ['ORX-105_1']);
  await p.page.click('#nav-config');
  await p.page.click('#issue-only-audioVideo');
  await p.page.waitForSelector('#issue-problems li:has-text("所选项目没有修改")');
  await p.page.check('#whole-audioVideo');
  await p.page.waitForSelector('#issue-problems', { state: 'detached' });
  await p.page.click('#issue-only-audioVideo');
  await p.page.click('#confirm-ok');
  const call = await p.waitCall('IssuedSingleCfgToCameras');
  const items = JSON.parse(call.args[1]).configItems;
  assert.deepEqual(Object.keys(items), ['imageConfig']);
  assert.deepEqual(Object.keys(items.imageConfig), ['audioAndVideoConfig']);
  const [main, sub] = items.imageConfig.audioAndVideoConfig.videoConfig;
  assert.deepEqual([main.vbrUpperCap, sub.videoCodecType, 'constantBitRate' in main], [4096, 'STD_H264', false]);
  await p.send('7', '[]'); // the answer of the other kind of issue
  assert.ok((await p.state()).issue);
  await p.release(call);
  await p.page.waitForSelector('[data-testid=result-row][data-key="ORX-105_1"]');
  assert.equal((await p.state()).results.rows[0].items.length, 3);
  await p.close();
});

test('an issue that cannot be sent says why; the configuration name is saved', async () => {
  const p = await openPage({ world: makeWorld() });
  await p.waitQuery('9');
  await p.page.click('#nav-config');
  await p.page.click('#sections-all'); // all on
  await p.page.fill('#cfg-wifi-ssid', '');
  await p.page.click('#issue-selected');
  const problems = await p.page.locator('#issue-problems li').allTextContents();
  assert.deepEqual(problems, ['请先在摄像机列表中选择目标摄像机', 'Wi-Fi 配置：请填写网络名称 (SSID)']);
  assert.equal(p.find('IssuedConfigToCameras').length, 0);
  await p.page.fill('#config-name', '  夜间模式 ');
  await p.page.click('#save-config-name');
  assert.deepEqual((await p.waitCall('IssuedConfigName')).args, ['夜间模式']);
  await p.close();
});

test('the preview says per field what changes on how many targets; words are the installer\'s', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n, a) => n.startsWith('Issued') || (n === 'queryOrvexInfo' && a[0] === '20') });
  await p.waitQuery('9');
  await chooseTargets(p, ['ORX-101_1', 'ORX-103_1', 'ORX-104_1']);
  await p.page.click('#go-config');
  const labels = (sel) => p.page.locator(`${sel} option`).evaluateAll((o) => o.map((x) => x.textContent));
  assert.deepEqual(await labels('#cfg-streams-0-videoCodecType'), ['H.264', 'H.265']);
  assert.deepEqual(await labels('#cfg-audio-audioCompressionType'), ['G.722', 'G.711μ', 'G.711A', 'AAC']);
  assert.deepEqual(await labels('#cfg-streams-0-videoResolution'), ['352×288', '1920×1080']);
  assert.deepEqual((await labels('#cfg-display-dateFormat')).slice(0, 3), ['2024-05-31', '05-31-2024', '20240531']);
  assert.deepEqual(await labels('#cfg-display-displayState'), ['透明', '闪烁']);
  assert.equal(await p.page.locator('#cfg-streams-0-frameType, #cfg-streams-0-streamType').count(), 0);

  await p.page.fill('#cfg-general-serverAddress', 'ntp.new.example');
  await p.page.selectOption('#cfg-streams-0-videoCodecType', 'STD_H264');
  await p.page.click('#issue-selected');
  const read = await p.waitQuery('20');
  assert.deepEqual(JSON.parse(read.args[1]).cameras.map((c) => c.serial), ['ORX-101', 'ORX-103', 'ORX-104']);
  assert.equal(await p.page.isDisabled('#confirm-ok'), true);
  const items = (server) => { const c = configItems('x'); c.generalConfig.timeProofreading.serverAddress = server; return c; };
  await p.send('14', JSON.stringify({ configs: [
    { serial: 'ORX-101', channelNo: 1, isSuccess: true, configItems: items('ntp.orvex.example') },
    { serial: 'ORX-103', channelNo: 1, isSuccess: true, configItems: items('ntp.new.example') },
    { serial: 'ORX-104', channelNo: 1, isSuccess: false, cause: 'unreachable', moreInfo: '网络异常' }] }));
  await p.page.waitForSelector('#preview-table');
  await p.shot('preview');
  const rows = await p.page.$$eval('[data-testid=preview-row]', (l) => l.map((r) => [r.dataset.field, r.innerText.replace(/\s+/g, ' ')]));
  assert.deepEqual(rows, [
    ['generalConfig.timeProofreading.serverAddress', '校时服务器 ntp.new.example 1 / 3 台将修改：从 ntp.orvex.example（1 台）；1 台已是此值'],
    ['imageConfig.audioAndVideoConfig.videoConfig.0.videoCodecType', '主码流 · 视频编码 H.264 2 / 3 台将修改：从 H.265（2 台）'],
  ]);
  assert.match(await p.page.textContent('#preview-unread'), /1 台摄像机未能读取/);
  await p.page.click('#confirm-ok');
  const sent = JSON.parse((await p.waitCall('IssuedConfigToCameras')).args[1]);
  assert.deepEqual(sent.configItems.generalConfig, { timeProofreading: { serverAddress: 'ntp.new.example' } });
  await p.close();
});
