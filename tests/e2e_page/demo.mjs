// The demo without a display (scripts/demo): the lab world, the tool offscreen against it, and
// the reference page driven through a whole issue of a configuration to every camera of one
// group, the way a person would do it. Prints a summary per camera, checked against what the
// lab's cameras hold afterwards; exits 0 when every result row tells the truth.
//
// Environment: ORVEX_LAB, ORVEX_PROGRAM; ORVEX_DEMO_STATE (the world's state folder) and
// ORVEX_DEMO_SHOTS (where the screenshots go).

import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { Program, tempDir } from '../e2e/lib/program.mjs';
import { stopAllChildren } from '../e2e/lib/processes.mjs';
import { World } from './lib/world.mjs';
import { Page } from './lib/page.mjs';
import { checkRow, readRow, sentItems } from './lib/results.mjs';
import { onvifPass } from './lib/onvif_pass.mjs';

const GROUP = 'g-parking';  // seven cameras: one absent, one with a changed password, one unconfirmed
const PASSWORD = 'admin123';
const started = Date.now();
const say = (text) => console.log(`[${((Date.now() - started) / 1000).toFixed(1).padStart(5)} s] ${text}`);

async function shot(page, dir, name) {
  const deadline = Date.now() + 8000;
  while (Date.now() < deadline && await page.exists('[data-testid=toast]')) await new Promise((r) => setTimeout(r, 200));
  await page.scrollToTop();
  return page.screenshot(dir, name);
}

function reason(camera, row) {
  const r = readRow(row);
  if (row.missing) return 'no result came back';
  if (r.loginFailed) {
    const why = World.kind(camera) === 'absent' ? 'the camera is switched off (absent)'
      : World.kind(camera) === 'changed' ? "the camera's password was changed behind the studio's back" : 'unexpected';
    return `login failed, every item "${r.items[0].moreInfo}" — ${why}`;
  }
  const failed = r.items.filter((i) => !i.isSuccess);
  const parts = failed.map((i) => `${i.itemName}: ${i.moreInfo}`);
  if (r.hidden > 0) parts.push(`the motion detection step of 布撤防计划 was refused (the item itself shows ✓)`);
  return parts.length ? parts.join('; ') : '';
}

async function main() {
  const state = process.env.ORVEX_DEMO_STATE || tempDir('orvex-demo-world-');
  const shots = process.env.ORVEX_DEMO_SHOTS || path.join(os.tmpdir(), 'orvex-demo-screenshots');
  const dir = tempDir('orvex-demo-');
  let world;
  let program;
  try {
    world = await World.start({ state, statsHost: '127.0.0.9', args: ['--base-address', '127.0.1.1', '--camera-port', '8000'] });
    const r = world.ready;
    say(`lab world: ${r.cameras} cameras in ${r.groups} groups, studio ${r.studio}, page ${r.page}, ` +
        `statistics ${r.statistics || 'not recorded (port 80 needs root)'}`);
    program = await Program.start({ argument: r.argument, dir });
    const page = await Page.open(program);
    say(`the tool runs offscreen (pid ${program.pid}); the page shows ${(await page.state()).groups.length} groups`);

    await page.waitState((s) => s.source?.status === 'loaded' && s.source.rangeStatus === 'loaded' && s.source.wifiStatus === 'loaded',
      { what: "the current camera's configuration" });
    const sourceKey = (await page.state()).source.key;
    say(`configuration source: the studio's current camera ${sourceKey}`);

    // Every camera of the group: the page, then the camera whose password must be confirmed.
    const group = world.fleet.groups.find((g) => g.groupId === GROUP);
    const cameras = world.cameras().filter((c) => c.group === GROUP);
    await page.click(`[data-group-id="${GROUP}"]`);
    await page.waitState((s) => s.page?.groupId === GROUP && !s.page.loading);
    await page.click('#select-page');
    for (const camera of cameras.filter((c) => c.CheckPassword)) {
      await page.waitState((s) => !s.password);
      await page.click(`[data-key="${camera.key}"] [data-testid=target-check]`);
      await page.waitFor('#password-dialog');
      await page.type('#password-input', PASSWORD);
      await page.click('#password-ok');
      await page.waitState((s) => !s.password && s.targets.includes(camera.key), { what: `${camera.key} confirmed` });
      say(`password of ${camera.devname} (${camera.serial}) confirmed on the page`);
    }
    let s = await page.waitState((x) => x.targets.length === cameras.length, { what: 'every camera of the group as a target' });
    say(`targets: all ${s.targets.length} cameras of "${group.groupName}"`);
    await shot(page, shots, 'demo-targets');

    const before = {};
    for (const c of cameras) before[c.key] = (await world.config(c.serial, c.channelNo)).configItems;

    // Every section, with a few settings changed as a person would.
    await page.click('#go-config');
    if ((await page.state()).sections.length < 7) await page.click('#sections-all');
    await page.type('#cfg-general-serverAddress', 'ntp.demo.example');
    await page.click('#wifi-list [data-testid=wifi-ssid]');
    await page.type('#cfg-wifi-password', 'demo-wifi-2024');
    await page.type('#cfg-color-brightnessLevel', '55');
    await page.type('#cfg-color-contrastLevel', '52');
    await page.setChecked('#cfg-display-showName', true);
    await page.setChecked('#cfg-display-showDate', true);
    await page.setChecked('#cfg-backlight-wideDynamicRangeSwitch', true);
    await page.type('#config-name', '停车场标准配置');
    await page.click('#save-config-name');
    await world.child.waitForEvent((e) => e.event === 'received' && e.kind === 'configName');
    say('configuration name "停车场标准配置" saved (the studio received it)');
    await page.click('#issue-selected');
    s = await page.waitState((x) => x.confirming || x.issueProblems.length, { what: 'the confirmation' });
    if (!s.confirming) throw new Error(`the page refused the issue: ${s.issueProblems.join('; ')}`);
    const sent = sentItems(s.confirming);
    await page.click('#confirm-ok');
    say(`issuing ${s.confirming.sections.length} sections to ${s.confirming.cameras.length} cameras`);
    s = await page.waitState((x) => !x.issue && x.results && !x.confirming, { timeoutMs: 120000, what: 'the results' });
    say(`the issue finished (${(await page.text('#result-summary')).trim()})`);
    const resultShot = await shot(page, shots, 'demo-results');

    // The summary, checked against the cameras.
    const problems = [];
    const lines = [];
    for (const row of s.results.rows) {
      const camera = world.camera(row.key);
      const after = (await world.config(camera.serial, camera.channelNo)).configItems;
      const mismatch = checkRow(row, { before: before[row.key], after, sent });
      const r = readRow(row);
      const accepted = r.items.filter((i) => i.isSuccess).length;
      const mark = row.failed ? '✗' : '✓';
      const text = reason(camera, row);
      lines.push(`  ${mark} ${camera.devname.padEnd(8)} ${camera.serial}  ${accepted}/${r.items.length} items, failNum ${row.failNum}` +
        `${text ? ` — ${text}` : ''}${mismatch.length ? '  [DOES NOT MATCH THE CAMERA]' : ''}`);
      problems.push(...mismatch.map((m) => `${row.key}: ${m}`));
      const kind = World.kind(camera);
      if ((kind === 'absent' || kind === 'changed') !== r.loginFailed) problems.push(`${row.key}: login ${r.loginFailed ? 'failed' : 'worked'} for a camera that is ${kind}`);
    }
    const missing = cameras.filter((c) => !s.results.rows.some((row) => row.key === c.key));
    problems.push(...missing.map((c) => `${c.key}: no row in the result table`));
    console.log(`\nResults for "${group.groupName}" (checked against what each lab camera now holds):`);
    for (const line of lines) console.log(line);
    console.log(`\nScreenshots: ${path.dirname(resultShot)}/demo-targets.png, demo-results.png`);
    if (problems.length) {
      console.log(`\nThe result table does not match the cameras:\n  ${problems.join('\n  ')}`);
      return 1;
    }
    console.log(`\nEvery row matches the camera it names: the accepted items changed the camera, the failed ones left it as it was.`);

    const onvif = await onvifPass(page, world, say);
    console.log(`\nResults for "${onvif.groupName}" (ONVIF cameras, checked against each camera's ONVIF record):`);
    for (const line of onvif.lines) console.log(line);
    await shot(page, shots, 'demo-onvif-results');
    if (onvif.problems.length) {
      console.log(`\nThe ONVIF result table does not match the cameras:\n  ${onvif.problems.join('\n  ')}`);
      return 1;
    }
    console.log('\nEvery ONVIF camera changed in exactly the time server and the two colours.');
    say('done');
    return 0;
  } finally {
    await program?.stop();
    await world?.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

main().then((code) => { process.exitCode = code; }, async (e) => {
  console.error(`demo: ${e.message}`);
  await stopAllChildren();
  process.exitCode = 1;
});
