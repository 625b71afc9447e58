// The page's state and everything that changes it: user actions, the requests they send over
// the bridge, and the handling of every answer code, whatever order the answers come in.

import { RequestChannel, callBridge, installAnswerSink, missingBridgeFunctions, parseAnswer } from './bridge.js';
import {
  cameraKey, cameraObject, displayName, normalizeCamera, readAllCameras, readGroupInfo, readGroupPage,
} from './camera_model.js';
import {
  SECTIONS, int, makeDraft, normalizeSections, rangeProblems, readRanges, toRequestJson, validateDraft,
} from './config_model.js';
import { buildChangedRequest, changedSections } from './changes.js';
import { configsAnswered, requestRead } from './reads.js';

export { refreshOnline } from './reads.js';
import { buildResultCsv, csvFileName, needsRetry, readIssueProgress, readIssueResult } from './result_model.js';
import { manyAnswered, searchResults, wholeGroupRead } from './selection.js';

export {
  closePasswordMany, openPasswordMany, searchResults, setPageTargets, setSearch, setSearchPage, setTargets,
  setWholeGroup, submitPasswordMany, wholeGroupChosen,
} from './selection.js';

export const options = Object.assign({ requestTimeoutMs: 60000 }, window.__orvexPageOptions || {});
export const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);

export const PAGE_SIZES = [10, 20, 50];

export const state = {
  missing: missingBridgeFunctions(),
  view: 'cameras',
  groups: [],
  groupsStatus: 'idle', // idle | loading | loaded | failed
  selection: null, // a groupId, or 'all'
  pageSize: 10,
  page: null, // {groupId, pageNum, pageSize, total, cameras, loading, error}
  all: { status: 'idle', platform: [], local: [], origin: 'platform', pageNum: 1 },
  current: null,
  confirmed: new Map(), // camera key -> password confirmed on this page
  targets: new Map(), // camera key -> camera
  source: null, // {camera, key, status, error, draft, base, ranges, rangeStatus, wifi, formVersion}
  sections: new Set(SECTIONS.map((s) => s.id).filter((id) => id !== 'wifi')),
  whole: new Set(), // sections sent whole ("复制整个分区") instead of their changed fields
  issueAttempt: null, // the last refused issue ({kind, ids}): its problems are checked again on every change
  search: '', // name, IP or serial searched across all groups
  searchPage: 1,
  pending: new Map(), // camera key -> chosen camera that still needs its password checked
  online: new Map(), // camera key -> {status: online|offline|auth|failed|checking, at}
  groupLists: new Map(), // groupId -> every camera of the group, once read whole
  ask: null, // a yes/no question: {id, title, text, okLabel, action}
  passwordMany: null, // {rows: [{key, camera, status, error}], checking}
  configName: '',
  savedConfigName: '',
  issueProblems: [],
  confirm: null, // an issue waiting for the user's confirmation
  issue: null, // the issue in progress, with the cameras finished so far (`finished`, `done`, `total`)
  results: null, // the pass shown: {rows, kind, label, configText, error, finishedAt}
  passes: [], // every finished pass of this session, oldest first
  onlyFailed: false,
  backups: { status: 'idle', passes: [], error: '' },
  password: null, // {camera, purpose, checking, error}
  toasts: [],
  title: '',
  lastCsv: '',
  lastDownload: null, // {saved, fileName, path}: what the program said of the last download
  ignoredAnswers: 0,
};

const listeners = new Set();
let renderQueued = false;
export function subscribe(fn) {
  listeners.add(fn);
}
export function changed() {
  if (renderQueued) return;
  renderQueued = true;
  queueMicrotask(() => {
    renderQueued = false;
    for (const fn of listeners) fn(state);
  });
}

let toastId = 0;
export function toast(text, kind = 'info') {
  const id = ++toastId;
  state.toasts.push({ id, text, kind });
  setTimeout(() => {
    state.toasts = state.toasts.filter((t) => t.id !== id);
    changed();
  }, kind === 'error' ? 6000 : 3500);
  changed();
}

// A camera as the page now knows it: a password confirmed here replaces the stored one.
export function known(camera) {
  if (!camera) return camera;
  const passwd = state.confirmed.get(camera.key);
  return passwd === undefined ? camera : { ...camera, passwd, CheckPassword: false };
}
export const needsPassword = (camera) => known(camera).CheckPassword === true;

export const query = (type, param) => callBridge('queryOrvexInfo', String(type), param);
const cameraText = (camera) => JSON.stringify(cameraObject(known(camera)));

export const pageChannel = new RequestChannel(
  (e) => query(2, JSON.stringify({ groupId: e.groupId, camerasPageNum: e.pageNum, pageSize: e.pageSize })),
  { timeoutMs: Math.min(options.requestTimeoutMs, 15000), onTimeout: (e) => pageFailed(e, '读取分组摄像机超时') },
);
const configChannel = new RequestChannel((e) => query(3, cameraText(e.camera)), {
  timeoutMs: options.requestTimeoutMs,
  onTimeout: (e) => configFailed(e, '读取配置超时，请检查设备网络后重试'),
});
const rangeChannel = new RequestChannel((e) => query(8, cameraText(e.camera)), {
  timeoutMs: options.requestTimeoutMs,
  onTimeout: (e) => withSource(e.key, (s) => { s.rangeStatus = 'failed'; }),
});
const wifiChannel = new RequestChannel((e) => query(9, cameraText(e.camera)), {
  timeoutMs: options.requestTimeoutMs,
  onTimeout: (e) => withSource(e.key, (s) => { s.wifi = { status: 'failed', list: [] }; }),
});
export const passwordChannel = new RequestChannel(
  (e) => callBridge('CheckDevPassword', JSON.stringify({ ...cameraObject(e.camera), passwd: e.passwd })),
  {
    timeoutMs: options.requestTimeoutMs,
    onTimeout: (e) => passwordAnswered(e, '密码校验超时，请重试'),
  },
);

export function withSource(key, fn) {
  if (state.source && state.source.key === key) {
    fn(state.source);
    changed();
  }
}

// ---- Camera lists --------------------------------------------------------------------------

export function refreshAll() {
  state.groupsStatus = 'loading';
  if (state.all.status !== 'loaded') state.all.status = 'loading';
  query(1, '');
  query(4, '');
  query(5, '');
  changed();
}

export function selectGroup(selection) {
  state.selection = selection;
  state.all.pageNum = 1;
  if (selection !== 'all') requestPage(1);
  else if (state.all.status !== 'loaded') query(4, '');
  changed();
}

export function requestPage(pageNum) {
  if (!state.selection || state.selection === 'all') return;
  const entry = { groupId: state.selection, pageNum: Math.max(1, pageNum), pageSize: state.pageSize };
  const prev = state.page && state.page.groupId === entry.groupId ? state.page : null;
  state.page = {
    ...entry, total: prev ? prev.total : 0, cameras: prev ? prev.cameras : [], loading: true, error: '',
  };
  pageChannel.request(entry);
  changed();
}

export function setPageSize(size) {
  if (!PAGE_SIZES.includes(size)) return;
  state.pageSize = size;
  state.all.pageNum = 1;
  if (state.selection && state.selection !== 'all') requestPage(1);
  changed();
}

export function setAllOrigin(origin) {
  state.all.origin = origin === 'local' ? 'local' : 'platform';
  state.all.pageNum = 1;
  changed();
}

export function setAllPage(pageNum) {
  state.all.pageNum = Math.max(1, pageNum);
  changed();
}

function pageFailed(entry, error) {
  if (!state.page || state.page.groupId !== entry.groupId) return;
  Object.assign(state.page, { loading: false, error, cameras: [] });
  changed();
}

// The cameras the table shows now: one page of a group, or a slice of all cameras.
export function visibleCameras() {
  if (state.search.trim()) {
    const start = (state.searchPage - 1) * state.pageSize;
    return searchResults().slice(start, start + state.pageSize);
  }
  if (state.selection === 'all') {
    const list = state.all[state.all.origin];
    const start = (state.all.pageNum - 1) * state.pageSize;
    return list.slice(start, start + state.pageSize);
  }
  return state.page && !state.page.loading ? state.page.cameras : [];
}

// ---- Targets and the configuration source ----------------------------------------------------

export function toggleTarget(camera, on) {
  if (on && needsPassword(camera)) {
    openPassword(camera, 'target');
    return;
  }
  if (on) state.targets.set(camera.key, camera);
  else {
    state.targets.delete(camera.key);
    state.pending.delete(camera.key);
  }
  recheckIssue();
  changed();
}

// Asks before dropping every target.
export function clearTargets() {
  const n = state.targets.size + state.pending.size;
  if (n === 0) return;
  askUser({
    id: 'clear-targets', title: '清空目标摄像机', text: `确定要移除全部 ${n} 台目标摄像机吗？`, okLabel: '清空',
    action: () => {
      state.targets.clear();
      state.pending.clear();
      recheckIssue();
    },
  });
}

export function askUser(question) {
  state.ask = question;
  changed();
}

export function answerAsk(ok) {
  const q = state.ask;
  state.ask = null;
  if (q && ok) q.action();
  changed();
}

export function openConfig(camera) {
  if (needsPassword(camera)) {
    openPassword(camera, 'config');
    return;
  }
  if (!state.source || state.source.key !== camera.key || state.source.status === 'failed') setSource(camera);
  setView('config');
}

function setSource(camera) {
  const formVersion = state.source ? state.source.formVersion + 1 : 1;
  state.source = {
    camera, key: camera.key, status: 'loading', error: '', draft: null, base: null, ranges: null,
    rangeStatus: 'idle', wifi: { status: 'idle', list: [] }, formVersion,
  };
  configChannel.request({ key: camera.key, camera });
  changed();
}

export function reloadSource() {
  if (state.source) setSource(state.source.camera);
}

export function refreshWifi() {
  const s = state.source;
  if (!s || s.status !== 'loaded') return;
  s.wifi = { status: 'loading', list: s.wifi.list };
  wifiChannel.request({ key: s.key, camera: s.camera });
  changed();
}

function configFailed(entry, error) {
  withSource(entry.key, (s) => {
    s.status = 'failed';
    s.error = error;
  });
}

// ---- Views, sections, name ------------------------------------------------------------------

export function setView(view) {
  state.view = ['cameras', 'config', 'result'].includes(view) ? view : 'cameras';
  changed();
}

export function setSection(id, on) {
  if (on) state.sections.add(id);
  else state.sections.delete(id);
  if (id === 'wifi' && on) state.sections.add('general');
  if (id === 'general' && !on) state.sections.delete('wifi');
  recheckIssue();
  changed();
}

export function setAllSections(on) {
  state.sections = new Set(on ? SECTIONS.map((s) => s.id) : []);
  recheckIssue();
  changed();
}

// "复制整个分区": send the section whole instead of its changed fields.
export function setWhole(id, on) {
  if (on) state.whole.add(id);
  else state.whole.delete(id);
  recheckIssue();
  changed();
}

// A field of the draft was edited: the problems of a refused issue are checked again.
export function draftEdited() {
  if (state.issueProblems.length) {
    recheckIssue();
    changed();
  }
}

// The sections with a change (or sent whole) among the chosen ones.
export function sectionsToSend(ids) {
  const s = state.source;
  if (!s || !s.draft) return [];
  const changedIds = new Set(changedSections(s.draft, s.base, ids));
  return normalizeSections(ids).filter((id) => state.whole.has(id) || changedIds.has(id));
}

export function saveConfigName(name) {
  const trimmed = String(name).trim();
  state.configName = name;
  if (!trimmed) {
    toast('请输入配置名称', 'warn');
    return;
  }
  if (callBridge('IssuedConfigName', trimmed)) {
    state.savedConfigName = trimmed;
    toast(`已保存配置名称「${trimmed}」`);
  } else {
    toast('无法保存配置名称：客户端接口不可用', 'error');
  }
}

// ---- Issuing ---------------------------------------------------------------------------------

const sectionLabel = (ids) => ids.map((id) => SECTIONS.find((s) => s.id === id).label).join('、');

function issueProblemsFor(ids) {
  const problems = [];
  const s = state.source;
  if (state.missing.length) problems.push('客户端接口不可用，无法下发');
  if (state.issue) problems.push('正在下发配置，请等待完成');
  if (!s || s.status !== 'loaded') problems.push('请先读取一台摄像机的配置作为配置来源');
  if (state.targets.size === 0) problems.push('请先在摄像机列表中选择目标摄像机');
  if (ids.length === 0) problems.push('请至少选择一项要下发的配置');
  if (s && s.draft) {
    const send = sectionsToSend(ids);
    if (ids.length && send.length === 0) problems.push('所选项目没有修改；如需把整个分区复制到目标，请勾选「复制整个分区」');
    problems.push(...validateDraft(s.draft, send));
    problems.push(...rangeProblems(s.draft, s.base, s.ranges, send, state.whole));
  }
  return problems;
}

// A refused issue's problems follow what the installer fixes; they vanish once none is left.
export function recheckIssue() {
  if (!state.issueAttempt) return;
  state.issueProblems = issueProblemsFor(normalizeSections(state.issueAttempt.kind === 'single'
    ? state.issueAttempt.ids : [...state.sections]));
  if (state.issueProblems.length === 0) state.issueAttempt = null;
}

// Checks an issue of `sectionIds`, reads the targets' current configuration for the preview
// and asks the user to confirm it.
export function requestIssue(kind, sectionIds) {
  const ids = normalizeSections(sectionIds);
  const problems = issueProblemsFor(ids);
  state.issueProblems = problems;
  state.issueAttempt = problems.length ? { kind, ids } : null;
  if (problems.length === 0) {
    const s = state.source;
    const send = sectionsToSend(ids);
    const request = buildChangedRequest(s.draft, s.base, send, state.whole);
    const cameras = [...state.targets.values()].map(known);
    state.confirm = {
      kind, sectionIds: send, label: sectionLabel(send), cameras, request,
      configText: toRequestJson(request), preview: { status: 'loading', rows: [], unread: [] },
    };
    requestRead({ purpose: 'preview', cameras, confirm: state.confirm });
  }
  changed();
}

export function cancelIssue() {
  state.confirm = null;
  changed();
}

export function confirmIssue() {
  const c = state.confirm;
  state.confirm = null;
  if (c) launchIssue(c);
  changed();
}

const ISSUE_CODES = { single: '10', all: '7', restore: '16' };

// Starts a pass: an issue of `configText`, or (kind "restore") a restore of backup `passId`.
export function launchIssue({ kind, cameras, configText, sectionIds, label, passId }) {
  if (state.issue) return;
  const list = JSON.stringify(cameras.map(cameraObject));
  const sent = kind === 'restore'
    ? query(22, JSON.stringify({ passId, cameras: cameras.map(cameraObject) }))
    : callBridge(kind === 'single' ? 'IssuedSingleCfgToCameras' : 'IssuedConfigToCameras', list, configText);
  if (!sent) {
    toast('无法下发：客户端接口不可用', 'error');
    return;
  }
  state.issue = {
    kind, code: ISSUE_CODES[kind], cameras, configText, sectionIds, label, passId,
    startedAt: Date.now(), finished: new Map(), done: 0, total: cameras.length,
  };
  state.view = 'result';
  changed();
}

export function retryFailed() {
  const r = state.results;
  if (!r || state.issue) return;
  const cameras = r.rows.filter((row) => needsRetry(row) && row.camera).map((row) => known(row.camera));
  if (cameras.length === 0) return;
  launchIssue({
    kind: r.kind, cameras, configText: r.configText, sectionIds: r.sectionIds, passId: r.passId,
    label: r.label.startsWith('重试：') ? r.label : `重试：${r.label}`,
  });
}

export function showPass(index) {
  if (state.passes[index]) state.results = state.passes[index];
  changed();
}

export function setOnlyFailed(on) {
  state.onlyFailed = Boolean(on);
  changed();
}

export function exportCsv() {
  if (!state.results) return;
  state.lastCsv = buildResultCsv(state.results.rows);
  const url = URL.createObjectURL(new Blob([state.lastCsv], { type: 'text/csv;charset=utf-8' }));
  const a = document.createElement('a');
  a.href = url;
  a.download = csvFileName();
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
  toast('已导出下发结果');
}

// The running issue's cameras in request order: waiting, or done with their failNum.
export function progressRows(run) {
  return run.cameras.map((camera) => {
    const failNum = run.finished.has(camera.key) ? run.finished.get(camera.key) : null;
    const status = failNum === null ? 'waiting' : failNum > 0 ? 'failed' : 'done';
    return { key: camera.key, camera, status, failNum };
  });
}

// ---- Password prompt -------------------------------------------------------------------------

export function openPassword(camera, purpose) {
  state.password = { camera, purpose, checking: false, error: '' };
  changed();
}

export function submitPassword(passwd) {
  const p = state.password;
  if (!p || p.checking) return;
  if (!passwd) {
    p.error = '请输入密码';
    changed();
    return;
  }
  p.checking = true;
  p.error = '';
  passwordChannel.request({ key: p.camera.key, camera: p.camera, passwd });
  changed();
}

// Typing again clears the last password error.
export function passwordTyped() {
  if (state.password && state.password.error) {
    state.password.error = '';
    changed();
  }
}

export function cancelPassword() {
  state.password = null;
  passwordChannel.cancelWaiting();
  changed();
}

function passwordAnswered(entry, error) {
  if (entry.many) {
    manyAnswered(entry, false, error);
    return;
  }
  const p = state.password;
  if (!p || p.camera.key !== entry.key) return;
  p.checking = false;
  p.error = error;
  changed();
}

function passwordConfirmed(entry) {
  state.confirmed.set(entry.key, entry.passwd);
  const { camera, purpose } = state.password;
  state.password = null;
  toast(`摄像机「${displayName(camera)}」密码验证通过`);
  // "验证并配置" also makes the camera a target: it is configured to be issued to.
  toggleTarget(known(camera), true);
  if (purpose !== 'target') openConfig(known(camera));
  changed();
}

// ---- Answers ---------------------------------------------------------------------------------

const keyOf = (serial, channelNo) => (typeof serial === 'string' && serial ? cameraKey(serial, int(channelNo)) : null);

const handlers = {
  1(text) {
    const a = parseAnswer(text);
    state.groups = a.ok ? readGroupInfo(a.value) : [];
    state.groupsStatus = a.ok || a.empty ? 'loaded' : 'failed';
    const stillThere = state.selection === 'all' || state.groups.some((g) => g.groupId === state.selection);
    if (!stillThere) selectGroup(state.groups.length ? state.groups[0].groupId : 'all');
  },
  2(text) {
    const a = parseAnswer(text);
    const page = a.ok ? readGroupPage(a.value) : null;
    const entry = pageChannel.resolve(page ? (e) => e.groupId === page.groupId : undefined);
    if (entry && entry.whole) {
      wholeGroupRead(entry, page);
      return;
    }
    if (!entry || !state.page || state.page.groupId !== entry.groupId) return;
    if (!page) {
      pageFailed(entry, a.empty ? '未能读取该分组的摄像机' : '分组摄像机数据格式错误');
      return;
    }
    const lastPage = Math.max(1, Math.ceil(page.total / entry.pageSize));
    if (page.cameras.length === 0 && entry.pageNum > lastPage) {
      requestPage(lastPage);
      return;
    }
    state.page = { ...entry, total: page.total, cameras: page.cameras, loading: false, error: '' };
  },
  3(text) {
    const a = parseAnswer(text);
    const v = a.ok && isObject(a.value) ? a.value : null;
    const id = v && keyOf(v.subSerial, v.channelNo);
    const entry = configChannel.resolve(id ? (e) => e.key === id : undefined);
    if (!entry) return;
    if (v) state.online.set(entry.key, { status: isObject(v.configItems) ? 'online' : 'failed', at: Date.now() });
    if (!v || !isObject(v.configItems)) {
      configFailed(entry, !a.ok ? (a.empty ? '未收到配置数据' : '配置数据格式错误')
        : '无法读取该摄像机的配置：登录失败或设备无法连接');
      return;
    }
    withSource(entry.key, (s) => {
      s.status = 'loaded';
      s.draft = makeDraft(v.configItems);
      s.base = makeDraft(v.configItems);
      s.formVersion += 1;
      if (!s.ranges) {
        s.rangeStatus = 'loading';
        rangeChannel.request({ key: s.key, camera: s.camera });
      }
      s.wifi = { status: 'loading', list: [] };
      wifiChannel.request({ key: s.key, camera: s.camera });
    });
  },
  8(text) {
    const a = parseAnswer(text);
    const v = a.ok && isObject(a.value) ? a.value : null;
    const id = v && keyOf(v.serial, v.channelNo);
    const entry = rangeChannel.resolve(id ? (e) => e.key === id : undefined);
    const key = id || (entry && entry.key);
    if (!key) return;
    withSource(key, (s) => {
      if (!id) {
        s.rangeStatus = 'failed';
        return;
      }
      s.ranges = readRanges(v);
      s.rangeStatus = 'loaded';
      s.formVersion += 1;
    });
  },
  9(text) {
    const entry = wifiChannel.resolve();
    if (!entry) return;
    const a = parseAnswer(text);
    withSource(entry.key, (s) => {
      if (!a.ok || !Array.isArray(a.value)) {
        s.wifi = { status: 'failed', list: [] };
        return;
      }
      const names = a.value.map((n) => (isObject(n) && typeof n.ssid === 'string' ? n.ssid : ''));
      s.wifi = { status: 'loaded', list: [...new Set(names.filter(Boolean))] };
    });
  },
  11(text) {
    const a = parseAnswer(text);
    const v = a.ok && isObject(a.value) ? a.value : null;
    const id = v && keyOf(v.serial, v.channelNo);
    const entry = passwordChannel.resolve(id ? (e) => e.key === id : undefined);
    if (!entry) return;
    if (entry.many) manyAnswered(entry, v && v.result === true, v && v.result === false ? '密码错误' : '密码校验失败');
    else if (v && v.result === true) {
      if (state.password && state.password.camera.key === entry.key) passwordConfirmed(entry);
      else state.confirmed.set(entry.key, entry.passwd);
    } else {
      passwordAnswered(entry, v && v.result === false ? '密码错误，请重新输入' : '密码校验失败，请重试');
    }
  },
  4(text) {
    const a = parseAnswer(text);
    const all = a.ok ? readAllCameras(a.value) : null;
    if (all) Object.assign(state.all, all, { status: 'loaded' });
    else if (state.all.status !== 'loaded') Object.assign(state.all, { status: 'failed', platform: [], local: [] });
  },
  5(text) {
    const a = parseAnswer(text);
    const camera = a.ok ? normalizeCamera(a.value) : null;
    if (!camera) return;
    state.current = camera;
    if (!state.source && !needsPassword(camera)) setSource(camera);
  },
  7: (text) => issueAnswered('7', text),
  10: (text) => issueAnswered('10', text),
  12: issueProgressed,
  13: downloadSaved,
  14: (text) => configsAnswered(text, keyOf),
  16: (text) => issueAnswered('16', text),
};

// Answer handlers other modules add (the backup list).
export function onAnswerCode(code, fn) {
  handlers[code] = fn;
}

// The program saved a download the page started (or could not): says where it went.
function downloadSaved(text) {
  const a = parseAnswer(text);
  const d = a.ok && isObject(a.value) ? a.value : null;
  if (!d || typeof d.saved !== 'boolean' || typeof d.fileName !== 'string' || typeof d.path !== 'string') {
    state.ignoredAnswers += 1;
    return;
  }
  state.lastDownload = { saved: d.saved, fileName: d.fileName, path: d.path };
  if (d.saved) toast(`已保存到 ${d.path}`);
  else toast(`未能保存 ${d.fileName}`, 'error');
}

// One camera of the running issue has finished. The counts are the program's, kept from going
// backwards; a total smaller than the cameras already reported falls back to the request's
// camera count. Progress with no issue running, or naming a camera outside it, is ignored.
function issueProgressed(text) {
  const run = state.issue;
  const a = parseAnswer(text);
  const p = run && a.ok ? readIssueProgress(a.value) : null;
  if (!p || !run.cameras.some((camera) => camera.key === p.key)) {
    state.ignoredAnswers += 1;
    return;
  }
  run.finished.set(p.key, p.failNum);
  run.total = p.total >= run.finished.size ? p.total : run.cameras.length;
  run.done = Math.min(run.total, Math.max(run.done, p.done, run.finished.size));
}

function issueAnswered(code, text) {
  const run = state.issue;
  if (!run || run.code !== code) {
    state.ignoredAnswers += 1;
    return;
  }
  const a = parseAnswer(text);
  // A restore answers {"passId", "camerasSyncInfo": [...as an issue...], "error"}.
  const v = a.ok && run.kind === 'restore' && isObject(a.value) ? a.value : null;
  const list = v ? (Array.isArray(v.camerasSyncInfo) ? v.camerasSyncInfo : null) : a.ok ? a.value : undefined;
  let rows = list === undefined ? null : readIssueResult(list, run.cameras);
  let error = rows ? '' : a.empty ? '未收到下发结果，所有目标摄像机的结果未知' : '下发结果格式错误，所有目标摄像机的结果未知';
  if (v && typeof v.error === 'string' && v.error) error = v.error;
  if (!rows) rows = readIssueResult(null, run.cameras);
  for (const row of rows) {
    if (row.missing || row.items.length === 0) continue;
    const down = row.items.every((i) => i.cause === 'unreachable' || i.cause === 'timeout');
    state.online.set(row.key, { status: down ? 'offline' : 'online', at: Date.now() });
  }
  state.issue = null;
  state.results = {
    rows, error, kind: run.kind, label: run.label, sectionIds: run.sectionIds, passId: run.passId,
    configText: run.configText, finishedAt: Date.now(), number: state.passes.length + 1,
  };
  state.passes.push(state.results);
}

function onAnswer(code, text) {
  const handler = handlers[code];
  if (handler) handler(text);
  else state.ignoredAnswers += 1;
  changed();
}

// Defines SetMsgToH5 and asks for the first data. A host that binds the bridge a little after
// the page's scripts run is waited for during a few seconds; until then the page says it is
// not connected.
export function start() {
  installAnswerSink(onAnswer);
  const begin = () => {
    state.missing = missingBridgeFunctions();
    if (state.missing.length === 0) refreshAll();
    changed();
    return state.missing.length === 0;
  };
  if (begin()) return;
  let tries = 0;
  const timer = setInterval(() => {
    tries += 1;
    if (begin() || tries >= 10) clearInterval(timer);
  }, 300);
}

// ---- Title and test summary ----------------------------------------------------------------

export function titleFor(s) {
  if (s.view === 'config') {
    return s.source ? `批量配置 - 参数配置（${displayName(s.source.camera)}）` : '批量配置 - 参数配置';
  }
  if (s.view === 'result') return s.issue ? '批量配置 - 正在下发' : '批量配置 - 下发结果';
  return '批量配置 - 摄像机列表';
}

export function syncTitle() {
  const title = titleFor(state);
  if (title === state.title) return;
  state.title = title;
  document.title = title;
  callBridge('changeTitle', title);
}

// A read-only summary of the page for tests that drive it from outside.
export function pageSummary() {
  const s = state.source;
  return {
    bridgeMissing: [...state.missing],
    view: state.view,
    title: state.title,
    groups: state.groups.map(({ groupId, groupName, groupDevNum }) => ({ groupId, groupName, groupDevNum })),
    groupsStatus: state.groupsStatus,
    selection: state.selection,
    page: state.page && {
      groupId: state.page.groupId, pageNum: state.page.pageNum, pageSize: state.page.pageSize,
      total: state.page.total, loading: state.page.loading, error: state.page.error,
      cameras: state.page.cameras.map((c) => c.key),
    },
    allCameras: { status: state.all.status, platform: state.all.platform.map((c) => c.key), local: state.all.local.map((c) => c.key) },
    visibleCameras: visibleCameras().map((c) => c.key),
    currentCamera: state.current && state.current.key,
    source: s && {
      key: s.key, status: s.status, error: s.error, rangeStatus: s.rangeStatus,
      wifiStatus: s.wifi.status, wifi: [...s.wifi.list], draft: s.draft && JSON.parse(JSON.stringify(s.draft)),
      changedSections: s.draft ? changedSections(s.draft, s.base, SECTIONS.map((x) => x.id)) : [],
    },
    targets: [...state.targets.keys()],
    pending: [...state.pending.keys()],
    search: state.search,
    online: Object.fromEntries([...state.online].map(([k, v]) => [k, v.status])),
    sections: normalizeSections([...state.sections]),
    wholeSections: normalizeSections([...state.whole]),
    issueProblems: [...state.issueProblems],
    confirming: state.confirm && {
      kind: state.confirm.kind, sections: state.confirm.sectionIds, cameras: state.confirm.cameras.map((c) => c.key),
      configText: state.confirm.configText,
      preview: { status: state.confirm.preview.status, unread: [...state.confirm.preview.unread],
        rows: state.confirm.preview.rows.map((r) => JSON.parse(JSON.stringify(r))) },
    },
    ask: state.ask && { id: state.ask.id, text: state.ask.text },
    passwordMany: state.passwordMany && {
      checking: state.passwordMany.checking, rows: state.passwordMany.rows.map(({ key, status, error }) => ({ key, status, error })),
    },
    issue: state.issue && {
      kind: state.issue.kind, cameras: state.issue.cameras.map((c) => c.key), startedAt: state.issue.startedAt,
      done: state.issue.done, total: state.issue.total,
      rows: progressRows(state.issue).map(({ key, status, failNum }) => ({ key, status, failNum })),
    },
    passes: state.passes.map((r) => ({ number: r.number, kind: r.kind, label: r.label, cameras: r.rows.length,
      failed: r.rows.filter((row) => row.failed).length })),
    shownPass: state.results ? state.passes.indexOf(state.results) : -1,
    onlyFailed: state.onlyFailed,
    backups: { status: state.backups.status, error: state.backups.error, passes: state.backups.passes.map((b) => ({ ...b })) },
    results: state.results && {
      kind: state.results.kind, error: state.results.error, label: state.results.label,
      rows: state.results.rows.map(({ key, failNum, failed, unverified, missing, items }) => ({
        key, failNum, failed, unverified, missing, items: items.map((i) => ({ ...i })),
      })),
    },
    password: state.password && { camera: state.password.camera.key, purpose: state.password.purpose, checking: state.password.checking, error: state.password.error },
    savedConfigName: state.savedConfigName,
    lastCsv: state.lastCsv,
    lastDownload: state.lastDownload && { ...state.lastDownload },
    ignoredAnswers: state.ignoredAnswers,
  };
}
