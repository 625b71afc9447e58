// The bugs an installer met: the table jumping to the top, stale messages, typing lost after a
// wrong password, silent clamping, 正常 for a camera that is off, 清空 without asking, wide lists.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { usePages } from './support/harness.mjs';
import { makeWorld } from './support/world.mjs';

const openPage = usePages();

test('a redraw keeps the table where it was scrolled; 清空 asks first', async () => {
  const p = await openPage({ world: makeWorld() });
  await p.page.selectOption('#page-size', '50');
  await p.page.waitForSelector('[data-key="ORX-125_1"]');
  await p.page.$eval('.cameras .table-wrap', (w) => { w.scrollTop = 400; });
  await p.page.click('[data-key="ORX-120_1"] [data-testid=target-check]');
  assert.equal(await p.page.$eval('.cameras .table-wrap', (w) => w.scrollTop), 400);
  assert.deepEqual((await p.state()).targets, ['ORX-120_1']);
  await p.page.click('#clear-targets');
  await p.page.click('#ask-cancel');
  assert.deepEqual((await p.state()).targets, ['ORX-120_1']);
  await p.page.click('#clear-targets');
  assert.match(await p.page.textContent('#ask-dialog'), /移除全部 1 台/);
  await p.page.click('#ask-ok');
  assert.deepEqual((await p.state()).targets, []);
  await p.close();
});

test('issue problems and password errors go once fixed; typing reaches the field after a wrong password', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'CheckDevPassword' });
  await p.waitQuery('9');
  await p.page.click('#nav-config');
  await p.page.fill('#cfg-general-serverAddress', 'ntp.new.example');
  await p.page.click('#issue-selected');
  await p.page.waitForSelector('#issue-problems li:has-text("请先在摄像机列表中选择目标摄像机")');
  await p.page.click('#nav-cameras');
  await p.page.click('[data-key="ORX-101_1"] [data-testid=target-check]');
  await p.page.click('#nav-config');
  assert.equal(await p.page.locator('#issue-problems').count(), 0);

  await p.page.click('#nav-cameras');
  await p.page.click('[data-group-id="g-yard"]');
  await p.page.click('[data-key="ORX-202_1"] [data-testid=target-check]');
  await p.page.fill('#password-input', 'wrong');
  await p.page.press('#password-input', 'Enter');
  await p.release(await p.waitCall('CheckDevPassword'));
  await p.page.waitForSelector('#password-error:has-text("密码错误")');
  await p.page.keyboard.type('yard-pass'); // replaces the selected wrong password
  assert.equal(await p.page.inputValue('#password-input'), 'yard-pass');
  assert.equal(await p.page.textContent('#password-error'), '');
  await p.close();
});

test('an out-of-range number shows its range and refuses the issue instead of being clamped', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n.startsWith('Issued') });
  await p.waitQuery('8');
  await p.page.click('[data-key="ORX-101_1"] [data-testid=target-check]');
  await p.page.click('#go-config');
  await p.page.fill('#cfg-color-brightnessLevel', '95');
  await p.page.press('#cfg-color-brightnessLevel', 'Tab');
  assert.equal(await p.page.inputValue('#cfg-color-brightnessLevel'), '95');
  assert.match(await p.page.textContent('#card-color [data-testid=range-error]'), /超出范围，应为 0 – 80/);
  await p.page.click('#issue-selected');
  assert.deepEqual(await p.page.locator('#issue-problems li').allTextContents(), ['图像色彩：亮度应在 0 – 80 之间']);
  await p.page.fill('#cfg-color-brightnessLevel', ''); // empty is not a number in range either
  await p.page.click('#issue-selected');
  assert.deepEqual(await p.page.locator('#issue-problems li').allTextContents(), ['图像色彩：亮度应在 0 – 80 之间']);
  await p.page.fill('#cfg-color-brightnessLevel', '80');
  await p.page.waitForSelector('#issue-problems', { state: 'detached' });
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  assert.deepEqual(JSON.parse((await p.waitCall('IssuedConfigToCameras')).args[1]).configItems.imageConfig.imageColor, { brightnessLevel: 80 });
  await p.close();
});

test('状态 says what the last read found, never 正常 unread; a refresh reads the shown cameras', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n, a) => n === 'queryOrvexInfo' && a[0] === '20' });
  await p.page.click('[data-group-id="g-yard"]');
  await p.page.waitForSelector('[data-key="ORX-203_2"]');
  assert.equal(await p.page.locator('[data-testid=camera-row]:has-text("正常")').count(), 0);
  assert.equal(await p.page.getAttribute('[data-key="ORX-203_2"] [data-testid=online]', 'data-online'), 'unknown');
  await p.page.click('#refresh-online');
  const read = await p.waitQuery('20');
  assert.deepEqual(JSON.parse(read.args[1]).cameras.map((c) => c.serial), ['ORX-201', 'ORX-202', 'ORX-203']);
  await p.send('14', JSON.stringify({ configs: [
    { serial: 'ORX-201', channelNo: 1, isSuccess: true, configItems: {} },
    { serial: 'ORX-202', channelNo: 1, isSuccess: false, cause: 'auth', moreInfo: '' },
    { serial: 'ORX-203', channelNo: 2, isSuccess: false, cause: 'unreachable', moreInfo: '网络异常' }] }));
  await p.page.waitForSelector('[data-key="ORX-203_2"] [data-testid=online]:has-text("离线")');
  assert.deepEqual((await p.state()).online, { 'ORX-102_1': 'online', 'ORX-201_1': 'online', 'ORX-202_1': 'auth', 'ORX-203_2': 'offline' });
  await p.close();
});

test('the progress and result lists of many cameras stay within the page width', async () => {
  const world = makeWorld();
  world.groups[0].cameras.forEach((c, i) => { c.devname = `东区停车场出入口-高清球机-${i + 1}`; });
  const p = await openPage({ world, hold: (n) => n.startsWith('Issued') });
  await p.page.selectOption('#page-size', '50');
  await p.page.waitForSelector('[data-key="ORX-125_1"]');
  await p.page.click('#select-group');
  await p.page.click('#go-config');
  await p.page.check('#whole-display');
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  const call = await p.waitCall('IssuedConfigToCameras');
  const overflow = () => p.page.evaluate(() => document.documentElement.scrollWidth > innerWidth
    || [...document.querySelectorAll('#view-result *')].some((e) => e.getBoundingClientRect().right > innerWidth + 0.5));
  for (let i = 0; i < 25; i += 1) await p.send('12', JSON.stringify({ done: i + 1, total: 25, serial: `ORX-${101 + i}`, channelNo: 1, failNum: 0 }));
  await p.page.waitForSelector('#issue-progress-text:has-text("已完成 25 / 25")');
  assert.equal(await overflow(), false);
  await p.release(call);
  await p.page.waitForSelector('#result-summary');
  assert.equal(await overflow(), false);
  await p.close();
});
