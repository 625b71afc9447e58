// WS-Discovery inside the network namespace that in-netns makes: a multicast Probe finds exactly
// the lab's ONVIF cameras that were started with discovery on, each with its device service.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { createSocket } from 'node:dgram';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { Lab } from './lab.mjs';

const PROBE = (id, types) => `<?xml version="1.0" encoding="UTF-8"?>
<e:Envelope xmlns:e="http://www.w3.org/2003/05/soap-envelope"
  xmlns:w="http://schemas.xmlsoap.org/ws/2004/08/addressing"
  xmlns:d="http://schemas.xmlsoap.org/ws/2005/04/discovery"
  xmlns:n="http://www.onvif.org/ver10/network/wsdl" xmlns:x="urn:example:other">
 <e:Header><w:MessageID>uuid:${id}</w:MessageID>
  <w:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</w:To>
  <w:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</w:Action></e:Header>
 <e:Body><d:Probe><d:Types>${types}</d:Types></d:Probe></e:Body></e:Envelope>`;

// Sends a Probe and collects the XAddrs of every ProbeMatch that relates to it within 1.5 s.
function probe(types) {
  return new Promise((resolve, reject) => {
    const socket = createSocket('udp4');
    const id = `probe-${Math.random().toString(16).slice(2)}`;
    const found = [];
    socket.on('message', (msg) => {
      const text = msg.toString();
      if (!text.includes(`uuid:${id}`)) return;
      const xaddrs = /<[^>]*XAddrs>([^<]*)</.exec(text);
      if (xaddrs) found.push(xaddrs[1]);
    });
    socket.on('error', reject);
    socket.bind(0, () => {
      socket.send(PROBE(id, types), 3702, '239.255.255.250');
      setTimeout(() => { socket.close(); resolve(found.sort()); }, 1500);
    });
  });
}

test('a Probe finds exactly the cameras with discovery on', async () => {
  const dir = mkdtempSync(join(tmpdir(), 'onvif-disc-'));
  const camera = (serial, extra) => ['--camera', `kind=onvif,serial=${serial},port=0,password=p${extra}`];
  const lab = new Lab(['--state', dir, '--no-sync',
    ...camera('DISC1', ',discovery'), ...camera('DISC2', ''), ...camera('DISC3', ',discovery'),
    '--camera', 'serial=RPROV1,port=0,password=x']);
  try {
    const cameras = await lab.ready();
    const expected = cameras.filter((c) => c.discovery).map((c) => c.deviceService).sort();
    assert.equal(expected.length, 2);
    assert.deepEqual(await probe('n:NetworkVideoTransmitter'), expected);
    assert.deepEqual(await probe(''), expected, 'a Probe without types matches every device');
    assert.deepEqual(await probe('x:Printer'), [], 'a Probe for other types gets no answer');
  } finally {
    await lab.stop();
    rmSync(dir, { recursive: true, force: true });
  }
});
