// The page's downloads in the real program: the result table's CSV export is saved in the
// user's download folder (XDG) with exactly the table's rows, UTF-8 with a byte-order mark; a
// second export gets a numbered name instead of replacing the first; a name with path
// separators and ".." stays in the folder; the page is told where each file went (answer 13).

import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { useSession } from './lib/session.mjs';
import { World } from './lib/world.mjs';
import { csvKeys, parseCsv } from './lib/results.mjs';
import { waitUntil } from '../e2e/lib/processes.mjs';

let session, page, program;
useSession('127.0.84', (s) => { session = s; ({ page, program } = s); });

const files = () => (fs.existsSync(program.downloadDir) ? fs.readdirSync(program.downloadDir).sort() : []);

// Waits for the page to hear of a download after `count` earlier ones; returns what it heard.
async function nextDownload(count) {
  return waitUntil(async () => {
    const heard = await page.evaluate('window.__downloads');
    return heard.length > count ? heard[count] : undefined;
  }, { timeoutMs: 30000, intervalMs: 100, what: `download answer ${count + 1}` });
}

test('the CSV export is saved with the result rows, and a second one beside it', async () => {
  // Every answer 13 the page receives, in order.
  await page.evaluate(`(() => {
    window.__downloads = [];
    const sink = window.SetMsgToH5;
    window.SetMsgToH5 = (code, text) => {
      if (String(code) === '13') window.__downloads.push(JSON.parse(text));
      return sink(code, text);
    };
  })()`);
  await page.waitState((x) => x.source?.status === 'loaded', { what: 'a source camera' });
  const targets = session.world.cameras().filter((c) => c.group === 'g-lobby' && World.kind(c) === 'healthy').slice(0, 3);
  for (const c of targets) {
    await page.click(`[data-key="${c.key}"] [data-testid=target-check]`);
    await page.waitState((x) => x.targets.includes(c.key), { what: `${c.key} as a target` });
  }
  await page.click('#go-config');
  await page.setChecked('#whole-color', true);  // nothing edited: the whole section as it is
  await page.click('#issue-only-color');
  await page.waitState((x) => x.confirming, { what: 'the confirmation' });
  await page.click('#confirm-ok');
  const { results } = await page.waitState((x) => !x.issue && x.results && !x.confirming,
    { timeoutMs: 60000, what: 'the results' });
  assert.equal(results.rows.length, 3);

  await page.click('#export-csv');
  const first = await nextDownload(0);
  assert.equal(first.saved, true);
  assert.equal(path.dirname(first.path), program.downloadDir);
  assert.match(path.basename(first.path), /^下发结果_\d{8}_\d{6}\.csv$/);
  assert.equal(first.fileName, path.basename(first.path));
  const bytes = fs.readFileSync(first.path);
  assert.deepEqual([...bytes.subarray(0, 3)], [0xef, 0xbb, 0xbf], 'UTF-8 with a byte-order mark');
  const text = bytes.toString('utf8');
  assert.equal(text, (await page.state()).lastCsv, 'the file holds what the page exported');
  const csv = parseCsv(text);
  assert.deepEqual(csv.slice(1).map((line) => line.slice(1, 6).join(',')), csvKeys(results.rows));
  assert.ok(csv.slice(1).every((line) => line[0] === session.world.camera(`${line[1]}_${line[2]}`).devname),
    'the Chinese camera names arrive intact');
  const s = await page.state();
  assert.deepEqual(s.lastDownload, first);
  assert.ok(await page.evaluate(`[...document.querySelectorAll('[data-testid=toast]')].some((t) => t.textContent.includes(${JSON.stringify(first.path)}))`),
    'the page says where the file went');

  // The same name again (the export's name has seconds in it: ask for the first one's name).
  await page.evaluate(`(() => {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob(['second'], {type: 'text/csv'}));
    a.download = ${JSON.stringify(first.fileName)};
    document.body.append(a); a.click(); a.remove();
  })()`);
  const second = await nextDownload(1);
  assert.equal(second.saved, true);
  assert.equal(second.path, path.join(program.downloadDir, first.fileName.replace(/\.csv$/, ' (1).csv')));
  assert.equal(fs.readFileSync(second.path, 'utf8'), 'second');
  assert.deepEqual(fs.readFileSync(first.path), bytes, 'the first export is untouched');
});

test('a hostile file name stays in the download folder', async () => {
  const before = files();
  const outside = path.join(path.dirname(program.downloadDir), 'escaped.csv');
  await page.evaluate(`(() => {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob(['hostile'], {type: 'text/csv'}));
    a.download = '../escaped.csv';
    document.body.append(a); a.click(); a.remove();
  })()`);
  const heard = await nextDownload(2);
  assert.equal(heard.saved, true);
  assert.equal(path.dirname(heard.path), program.downloadDir);
  assert.ok(!path.basename(heard.path).startsWith('.'), heard.path);
  assert.equal(fs.readFileSync(heard.path, 'utf8'), 'hostile');
  assert.equal(fs.existsSync(outside), false);
  assert.deepEqual(files(), [...before, path.basename(heard.path)].sort(), 'one new file, in the folder');
});
