// Whether an issue's result table tells the truth about the cameras: for every result row, the
// fields the page sent in an item the camera accepted must now hold the sent value, and every
// other field (not sent, or in an item that failed) the value the camera held before. Shared by the end-to-end tests and the demo's summary.

export const getPath = (o, path) => path.reduce((v, k) => (v == null ? v : v[k]), o);

const image = ['imageConfig'];
const av = [...image, 'audioAndVideoConfig'];
const field = (...path) => ({ lab: path });

// The fields each result item writes: their place in the camera's "configItems" (as the lab
// prints them and the page sends them).
export const ITEM_FIELDS = {
  通用配置: [field('generalConfig', 'timeProofreading', 'serverAddress')],
  wifi配置: [field('generalConfig', 'wiFiConfig', 'ssid')],
  // Written by the item's second call, the alarm sound.
  布撤防计划: [field('defenceConfig', 'motionDetectDefence', 'remindVoice')],
  视频配置: [0, 1].flatMap((s) => ['videoResolution', 'videoCodecType', 'maxFrameRate', 'picQuality', 'keyFrameInterval']
    .map((name) => field(...av, 'videoConfig', s, name)))
    .concat([field(...av, 'audioConfig', 'audioCompressionType')]),
  输入音频配置: [field(...av, 'audioConfig', 'inputVolume')],
  输出音频配置: [field(...av, 'audioConfig', 'outputVolume')],
  宽动态配置: [field(...image, 'imageBacklight', 'wideDynamicRangeSwitch')],
  图像设置: ['brightnessLevel', 'contrastLevel', 'saturationLevel', 'hue'].map((name) => field(...image, 'imageColor', name)),
  Logo配置: [field(...image, 'imageDisplay', 'showOrvexLogo')],
  图像显示: ['showName', 'showDate', 'showWeek', 'dateFormat'].map((name) => field(...image, 'imageDisplay', name)),
};

// Written by the defence item's first call (the motion detection schedule): its result is the
// first of the item's "steps"; from a program that does not report steps, a failure shows only
// in "failNum", not in the item.
export const MOTION_FIELDS = ['remindSwitch', 'detectMode', 'sensitivityLevel']
  .map((name) => field('defenceConfig', 'motionDetectDefence', name));

// What one result row says happened to its camera.
export function readRow(row) {
  const items = row.items || [];
  const failedItems = items.filter((i) => !i.isSuccess).length;
  const loginFailed = items.length > 0 && items.every((i) => !i.isSuccess && i.moreInfo === '网络异常');
  const defence = items.find((i) => i.itemName === '布撤防计划');
  // Steps that failed without failing an item: the motion schedule of the defence item.
  const hidden = row.failNum - failedItems;
  const steps = defence?.steps?.length === 2 ? defence.steps : null;
  const motionApplied = steps ? steps[0].isSuccess : Boolean(defence) && !loginFailed && hidden === 0;
  return { items, failedItems, loginFailed, defence, hidden, motionApplied, alarmApplied: steps ? steps[1].isSuccess : null };
}

// The configuration the page sent for an issue it asked to confirm: its "configItems".
export const sentItems = (confirming) => JSON.parse(confirming.configText).configItems;

// The differences between what `row` says and what the camera holds: `before` and `after` are
// the camera's "configItems" around the issue, `sent` the "configItems" the page issued. An
// empty list means the row tells the truth.
export function checkRow(row, { before, after, sent }) {
  const problems = [];
  const r = readRow(row);
  if (row.missing) problems.push('no result for this camera');
  if (r.hidden !== 0 && !(r.hidden === 1 && r.defence && !r.loginFailed)) {
    problems.push(`failNum ${row.failNum} does not fit ${r.failedItems} failed items`);
  }
  const expect = (field, accepted, why) => {
    const value = getPath(sent, field.lab);
    const want = accepted && value !== undefined ? value : getPath(before, field.lab);
    const got = getPath(after, field.lab);
    if (JSON.stringify(got) !== JSON.stringify(want)) {
      problems.push(`${field.lab.join('.')}: the camera holds ${JSON.stringify(got)}, expected ${JSON.stringify(want)} (${why})`);
    }
  };
  for (const [name, fields] of Object.entries(ITEM_FIELDS)) {
    const item = r.items.find((i) => i.itemName === name);
    const accepted = item === r.defence && r.alarmApplied !== null ? r.alarmApplied : Boolean(item && item.isSuccess);
    const why = !item ? 'not issued' : accepted ? `${name} accepted` : `${name} failed: ${item.moreInfo}`;
    // A field the page left out keeps the camera's own value.
    for (const field of fields) expect(field, accepted, why);
  }
  for (const field of MOTION_FIELDS) {
    expect(field, r.motionApplied, r.motionApplied ? 'motion schedule accepted' : 'motion schedule not applied');
  }
  return problems;
}

// The CSV lines the page should export for `rows` (without the header), as
// "serial,channel,failNum,item,成功|失败" keys, for comparison with the exported text.
export function csvKeys(rows) {
  return rows.flatMap((row) => (row.items || []).map((i) => [row.key.replace(/_\d+$/, ''), row.key.match(/_(\d+)$/)[1],
    row.failNum, i.itemName, i.isSuccess ? '成功' : '失败'].join(',')));
}

// Parses the page's CSV export (UTF-8 with BOM, CRLF lines, RFC 4180 quoting).
export function parseCsv(text) {
  const rows = [];
  let row = [];
  let cell = '';
  let quoted = false;
  const body = text.replace(/^\ufeff/, '');
  for (let i = 0; i < body.length; i++) {
    const ch = body[i];
    if (quoted) {
      if (ch === '"' && body[i + 1] === '"') { cell += '"'; i++; } else if (ch === '"') quoted = false;
      else cell += ch;
    } else if (ch === '"') quoted = true;
    else if (ch === ',') { row.push(cell); cell = ''; } else if (ch === '\r' && body[i + 1] === '\n') {
      row.push(cell); rows.push(row); row = []; cell = ''; i++;
    } else cell += ch;
  }
  if (cell !== '' || row.length) { row.push(cell); rows.push(row); }
  return rows;
}
