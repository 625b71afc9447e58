// The demo without a display (scripts/demo): the lab world, the tool offscreen against it, and
// the reference page driven the way a person would: a few changed settings issued to every
// camera of one group (one password typed for the cameras that need it, the preview read
// before anything is written), the pass restored from its backups, then an ONVIF camera's
// settings issued to its group. Prints a summary per camera, checked against what the lab's
// cameras hold afterwards; exits 0 when every row tells the truth.
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
    // The page's cameras; those whose password the studio has not confirmed wait until one
    // password, typed once, is checked on each of them.
    await page.click('#select-page');
    const unconfirmed = cameras.filter((c) => c.CheckPassword);
    if (unconfirmed.length) {
      await page.waitState((x) => x.pending.length === unconfirmed.length, { what: 'the cameras waiting for a password' });
      await page.click('#verify-pending');
      await page.type('#password-many-input', PASSWORD);
      await page.click('#password-many-ok');
      const v = await page.waitState((x) => x.passwordMany && !x.passwordMany.checking && x.passwordMany.rows.every((r) => r.status === 'ok' || r.status === 'failed'),
        { what: 'the password checked on each camera' });
      for (const r of v.passwordMany.rows) say(`password of ${world.camera(r.key).devname} (${r.key}): ${r.status === 'ok' ? 'confirmed' : r.error}`);
      await page.click('#password-many-cancel');
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
    s = await page.waitState((x) => x.confirming?.preview?.status !== 'loading', { timeoutMs: 60000, what: 'the preview' });
    console.log('\nPreview (read from every target before anything is written):');
    for (const row of s.confirming.preview?.rows || []) {
      const shown = (v) => (row.path.at(-1) === 'password' ? '••••••' : JSON.stringify(v));  // as the page masks keys
      const changes = row.changes.map((c) => `${c.count} from ${shown(c.old)}`).join(', ');
      console.log(`  ${row.path.join('.')} → ${shown(row.value)}: ${row.changing} change (${changes || 'none'}), ` +
        `${row.same} already have it, ${row.unread} unread`);
    }
    await shot(page, shots, 'demo-preview');
    await page.click('#confirm-ok');
    say(`issuing the changed fields of ${s.confirming.sections.length} sections to ${s.confirming.cameras.length} cameras`);
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
    console.log(`\nScreenshots: ${path.dirname(resultShot)}/demo-targets.png, demo-preview.png, demo-results.png, demo-restore.png, demo-onvif-results.png`);
    if (problems.length) {
      console.log(`\nThe result table does not match the cameras:\n  ${problems.join('\n  ')}`);
      return 1;
    }
    console.log(`\nEvery row matches the camera it names: the accepted items changed the camera, the failed ones left it as it was.`);

    // Undo: the pass is restored from the backups taken before each camera's first write.
    await page.click('#nav-result');
    await page.click('#backup-refresh');
    const listed = await page.waitState((x) => x.backups?.status === 'loaded' && x.backups.passes.length > 0, { what: 'the backup list' });
    const pass = listed.backups.passes[0];
    say(`restoring backup pass ${pass.id} (${pass.cameras.length} cameras)`);
    await page.click(`[data-testid=backup-pass][data-pass-id="${pass.id}"] [data-testid=restore-all]`);
    await page.click('#ask-ok');
    const restored = await page.waitState((x) => !x.issue && x.results?.kind === 'restore', { timeoutMs: 120000, what: 'the restore' });
    const restoreProblems = [];
    console.log('\nRestore (each camera checked against what it held before the issue):');
    for (const row of restored.results.rows) {
      const camera = world.camera(row.key);
      const now = (await world.config(camera.serial, camera.channelNo)).configItems;
      const back = JSON.stringify(now) === JSON.stringify(before[row.key]);
      if (!back) restoreProblems.push(`${row.key}: not back to its earlier settings`);
      console.log(`  ${back ? '✓' : '✗'} ${camera.devname.padEnd(8)} ${camera.serial}  ${row.failed ? `failNum ${row.failNum}` : 'restored'}` +
        ` — ${back ? 'holds exactly what it held before' : 'DIFFERS from before'}`);
    }
    await shot(page, shots, 'demo-restore');
    if (restoreProblems.length) {
      console.log(`\nThe restore did not bring the cameras back:\n  ${restoreProblems.join('\n  ')}`);
      return 1;
    }

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
