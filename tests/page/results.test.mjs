// Results an installer can act on: a two-call item failed in either step, 失败数 as shown,
// failures first and "只看失败", the passes of the session, and the backups with their restore.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { usePages } from './support/harness.mjs';
import { makeWorld } from './support/world.mjs';

const openPage = usePages();

async function issueTo(p, keys) {
  await p.waitQuery('9');
  for (const key of keys) await p.page.click(`[data-key="${key}"] [data-testid=target-check]`);
  await p.page.click('#go-config');
  await p.page.check('#whole-defence');
  await p.page.click('#issue-selected');
  await p.page.click('#confirm-ok');
  return p.waitCall('IssuedConfigToCameras');
}

const entry = (serial, failNum, syncInfo, channelNo = 1) => ({ device: { serial, channelNo, deviceName: serial }, failNum, syncInfo });
const step = (isSuccess, moreInfo, extra = {}) => ({ isSuccess, moreInfo, ...extra });
const itemTexts = (p, key) => p.page.$$eval(`[data-key="${key}"] [data-testid=result-item]`,
  (l) => l.map((e) => [e.dataset.status, e.textContent]));

test('a refused step fails its item with the camera words; 失败数 counts what is marked; passes are kept', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n) => n === 'IssuedConfigToCameras' });
  await issueTo(p, ['ORX-101_1', 'ORX-102_1', 'ORX-103_1']);
  await p.send('7', JSON.stringify([
    entry('ORX-101', 0, [{ ...step(true, '成功', { verified: true }), itemName: '布撤防计划',
      steps: [step(true, '成功', { verified: true }), step(true, '成功', { verified: true })] }]),
    // The entry reports its last (accepted) call; the refused motion step shows only in "steps".
    entry('ORX-102', 1, [{ ...step(true, '成功', { verified: true }), itemName: '布撤防计划',
      steps: [step(false, '移动侦测灵敏度超出范围（1-5）', { cause: 'camera' }), step(true, '成功', { verified: true })] }]),
    // Two failures counted, one entry: the page adds an entry for the one it cannot see.
    entry('ORX-103', 2, [{ ...step(false, '网络异常', { cause: 'unreachable' }), itemName: '布撤防计划' }]),
  ]));
  await p.page.waitForSelector('#result-summary:has-text("成功 1 台，失败 2 台")');
  await p.shot('results-refused-step');
  assert.deepEqual(await itemTexts(p, 'ORX-102_1'), [['failed', '✗布撤防计划设备拒绝该值：移动侦测灵敏度超出范围（1-5）']]);
  assert.equal(await p.page.textContent('[data-key="ORX-102_1"] [data-testid=fail-num]'), '1');
  assert.equal((await itemTexts(p, 'ORX-103_1')).length, 2);
  assert.equal(await p.page.textContent('[data-key="ORX-103_1"] [data-testid=fail-num]'), '2');
  const rows = (await p.state()).results.rows;
  for (const row of rows) assert.equal(row.failNum, row.items.filter((i) => i.status === 'failed').length);
  // Failed cameras first; "只看失败" hides the rest.
  const keys = () => p.page.$$eval('[data-testid=result-row]', (l) => l.map((r) => r.dataset.key));
  assert.deepEqual(await keys(), ['ORX-102_1', 'ORX-103_1', 'ORX-101_1']);
  await p.page.check('#only-failed');
  assert.deepEqual(await keys(), ['ORX-102_1', 'ORX-103_1']);

  // A retry is a new pass; the first stays one click away and is what export writes.
  await p.page.click('#retry-failed');
  const retry = await p.waitCall('IssuedConfigToCameras', () => true, 2);
  assert.deepEqual(JSON.parse(retry.args[0]).map((c) => c.serial), ['ORX-102', 'ORX-103']);
  await p.send('7', JSON.stringify([entry('ORX-102', 0, [{ ...step(true, '成功', { verified: true }), itemName: '布撤防计划' }]),
    entry('ORX-103', 0, [{ ...step(true, '成功', { verified: true }), itemName: '布撤防计划' }])]));
  await p.page.waitForSelector('[data-testid=pass-tab][data-pass="2"].active');
  let s = await p.state();
  assert.deepEqual(s.passes.map((x) => [x.number, x.cameras, x.failed]), [[1, 3, 2], [2, 2, 0]]);
  await p.page.click('[data-testid=pass-tab][data-pass="1"]');
  await p.page.click('#export-csv');
  s = await p.state();
  assert.equal(s.shownPass, 0);
  assert.match(s.lastCsv, /ORX-102,ORX-102,1,1,布撤防计划,失败,移动侦测灵敏度超出范围（1-5）,设备拒绝该值,/);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('backups are listed; a restore of the failed cameras runs like an issue and shows its error plainly', async () => {
  const world = makeWorld();
  world.backups = [{ id: '20261206-043000-7', when: '2026-12-06 04:30:00', kind: 'issue', items: ['布撤防计划', '图像设置'],
    cameras: [{ serial: 'ORX-101', channelNo: 1, name: '一号楼-1', items: ['布撤防计划', '图像设置'], failNum: 0 },
      { serial: 'ORX-203', channelNo: 2, name: '岗亭', items: ['布撤防计划'], failNum: 1 }] }];
  const p = await openPage({ world, hold: (n, a) => n === 'queryOrvexInfo' && a[0] === '22' });
  await p.waitQuery('4');
  await p.page.click('#nav-result');
  await p.page.click('#backup-refresh');
  await p.page.waitForSelector('[data-testid=backup-pass]:has-text("2 台摄像机，1 台有失败项")');
  assert.match(await p.page.textContent('[data-testid=backup-items]'), /写入：布撤防计划、图像设置/);
  await p.page.click('[data-testid=restore-failed]');
  await p.page.click('#ask-ok');
  const call = await p.waitQuery('22');
  const asked = JSON.parse(call.args[1]);
  assert.equal(asked.passId, '20261206-043000-7');
  assert.deepEqual(asked.cameras.map((c) => [c.serial, c.devip, c.passwd]), [['ORX-203', '192.168.1.203', 'abc12345']]);
  await p.send('12', JSON.stringify({ done: 1, total: 1, serial: 'ORX-203', channelNo: 2, failNum: 1 }));
  await p.page.waitForSelector('#issue-progress-text:has-text("已完成 1 / 1")');
  await p.send('16', JSON.stringify({ passId: '20261206-043000-7', error: '备份不存在或已损坏：ORX-203_2',
    camerasSyncInfo: [entry('ORX-203', 1, [{ isSuccess: false, moreInfo: '', cause: 'backupMissing', itemName: '布撤防计划' }], 2)] }));
  await p.page.waitForSelector('#result-error:has-text("备份不存在或已损坏：ORX-203_2")');
  assert.match(await p.page.textContent('[data-key="ORX-203_2"] [data-testid=item-cause]'), /备份不存在或已损坏/);
  const s = await p.state();
  assert.deepEqual([s.results.kind, s.results.rows[0].failNum], ['restore', 1]);
  await p.send('16', JSON.stringify({ passId: 'x', error: 'late' })); // nothing running
  assert.equal((await p.state()).ignoredAnswers, 1);
  assert.deepEqual(p.errors, []);
  await p.close();
});
