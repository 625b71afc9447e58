// Camera lists: the start-up queries, paging calls, all cameras by origin, targets across
// groups, and answers that come late, twice, empty, malformed or for a request no longer wanted.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { usePages, query } from './support/harness.mjs';
import { makeWorld } from './support/world.mjs';

const openPage = usePages();


test('start-up asks for groups, all cameras and the current camera, then pages through a group', async () => {
  const p = await openPage({ world: makeWorld() });
  await p.waitQuery('2');
  assert.deepEqual(p.calls.slice(0, 3).map((c) => c.args[0]), ['1', '4', '5']);
  assert.deepEqual(JSON.parse(p.find('queryOrvexInfo', (a) => a[0] === '2')[0].args[1]),
    { groupId: 'g-lobby', camerasPageNum: 1, pageSize: 10 });
  assert.deepEqual(p.find('changeTitle').map((c) => c.args[0]), ['批量配置 - 摄像机列表']);

  await p.page.waitForSelector('[data-key="ORX-110_1"]');
  assert.equal((await p.rowKeys()).length, 10);
  assert.match(await p.page.getAttribute('[data-key="ORX-102_1"]', 'class'), /is-current/);
  await p.shot('cameras');

  await p.page.click('#page-next');
  const second = await p.waitQuery('2', 2);
  assert.deepEqual(JSON.parse(second.args[1]), { groupId: 'g-lobby', camerasPageNum: 2, pageSize: 10 });
  await p.page.waitForSelector('#page-info:has-text("第 2 / 3 页")');

  await p.page.selectOption('#page-size', '20');
  const resized = await p.waitQuery('2', 3);
  assert.deepEqual(JSON.parse(resized.args[1]), { groupId: 'g-lobby', camerasPageNum: 1, pageSize: 20 });
  await p.page.click('#page-next');
  await p.page.waitForSelector('#page-info:has-text("第 2 / 2 页")');
  assert.deepEqual(await p.rowKeys(), ['ORX-121_1', 'ORX-122_1', 'ORX-123_1', 'ORX-124_1', 'ORX-125_1']);

  await p.page.click('#group-all');
  await p.page.click('#origin-local');
  await p.page.waitForSelector('#origin-local.active');
  assert.equal(await p.page.textContent('#origin-platform'), '平台摄像机（9）');
  assert.equal((await p.rowKeys()).length, 19);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('a page answer for a group no longer shown is dropped and an empty one is reported', async () => {
  const p = await openPage({ world: makeWorld(), hold: query('2') });
  const first = await p.waitQuery('2');
  await p.page.click('[data-group-id="g-yard"]');
  // The yard page waits until the lobby request is answered: answers name no page.
  assert.equal(p.find('queryOrvexInfo', (a) => a[0] === '2').length, 1);
  await p.send('2', JSON.stringify({ groupId: 'g-yard', groupDevNum: 3, cameraLst: [] }));
  await p.release(first);
  const yard = await p.waitQuery('2', 2);
  assert.equal(JSON.parse(yard.args[1]).groupId, 'g-yard');
  assert.equal((await p.state()).page.loading, true);
  await p.release(yard);
  await p.release(yard); // the same answer twice changes nothing
  await p.page.waitForSelector('[data-key="ORX-203_2"]');
  assert.deepEqual(await p.rowKeys(), ['ORX-201_1', 'ORX-202_1', 'ORX-203_2']);

  await p.page.click('[data-group-id="g-store"]');
  await p.waitQuery('2', 3);
  await p.send('2', '');
  await p.page.waitForSelector('#camera-status:has-text("未能读取该分组的摄像机")');
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('malformed, empty and unexpected answers leave the page working', async () => {
  const p = await openPage({ world: makeWorld(), hold: (n, a) => query('1')(n, a) || query('4')(n, a) });
  await p.waitQuery('4');
  await p.send('1', '{"groupInfo": [');
  await p.page.waitForSelector('text=分组信息格式错误');
  await p.send('4', 'not json');
  await p.send('4', '{"platformCameraLst": null, "localCameraLst": [{"serial": 7}, {"serial": "L-1", "port": "x"}, 3]}');
  await p.send('6', '{}');
  await p.send('99', 'x');
  await p.send('7', '[]'); // no issue is running
  await p.send('1', JSON.stringify({ groupInfo: [{ groupName: 5, groupId: 'g-1', cameraLst: null }, null, { groupId: '' }] }));
  await p.page.waitForSelector('[data-group-id="g-1"]');
  const s = await p.state();
  assert.deepEqual(s.groups, [{ groupId: 'g-1', groupName: '5', groupDevNum: 0 }]);
  assert.deepEqual(s.allCameras.local, ['7_0', 'L-1_0']);
  assert.equal(s.ignoredAnswers, 3);
  assert.deepEqual(p.errors, []);
  await p.close();
});

test('targets are kept across groups and pages; cameras needing a password are held back', async () => {
  const p = await openPage({ world: makeWorld() });
  await p.page.waitForSelector('[data-key="ORX-101_1"]');
  await p.page.click('[data-key="ORX-101_1"] [data-testid=target-check]');
  await p.page.click('#page-next');
  await p.page.waitForSelector('[data-key="ORX-111_1"]');
  await p.page.click('[data-key="ORX-111_1"] [data-testid=target-check]');
  await p.page.click('[data-group-id="g-yard"]');
  await p.page.waitForSelector('[data-key="ORX-201_1"]');
  await p.page.click('#select-page');
  await p.page.waitForSelector('[data-testid=toast]:has-text("1 台摄像机需要先验证密码")');
  assert.deepEqual((await p.state()).targets, ['ORX-101_1', 'ORX-111_1', 'ORX-201_1', 'ORX-203_2']);
  await p.page.click('[data-testid=target-item][data-key="ORX-111_1"] [data-testid=target-remove]');
  await p.page.click('[data-group-id="g-lobby"]');
  await p.page.waitForSelector('[data-key="ORX-101_1"].is-chosen');
  assert.equal(await p.page.textContent('#target-count'), '3');
  await p.close();
});

test('without the bridge the page says so instead of failing', async () => {
  const p = await openPage({ bridge: false });
  await p.page.waitForSelector('#bridge-missing:not([hidden])');
  assert.match(await p.page.textContent('#bridge-missing'), /queryOrvexInfo/);
  await p.page.click('#nav-config');
  await p.page.click('#issue-selected');
  await p.page.waitForSelector('#issue-problems:has-text("客户端接口不可用")');
  await p.page.evaluate(() => window.SetMsgToH5('1', JSON.stringify({ groupInfo: [{ groupName: '甲', groupId: 'a', groupDevNum: 1 }] })));
  await p.page.click('#save-config-name');
  assert.equal((await p.state()).groups.length, 1);
  // A bridge bound late is still found and used.
  await p.page.evaluate(() => {
    window.asked = [];
    for (const n of ['changeTitle', 'queryOrvexInfo', 'IssuedConfigToCameras', 'IssuedSingleCfgToCameras',
      'IssuedConfigName', 'CheckDevPassword']) window[n] = (...args) => { window.asked.push([n, ...args]); };
  });
  await p.page.waitForSelector('#bridge-missing', { state: 'hidden' });
  assert.deepEqual(await p.page.evaluate(() => window.asked.slice(0, 3)), [['queryOrvexInfo', '1', ''], ['queryOrvexInfo', '4', ''], ['queryOrvexInfo', '5', '']]);
  assert.deepEqual(p.errors, []);
  await p.close();
});
