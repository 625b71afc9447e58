// The lab ONVIF camera's transport faults and limits, seen over plain HTTP as any client sees
// them: an oversized body, an answer cut halfway, a silent camera and an absent one. Each time
// the camera serves whole answers again once the fault is cleared.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { Lab } from './lab.mjs';

const SERIAL = 'FLT00001';
const CLOCK = '<s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body>' +
  '<GetSystemDateAndTime xmlns="http://www.onvif.org/ver10/device/wsdl"/></s:Body></s:Envelope>';

// POSTs `body` to the device service; resolves to {status, text}, rejects on a transport error.
async function post(port, body, { timeoutMs = 5000 } = {}) {
  const response = await fetch(`http://127.0.0.1:${port}/onvif/device_service`, {
    method: 'POST',
    headers: { 'Content-Type': 'application/soap+xml; charset=utf-8' },
    body,
    signal: AbortSignal.timeout(timeoutMs),
  });
  return { status: response.status, text: await response.text() };
}

async function answersTheClock(port) {
  const { status, text } = await post(port, CLOCK);
  assert.equal(status, 200);
  assert.match(text, /GetSystemDateAndTimeResponse[\s\S]*<\/\w+:Envelope>/);
}

async function setFault(lab, words) {
  const applied = lab.next((e) => (e.event === 'faults' || e.event === 'error'));
  lab.command(`fault ${SERIAL} ${words}`);
  const event = await applied;
  assert.equal(event.event, 'faults', JSON.stringify(event));
}

async function withCamera(body) {
  const dir = mkdtempSync(join(tmpdir(), 'onvif-faults-'));
  const lab = new Lab(['--state', dir, '--no-sync', '--camera',
    `kind=onvif,serial=${SERIAL},port=0,password=faults-1`]);
  try {
    const [camera] = await lab.ready();
    await body(lab, camera.port);
  } finally {
    await lab.stop();
    rmSync(dir, { recursive: true, force: true });
  }
}

test('a 10 MB body is refused with 413 and the camera keeps serving', async () => {
  await withCamera(async (lab, port) => {
    const huge = CLOCK.replace('<s:Body>', `<s:Header>${'x'.repeat(10 << 20)}</s:Header><s:Body>`);
    const { status } = await post(port, huge, { timeoutMs: 20000 }).catch((e) => ({ status: e.code || 'closed' }));
    // The camera answers 413, or closes while the client is still sending: never a 200.
    assert.notEqual(status, 200);
    await answersTheClock(port);
  });
});

test('drop-on-op cuts the answer; silent holds it until cleared; absent refuses connections', async () => {
  await withCamera(async (lab, port) => {
    await setFault(lab, 'drop-on-op=GetSystemDateAndTime');
    await assert.rejects(answersTheClock(port), 'a cut answer is not a whole one');
    await setFault(lab, 'none');
    await answersTheClock(port);

    await setFault(lab, 'silent');
    let settled = false;
    const held = post(port, CLOCK, { timeoutMs: 10000 }).finally(() => { settled = true; });
    await new Promise((resolve) => setTimeout(resolve, 600));
    assert.equal(settled, false, 'a silent camera does not answer');
    await setFault(lab, 'none');
    // What arrived while silent is never carried out: it is released unserved (503)...
    assert.equal((await held).status, 503);
    // ...and what comes after is answered.
    await answersTheClock(port);

    await setFault(lab, 'absent');
    await assert.rejects(post(port, CLOCK), (e) => /ECONNREFUSED/.test(String(e.cause?.code ?? e.cause ?? e)));
    await setFault(lab, 'none');
    await answersTheClock(port);
  });
});
