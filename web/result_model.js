// Issue results: reading the program's per-camera result array, deciding which cameras failed,
// and the CSV export of a result table.

import { cameraKey } from './camera_model.js';
import { int } from './config_model.js';

const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);
const text = (v) => (typeof v === 'string' ? v : typeof v === 'number' ? String(v) : '');

// Rows of the result table, one per answered camera in answer order, then one per requested
// camera the answer did not mention. Returns null when the value is not a result array.
export function readIssueResult(value, requested) {
  if (value !== null && !Array.isArray(value)) return null;
  const byKey = new Map(requested.map((c) => [c.key, c]));
  const rows = [];
  for (const entry of value || []) {
    if (!isObject(entry)) continue;
    const device = isObject(entry.device) ? entry.device : {};
    const serial = text(device.serial);
    const channelNo = int(device.channelNo);
    const key = cameraKey(serial, channelNo);
    const items = (Array.isArray(entry.syncInfo) ? entry.syncInfo : []).filter(isObject).map((i) => ({
      itemName: text(i.itemName),
      isSuccess: i.isSuccess === true,
      moreInfo: text(i.moreInfo),
    }));
    const failNum = Math.max(0, int(entry.failNum));
    const camera = byKey.get(key) || null;
    byKey.delete(key);
    rows.push({
      key, serial, channelNo, deviceName: text(device.deviceName) || (camera ? camera.devname : ''),
      failNum, items, missing: false, camera,
      failed: failNum > 0 || items.some((i) => !i.isSuccess),
    });
  }
  for (const camera of byKey.values()) {
    rows.push({
      key: camera.key, serial: camera.serial, channelNo: camera.channelNo,
      deviceName: camera.devname, failNum: 0, items: [], missing: true, camera, failed: true,
    });
  }
  return rows;
}

export function summarize(rows) {
  const failed = rows.filter((r) => r.failed).length;
  return { total: rows.length, failed, succeeded: rows.length - failed };
}

function csvField(value) {
  let s = String(value);
  // A leading formula character would be run by spreadsheet programs.
  if (/^[=+\-@\t\r]/.test(s)) s = `'${s}`;
  return /[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s;
}

export const CSV_HEADER = ['摄像机名称', '序列号', '通道', '失败数', '配置项', '结果', '详细信息'];

// CSV text of a result table: one line per item (a camera without items gets one line), with
// a byte order mark and CRLF line ends so spreadsheet programs read the Chinese text.
export function buildResultCsv(rows) {
  const lines = [CSV_HEADER];
  for (const r of rows) {
    const head = [r.deviceName, r.serial, r.channelNo, r.failNum];
    if (r.missing) lines.push([...head, '', '失败', '未返回结果']);
    else if (r.items.length === 0) lines.push([...head, '', r.failed ? '失败' : '无下发项', '']);
    for (const i of r.items) lines.push([...head, i.itemName, i.isSuccess ? '成功' : '失败', i.moreInfo]);
  }
  return `\ufeff${lines.map((l) => l.map(csvField).join(',')).join('\r\n')}\r\n`;
}

export function csvFileName(date = new Date()) {
  const p = (n) => String(n).padStart(2, '0');
  return `下发结果_${date.getFullYear()}${p(date.getMonth() + 1)}${p(date.getDate())}_${p(date.getHours())}${p(date.getMinutes())}${p(date.getSeconds())}.csv`;
}
