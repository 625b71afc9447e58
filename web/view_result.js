// The issue view: progress while an issue runs, then the per-camera result table with retry of
// the failed cameras and CSV export.

import { h, fill } from './dom.js';
import { displayName } from './camera_model.js';
import { summarize } from './result_model.js';
import * as c from './controller.js';

function progress(s) {
  const run = s.issue;
  const seconds = Math.max(0, Math.floor((Date.now() - run.startedAt) / 1000));
  return h('div', { id: 'issue-progress', class: 'panel progress-panel' },
    h('div', { class: 'progress-head' }, h('div', { class: 'spinner' }),
      h('div', {},
        h('h2', {}, `正在向 ${run.cameras.length} 台摄像机下发配置`),
        h('p', { class: 'muted' }, `下发项目：${run.label}`),
        h('p', { class: 'muted', id: 'issue-elapsed' }, `已用时 ${seconds} 秒，请勿关闭窗口。每台摄像机依次登录并写入，完成后显示结果。`))),
    h('div', { class: 'bar indeterminate' }, h('span', {})),
    h('ul', { class: 'pending-list' }, run.cameras.map((cam) => h('li', {}, h('span', { class: 'dot busy' }),
      displayName(cam), h('span', { class: 'muted small mono' }, `${cam.serial} · 通道 ${cam.channelNo}`)))));
}

function itemCell(row) {
  if (row.missing) return h('span', { class: 'item fail' }, '未返回结果');
  if (row.items.length === 0) return h('span', { class: 'muted' }, '无下发项');
  return h('div', { class: 'items' }, row.items.map((i) => h('div', {
    class: `item ${i.isSuccess ? 'ok' : 'fail'}`, 'data-testid': 'result-item', title: i.moreInfo,
  }, h('span', { class: 'mark' }, i.isSuccess ? '✓' : '✗'), h('span', {}, i.itemName),
  !i.isSuccess && i.moreInfo ? h('span', { class: 'more' }, i.moreInfo) : null)));
}

function results(s) {
  const r = s.results;
  const sum = summarize(r.rows);
  const retryable = r.rows.filter((row) => row.failed && row.camera).length;
  return h('div', { class: 'panel result-panel' },
    h('div', { class: 'panel-head' },
      h('div', {}, h('h2', {}, `下发结果：${r.label}`),
        h('p', { id: 'result-summary', class: 'muted' }, `共 ${sum.total} 台，成功 `, h('b', { class: 'ok-text' }, sum.succeeded),
          ' 台，失败 ', h('b', { class: sum.failed ? 'fail-text' : '' }, sum.failed), ' 台',
          `，完成于 ${new Date(r.finishedAt).toLocaleTimeString('zh-CN', { hour12: false })}`)),
      h('div', { class: 'spacer' }),
      h('button', { id: 'retry-failed', class: 'btn', disabled: retryable === 0 || Boolean(s.issue), onclick: c.retryFailed },
        `重试失败的摄像机（${retryable}）`),
      h('button', { id: 'export-csv', class: 'btn', disabled: r.rows.length === 0, onclick: c.exportCsv }, '导出 CSV')),
    r.error ? h('p', { id: 'result-error', class: 'notice' }, r.error) : null,
    h('div', { class: 'table-wrap' },
      h('table', { id: 'result-table', class: 'table' },
        h('thead', {}, h('tr', {}, ['摄像机', '序列号', '通道', '失败数', '配置项结果'].map((t) => h('th', {}, t)))),
        h('tbody', {}, r.rows.map((row) => h('tr', {
          'data-testid': 'result-row', 'data-key': row.key, class: row.failed ? 'is-failed' : 'is-ok',
        },
        h('td', { class: 'col-name' }, h('span', { class: `dot ${row.failed ? 'fail' : 'ok'}` }), row.deviceName || '—'),
        h('td', { class: 'mono' }, row.serial),
        h('td', {}, row.channelNo),
        h('td', { 'data-testid': 'fail-num' }, row.failNum),
        h('td', {}, itemCell(row)))))),
      r.rows.length === 0 ? h('p', { class: 'table-note' }, '没有摄像机结果') : null));
}

export function renderResult(root, s) {
  if (s.issue) fill(root, progress(s));
  else if (s.results) fill(root, results(s));
  else {
    fill(root, h('div', { class: 'empty-state' }, h('h3', {}, '尚未下发配置'),
      h('p', { class: 'muted' }, '在「参数配置」中选择下发项目和目标摄像机后开始下发，结果会显示在这里。'),
      h('button', { class: 'btn', onclick: () => c.setView('config') }, '去参数配置')));
  }
}
