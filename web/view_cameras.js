// The camera list view: groups on the left, one page of the chosen group (or all cameras by
// origin) in the middle, and the chosen target cameras on the right.

import { h, fill } from './dom.js';
import { displayName, originLabel } from './camera_model.js';
import * as c from './controller.js';

function groupList(s) {
  const items = s.groups.map((g) => h('li', {},
    h('button', {
      class: `group${s.selection === g.groupId ? ' active' : ''}`, 'data-testid': 'group-item',
      'data-group-id': g.groupId, title: g.groupName, onclick: () => c.selectGroup(g.groupId),
    }, h('span', { class: 'name' }, g.groupName), h('span', { class: 'count' }, g.groupDevNum))));
  let note = null;
  if (s.groupsStatus === 'loading' && s.groups.length === 0) note = h('p', { class: 'muted pad' }, '正在读取分组…');
  else if (s.groupsStatus === 'failed') note = h('p', { class: 'error pad' }, '分组信息格式错误，请刷新重试');
  else if (s.groupsStatus === 'loaded' && s.groups.length === 0) note = h('p', { class: 'muted pad' }, '暂无分组');
  return h('aside', { class: 'panel groups' },
    h('div', { class: 'panel-head' }, h('h2', {}, '分组'),
      h('button', { id: 'refresh-groups', class: 'link', onclick: c.refreshAll, disabled: s.missing.length > 0 }, '刷新')),
    h('ul', { id: 'group-list', class: 'group-list' }, items),
    note,
    h('div', { class: 'group-all' },
      h('button', {
        id: 'group-all', class: `group${s.selection === 'all' ? ' active' : ''}`,
        onclick: () => c.selectGroup('all'),
      }, h('span', { class: 'name' }, '全部摄像机'),
      h('span', { class: 'count' }, s.all.platform.length + s.all.local.length))));
}

const ONLINE = {
  online: ['在线', 'ok'], offline: ['离线', 'fail'], auth: ['在线，密码错误', 'warn'], failed: ['读取失败', 'warn'],
  checking: ['检测中…', ''],
};

// Reachability from the last read of the camera; nothing is claimed before a read.
function onlineCell(key, s) {
  const o = s.online.get(key);
  const [label, kind] = o ? ONLINE[o.status] : ['未检测', ''];
  return h('td', { 'data-testid': 'online', 'data-online': o ? o.status : 'unknown' },
    kind ? h('span', { class: `tag ${kind}` }, label) : h('span', { class: 'muted' }, label));
}

function passwordCell(cam, s) {
  if (s.pending.has(cam.key)) return h('span', { class: 'tag warn' }, '待验证');
  if (cam.CheckPassword) return h('span', { class: 'tag warn' }, '需验证密码');
  return s.confirmed.has(cam.key) ? h('span', { class: 'tag ok' }, '已验证') : h('span', { class: 'muted' }, '—');
}

function cameraRow(camera, s) {
  const cam = c.known(camera);
  const isCurrent = s.current && s.current.key === cam.key;
  const chosen = s.targets.has(cam.key) || s.pending.has(cam.key);
  const isSource = s.source && s.source.key === cam.key;
  return h('tr', {
    'data-testid': 'camera-row', 'data-key': cam.key,
    class: [isCurrent && 'is-current', chosen && 'is-chosen'].filter(Boolean).join(' '),
  },
  h('td', { class: 'col-check' }, h('input', {
    type: 'checkbox', 'data-testid': 'target-check', checked: chosen, 'aria-label': '选为目标',
    onchange: (e) => { e.target.checked = chosen; c.toggleTarget(camera, !chosen); },
  })),
  h('td', { class: 'col-name' }, h('span', { class: 'cam-name', title: displayName(cam) }, displayName(cam)),
    isCurrent ? h('span', { class: 'tag current' }, '当前摄像机') : null,
    isSource ? h('span', { class: 'tag source' }, '配置来源') : null),
  h('td', {}, cam.devip || '—'),
  h('td', { class: 'mono' }, cam.serial),
  h('td', {}, cam.channelNo),
  h('td', {}, originLabel(cam)),
  onlineCell(cam.key, s),
  h('td', {}, passwordCell(cam, s)),
  h('td', { class: 'col-action' }, h('button', {
    class: 'btn small', 'data-testid': 'open-config', onclick: () => c.openConfig(camera),
  }, cam.CheckPassword ? '验证并配置' : '配置')));
}

function pager(pageNum, total, pageSize, go) {
  const pages = Math.max(1, Math.ceil(total / pageSize));
  return h('div', { class: 'pager' },
    h('label', { class: 'page-size' }, '每页',
      h('select', { id: 'page-size', onchange: (e) => c.setPageSize(Number(e.target.value)) },
        c.PAGE_SIZES.map((n) => h('option', { value: String(n), selected: n === pageSize }, `${n} 条`)))),
    h('span', { class: 'muted' }, `共 ${total} 台`),
    h('button', { id: 'page-prev', class: 'btn small', disabled: pageNum <= 1, onclick: () => go(pageNum - 1) }, '上一页'),
    h('span', { id: 'page-info' }, `第 ${pageNum} / ${pages} 页`),
    h('button', { id: 'page-next', class: 'btn small', disabled: pageNum >= pages, onclick: () => go(pageNum + 1) }, '下一页'));
}

function cameraPanel(s) {
  const all = s.selection === 'all';
  const group = s.groups.find((g) => g.groupId === s.selection);
  const rows = c.visibleCameras();
  let title = '请选择分组';
  let status = null;
  let foot = null;
  if (s.search.trim()) {
    title = '搜索结果';
    const found = c.searchResults();
    if (found.length === 0) status = '没有名称、IP 或序列号匹配的摄像机';
    foot = pager(s.searchPage, found.length, s.pageSize, c.setSearchPage);
  } else if (all) {
    title = '全部摄像机';
    const list = s.all[s.all.origin];
    if (s.all.status === 'loading') status = '正在读取摄像机…';
    else if (s.all.status === 'failed') status = '摄像机数据格式错误，请刷新重试';
    else if (list.length === 0) status = s.all.origin === 'platform' ? '暂无平台摄像机' : '暂无本地摄像机';
    foot = pager(s.all.pageNum, list.length, s.pageSize, c.setAllPage);
  } else if (s.page) {
    title = group ? group.groupName : s.page.groupId;
    if (s.page.loading) status = '正在读取摄像机…';
    else if (s.page.error) status = s.page.error;
    else if (rows.length === 0) status = '该分组暂无摄像机';
    foot = pager(s.page.pageNum, s.page.total, s.pageSize, c.requestPage);
  } else {
    status = s.missing.length ? '未连接到客户端，无法读取摄像机' : '请选择左侧的分组';
  }
  const origins = all && !s.search.trim() ? h('div', { class: 'segmented' },
    ['platform', 'local'].map((o) => h('button', {
      id: `origin-${o}`, class: s.all.origin === o ? 'active' : '', onclick: () => c.setAllOrigin(o),
    }, `${o === 'platform' ? '平台摄像机' : '本地摄像机'}（${s.all[o].length}）`))) : null;
  return h('section', { class: 'panel cameras' },
    h('div', { class: 'panel-head' }, h('h2', { id: 'camera-panel-title' }, title), origins,
      h('div', { class: 'spacer' }),
      h('input', {
        id: 'camera-search', type: 'search', placeholder: '搜索名称、IP 或序列号', value: s.search, autocomplete: 'off',
        oninput: (e) => c.setSearch(e.target.value),
      }),
      h('button', {
        id: 'refresh-online', class: 'btn small', disabled: rows.length === 0 || s.missing.length > 0,
        title: '重新读取本页摄像机，更新在线状态', onclick: () => c.refreshOnline(),
      }, '刷新在线状态'),
      h('button', { id: 'select-page', class: 'btn small', disabled: rows.length === 0, onclick: () => c.setPageTargets(true) }, '本页全选'),
      h('button', { id: 'unselect-page', class: 'btn small', disabled: rows.length === 0, onclick: () => c.setPageTargets(false) }, '取消本页')),
    h('div', { class: 'table-wrap' },
      h('table', { id: 'camera-table', class: 'table' },
        h('thead', {}, h('tr', {}, h('th', { class: 'col-check' }, h('input', {
          id: 'select-group', type: 'checkbox', checked: c.wholeGroupChosen(), disabled: rows.length === 0,
          title: '选择整个分组（所有页）', 'aria-label': '选择整个分组',
          onchange: (e) => { const on = e.target.checked; e.target.checked = !on; c.setWholeGroup(on); },
        })), ['名称', 'IP 地址', '序列号', '通道', '来源', '状态', '密码', '操作'].map((t) => h('th', {}, t)))),
        h('tbody', {}, rows.map((cam) => cameraRow(cam, s)))),
      status ? h('p', { id: 'camera-status', class: `table-note${/错误|未能|超时/.test(status) ? ' error' : ''}` }, status) : null),
    foot);
}

function pendingBox(s) {
  if (s.pending.size === 0) return null;
  return h('div', { class: 'pending-box' },
    h('p', { class: 'small' }, `${s.pending.size} 台已选摄像机需要先验证密码：`),
    h('ul', { class: 'pending-list' }, [...s.pending.values()].map((p) => h('li', { 'data-testid': 'pending-item', 'data-key': p.key },
      h('span', { class: 'cam-name' }, displayName(p)),
      h('button', { class: 'icon', 'data-testid': 'pending-remove', title: '移除', onclick: () => c.toggleTarget(p, false) }, '×')))),
    h('button', { id: 'verify-pending', class: 'btn small block', onclick: c.openPasswordMany }, '对选中的需验证摄像机使用同一密码'));
}

function targetPanel(s) {
  const targets = [...s.targets.values()].map(c.known);
  return h('aside', { class: 'panel targets' },
    h('div', { class: 'panel-head' }, h('h2', {}, '目标摄像机 ', h('span', { id: 'target-count', class: 'badge' }, targets.length)),
      h('button', { id: 'clear-targets', class: 'link', disabled: targets.length + s.pending.size === 0, onclick: c.clearTargets }, '清空')),
    pendingBox(s),
    targets.length === 0
      ? h('p', { class: 'muted pad' }, '勾选左侧表格中的摄像机，可跨分组选择多台作为下发目标。')
      : h('ul', { id: 'target-list', class: 'target-list' }, targets.map((t) => h('li', { 'data-testid': 'target-item', 'data-key': t.key },
        h('div', {}, h('div', { class: 'cam-name' }, displayName(t)), h('div', { class: 'muted small mono' }, `${t.serial} · 通道 ${t.channelNo}`)),
        h('button', { class: 'icon', 'data-testid': 'target-remove', title: '移除', onclick: () => c.toggleTarget(t, false) }, '×')))),
    h('div', { class: 'panel-foot' },
      h('button', { id: 'go-config', class: 'btn primary block', onclick: () => c.setView('config') }, '编辑配置并下发')));
}

// The view is rebuilt on every change: the table's scroll position (while it shows the same
// list) and the focused field with its caret are carried over.
let shownList = '';

export function renderCameras(root, s) {
  const list = `${s.search}|${s.selection}|${s.all.origin}|${s.page ? `${s.page.groupId}/${s.page.pageNum}` : ''}|${s.pageSize}|${s.searchPage}|${s.all.pageNum}`;
  const wrap = root.querySelector('.cameras .table-wrap');
  const scroll = wrap && list === shownList ? wrap.scrollTop : 0;
  const targetScroll = root.querySelector('.target-list') ? root.querySelector('.target-list').scrollTop : 0;
  const focused = root.contains(document.activeElement) && document.activeElement.id ? document.activeElement : null;
  const caret = focused && typeof focused.selectionStart === 'number' ? [focused.selectionStart, focused.selectionEnd] : null;
  shownList = list;
  fill(root, h('div', { class: 'cameras-layout' }, groupList(s), cameraPanel(s), targetPanel(s)));
  const next = root.querySelector('.cameras .table-wrap');
  if (next && scroll) next.scrollTop = scroll;
  if (root.querySelector('.target-list')) root.querySelector('.target-list').scrollTop = targetScroll;
  const again = focused && document.getElementById(focused.id);
  if (again) {
    again.focus();
    if (caret) again.setSelectionRange(caret[0], caret[1]);
  }
}
