// The demo's ONVIF pass: an ONVIF camera's settings as the source, a new time server and colours
// issued to the rest of the ONVIF group, and each row checked against the lab's ONVIF record:
// exactly the edited fields changed.

import { World } from './world.mjs';
import { readRow } from './results.mjs';
import { changedPaths } from '../../onvif_clients/lab.mjs';

const SECTIONS = ['wifi', 'general', 'defence', 'audioVideo', 'backlight', 'color', 'display'];
// The edited fields of the lab's ONVIF record and their new values.
const EDITED = { 'ntp.0.address': 'ntp.onvif-demo.example', 'channels.0.imaging.brightness': 58, 'channels.0.imaging.contrast': 44 };
const at = (record, path) => path.split('.').reduce((v, k) => v?.[k], record);

// Runs the pass on an open page; `say` logs a step. Returns the problems found (empty: every
// row tells the truth) and the lines of the summary.
export async function onvifPass(page, world, say) {
  const group = world.fleet.groups.find((g) => g.groupId === 'g-onvif');
  const cameras = world.cameras().filter((c) => c.group === 'g-onvif');
  const [source, ...targets] = cameras;

  // Leave the earlier targets, then read the ONVIF source.
  await page.click('#nav-cameras');
  for (const key of (await page.state()).targets) {
    await page.click(`[data-testid=target-item][data-key="${key}"] [data-testid=target-remove]`);
    await page.waitState((x) => !x.targets.includes(key), { what: `${key} removed` });
  }
  await page.click('[data-group-id="g-onvif"]');
  await page.waitState((x) => x.page?.groupId === 'g-onvif' && !x.page.loading);
  await page.click(`[data-key="${source.key}"] [data-testid=open-config]`);
  await page.waitState((x) => x.source?.key === source.key && x.source.status === 'loaded' && x.source.rangeStatus === 'loaded',
    { timeoutMs: 60000, what: `the configuration of ${source.serial}` });
  say(`ONVIF source: ${source.devname} (${source.serial}), its settings read over ONVIF`);
  await page.click('#nav-cameras');
  for (const c of targets) {
    await page.click(`[data-key="${c.key}"] [data-testid=target-check]`);
    await page.waitState((x) => x.targets.includes(c.key), { what: `${c.key} as a target` });
  }
  const before = {};
  for (const c of targets) before[c.serial] = await world.onvifState(c.serial);

  await page.click('#go-config');
  for (const id of SECTIONS) await page.setChecked(`#section-${id}`, id === 'general' || id === 'color');
  await page.type('#cfg-general-serverAddress', 'ntp.onvif-demo.example');
  await page.type('#cfg-color-brightnessLevel', '58');
  await page.type('#cfg-color-contrastLevel', '44');
  await page.click('#issue-selected');
  const asked = await page.waitState((x) => x.confirming || x.issueProblems.length, { what: 'the confirmation' });
  if (!asked.confirming) throw new Error(`the page refused the issue: ${asked.issueProblems.join('; ')}`);
  await page.click('#confirm-ok');
  say(`issuing the time server and colours to the ${targets.length} other cameras of "${group.groupName}"`);
  const s = await page.waitState((x) => !x.issue && x.results && !x.confirming, { timeoutMs: 120000, what: 'the results' });

  const problems = [];
  const lines = [];
  for (const c of targets) {
    const row = s.results.rows.find((r) => r.key === c.key);
    if (!row) {
      problems.push(`${c.key}: no row in the result table`);
      continue;
    }
    const now = await world.onvifState(c.serial);
    const changed = changedPaths(before[c.serial], now).sort();
    const r = readRow(row);
    // A world kept from an earlier demo may hold some of the values already.
    const expected = Object.keys(EDITED).filter((p) => at(before[c.serial], p) !== EDITED[p]).sort();
    const ok = !row.failed && JSON.stringify(changed) === JSON.stringify(expected) &&
      Object.entries(EDITED).every(([p, v]) => at(now, p) === v);
    if (!ok) problems.push(`${c.key}: failNum ${row.failNum}, the camera changed ${changed.join(', ') || 'nothing'}`);
    const digest = c.device?.faults?.httpDigest ? ' (asks for HTTP Digest)' : '';
    lines.push(`  ${row.failed ? '✗' : '✓'} ${c.devname.padEnd(8)} ${c.serial}${digest}  ${r.items.filter((i) => i.isSuccess).length}/${r.items.length} items` +
      ` — the camera changed: ${changed.join(', ') || 'nothing'}${ok ? '' : '  [DOES NOT MATCH]'}`);
  }
  if (World.kind(source) !== 'onvif') problems.push(`${source.key} is not an ONVIF camera`);
  return { problems, lines, groupName: group.groupName };
}
