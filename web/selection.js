// Selection at scale: search across every group and origin, choosing many cameras at once
// (a page, a whole group across its pages, every match), and one password checked against the
// chosen cameras that still need one.

import {
  needsPassword, pageChannel, passwordChannel, recheckIssue, state, changed, toast, visibleCameras,
} from './controller.js';

// Every camera of every group and origin matching the search (name, IP or serial), once each,
// in name order.
export function searchResults() {
  const words = state.search.trim().toLowerCase();
  if (!words) return [];
  const seen = new Map();
  const lists = [state.all.platform, state.all.local, ...state.groups.map((g) => g.cameras),
    ...state.groupLists.values(), state.page ? state.page.cameras : []];
  for (const camera of lists.flat()) {
    const hay = `${camera.devname}\n${camera.devip}\n${camera.serial}`.toLowerCase();
    if (!seen.has(camera.key) && hay.includes(words)) seen.set(camera.key, camera);
  }
  const collator = new Intl.Collator('zh-CN', { numeric: true });
  return [...seen.values()].sort((x, y) => collator.compare(x.devname, y.devname) || collator.compare(x.key, y.key));
}

export function setSearch(text) {
  state.search = String(text);
  state.searchPage = 1;
  changed();
}

export function setSearchPage(pageNum) {
  state.searchPage = Math.max(1, pageNum);
  changed();
}

// Chooses (or drops) many cameras at once; those that need a password wait in `pending` for
// one shared password.
export function setTargets(cameras, on) {
  let locked = 0;
  for (const camera of cameras) {
    if (!on) {
      state.targets.delete(camera.key);
      state.pending.delete(camera.key);
    } else if (needsPassword(camera)) {
      if (!state.targets.has(camera.key)) state.pending.set(camera.key, camera);
      locked += 1;
    } else state.targets.set(camera.key, camera);
  }
  if (locked) toast(`${locked} 台摄像机需要先验证密码，已列入待验证`, 'warn');
  recheckIssue();
  changed();
}

export const setPageTargets = (on) => setTargets(visibleCameras(), on);

// ---- One password for many cameras -----------------------------------------------------------

export function openPasswordMany() {
  const cameras = [...state.pending.values()];
  if (cameras.length === 0) return;
  state.passwordMany = {
    rows: cameras.map((camera) => ({ key: camera.key, camera, status: 'waiting', error: '' })), checking: false, error: '',
  };
  changed();
}

export function closePasswordMany() {
  if (state.passwordMany && state.passwordMany.checking) return;
  state.passwordMany = null;
  changed();
}

// Checks the shared password against each camera still unconfirmed, one after another.
export function submitPasswordMany(passwd) {
  const m = state.passwordMany;
  if (!m || m.checking) return;
  m.error = passwd ? '' : '请输入密码';
  if (!passwd) {
    changed();
    return;
  }
  m.passwd = passwd;
  m.checking = true;
  for (const row of m.rows) if (row.status !== 'ok') Object.assign(row, { status: 'waiting', error: '' });
  checkNextMany();
  changed();
}

function checkNextMany() {
  const m = state.passwordMany;
  const row = m && m.rows.find((r) => r.status === 'waiting');
  if (!row) {
    if (m) m.checking = false;
    return;
  }
  row.status = 'checking';
  passwordChannel.request({ key: row.key, camera: row.camera, passwd: m.passwd, many: true });
}

export function manyAnswered(entry, ok, error) {
  const m = state.passwordMany;
  const row = m && m.rows.find((r) => r.key === entry.key && r.status === 'checking');
  if (!row) return;
  row.status = ok ? 'ok' : 'failed';
  row.error = ok ? '' : error;
  if (ok) {
    state.confirmed.set(entry.key, entry.passwd);
    state.pending.delete(entry.key);
    state.targets.set(entry.key, row.camera);
  }
  checkNextMany();
  recheckIssue();
  changed();
}

// ---- The whole group -------------------------------------------------------------------------

// Chooses every camera of the shown group (or search, or origin) across its pages; a group is
// read whole first.
export function setWholeGroup(on) {
  if (state.search.trim() || state.selection === 'all') {
    setTargets(state.search.trim() ? searchResults() : state.all[state.all.origin], on);
    return;
  }
  const g = state.page;
  if (!g) return;
  const list = state.groupLists.get(g.groupId);
  if (list || !on) {
    setTargets(list || g.cameras, on);
    return;
  }
  pageChannel.request({ groupId: g.groupId, pageNum: 1, pageSize: Math.max(1, g.total), whole: true });
}

export function wholeGroupRead(entry, page) {
  if (!page) {
    toast('未能读取整个分组的摄像机', 'error');
    return;
  }
  state.groupLists.set(page.groupId, page.cameras);
  setTargets(page.cameras, true);
}

// True when every camera of the shown list (group, search or origin) is chosen.
export function wholeGroupChosen() {
  const list = state.search.trim() ? searchResults() : state.selection === 'all' ? state.all[state.all.origin]
    : state.page && state.groupLists.get(state.page.groupId);
  return Boolean(list && list.length) && list.every((camera) => state.targets.has(camera.key) || state.pending.has(camera.key));
}
