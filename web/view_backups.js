// The backup list beside the results: the program's passes (when, how many cameras, what was
// written) with the restore of a whole pass or of its failed cameras.

import { h } from './dom.js';
import { refreshBackups, restore } from './backups.js';

function passItem(p, busy) {
  const failed = p.cameras.filter((x) => x.failNum > 0).length;
  return h('li', { 'data-testid': 'backup-pass', 'data-pass-id': p.id, class: 'backup-pass' },
    h('div', {}, h('b', {}, p.when || p.id), h('span', { class: 'tag' }, p.kind === 'restore' ? '恢复' : '下发')),
    h('div', { class: 'muted small' }, `${p.cameras.length} 台摄像机${failed ? `，${failed} 台有失败项` : ''}`),
    h('div', { class: 'small', 'data-testid': 'backup-items' }, p.items.length ? `写入：${p.items.join('、')}` : '未写入任何项目'),
    h('div', { class: 'backup-actions' },
      h('button', { class: 'btn small', 'data-testid': 'restore-all', disabled: busy || p.cameras.length === 0, onclick: () => restore(p.id, false) }, '全部恢复'),
      h('button', { class: 'btn small', 'data-testid': 'restore-failed', disabled: busy || failed === 0, onclick: () => restore(p.id, true) }, `恢复失败的（${failed}）`)));
}

export function backupPanel(s) {
  const b = s.backups;
  let body;
  if (b.status === 'idle') body = h('p', { class: 'muted pad' }, '点击「刷新」查看最近的下发备份。');
  else if (b.status === 'loading') body = h('p', { class: 'muted pad' }, '正在读取备份…');
  else if (b.status === 'failed') body = h('p', { id: 'backup-error', class: 'error pad' }, b.error);
  else if (b.passes.length === 0) body = h('p', { class: 'muted pad' }, '暂无备份');
  else body = h('ul', { id: 'backup-list', class: 'backup-list' }, b.passes.map((p) => passItem(p, Boolean(s.issue))));
  return h('aside', { id: 'backup-panel', class: 'panel backups' },
    h('div', { class: 'panel-head' }, h('h2', {}, '备份与恢复'), h('div', { class: 'spacer' }),
      h('button', { id: 'backup-refresh', class: 'link', disabled: b.status === 'loading' || s.missing.length > 0, onclick: refreshBackups }, '刷新')),
    body);
}
