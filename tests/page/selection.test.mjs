// Selection at scale: search across every group, the whole group across pages, one password
// checked against many cameras with each result shown, the search box kept while typing.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { usePages } from './support/harness.mjs';
import { makeWorld, camera } from './support/world.mjs';

const openPage = usePages();


test('search by name, IP or serial across groups; typing is not interrupted by redraws', async () => {
  const p = await openPage({ world: makeWorld() });
  await p.page.waitForSelector('[data-key="ORX-101_1"]');
  await p.page.click('#camera-search');
  await p.page.keyboard.type('停车场');
  assert.equal(await p.page.inputValue('#camera-search'), '停车场');
  assert.deepEqual((await p.rowKeys()).sort(), ['ORX-201_1', 'ORX-202_1']);
  await p.page.fill('#camera-search', '192.168.1.203');
  assert.deepEqual(await p.rowKeys(), ['ORX-203_2']);
  await p.page.fill('#camera-search', 'orx-12');
  assert.deepEqual(await p.rowKeys(), ['ORX-120_1', 'ORX-121_1', 'ORX-122_1', 'ORX-123_1', 'ORX-124_1', 'ORX-125_1']);
  // The header box chooses every match, not only the shown page.
  await p.page.fill('#camera-search', '一号楼');
  await p.page.click('#select-group');
  assert.equal((await p.state()).targets.length, 25);
  await p.close();
});

test('the header box chooses the whole group across pages; one password for the locked ones', async () => {
  const world = makeWorld();
  world.groups[0].cameras.push(camera('ORX-126', '一号楼-26', { CheckPassword: true, passwd: '' }),
    camera('ORX-127', '一号楼-27', { CheckPassword: true, passwd: '' }));
  world.passwords['ORX-126_1'] = 'same-pass';
  const p = await openPage({ world, hold: (n) => n === 'CheckDevPassword' });
  await p.page.waitForSelector('[data-key="ORX-101_1"]');
  await p.page.click('#select-group');
  const whole = await p.waitCall('queryOrvexInfo', (a) => a[0] === '2' && JSON.parse(a[1]).pageSize === 27);
  assert.equal(JSON.parse(whole.args[1]).camerasPageNum, 1);
  await p.page.waitForSelector('[data-testid=pending-item][data-key="ORX-127_1"]');
  let s = await p.state();
  assert.equal(s.targets.length, 25);
  assert.deepEqual(s.pending, ['ORX-126_1', 'ORX-127_1']);
  assert.equal(await p.page.isChecked('#select-group'), true);

  await p.page.click('#verify-pending');
  await p.page.fill('#password-many-input', 'same-pass');
  await p.page.click('#password-many-ok');
  const first = await p.waitCall('CheckDevPassword');
  assert.equal(p.find('CheckDevPassword').length, 1); // one camera at a time
  await p.release(first);
  await p.release(await p.waitCall('CheckDevPassword', () => true, 2));
  await p.page.waitForSelector('[data-testid=password-many-row][data-key="ORX-127_1"][data-status=failed]:has-text("密码错误")');
  assert.equal(await p.page.getAttribute('[data-testid=password-many-row][data-key="ORX-126_1"]', 'data-status'), 'ok');
  s = await p.state();
  assert.deepEqual([s.targets.length, s.pending], [26, ['ORX-127_1']]);
  assert.equal(JSON.parse(p.find('CheckDevPassword')[1].args[0]).passwd, 'same-pass');
  await p.page.click('#password-many-cancel');
  // Unticking the header drops the whole group, pending ones included.
  await p.page.click('#select-group');
  s = await p.state();
  assert.deepEqual([s.targets.length, s.pending.length], [0, 0]);
  await p.close();
});
