// The frame around the views: navigation tabs and status, the missing-bridge banner, the
// password and issue-confirmation dialogs, and the toasts.

import { $, h, fill } from './dom.js';
import { displayName } from './camera_model.js';
import * as c from './controller.js';

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
  $('password-input').disabled = p.checking;
}

function confirmDialog(s) {
  const host = $('confirm-slot');
  const q = s.confirm;
  if (!q) {
    fill(host);
    return;
  }
  if (host.firstChild && host.firstChild.dataset.for === q.configText + q.kind) return;
  const names = q.cameras.slice(0, 8).map(displayName).join('、') + (q.cameras.length > 8 ? ` 等 ${q.cameras.length} 台` : '');
  fill(host, h('div', { class: 'overlay', dataset: { for: q.configText + q.kind } },
    h('div', { id: 'confirm-dialog', class: 'dialog', role: 'dialog', 'aria-modal': 'true' },
      h('h2', {}, q.kind === 'single' ? '单项下发' : '下发配置'),
      h('p', {}, `将把「${q.label}」下发到 `, h('b', {}, q.cameras.length), ' 台摄像机：'),
      h('p', { class: 'muted' }, names),
      h('p', { class: 'notice' }, '下发会覆盖目标摄像机的对应设置，期间请勿关闭窗口。'),
      h('div', { class: 'dialog-actions' },
        h('button', { id: 'confirm-cancel', class: 'btn', onclick: c.cancelIssue }, '取消'),
        h('button', { id: 'confirm-ok', class: 'btn primary', onclick: c.confirmIssue }, '开始下发')))));
}

function toasts(s) {
  fill($('toasts'), s.toasts.map((t) => h('div', { class: `toast ${t.kind}`, 'data-testid': 'toast' }, t.text)));
}

export function renderOverlays(s) {
  passwordDialog(s);
  confirmDialog(s);
  toasts(s);
}
