// Issuing and its results: progress, the result table, retrying only the failed cameras, the
// CSV export, broken result answers, and the password prompt for unconfirmed cameras.

import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { startServer, launch, openPage } from './support/harness.mjs';
import { makeWorld } from './support/world.mjs';

let server;
let browser;
before(async () => { server = await startServer(); browser = await launch(); });
after(async () => { await browser.close(); await server.close(); });

async function issueTo(p, keys, group = 'g-yard') {
  await p.waitCall('queryOrvexInfo', (a) => a[0] === '9');
  await p.page.click(`[data-group-id="${group}"]`);
  for (const key of keys) await p.page.click(`[data-key="${key}"] [data-testid=target-check]`);
  await p.page.click('#go-config');
  await p.page.click('#sections-all'); // every section except Wi-Fi is chosen at start: this adds Wi-Fi
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  return p.waitCall('IssuedConfigToCameras');
}

test('progress, results, retry of the failed cameras only, CSV export and the title', async () => {
  const p = await openPage(browser, server, { world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
  const call = await issueTo(p, ['ORX-201_1', 'ORX-203_2']);
  await p.page.waitForSelector('#issue-progress:has-text("正在向 2 台摄像机下发配置")');
  assert.deepEqual((await p.state()).issue.cameras, ['ORX-201_1', 'ORX-203_2']);
  await p.shot('issuing');
  await p.release(call);
  await p.page.waitForSelector('#result-summary:has-text("成功 1 台，失败 1 台")');
  await p.shot('results');
  assert.equal(await p.page.textContent('[data-key="ORX-203_2"] [data-testid=fail-num]'), '10');
  assert.match(await p.page.textContent('[data-testid=result-row][data-key="ORX-203_2"]'), /wifi配置\s*网络异常/);
  const titles = p.find('changeTitle').map((c) => c.args[0]);
  assert.deepEqual(titles.slice(-2), ['批量配置 - 正在下发', '批量配置 - 下发结果']);

  const [download] = await Promise.all([p.page.waitForEvent('download'), p.page.click('#export-csv')]);
  const csv = fs.readFileSync(await download.path(), 'utf8');
  assert.match(download.suggestedFilename(), /^下发结果_\d{8}_\d{6}\.csv$/);
  const lines = csv.replace(/^\ufeff/, '').trimEnd().split('\r\n');
  assert.equal(lines[0], '摄像机名称,序列号,通道,失败数,配置项,结果,详细信息');
  assert.equal(lines.length, 1 + 2 * 10);
  assert.ok(lines.includes('岗亭,ORX-203,2,10,wifi配置,失败,网络异常'));
  assert.ok(lines.includes('停车场入口,ORX-201,1,0,图像显示,成功,OK'));

  await p.page.click('#retry-failed');
  const retry = await p.waitCall('IssuedConfigToCameras', () => true, 2);
  assert.deepEqual(JSON.parse(retry.args[0]).map((c) => c.serial), ['ORX-203']);
  assert.equal(retry.args[1], call.args[1]);
  await p.send('7', JSON.stringify([{ device: { serial: 'ORX-203', channelNo: 2, deviceName: '=HYPERLINK("x")' }, failNum: 1,
    syncInfo: [{ isSuccess: false, moreInfo: '超时, "重试"', itemName: '通用配置' }] }]));
  await p.page.waitForSelector('#result-summary:has-text("共 1 台")');
  const [again] = await Promise.all([p.page.waitForEvent('download'), p.page.click('#export-csv')]);
  assert.equal(fs.readFileSync(await again.path(), 'utf8').split('\r\n')[1],
    '"\'=HYPERLINK(""x"")",ORX-203,2,1,通用配置,失败,"超时, ""重试"""');
  await p.send('7', '[]'); // a second answer to the finished issue
  assert.equal((await p.state()).results.rows.length, 1);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('a broken or empty result marks every camera unknown and retryable', async () => {
  const p = await openPage(browser, server, { world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
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

test('a camera whose password is unconfirmed is checked before it is used', async () => {
  const p = await openPage(browser, server, { world: makeWorld(), hold: (n) => n === 'CheckDevPassword' });
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
  // Confirmed once, the camera is chosen as a target without asking again and issued with it.
  await p.page.click('#nav-cameras');
  await p.page.waitForSelector('[data-testid=camera-row][data-key="ORX-202_1"]:has-text("已验证")');
  await p.page.click('[data-key="ORX-202_1"] [data-testid=target-check]');
  assert.deepEqual((await p.state()).targets, ['ORX-202_1']);
  assert.equal(p.find('CheckDevPassword').length, 3);
  await p.close();
});
