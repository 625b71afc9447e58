// Reading a camera's 80,280-byte configuration record (as the lab's cameras role stores it) in
// the end-to-end tests: the fields the page's sections write, at their offsets in the record.

function text(record, offset, width) {
  const field = record.subarray(offset, offset + width);
  const end = field.indexOf(0);
  return field.subarray(0, end < 0 ? width : end).toString('utf8');
}

const STREAMS = 79564;
const STREAM_SIZE = 116;

function stream(record, s) {
  const base = STREAMS + s * STREAM_SIZE;
  return {
    streamType: record.readInt32LE(base + 4),
    flowType: record[base + 8],
    resolution: record[base + 9],
    bitrateType: record[base + 10],
    picQuality: record[base + 11],
    bitrateCode: record.readInt32LE(base + 12),
    frameRate: record.readInt32LE(base + 16),
    iFrameInterval: record.readUInt16LE(base + 20),
    frameType: record[base + 22],
    videoEncoding: record[base + 24],
    audioEncoding: record[base + 25],
  };
}

// The fields of `record` (a Buffer) that the issued sections change.
export function recordFields(record) {
  if (record.length !== 80280) throw new Error(`a record has 80280 bytes, not ${record.length}`);
  return {
    timeServerAddress: text(record, 0, 64),
    wifiSsid: text(record, 188, 32),
    wifiMode: record.readInt32LE(220),
    wifiSecurity: record.readInt32LE(224),
    wifiKeyLength: record.readInt32LE(228),
    wifiKey: text(record, 232, 63),
    wifiCipher: record[295],
    wifiKeySelector: record[364],
    logoShown: record[380],
    channelNameShown: record.readInt32LE(516),
    dateShown: record.readInt32LE(560),
    dateFormat: record[568],
    weekShown: record[569],
    displayState: record[570],
    timeFormat: record[571],
    motionSensitivity: record[40344],
    motionSwitch: record[41676],
    motionMode: record[41678],
    wideDynamicRange: [record[77628], record[78120], record[78612]],
    streams: [stream(record, 0), stream(record, 1)],
    audioInputMode: record[80144],
    audioInputVolume: record[80145],
    audioOutputVolume: record[80156],
    brightness: record.readInt32LE(80220),
    contrast: record.readInt32LE(80224),
    saturation: record.readInt32LE(80228),
    hue: record.readInt32LE(80232),
    sensitivityScale: record.readInt32LE(80248),
    alarmChannel: record.readInt32LE(80260),
    alarmSound: record.readInt32LE(80264),
  };
}

// The lab's Wi-Fi network name `i` of camera `serial` (tools/lab/cameras_model.cpp).
export function labWifiName(serial, i) {
  const names = ['Office', 'Guest', 'Warehouse', 'CafeNet', 'Lobby-5G', 'Printer', 'Staff', 'IoT'];
  let h = 2166136261;
  for (const c of Buffer.from(serial, 'utf8')) h = Math.imul(h ^ c, 16777619) >>> 0;
  const seed = Math.imul((h ^ i) >>> 0, 16777619) >>> 0;
  return `${names[i % names.length]}-${(seed % 900) + 100}`;
}
