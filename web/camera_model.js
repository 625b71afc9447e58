// Cameras and groups as the page holds them: reading the program's answers into checked
// records, the key of a camera channel, and the camera objects the page sends back.

import { int } from './config_model.js';

const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);
const text = (v) => (typeof v === 'string' ? v : typeof v === 'number' ? String(v) : '');

export const cameraKey = (serial, channelNo) => `${serial}_${channelNo}`;

// A camera object with its eleven members typed as the program reads them, or null when the
// value is not a camera (no object, or no serial).
export function normalizeCamera(v) {
  if (!isObject(v)) return null;
  const serial = text(v.serial);
  if (!serial) return null;
  const camera = {
    serial,
    devname: text(v.devname),
    devip: text(v.devip),
    passwd: text(v.passwd),
    devType: text(v.devType),
    port: int(v.port, 8000),
    channelNo: int(v.channelNo),
    iPlatform: int(v.iPlatform),
    encrypt: v.encrypt === undefined ? true : v.encrypt === true,
    newDev: v.newDev === true,
    CheckPassword: v.CheckPassword === true,
  };
  camera.key = cameraKey(camera.serial, camera.channelNo);
  return camera;
}

export const cameraList = (v) => (Array.isArray(v) ? v.map(normalizeCamera).filter(Boolean) : []);

export const displayName = (c) => (c ? c.devname || c.serial : '');

// The camera object the program expects in requests (without the page's own key member).
export function cameraObject(c) {
  const { key, ...members } = c;
  return members;
}

// {"groupInfo": [...]} into [{groupId, groupName, groupDevNum, cameras}]; groups without a
// usable id are left out.
export function readGroupInfo(value) {
  const list = isObject(value) && Array.isArray(value.groupInfo) ? value.groupInfo : [];
  const groups = [];
  for (const g of list) {
    if (!isObject(g)) continue;
    const groupId = text(g.groupId);
    if (!groupId || groups.some((x) => x.groupId === groupId)) continue;
    groups.push({
      groupId,
      groupName: text(g.groupName) || groupId,
      groupDevNum: Math.max(0, int(g.groupDevNum)),
      cameras: cameraList(g.cameraLst),
    });
  }
  return groups;
}

// One page of a group: {groupId, total, cameras}, or null when the answer is not a page.
export function readGroupPage(value) {
  if (!isObject(value) || typeof value.groupId !== 'string') return null;
  return {
    groupId: value.groupId,
    total: Math.max(0, int(value.groupDevNum)),
    cameras: cameraList(value.cameraLst),
  };
}

export function readAllCameras(value) {
  if (!isObject(value)) return null;
  return { platform: cameraList(value.platformCameraLst), local: cameraList(value.localCameraLst) };
}

export const originLabel = (c) => (c.iPlatform === 0 ? '本地' : '平台');
