// Backups and undo: the list of the program's backup passes (query 21, answer 15) and the
// restore of a whole pass or of its failed cameras (query 22, progress 12, answer 16).

import { cameraKey, normalizeCamera } from './camera_model.js';
import { RequestChannel, parseAnswer } from './bridge.js';
import { int } from './config_model.js';
import * as c from './controller.js';

const { state } = c;
const text = (v) => (typeof v === 'string' ? v : '');

const listChannel = new RequestChannel(() => c.query(21, ''), {
  timeoutMs: c.options.requestTimeoutMs,
  onTimeout: () => listed(null, '读取备份列表超时'),
});

// Answer 15 into [{id, when, kind, cameras: [{key, serial, channelNo, name, items, failNum}], items}].
export function readBackupList(value) {
  if (!c.isObject(value) || !Array.isArray(value.passes)) return null;
  return value.passes.filter((p) => c.isObject(p) && text(p.id)).map((p) => ({
    id: p.id, when: text(p.when), kind: p.kind === 'restore' ? 'restore' : 'issue',
    cameras: (Array.isArray(p.cameras) ? p.cameras : []).filter((x) => c.isObject(x) && text(x.serial)).map((x) => ({
      key: cameraKey(x.serial, int(x.channelNo)), serial: x.serial, channelNo: int(x.channelNo), name: text(x.name),
      items: Array.isArray(x.items) ? x.items.filter((i) => typeof i === 'string') : [], failNum: Math.max(0, int(x.failNum)),
    })),
    items: Array.isArray(p.items) ? p.items.filter((i) => typeof i === 'string') : [],
  }));
}

function listed(passes, error) {
  state.backups = { status: passes ? 'loaded' : 'failed', passes: passes || [], error };
  c.changed();
}

export function refreshBackups() {
  state.backups = { ...state.backups, status: 'loading', error: '' };
  listChannel.request({});
  c.changed();
}

c.onAnswerCode('15', (answer) => {
  if (!listChannel.resolve()) {
    state.ignoredAnswers += 1;
    return;
  }
  const a = parseAnswer(answer);
  const passes = a.ok ? readBackupList(a.value) : null;
  listed(passes, passes ? '' : '备份列表格式错误');
});

// The camera object to log in with: the one the page knows (with a password confirmed here),
// or one built from the backup's own record.
function cameraFor(b) {
  const lists = [[...state.targets.values()], state.all.platform, state.all.local, ...state.groupLists.values(),
    ...state.groups.map((g) => g.cameras), state.page ? state.page.cameras : [],
    ...state.passes.map((p) => p.rows.map((r) => r.camera).filter(Boolean))];
  const found = lists.flat().find((x) => x.key === b.key);
  return c.known(found || normalizeCamera({ serial: b.serial, channelNo: b.channelNo, devname: b.name }));
}

// Restores pass `id` on all its cameras, or only on those that failed in it.
export function restore(id, onlyFailed) {
  const pass = state.backups.passes.find((p) => p.id === id);
  if (!pass) return;
  const chosen = pass.cameras.filter((b) => !onlyFailed || b.failNum > 0);
  if (chosen.length === 0) return;
  c.askUser({
    id: 'restore',
    title: '恢复备份',
    text: `将把 ${chosen.length} 台摄像机恢复到 ${pass.when} 下发之前的配置（${pass.items.join('、') || '全部已写入项目'}）。`,
    okLabel: '开始恢复',
    action: () => c.launchIssue({
      kind: 'restore', passId: id, cameras: chosen.map(cameraFor), configText: '', sectionIds: [],
      label: `恢复 ${pass.when} 的备份${onlyFailed ? '（失败的摄像机）' : ''}`,
    }),
  });
}
