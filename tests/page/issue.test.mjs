// Issuing and its results: progress, the result table, retrying only the failed cameras, the
// CSV export, broken result answers, failure causes and re-read checks, and the password prompt
// for unconfirmed cameras.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { usePages } from './support/harness.mjs';
import { makeWorld } from './support/world.mjs';

const openPage = usePages();

async function issueTo(p, keys, group = 'g-yard') {
  await p.waitQuery('9');
  await p.page.click(`[data-group-id="${group}"]`);
  for (const key of keys) await p.page.click(`[data-key="${key}"] [data-testid=target-check]`);
  await p.page.click('#go-config');
  await p.page.click('#sections-all'); // every section except Wi-Fi is chosen at start: this adds Wi-Fi
  for (const id of ['general', 'wifi', 'defence', 'audioVideo', 'backlight', 'color', 'display']) await p.page.check(`#whole-${id}`);
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  return p.waitCall('IssuedConfigToCameras');
}

test('progress, results, retry of the failed cameras only, CSV export and the title', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
  const call = await issueTo(p, ['ORX-201_1', 'ORX-203_2']);
  await p.page.waitForSelector('#issue-progress:has-text("正在向 2 台摄像机下发配置")');
  assert.deepEqual((await p.state()).issue.cameras, ['ORX-201_1', 'ORX-203_2']);
  await p.shot('issuing');
  await p.release(call);
  await p.page.waitForSelector('#result-summary:has-text("成功 1 台，失败 1 台")');
  await p.shot('results');
  assert.equal(await p.page.textContent('[data-key="ORX-203_2"] [data-testid=fail-num]'), '10');
  assert.match(await p.page.textContent('[data-testid=result-row][data-key="ORX-203_2"]'), /wifi配置\s*网络异常/);
  // An answer without causes or checks reads as before: plain marks, no re-read flags.
  assert.equal(await p.page.locator('[data-testid=item-check]').count(), 0);
  const titles = p.find('changeTitle').map((c) => c.args[0]);
  assert.deepEqual(titles.slice(-2), ['批量配置 - 正在下发', '批量配置 - 下发结果']);

  const [download] = await Promise.all([p.page.waitForEvent('download'), p.page.click('#export-csv')]);
  const csv = fs.readFileSync(await download.path(), 'utf8');
  assert.match(download.suggestedFilename(), /^下发结果_\d{8}_\d{6}\.csv$/);
  const lines = csv.replace(/^\ufeff/, '').trimEnd().split('\r\n');
  assert.equal(lines[0], '摄像机名称,序列号,通道,失败数,配置项,结果,详细信息,失败原因,复核');
  assert.equal(lines.length, 1 + 2 * 10);
  assert.ok(lines.includes('岗亭,ORX-203,2,10,wifi配置,失败,网络异常,,'));
  assert.ok(lines.includes('停车场入口,ORX-201,1,0,图像显示,成功,OK,,'));

  await p.page.click('#retry-failed');
  const retry = await p.waitCall('IssuedConfigToCameras', () => true, 2);
  assert.deepEqual(JSON.parse(retry.args[0]).map((c) => c.serial), ['ORX-203']);
  assert.equal(retry.args[1], call.args[1]);
  await p.send('7', JSON.stringify([{ device: { serial: 'ORX-203', channelNo: 2, deviceName: '=HYPERLINK("x")' }, failNum: 1,
    syncInfo: [{ isSuccess: false, moreInfo: '超时, "重试"', itemName: '通用配置' }] }]));
  await p.page.waitForSelector('#result-summary:has-text("共 1 台")');
  const [again] = await Promise.all([p.page.waitForEvent('download'), p.page.click('#export-csv')]);
  assert.equal(fs.readFileSync(await again.path(), 'utf8').split('\r\n')[1],
    '"\'=HYPERLINK(""x"")",ORX-203,2,1,通用配置,失败,"超时, ""重试""",,');
  await p.send('7', '[]'); // a second answer to the finished issue
  assert.equal((await p.state()).results.rows.length, 1);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('a broken or empty result marks every camera unknown and retryable', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
  await issueTo(p, ['ORX-201_1', 'ORX-203_2']);
  await p.send('7', '[{"device": {"serial": "ORX-201"');
  await p.page.waitForSelector('#result-error:has-text("下发结果格式错误")');
  let rows = (await p.state()).results.rows;
  assert.deepEqual(rows.map((r) => [r.key, r.missing, r.failed]), [['ORX-201_1', true, true], ['ORX-203_2', true, true]]);
  await p.page.click('#retry-failed');
  assert.equal(JSON.parse((await p.waitCall('IssuedConfigToCameras', () => true, 2)).args[0]).length, 2);
  // An answer that names only one camera leaves the other one unknown.
  await p.send('7', JSON.stringify([{ device: { serial: 'ORX-203', channelNo: 2 }, failNum: 1, syncInfo: null }]));
  await p.page.waitForSelector('[data-testid=result-row][data-key="ORX-201_1"]:has-text("未返回结果")');
  rows = (await p.state()).results.rows;
  assert.deepEqual(rows.map((r) => [r.key, r.failed]), [['ORX-203_2', true], ['ORX-201_1', true]]);
  await p.close();
});

const progressAnswer = (serial, done, failNum, total = 3) => JSON.stringify({ done, total, serial, channelNo: 1, failNum });
const rowStatuses = (p) => p.page.$$eval('[data-testid=result-row]', (rows) => rows.map((r) => [r.dataset.key, r.dataset.status]));

test('progress answers fill the rows and the bar in finishing order; stray progress is ignored', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
  await p.waitQuery('9');
  await p.send('12', progressAnswer('ORX-101', 1, 0)); // no issue running
  assert.equal((await p.state()).ignoredAnswers, 1);
  const call = await issueTo(p, ['ORX-101_1', 'ORX-102_1', 'ORX-103_1'], 'g-lobby');
  await p.page.waitForSelector('#issue-progress-text:has-text("已完成 0 / 3")');
  assert.deepEqual(await rowStatuses(p), [['ORX-101_1', 'waiting'], ['ORX-102_1', 'waiting'], ['ORX-103_1', 'waiting']]);

  await p.send('12', progressAnswer('ORX-103', 1, 2));
  await p.page.waitForSelector('#issue-progress-text:has-text("已完成 1 / 3")');
  assert.equal(await p.page.$eval('#issue-progress-bar', (b) => [b.value, b.max].join('/')), '1/3');
  assert.equal(await p.page.textContent('[data-key="ORX-103_1"] [data-testid=fail-num]'), '2');
  await p.send('12', progressAnswer('ORX-201', 2, 0)); // a camera outside this issue
  await p.send('12', '{"done": 2');
  await p.send('12', progressAnswer('ORX-101', 2, 0));
  await p.page.waitForSelector('#issue-progress-text:has-text("已完成 2 / 3")');
  await p.send('12', progressAnswer('ORX-101', 1, 0)); // a repeated camera never moves the count back
  await p.shot('issue-progress');
  let s = await p.state();
  assert.equal(s.ignoredAnswers, 3);
  assert.deepEqual([s.issue.done, s.issue.total], [2, 3]);
  assert.deepEqual(s.issue.rows, [{ key: 'ORX-101_1', status: 'done', failNum: 0 },
    { key: 'ORX-102_1', status: 'waiting', failNum: null }, { key: 'ORX-103_1', status: 'failed', failNum: 2 }]);
  assert.equal(s.title, '批量配置 - 正在下发');

  // The final answer replaces the progress rows with the item results; later progress is stray.
  await p.release(call);
  await p.page.waitForSelector('#result-summary');
  assert.equal(await p.page.locator('[data-testid=result-item]').count(), 3 * 10);
  await p.send('12', progressAnswer('ORX-102', 3, 0));
  s = await p.state();
  assert.equal(s.ignoredAnswers, 4);
  assert.equal(s.issue, null);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('failure causes in Chinese, unverified and unchecked items: shown, counted, exported, retried', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
  const call = await issueTo(p, ['ORX-101_1', 'ORX-102_1', 'ORX-103_1'], 'g-lobby');
  const entry = (serial, syncInfo) => ({ device: { serial, channelNo: 1, deviceName: serial },
    failNum: syncInfo.filter((i) => !i.isSuccess).length, syncInfo });
  const ok = (itemName, verified) => ({ isSuccess: true, moreInfo: 'OK', itemName, ...(verified === undefined ? {} : { verified }) });
  const causes = ['unreachable', 'auth', 'refused', 'timeout', 'camera', 'readFailed', 'serialMismatch', 'unsupported', 'quota'];
  await p.send('7', JSON.stringify([
    entry('ORX-101', [ok('通用配置', true), ok('图像设置', false), ok('宽动态配置')]),
    entry('ORX-102', causes.map((cause, n) => ({ isSuccess: false, moreInfo: cause === 'auth' ? '网络异常' : `设备消息${n}`, itemName: `项${n}`, cause }))),
    entry('ORX-103', [ok('通用配置', true), ok('图像设置')]),
  ]));
  await p.page.waitForSelector('#result-summary');
  assert.deepEqual(await p.page.$$eval('[data-key="ORX-102_1"] [data-testid=item-cause]', (l) => l.map((e) => e.textContent)),
    ['无法连接', '密码错误', '设备拒绝登录', '设备响应超时', '设备拒绝该值：设备消息4', '读取配置失败', '设备序列号不符',
      '设备不支持', '设备消息8']);
  assert.deepEqual(await p.page.$$eval('[data-key="ORX-101_1"] [data-testid=result-item]',
    (l) => l.map((e) => [e.dataset.status, e.querySelector('.mark').textContent, e.querySelector('[data-testid=item-check]')?.textContent])),
  [['verified', '✓', undefined], ['unverified', '!', '已接受但未保存'], ['unchecked', '✓', '未复核']]);
  assert.match(await p.page.textContent('#result-summary'), /成功 1 台，失败 1 台，未保存 1 台（1 项已接受但未保存），2 项未复核/);
  // Failed cameras first, then unsaved ones.
  assert.deepEqual(await rowStatuses(p), [['ORX-102_1', 'failed'], ['ORX-101_1', 'unverified'], ['ORX-103_1', 'ok']]);
  await p.shot('results-checks');
  const rows = (await p.state()).results.rows;
  assert.deepEqual(rows.map((r) => [r.failed, r.unverified]), [[false, true], [true, false], [false, false]]);
  assert.deepEqual(rows[0].items.map((i) => i.verified), [true, false, null]);
  assert.equal(rows[1].items[4].cause, 'camera');

  const [download] = await Promise.all([p.page.waitForEvent('download'), p.page.click('#export-csv')]);
  const lines = fs.readFileSync(await download.path(), 'utf8').split('\r\n');
  for (const line of ['ORX-101,ORX-101,1,0,图像设置,成功,OK,,已接受但未保存', 'ORX-101,ORX-101,1,0,宽动态配置,成功,OK,,未复核',
    'ORX-101,ORX-101,1,0,通用配置,成功,OK,,已复核', 'ORX-102,ORX-102,1,9,项4,失败,设备消息4,设备拒绝该值,',
    'ORX-102,ORX-102,1,9,项1,失败,网络异常,密码错误,', 'ORX-102,ORX-102,1,9,项8,失败,设备消息8,,']) {
    assert.ok(lines.includes(line), line);
  }
  // The camera that did not keep a value is issued again with the failed one; the unchecked one is not.
  await p.page.click('#retry-failed');
  const retry = await p.waitCall('IssuedConfigToCameras', () => true, 2);
  assert.deepEqual(JSON.parse(retry.args[0]).map((c) => c.serial), ['ORX-101', 'ORX-102']);
  assert.equal(retry.args[1], call.args[1]);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('a camera whose password is unconfirmed is checked before it is used', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'CheckDevPassword' });
  await p.page.click('[data-group-id="g-yard"]');
  await p.page.click('[data-key="ORX-202_1"] [data-testid=open-config]');
  await p.page.waitForSelector('#password-dialog');
  await p.page.click('#password-ok');
  await p.page.waitForSelector('#password-error:has-text("请输入密码")');
  await p.page.fill('#password-input', 'wrong');
  await p.page.click('#password-ok');
  const first = await p.waitCall('CheckDevPassword');
  assert.equal(JSON.parse(first.args[0]).passwd, 'wrong');
  assert.equal(await p.page.isDisabled('#password-ok'), true);
  await p.send('11', JSON.stringify({ serial: 'ORX-201', channelNo: 1, result: true })); // another camera
  await p.release(first);
  await p.page.waitForSelector('#password-error:has-text("密码错误")');
  await p.page.fill('#password-input', 'yard-pass');
  await p.page.press('#password-input', 'Enter');
  await p.send('11', '');
  await p.page.waitForSelector('#password-error:has-text("密码校验失败")');
  await p.page.click('#password-ok');
  await p.release(await p.waitCall('CheckDevPassword', () => true, 3));
  await p.page.waitForSelector('#password-dialog', { state: 'detached' });
  const read = await p.waitCall('queryOrvexInfo', (a) => a[0] === '3' && a[1].includes('ORX-202'));
  assert.equal(JSON.parse(read.args[1]).passwd, 'yard-pass');
  await p.page.waitForSelector('#source-camera[data-key="ORX-202_1"]');
  assert.equal((await p.state()).view, 'config');
  // "验证并配置" made it a target too; confirmed once, it is chosen again without asking.
  assert.deepEqual((await p.state()).targets, ['ORX-202_1']);
  await p.page.click('#nav-cameras');
  await p.page.waitForSelector('[data-testid=camera-row][data-key="ORX-202_1"]:has-text("已验证")');
  await p.page.click('[data-key="ORX-202_1"] [data-testid=target-check]');
  assert.deepEqual((await p.state()).targets, []);
  await p.page.click('[data-key="ORX-202_1"] [data-testid=target-check]');
  assert.deepEqual((await p.state()).targets, ['ORX-202_1']);
  assert.equal(p.find('CheckDevPassword').length, 3);
  await p.close();
});
