// Reading many cameras at once (query 20, answer 14): the preview of an issue, built from each
// target's current configuration, and the online column of the cameras read.

import { RequestChannel, parseAnswer } from './bridge.js';
import { cameraObject } from './camera_model.js';
import { buildPreview, readConfigs } from './changes.js';
import { changed, known, options, query, state, visibleCameras } from './controller.js';

// Made on first use: this module and the controller import each other.
let channel = null;
function readChannel() {
  if (!channel) {
    channel = new RequestChannel(
      (e) => query(20, JSON.stringify({ cameras: e.cameras.map((camera) => cameraObject(known(camera))) })),
      { timeoutMs: options.requestTimeoutMs, onTimeout: (e) => configsRead(e, null) },
    );
  }
  return channel;
}

// Answer 14 (or its time-out, `configs` null): the preview of the issue it was read for, and
// the online column of every camera read.
function configsRead(entry, configs) {
  for (const c of configs || []) {
    const status = c.ok ? 'online' : c.cause === 'unreachable' || c.cause === 'timeout' ? 'offline'
      : c.cause === 'auth' ? 'auth' : 'failed';
    state.online.set(c.key, { status, at: Date.now() });
  }
  if (!configs) {
    for (const camera of entry.cameras) {
      if ((state.online.get(camera.key) || {}).status === 'checking') state.online.delete(camera.key);
    }
  }
  if (entry.purpose === 'preview' && state.confirm === entry.confirm) {
    const q = state.confirm;
    if (!configs) {
      q.preview = { status: 'failed', rows: [], unread: [], error: '未能读取目标摄像机的当前配置，无法预览修改' };
    } else {
      const byKey = new Map(configs.map((c) => [c.key, c]));
      const list = q.cameras.map((camera) => byKey.get(camera.key) || { key: camera.key, ok: false, cause: '' });
      q.preview = {
        status: 'loaded', rows: buildPreview(q.request.configItems, list),
        unread: list.filter((c) => !c.ok).map((c) => c.key),
      };
    }
  }
  changed();
}

// Sends (or queues) a read of many cameras. A queued read it replaces never runs: its cameras
// stop showing 检测中.
export function requestRead(entry) {
  const dropped = readChannel().waiting;
  if (dropped) {
    for (const camera of dropped.cameras) {
      if ((state.online.get(camera.key) || {}).status === 'checking') state.online.delete(camera.key);
    }
  }
  readChannel().request(entry);
}

// Reads the shown cameras again to fill the online column.
export function refreshOnline(cameras = visibleCameras()) {
  if (cameras.length === 0) return;
  for (const camera of cameras) state.online.set(camera.key, { status: 'checking', at: Date.now() });
  requestRead({ purpose: 'online', cameras });
  changed();
}

// Answer 14: taken by the read in flight; unreadable, it counts as a read that failed.
export function configsAnswered(text, keyOf) {
  const entry = readChannel().resolve();
  if (!entry) {
    state.ignoredAnswers += 1;
    return;
  }
  const a = parseAnswer(text);
  configsRead(entry, a.ok ? readConfigs(a.value, keyOf) : null);
}
