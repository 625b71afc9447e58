// The frame around the views: navigation tabs and status, the missing-bridge banner, the
// password and issue-confirmation dialogs, and the toasts.

import { $, h, fill } from './dom.js';
import { displayName } from './camera_model.js';
import * as c from './controller.js';
import { fieldLabel, valueText } from './words.js';

export function renderHeader(s) {
  for (const view of ['cameras', 'config', 'result']) {
    $(`nav-${view}`).classList.toggle('active', s.view === view);
    $(`view-${view}`).hidden = s.view !== view;
  }
  fill($('top-status'),
    s.issue ? h('span', { class: 'tag busy' }, h('span', { class: 'dot busy' }), '正在下发') : null,
    h('span', { class: 'muted' }, '目标 ', h('b', {}, s.targets.size), ' 台'));
  const banner = $('bridge-missing');
  banner.hidden = s.missing.length === 0;
  if (s.missing.length) {
    fill(banner, h('b', {}, '未连接到客户端：'),
      '此页面需要在工作室的批量配置工具中打开，当前环境缺少接口 ', s.missing.join('、'), '。页面只能浏览，无法读取或下发配置。');
  }
}

let passwordFor = null;
function passwordDialog(s) {
  const host = $('password-slot');
  const p = s.password;
  if (!p) {
    passwordFor = null;
    fill(host);
    return;
  }
  if (passwordFor !== p) {
    passwordFor = p;
    const input = h('input', {
      id: 'password-input', type: 'password', autocomplete: 'off', maxlength: 64,
      onkeydown: (e) => { if (e.key === 'Enter') c.submitPassword(e.target.value); },
      oninput: c.passwordTyped,
    });
    fill(host, h('div', { class: 'overlay' }, h('div', { id: 'password-dialog', class: 'dialog', role: 'dialog', 'aria-modal': 'true' },
      h('h2', {}, '验证摄像机密码'),
      h('p', {}, '摄像机「', h('b', {}, displayName(p.camera)), `」（${p.camera.devip || p.camera.serial}）的密码需要确认，请输入设备密码。`),
      h('label', { class: 'field' }, h('span', { class: 'field-label' }, '设备密码'), input),
      h('p', { id: 'password-error', class: 'error' }),
      h('div', { class: 'dialog-actions' },
        h('button', { id: 'password-cancel', class: 'btn', onclick: c.cancelPassword }, '取消'),
        h('button', { id: 'password-ok', class: 'btn primary', onclick: () => c.submitPassword(input.value) }, '确定')))));
    setTimeout(() => input.focus(), 0);
  }
  $('password-error').textContent = p.error;
  $('password-ok').disabled = p.checking;
  $('password-ok').textContent = p.checking ? '正在验证…' : '确定';
  // Read-only, not disabled, while checking: a disabled field loses the focus, and typing
  // after a wrong password would go nowhere.
  const input = $('password-input');
  const wasChecking = input.readOnly;
  input.readOnly = p.checking;
  if (wasChecking && !p.checking) {
    input.focus();
    input.select();
  }
}

let manyFor = null;
const MANY_STATUS = { waiting: '等待验证', checking: '正在验证…', ok: '验证通过', failed: '' };
function passwordManyDialog(s) {
  const host = $('password-many-slot');
  const m = s.passwordMany;
  if (!m) {
    manyFor = null;
    fill(host);
    return;
  }
  if (manyFor !== m) {
    manyFor = m;
    const input = h('input', {
      id: 'password-many-input', type: 'password', autocomplete: 'off', maxlength: 64,
      onkeydown: (e) => { if (e.key === 'Enter') c.submitPasswordMany(e.target.value); },
    });
    fill(host, h('div', { class: 'overlay' }, h('div', { id: 'password-many-dialog', class: 'dialog wide', role: 'dialog', 'aria-modal': 'true' },
      h('h2', {}, '对选中的需验证摄像机使用同一密码'),
      h('p', {}, '密码会逐台验证，通过的摄像机加入目标。'),
      h('label', { class: 'field' }, h('span', { class: 'field-label' }, '设备密码'), input),
      h('p', { id: 'password-many-error', class: 'error' }),
      h('ul', { id: 'password-many-list', class: 'many-list' }),
      h('div', { class: 'dialog-actions' },
        h('button', { id: 'password-many-cancel', class: 'btn', onclick: c.closePasswordMany }, '关闭'),
        h('button', { id: 'password-many-ok', class: 'btn primary', onclick: () => c.submitPasswordMany(input.value) }, '验证')))));
    setTimeout(() => input.focus(), 0);
  }
  $('password-many-error').textContent = m.error || '';
  $('password-many-ok').disabled = m.checking;
  $('password-many-cancel').disabled = m.checking;
  fill($('password-many-list'), m.rows.map((r) => h('li', { 'data-testid': 'password-many-row', 'data-key': r.key, 'data-status': r.status },
    h('span', { class: 'cam-name' }, displayName(r.camera)),
    h('span', { class: r.status === 'ok' ? 'ok-text' : r.status === 'failed' ? 'fail-text' : 'muted' }, MANY_STATUS[r.status] || r.error))));
}

function askDialog(s) {
  const host = $('ask-slot');
  const q = s.ask;
  if (!q) {
    fill(host);
    return;
  }
  if (host.firstChild && host.firstChild.dataset.for === q.id + q.text) return;
  fill(host, h('div', { class: 'overlay', dataset: { for: q.id + q.text } },
    h('div', { id: 'ask-dialog', class: 'dialog', role: 'dialog', 'aria-modal': 'true', 'data-ask': q.id },
      h('h2', {}, q.title), h('p', {}, q.text),
      h('div', { class: 'dialog-actions' },
        h('button', { id: 'ask-cancel', class: 'btn', onclick: () => c.answerAsk(false) }, '取消'),
        h('button', { id: 'ask-ok', class: 'btn primary', onclick: () => c.answerAsk(true) }, q.okLabel)))));
}

// The preview of an issue: per field, the new value and what it changes on how many targets.
function previewBlock(q, ranges) {
  const p = q.preview;
  if (p.status === 'loading') return h('p', { id: 'preview-status', class: 'muted' }, '正在读取目标摄像机的当前配置…');
  if (p.status === 'failed') return h('p', { id: 'preview-status', class: 'notice' }, p.error);
  const n = q.cameras.length;
  return h('div', { id: 'preview' },
    p.unread.length ? h('p', { id: 'preview-unread', class: 'notice' }, `${p.unread.length} 台摄像机未能读取当前配置，无法预览其修改。`) : null,
    h('div', { class: 'preview-wrap' }, h('table', { id: 'preview-table', class: 'table compact' },
      h('thead', {}, h('tr', {}, ['设置', '新值', '修改情况'].map((t) => h('th', {}, t)))),
      h('tbody', {}, p.rows.map((r) => h('tr', { 'data-testid': 'preview-row', 'data-field': r.path.join('.') },
        h('td', {}, fieldLabel(r.path)),
        h('td', { 'data-testid': 'preview-new' }, valueText(r.path, r.value, ranges)),
        h('td', { 'data-testid': 'preview-change' },
          r.changing ? `${r.changing} / ${n} 台将修改：` : `${n - r.unread} 台已是此值，不会修改`,
          r.changes.map((x) => h('span', { class: 'from' }, `从 ${valueText(r.path, x.old, ranges)}（${x.count} 台）`)),
          r.changing && r.same ? h('span', { class: 'muted' }, `；${r.same} 台已是此值`) : null)))))));
}

function confirmDialog(s) {
  const host = $('confirm-slot');
  const q = s.confirm;
  if (!q) {
    fill(host);
    return;
  }
  const stamp = q.configText + q.kind + q.preview.status;
  if (host.firstChild && host.firstChild.dataset.for === stamp) return;
  const names = q.cameras.slice(0, 8).map(displayName).join('、') + (q.cameras.length > 8 ? ` 等 ${q.cameras.length} 台` : '');
  fill(host, h('div', { class: 'overlay', dataset: { for: stamp } },
    h('div', { id: 'confirm-dialog', class: 'dialog wide', role: 'dialog', 'aria-modal': 'true' },
      h('h2', {}, q.kind === 'single' ? '单项下发' : '下发配置'),
      h('p', {}, `将把「${q.label}」下发到 `, h('b', {}, q.cameras.length), ' 台摄像机：'),
      h('p', { class: 'muted' }, names),
      previewBlock(q, s.source && s.source.ranges),
      h('p', { class: 'muted small' }, '只下发上表中的设置；下发前会备份每台摄像机的配置，可在「下发结果」中恢复。'),
      h('div', { class: 'dialog-actions' },
        h('button', { id: 'confirm-cancel', class: 'btn', onclick: c.cancelIssue }, '取消'),
        h('button', {
          id: 'confirm-ok', class: 'btn primary', disabled: q.preview.status === 'loading', onclick: c.confirmIssue,
        }, '开始下发')))));
}

function toasts(s) {
  fill($('toasts'), s.toasts.map((t) => h('div', { class: `toast ${t.kind}`, 'data-testid': 'toast' }, t.text)));
}

export function renderOverlays(s) {
  passwordDialog(s);
  passwordManyDialog(s);
  confirmDialog(s);
  askDialog(s);
  toasts(s);
}
