// Debian's onvif-util (libonvif) against a lab ONVIF camera on port 80 of 127.0.0.1, inside the
// network namespace that in-netns makes: it finds the camera by WS-Discovery, reads the network,
// video and imaging settings and options, changes the bitrate and the brightness, and what it
// prints matches the lab's own record.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { Lab, changedPaths } from './lab.mjs';

const PASSWORD = 'util-pass-1';
const hasUtil = spawnSync('sh', ['-c', 'command -v onvif-util']).status === 0;

function onvifUtil(commands, password = PASSWORD) {
  return execFileSync('onvif-util', ['-u', 'admin', '-p', password, '127.0.0.1'], {
    input: commands.join('\n') + '\nquit\n', encoding: 'utf8', timeout: 30000,
  });
}

// "Label: value" lines of onvif-util's output, the last of each label winning.
function values(text) {
  const out = {};
  for (const m of text.matchAll(/^\s*([A-Za-z ]+):\s+(.*)$/gm)) out[m[1].trim()] = m[2].trim();
  return out;
}

async function withCamera(words, body) {
  const dir = mkdtempSync(join(tmpdir(), 'onvif-util-'));
  const lab = new Lab(['--state', dir, '--no-sync', '--camera',
    `kind=onvif,serial=UTIL0001,address=127.0.0.1,port=80,password=${PASSWORD},discovery,${words}`]);
  try {
    await lab.ready();
    await body(lab);
  } finally {
    await lab.stop();
    rmSync(dir, { recursive: true, force: true });
  }
}

test('onvif-util reads and changes a lab camera as its record says', { skip: !hasUtil && 'onvif-util is not installed' }, async () => {
  await withCamera('nonce-reuse', async (lab) => {
    const before = await lab.config('UTIL0001');
    const main = before.channels[0].main;
    const read = values(onvifUtil(['get network', 'get video', 'get imaging', 'get imaging options']));
    assert.equal(read.serial, 'UTIL0001');
    // Its network page needs the gateway and DNS reads besides the interfaces.
    assert.equal(read['IP Address'], '127.0.0.1');
    assert.equal(read.DHCP, 'NO');
    assert.equal(read.Resolution, `${main.width} x ${main.height}`);
    assert.equal(Number(read['Frame Rate']), main.frameRate);
    assert.equal(Number(read['Gov Length']), main.govLength);
    assert.equal(Number(read['Bit Rate']), main.bitrate);
    assert.equal(Number(read.Brightness), before.channels[0].imaging.brightness);
    assert.equal(Number(read['Max Brightness']), 100);

    const newBitrate = main.bitrate === 3000 ? 3100 : 3000;
    const after = values(onvifUtil([`set bitrate ${newBitrate}`, 'set brightness 61', 'get video', 'get imaging']));
    assert.equal(Number(after['Bit Rate']), newBitrate);
    assert.equal(Number(after.Brightness), 61);
    const record = await lab.config('UTIL0001');
    assert.equal(record.channels[0].main.bitrate, newBitrate);
    // onvif-util writes the whole imaging block back: only brightness differs from before.
    const expected = ['channels.0.main.bitrate'];
    if (before.channels[0].imaging.brightness !== 61) expected.push('channels.0.imaging.brightness');
    assert.deepEqual(changedPaths(before, record).sort(), expected.sort());
  });
});

test('onvif-util is refused with a wrong password, and by a camera that checks nonce reuse', { skip: !hasUtil && 'onvif-util is not installed' }, async () => {
  await withCamera('', async (lab) => {
    // libonvif sends one nonce for a whole session: a camera that refuses a nonce seen before
    // lets its first authenticated request through and refuses the rest.
    assert.match(onvifUtil(['get imaging']), /ter:NotAuthorized/);
    const counters = await lab.counters('UTIL0001');
    assert.ok(counters.failedLogins >= 1);
  });
  await withCamera('nonce-reuse', async () => {
    const run = spawnSync('onvif-util', ['-u', 'admin', '-p', 'wrong-password', '127.0.0.1'], {
      input: 'get video\nquit\n', encoding: 'utf8', timeout: 30000,
    });
    assert.notEqual(run.status, 0, 'onvif-util gives up at login');
    assert.match(run.stdout + run.stderr, /NotAuthorized/);
    assert.doesNotMatch(run.stdout, /Bit Rate/);
  });
});
