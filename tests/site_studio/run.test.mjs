// orvex-studio run as a site uses it: two device-protocol lab cameras added by hand and an ONVIF
// lab camera found by scan, then `run` with the real tool offscreen. The page, driven as a
// person would, shows the inventory's group, issues a colour setting to all three cameras and
// saves a configuration name, which the studio records in the inventory. SIGINT (Ctrl-C) then
// ends the tool and every process it started.

import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { Child, waitUntil } from '../e2e/lib/processes.mjs';
import { connectPage } from '../e2e/lib/cdp.mjs';
import { freePort } from '../e2e/lib/page_server.mjs';
import { tempDir } from '../e2e/lib/program.mjs';
import { Page } from '../e2e_page/lib/page.mjs';
import { readRow } from '../e2e_page/lib/results.mjs';

const studioPath = process.env.ORVEX_STUDIO;
const PASSWORD = 'site-pw1';
const NAME = '大厅 "标准", 配置';

test('run: the page issues to lab cameras of both kinds, the name comes back, Ctrl-C ends everything', async () => {
  const dir = tempDir('orvex-studio-run-');
  // The inventory and the tool's backups stay in the test's folder.
  const env = { ...process.env, XDG_CONFIG_HOME: path.join(dir, 'config'), XDG_DATA_HOME: path.join(dir, 'data') };
  const studio = (...args) => execFileSync(studioPath, args, { env, encoding: 'utf8' });
  const lab = new Child('lab', process.env.ORVEX_LAB, ['cameras', '--state', path.join(dir, 'lab'), '--no-sync',
    '--camera', `serial=DEV1,address=127.0.0.1,port=0,password=${PASSWORD},name=门口`,
    '--camera', `serial=DEV2,address=127.0.0.1,port=0,password=${PASSWORD}`,
    '--camera', `kind=onvif,serial=ONV1,address=127.0.0.1,port=0,password=${PASSWORD},discovery`]);
  let run;
  try {
    await lab.waitForEvent({ event: 'ready' });
    const port = (serial) => lab.events.find((e) => e.event === 'camera' && e.serial === serial).port;
    studio('add', '--serial', 'DEV1', '--address', '127.0.0.1', '--port', `${port('DEV1')}`, '--protocol', 'device',
      '--password', PASSWORD, '--name', '门口', '--group', '一号楼大厅');
    studio('add', '--serial', 'DEV2', '--address', '127.0.0.1', '--port', `${port('DEV2')}`, '--protocol', 'device',
      '--password', PASSWORD, '--group', '一号楼大厅');
    assert.match(studio('scan', '--password', PASSWORD, '--wait', '2', '--group', '一号楼大厅'), /new: ONV1 /);

    const debugPort = await freePort();
    run = new Child('studio', studioPath, ['run', '--camera', 'ONV1'], {
      env: { ...env, QT_QPA_PLATFORM: 'offscreen', QTWEBENGINE_DISABLE_SANDBOX: '1',
        QTWEBENGINE_REMOTE_DEBUGGING: `127.0.0.1:${debugPort}` },
    });
    const page = await Page.open({ connect: (options) => connectPage(debugPort, options) });
    let s = await page.state();
    assert.deepEqual(s.groups.map((g) => [g.groupName, g.groupDevNum]), [['一号楼大厅', 3]]);
    assert.equal(s.currentCamera, 'ONV1_1');
    assert.deepEqual(new Set(s.page.cameras), new Set(['DEV1_1', 'DEV2_1', 'ONV1_1']));

    // Every camera of the group as a target, then the colour section of the current (ONVIF)
    // camera: the device-protocol cameras take all of its values, while the ONVIF driver has
    // no hue to take a device camera's.
    await page.click('#select-page');
    await page.waitState((x) => x.targets.length === 3, { what: 'the three cameras as targets' });
    await page.click('#go-config');
    await page.waitState((x) => x.source?.status === 'loaded' && x.source.rangeStatus === 'loaded',
      { what: "the current camera's configuration" });
    await page.type('#cfg-color-brightnessLevel', '61');
    await page.type('#config-name', NAME);
    await page.click('#save-config-name');
    await waitUntil(() => run.lines.includes(`configuration saved: ${NAME}`), { what: 'the saved name at the studio' });
    await page.click('#issue-only-color');
    s = await page.waitState((x) => x.confirming || x.issueProblems.length, { what: 'the confirmation' });
    assert.ok(s.confirming, `the page refused the issue: ${s.issueProblems}`);
    await page.click('#confirm-ok');
    s = await page.waitState((x) => !x.issue && x.results && !x.confirming, { timeoutMs: 60000, what: 'the results' });
    assert.deepEqual(new Set(s.results.rows.map((r) => r.key)), new Set(['DEV1_1', 'DEV2_1', 'ONV1_1']));
    for (const row of s.results.rows) {
      const colour = readRow(row).items.find((i) => i.itemName === '图像设置');
      assert.ok(colour?.isSuccess, `${row.key}: ${JSON.stringify(row)}`);
    }
    const from = lab.events.length;
    lab.send('config ONV1');
    const onvif = await lab.waitForEvent((e) => e.event === 'config', { from });
    assert.match(JSON.stringify(onvif.state), /"brightness":61\b/);

    // A camera chosen while the session runs reaches the tool: the page, which asks for the
    // current camera when it loads, shows it after a reload.
    run.send('camera DEV2');
    await waitUntil(() => run.lines.includes('current camera: DEV2'), { what: 'the camera sent' });
    await page.session.send('Page.reload');
    await page.waitState((x) => x.groupsStatus === 'loaded' && x.currentCamera === 'DEV2_1',
      { what: 'DEV2 as the current camera after a reload' });

    // The name is in the inventory; Ctrl-C asks the tool to quit, and nothing is left behind.
    assert.ok(studio('list').includes(`  ${NAME}  `), studio('list'));
    page.session.close();
    process.kill(run.pid, 'SIGINT');
    const exit = await run.waitExit(30000);
    assert.ok(exit, `orvex-studio did not end: ${run.lines.join('\n')}`);
    assert.equal(exit.code, 0, run.lines.join('\n'));
    assert.ok(run.lines.includes('stopping: the tool was told to quit'), run.lines.join('\n'));
    await waitUntil(() => run.survivors().length === 0, { what: 'every process of the session to end' });
  } finally {
    await run?.stop();
    await lab.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  }
});
