// Reading a camera's 80,280-byte configuration record (as the lab's cameras role stores it) in
// the end-to-end tests: a few fields the page's sections write, at their offsets in the record.
// Every field's bytes are pinned by tests/devices/issue_worker_integration_test.cpp.

function text(record, offset, width) {
  const field = record.subarray(offset, offset + width);
  const end = field.indexOf(0);
  return field.subarray(0, end < 0 ? width : end).toString('utf8');
}

export function recordFields(record) {
  if (record.length !== 80280) throw new Error(`a record has 80280 bytes, not ${record.length}`);
  return {
    timeServerAddress: text(record, 0, 64),
    wifiSsid: text(record, 188, 32),
    wifiKey: text(record, 232, 63),
    mainResolution: record[79564 + 9],
    audioInputVolume: record[80145],
    audioOutputVolume: record[80156],
    colour: [0, 4, 8, 12].map((i) => record.readInt32LE(80220 + i)),  // brightness, contrast, saturation, hue
  };
}

// The scale of the camera's motion sensitivity (2 is the percent scale, which reads level 4 back as 0).
export const sensitivityScale = (record) => record.readInt32LE(80248);

// The lab's Wi-Fi network name `i` of camera `serial` (tools/lab/cameras_model.cpp).
export function labWifiName(serial, i) {
  const names = ['Office', 'Guest', 'Warehouse', 'CafeNet', 'Lobby-5G', 'Printer', 'Staff', 'IoT'];
  let h = 2166136261;
  for (const c of Buffer.from(serial, 'utf8')) h = Math.imul(h ^ c, 16777619) >>> 0;
  const seed = Math.imul((h ^ i) >>> 0, 16777619) >>> 0;
  return `${names[i % names.length]}-${(seed % 900) + 100}`;
}
