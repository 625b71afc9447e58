// Issue results: reading the program's per-camera result array and its progress answers,
// deciding which cameras failed or did not keep a value, and the CSV export of a result table.

import { cameraKey } from './camera_model.js';
import { int } from './config_model.js';

const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);
const text = (v) => (typeof v === 'string' ? v : typeof v === 'number' ? String(v) : '');

// Why an item failed, in the words the table shows. "camera" is followed by the camera's own
// message; a word not listed here shows the message alone.
export const CAUSES = {
  unreachable: '无法连接', auth: '密码错误', refused: '设备拒绝登录', timeout: '设备响应超时',
  camera: '设备拒绝该值', readFailed: '读取配置失败', serialMismatch: '设备序列号不符', unsupported: '设备不支持',
  backupMissing: '备份不存在或已损坏',
};

const causeLabel = (cause) => (Object.prototype.hasOwnProperty.call(CAUSES, cause) ? CAUSES[cause] : '');

export function causeText(item) {
  const label = causeLabel(item.cause);
  if (!label) return item.moreInfo;
  return item.cause === 'camera' && item.moreInfo ? `${label}：${item.moreInfo}` : label;
}

// How an accepted item came out of the re-read that follows the issue.
export const CHECK_LABELS = { verified: '已复核', unverified: '已接受但未保存', unchecked: '未复核' };

// An item's status: failed; verified (the camera keeps the value), unverified (it accepted the
// value but does not keep it), unchecked (the re-read failed); or plain accepted, for answers
// from a program that does not re-read (none of their entries carries "cause" or "verified").
function itemStatus(item, reread) {
  if (!item.isSuccess) return 'failed';
  if (item.verified === true) return 'verified';
  if (item.verified === false) return 'unverified';
  return reread ? 'unchecked' : 'accepted';
}

// One call of a two-call item, or an item itself: success, the camera's words, and why it failed.
function readCall(i) {
  const isSuccess = i.isSuccess === true;
  return {
    isSuccess,
    moreInfo: text(i.moreInfo),
    cause: isSuccess ? null : text(i.cause) || null,
    verified: isSuccess && typeof i.verified === 'boolean' ? i.verified : null,
  };
}

// An entry of syncInfo. With "steps", the item failed when any step failed, and it reports the
// failed steps' words (the entry itself only reports its last call); it is unverified when an
// accepted step was not kept.
function readItem(i) {
  const steps = Array.isArray(i.steps) ? i.steps.filter(isObject).map(readCall) : [];
  const item = { itemName: text(i.itemName), ...readCall(i), steps, failedSteps: 0 };
  const failed = steps.filter((st) => !st.isSuccess);
  item.failedSteps = failed.length;
  if (failed.length) {
    item.isSuccess = false;
    item.verified = null;
    item.cause = failed[0].cause;
    item.moreInfo = failed.map((st) => st.moreInfo).filter(Boolean).join('；') || item.moreInfo;
  } else if (item.isSuccess && steps.some((st) => st.verified === false)) {
    item.verified = false;
  }
  return item;
}

const syncInfoOf = (entry) => (isObject(entry) && Array.isArray(entry.syncInfo) ? entry.syncInfo.filter(isObject) : []);

// Rows of the result table, one per answered camera in answer order, then one per requested
// camera the answer did not mention. Returns null when the value is not a result array.
export function readIssueResult(value, requested) {
  if (value !== null && !Array.isArray(value)) return null;
  const byKey = new Map(requested.map((c) => [c.key, c]));
  const checks = (i) => 'cause' in i || 'verified' in i || (Array.isArray(i.steps) && i.steps.some(isObject) && i.steps.some((st) => 'cause' in st || 'verified' in st));
  const reread = (value || []).some((entry) => syncInfoOf(entry).some(checks));
  const rows = [];
  for (const entry of value || []) {
    if (!isObject(entry)) continue;
    const device = isObject(entry.device) ? entry.device : {};
    const serial = text(device.serial);
    const channelNo = int(device.channelNo);
    const key = cameraKey(serial, channelNo);
    const items = syncInfoOf(entry).map(readItem);
    // The page marks what it can see; a failure the program counted but no entry explains gets
    // its own failed entry, so 失败数 is always the number of failed entries shown.
    const reported = Math.max(0, int(entry.failNum));
    const seen = items.reduce((n, i) => n + (i.isSuccess ? 0 : Math.max(1, i.failedSteps)), 0);
    if (reported > seen) {
      items.push({
        itemName: '未列出的项目', isSuccess: false, cause: null, verified: null, steps: [], failedSteps: 0,
        moreInfo: `程序报告 ${reported} 次失败，其中 ${reported - seen} 次未列出具体项目`,
      });
    }
    for (const i of items) i.status = itemStatus(i, reread);
    const failNum = items.filter((i) => !i.isSuccess).length;
    const camera = byKey.get(key) || null;
    byKey.delete(key);
    rows.push({
      key, serial, channelNo, deviceName: text(device.deviceName) || (camera ? camera.devname : ''),
      failNum, reportedFailNum: reported, items, missing: false, camera,
      failed: failNum > 0,
      unverified: items.some((i) => i.status === 'unverified'),
    });
  }
  for (const camera of byKey.values()) {
    rows.push({
      key: camera.key, serial: camera.serial, channelNo: camera.channelNo,
      deviceName: camera.devname, failNum: 0, reportedFailNum: 0, items: [], missing: true, camera, failed: true, unverified: false,
    });
  }
  return rows;
}

// A progress answer: the camera that just finished and the pass's counts; null when it names
// no camera.
export function readIssueProgress(value) {
  if (!isObject(value) || typeof value.serial !== 'string' || !value.serial) return null;
  const channelNo = int(value.channelNo);
  return {
    key: cameraKey(value.serial, channelNo), failNum: Math.max(0, int(value.failNum)),
    done: Math.max(0, int(value.done)), total: Math.max(0, int(value.total)),
  };
}

// Cameras that failed, cameras that only have items the camera did not keep, and the rest.
export function summarize(rows) {
  const failed = rows.filter((r) => r.failed).length;
  const unverified = rows.filter((r) => !r.failed && r.unverified).length;
  const count = (status) => rows.reduce((n, r) => n + r.items.filter((i) => i.status === status).length, 0);
  return {
    total: rows.length, failed, unverified, succeeded: rows.length - failed - unverified,
    unverifiedItems: count('unverified'), uncheckedItems: count('unchecked'),
  };
}

// Cameras worth issuing again: a failed item, no result, or an item the camera did not keep.
export const needsRetry = (row) => row.failed || row.unverified;

function csvField(value) {
  let s = String(value);
  // A leading formula character would be run by spreadsheet programs.
  if (/^[=+\-@\t\r]/.test(s)) s = `'${s}`;
  return /[",\r\n]/.test(s) ? `"${s.replace(/"/g, '""')}"` : s;
}

export const CSV_HEADER = ['摄像机名称', '序列号', '通道', '失败数', '配置项', '结果', '详细信息', '失败原因', '复核'];

// CSV text of a result table: one line per item (a camera without items gets one line), with
// a byte order mark and CRLF line ends so spreadsheet programs read the Chinese text.
export function buildResultCsv(rows) {
  const lines = [CSV_HEADER];
  for (const r of rows) {
    const head = [r.deviceName, r.serial, r.channelNo, r.failNum];
    if (r.missing) lines.push([...head, '', '失败', '未返回结果', '', '']);
    else if (r.items.length === 0) lines.push([...head, '', r.failed ? '失败' : '无下发项', '', '', '']);
    for (const i of r.items) {
      lines.push([...head, i.itemName, i.isSuccess ? '成功' : '失败', i.moreInfo,
        i.isSuccess ? '' : causeLabel(i.cause), CHECK_LABELS[i.status] || '']);
    }
  }
  return `\ufeff${lines.map((l) => l.map(csvField).join(',')).join('\r\n')}\r\n`;
}

export function csvFileName(date = new Date()) {
  const p = (n) => String(n).padStart(2, '0');
  return `下发结果_${date.getFullYear()}${p(date.getMonth() + 1)}${p(date.getDate())}_${p(date.getHours())}${p(date.getMinutes())}${p(date.getSeconds())}.csv`;
}
