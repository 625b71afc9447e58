// The soak run: the program against the lab world for a long time (30 minutes by default) with
// a mix of page calls, studio messages and issues while cameras fail at random. It samples the
// program's resident memory each minute and fails when the program dies or its memory after
// the first five minutes grows by more than 10% over the five-minute mark.
//
//   node tests/soak/soak.mjs [minutes]     (scripts/soak runs it in a network namespace)

import fs from 'node:fs';
import { startSession, stopSession } from '../e2e_page/lib/session.mjs';

const minutes = Number(process.argv[2] || 30);
const end = Date.now() + minutes * 60000;
const session = await startSession('127.0.91');
const { world, program, page } = session;
const cameras = world.cameras();
const faults = ['none', 'none', 'none', 'delay=300', 'silent', 'absent', 'refuse-login',
  'fail-item=8', 'drop-on-item=5', 'forget-item=4', 'fail-read=range'];
const pick = (list) => list[Math.floor(Math.random() * list.length)];
const cameraObject = (c) => JSON.stringify({ serial: c.serial, channelNo: c.channelNo, devip: c.devip,
  port: c.port, passwd: c.passwd, devname: c.devname, encrypt: true, newDev: false, iPlatform: c.iPlatform });
const colour = JSON.stringify({ configItems: { imageConfig: { imageColor: {
  brightnessLevel: 40, contrastLevel: 50, saturationLevel: 60, hue: 30 } } } });

function residentKiB() {
  const status = fs.readFileSync(`/proc/${program.pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]);
}

const samples = [];
let calls = 0;
let nextSample = Date.now();
try {
  while (Date.now() < end) {
    if (Date.now() >= nextSample) {
      samples.push(residentKiB());
      console.log(`[${samples.length - 1} min] resident ${(samples.at(-1) / 1024).toFixed(1)} MiB, ${calls} calls`);
      nextSample += 60000;
    }
    const c = pick(cameras);
    switch (Math.floor(Math.random() * 6)) {
      case 0: await world.fault(c.serial, pick(faults)); break;
      case 1: world.child.send(Math.random() < 0.5 ? 'studio groups' : `studio camera ${c.serial}`); break;
      case 2: await page.evaluate(`queryOrvexInfo('3', ${JSON.stringify(cameraObject(c))})`); break;
      case 3: await page.evaluate(`queryOrvexInfo('${pick(['1', '4', '5'])}', '')`); break;
      case 4: await page.evaluate(`CheckDevPassword(${JSON.stringify(cameraObject(c))})`); break;
      default: {
        const targets = JSON.stringify(`[${Array.from({ length: 5 }, () => cameraObject(pick(cameras))).join(',')}]`);
        await page.evaluate(`IssuedConfigToCameras(${targets}, ${JSON.stringify(colour)})`);
      }
    }
    calls += 1;
    if (program.child.exit) throw new Error(`the program ended: ${JSON.stringify(program.child.exit)}`);
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  samples.push(residentKiB());
  const base = samples[Math.min(5, samples.length - 1)];
  const peak = Math.max(...samples.slice(Math.min(5, samples.length - 1)));
  const growth = (peak - base) / base;
  console.log(`resident at 5 min ${(base / 1024).toFixed(1)} MiB, peak after ${(peak / 1024).toFixed(1)} MiB ` +
    `(${(growth * 100).toFixed(1)}%), ${calls} calls in ${minutes} min`);
  if (growth > 0.10) throw new Error('resident memory grew by more than 10% after the first five minutes');
  console.log('soak: passed');
} catch (e) {
  console.error(`soak: FAILED: ${e.message}`);
  process.exitCode = 1;
} finally {
  await stopSession(session);
}
