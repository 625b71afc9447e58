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

function cameraRow(camera, s) {
  const cam = c.known(camera);
  const isCurrent = s.current && s.current.key === cam.key;
  const chosen = s.targets.has(cam.key);
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
  h('td', {}, cam.CheckPassword ? h('span', { class: 'tag warn' }, '需验证密码')
    : s.confirmed.has(cam.key) ? h('span', { class: 'tag ok' }, '已验证') : h('span', { class: 'muted' }, '正常')),
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
  if (all) {
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
  const origins = all ? h('div', { class: 'segmented' },
    ['platform', 'local'].map((o) => h('button', {
      id: `origin-${o}`, class: s.all.origin === o ? 'active' : '', onclick: () => c.setAllOrigin(o),
    }, `${o === 'platform' ? '平台摄像机' : '本地摄像机'}（${s.all[o].length}）`))) : null;
  return h('section', { class: 'panel cameras' },
    h('div', { class: 'panel-head' }, h('h2', { id: 'camera-panel-title' }, title), origins,
      h('div', { class: 'spacer' }),
      h('button', { id: 'select-page', class: 'btn small', disabled: rows.length === 0, onclick: () => c.setPageTargets(true) }, '本页全选'),
      h('button', { id: 'unselect-page', class: 'btn small', disabled: rows.length === 0, onclick: () => c.setPageTargets(false) }, '取消本页')),
    h('div', { class: 'table-wrap' },
      h('table', { id: 'camera-table', class: 'table' },
        h('thead', {}, h('tr', {}, ['', '名称', 'IP 地址', '序列号', '通道', '来源', '状态', '操作'].map((t) => h('th', {}, t)))),
        h('tbody', {}, rows.map((cam) => cameraRow(cam, s)))),
      status ? h('p', { id: 'camera-status', class: `table-note${/错误|未能|超时/.test(status) ? ' error' : ''}` }, status) : null),
    foot);
}

function targetPanel(s) {
  const targets = [...s.targets.values()].map(c.known);
  return h('aside', { class: 'panel targets' },
    h('div', { class: 'panel-head' }, h('h2', {}, '目标摄像机 ', h('span', { id: 'target-count', class: 'badge' }, targets.length)),
      h('button', { id: 'clear-targets', class: 'link', disabled: targets.length === 0, onclick: c.clearTargets }, '清空')),
    targets.length === 0
      ? h('p', { class: 'muted pad' }, '勾选左侧表格中的摄像机，可跨分组选择多台作为下发目标。')
      : h('ul', { id: 'target-list', class: 'target-list' }, targets.map((t) => h('li', { 'data-testid': 'target-item', 'data-key': t.key },
        h('div', {}, h('div', { class: 'cam-name' }, displayName(t)), h('div', { class: 'muted small mono' }, `${t.serial} · 通道 ${t.channelNo}`)),
        h('button', { class: 'icon', 'data-testid': 'target-remove', title: '移除', onclick: () => c.toggleTarget(t, false) }, '×')))),
    h('div', { class: 'panel-foot' },
      h('button', { id: 'go-config', class: 'btn primary block', onclick: () => c.setView('config') }, '编辑配置并下发')));
}

export function renderCameras(root, s) {
  fill(root, h('div', { class: 'cameras-layout' }, groupList(s), cameraPanel(s), targetPanel(s)));
}
