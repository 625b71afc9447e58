// The issue view: while an issue runs, a progress bar and one row per camera that fills in as
// each camera finishes; then the per-camera result table with retry of the cameras that failed
// or did not keep a value, and CSV export.

import { h, fill } from './dom.js';
import { displayName } from './camera_model.js';
import { CHECK_LABELS, causeText, needsRetry, summarize } from './result_model.js';
import * as c from './controller.js';
import { backupPanel } from './view_backups.js';

const HEAD = ['摄像机', '序列号', '通道', '失败数'];
const PROGRESS_TEXT = { waiting: '等待中', done: '已完成', failed: '已完成，有失败项' };
const PROGRESS_DOT = { waiting: 'busy', done: 'ok', failed: 'fail' };
const PROGRESS_CLASS = { waiting: 'muted', done: 'ok-text', failed: 'fail-text' };

function progress(s) {
  const run = s.issue;
  const seconds = Math.max(0, Math.floor((Date.now() - run.startedAt) / 1000));
  const rows = c.progressRows(run);
  const failedSoFar = rows.filter((r) => r.status === 'failed').length;
  return h('div', { id: 'issue-progress', class: 'panel result-panel' },
    h('div', { class: 'panel-head progress-head' }, h('div', { class: 'spinner' }),
      h('div', {},
        h('h2', {}, run.kind === 'restore' ? `正在恢复 ${run.cameras.length} 台摄像机的配置` : `正在向 ${run.cameras.length} 台摄像机下发配置`),
        h('p', { class: 'muted' }, `下发项目：${run.label}`),
        h('p', { class: 'muted', id: 'issue-elapsed' },
          `已用时 ${seconds} 秒，请勿关闭窗口。每台摄像机完成后在下方标出，全部完成后显示每一项的结果。`))),
    h('div', { class: 'progress-line' },
      // max before value: a value above the default max of 1 would be cut to 1.
      h('progress', { id: 'issue-progress-bar', max: Math.max(1, run.total), value: run.done }),
      h('span', { id: 'issue-progress-text' }, `已完成 ${run.done} / ${run.total}`,
        failedSoFar ? h('span', { class: 'fail-text' }, `，${failedSoFar} 台有失败项`) : null)),
    h('div', { class: 'table-wrap' },
      h('table', { id: 'result-table', class: 'table' },
        h('thead', {}, h('tr', {}, [...HEAD, '状态'].map((t) => h('th', {}, t)))),
        h('tbody', {}, rows.map((row) => h('tr', {
          'data-testid': 'result-row', 'data-key': row.key, 'data-status': row.status, class: `is-${row.status}`,
        },
        h('td', { class: 'col-name' }, h('span', { class: `dot ${PROGRESS_DOT[row.status]}` }), displayName(row.camera)),
        h('td', { class: 'mono' }, row.camera.serial),
        h('td', {}, row.camera.channelNo),
        h('td', { 'data-testid': 'fail-num' }, row.failNum === null ? '' : row.failNum),
        h('td', { 'data-testid': 'row-status', class: PROGRESS_CLASS[row.status] }, PROGRESS_TEXT[row.status])))))));
}

const MARKS = { failed: '✗', verified: '✓', accepted: '✓', unchecked: '✓', unverified: '!' };
const ITEM_CLASS = { failed: 'fail', verified: 'ok', accepted: 'ok', unchecked: 'ok unchecked', unverified: 'unverified' };

function itemCell(row) {
  if (row.missing) return h('span', { class: 'item fail' }, '未返回结果');
  if (row.items.length === 0) return h('span', { class: 'muted' }, '无下发项');
  return h('div', { class: 'items' }, row.items.map((i) => {
    // An item of two device calls fails when either failed; each failed call shows its words.
    const failedSteps = i.steps.filter((st) => !st.isSuccess);
    const detail = i.status !== 'failed' ? '' : failedSteps.length ? failedSteps.map(causeText).join('；') : causeText(i);
    const flag = i.status === 'unverified' || i.status === 'unchecked' ? CHECK_LABELS[i.status] : '';
    return h('div', {
      class: `item ${ITEM_CLASS[i.status]}`, 'data-testid': 'result-item', 'data-status': i.status,
      title: [i.moreInfo, CHECK_LABELS[i.status]].filter(Boolean).join(' · '),
    }, h('span', { class: 'mark' }, MARKS[i.status]), h('span', {}, i.itemName),
    detail ? h('span', { class: 'more', 'data-testid': 'item-cause' }, detail) : null,
    flag ? h('span', { class: 'flag', 'data-testid': 'item-check' }, flag) : null);
  }));
}

const rowStatus = (row) => (row.failed ? 'failed' : row.unverified ? 'unverified' : 'ok');
const ROW_DOT = { failed: 'fail', unverified: 'warn', ok: 'ok' };

function summary(r) {
  const sum = summarize(r.rows);
  return h('p', { id: 'result-summary', class: 'muted' }, `共 ${sum.total} 台，成功 `, h('b', { class: 'ok-text' }, sum.succeeded),
    ' 台，失败 ', h('b', { class: sum.failed ? 'fail-text' : '' }, sum.failed), ' 台',
    sum.unverifiedItems ? ['，未保存 ', h('b', { class: 'warn-text', id: 'result-unverified' }, sum.unverified),
      ` 台（${sum.unverifiedItems} 项已接受但未保存）`] : null,
    sum.uncheckedItems ? `，${sum.uncheckedItems} 项未复核` : null,
    `，完成于 ${new Date(r.finishedAt).toLocaleTimeString('zh-CN', { hour12: false })}`);
}

const ORDER = { failed: 0, unverified: 1, ok: 2 };

// Failed cameras first, then those with an unsaved item, each in answer order; "只看失败" hides
// the cameras without a failed item.
export function shownRows(r, onlyFailed) {
  return r.rows.map((row, i) => [row, i])
    .filter(([row]) => !onlyFailed || row.failed)
    .sort(([a, i], [b, j]) => ORDER[rowStatus(a)] - ORDER[rowStatus(b)] || i - j)
    .map(([row]) => row);
}

function passTabs(s) {
  if (s.passes.length < 2) return null;
  return h('div', { id: 'pass-list', class: 'segmented passes' }, s.passes.map((p, i) => h('button', {
    'data-testid': 'pass-tab', 'data-pass': String(i + 1), class: p === s.results ? 'active' : '',
    title: p.label, onclick: () => c.showPass(i),
  }, `第 ${i + 1} 次${p.rows.some((row) => row.failed) ? ' ✗' : ' ✓'}`)));
}

function results(s) {
  const r = s.results;
  const retryable = r.rows.filter((row) => needsRetry(row) && row.camera).length;
  const rows = shownRows(r, s.onlyFailed);
  return h('div', { class: 'panel result-panel' },
    h('div', { class: 'panel-head' },
      h('div', {}, h('h2', {}, `${r.kind === 'restore' ? '恢复结果' : '下发结果'}：${r.label}`), summary(r)),
      h('div', { class: 'spacer' }),
      passTabs(s),
      h('label', { class: 'check' }, h('input', {
        id: 'only-failed', type: 'checkbox', checked: s.onlyFailed, onchange: (e) => c.setOnlyFailed(e.target.checked),
      }), h('span', {}, '只看失败')),
      h('button', {
        id: 'retry-failed', class: 'btn', disabled: retryable === 0 || Boolean(s.issue), onclick: c.retryFailed,
        title: '重新下发到有失败项、未返回结果或有未保存项的摄像机',
      }, `重试失败的摄像机（${retryable}）`),
      h('button', { id: 'export-csv', class: 'btn', disabled: r.rows.length === 0, onclick: c.exportCsv }, '导出 CSV')),
    r.error ? h('p', { id: 'result-error', class: 'notice' }, r.error) : null,
    h('div', { class: 'table-wrap' },
      h('table', { id: 'result-table', class: 'table' },
        h('thead', {}, h('tr', {}, [...HEAD, '配置项结果'].map((t) => h('th', {}, t)))),
        h('tbody', {}, rows.map((row) => h('tr', {
          'data-testid': 'result-row', 'data-key': row.key, 'data-status': rowStatus(row), class: `is-${rowStatus(row)}`,
        },
        h('td', { class: 'col-name' }, h('span', { class: `dot ${ROW_DOT[rowStatus(row)]}` }), row.deviceName || '—'),
        h('td', { class: 'mono' }, row.serial),
        h('td', {}, row.channelNo),
        h('td', { 'data-testid': 'fail-num' }, row.failNum),
        h('td', {}, itemCell(row)))))),
      rows.length === 0 ? h('p', { class: 'table-note' }, r.rows.length ? '没有失败的摄像机' : '没有摄像机结果') : null));
}

// The table is rebuilt on every change (each progress answer, each second of a running issue);
// its scroll position is kept while it shows the same issue or the same results.
let shown = null;

export function renderResult(root, s) {
  const showing = s.issue || s.results;
  const wrap = root.querySelector('.table-wrap');
  const scroll = wrap && showing === shown ? wrap.scrollTop : 0;
  shown = showing;
  let main;
  if (s.issue) main = progress(s);
  else if (s.results) main = results(s);
  else {
    main = h('div', { class: 'panel result-panel empty-state' }, h('h3', {}, '尚未下发配置'),
      h('p', { class: 'muted' }, '在「参数配置」中选择下发项目和目标摄像机后开始下发，结果会显示在这里。'),
      h('button', { class: 'btn', onclick: () => c.setView('config') }, '去参数配置'));
  }
  fill(root, h('div', { class: 'result-layout' }, main, backupPanel(s)));
  const next = root.querySelector('.table-wrap');
  if (next && scroll) next.scrollTop = scroll;
}
