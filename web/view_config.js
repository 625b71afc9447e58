// The configuration view: the source camera and the sections to issue on the left, the forms
// of every section in the middle, the configuration name and the issue buttons at the bottom.
// The forms are rebuilt only when the camera's data changes, so typing is never interrupted.

import { $, h, fill } from './dom.js';
import { displayName } from './camera_model.js';
import { SECTIONS, resolutionFor } from './config_model.js';
import { createConfigForm, fitStreamToResolution } from './config_form.js';
import * as c from './controller.js';

let built = false;
let formKey = '';
const cards = new Map(); // section id -> {card, check, only}
let wifiSlot = null;

function build(root) {
  const nameInput = h('input', {
    id: 'config-name', type: 'text', maxlength: 64, placeholder: '输入配置名称', autocomplete: 'off',
    onkeydown: (e) => { if (e.key === 'Enter') c.saveConfigName(e.target.value); },
  });
  fill(root, h('div', { class: 'config-layout' },
    h('aside', { id: 'config-side', class: 'panel config-side' }),
    h('div', { id: 'config-form', class: 'config-form' }),
    h('footer', { class: 'config-bar' },
      h('div', { class: 'name-box' }, nameInput,
        h('button', { id: 'save-config-name', class: 'btn', onclick: () => c.saveConfigName(nameInput.value) }, '保存配置名称')),
      h('div', { id: 'issue-summary', class: 'issue-summary' }),
      h('button', { id: 'issue-selected', class: 'btn primary', onclick: () => c.requestIssue('all', [...c.state.sections]) }, '下发所选配置'))));
  built = true;
}

function sourceCard(s) {
  const src = s.source;
  if (!src) {
    const cur = s.current;
    return h('div', { id: 'source-camera', class: 'source-card empty' },
      h('p', { class: 'muted' }, '尚未选择配置来源。'),
      cur && c.needsPassword(cur)
        ? h('button', { id: 'verify-current', class: 'btn small', onclick: () => c.openConfig(cur) }, `验证「${displayName(cur)}」的密码`)
        : h('button', { class: 'btn small', onclick: () => c.setView('cameras') }, '从摄像机列表选择'));
  }
  const cam = src.camera;
  const status = {
    loading: h('span', { class: 'tag' }, '读取中…'),
    loaded: h('span', { class: 'tag ok' }, '已读取'),
    failed: h('span', { class: 'tag warn' }, '读取失败'),
  }[src.status];
  return h('div', { id: 'source-camera', class: 'source-card', 'data-key': src.key },
    h('div', { class: 'source-title' }, h('span', { class: 'cam-name' }, displayName(cam)), status),
    h('div', { class: 'muted small' }, cam.devip || '—'),
    h('div', { class: 'muted small mono' }, `${cam.serial} · 通道 ${cam.channelNo}`),
    h('div', { class: 'source-actions' },
      h('button', { id: 'reload-config', class: 'link', disabled: src.status === 'loading', onclick: c.reloadSource }, '重新读取'),
      h('button', { class: 'link', onclick: () => c.setView('cameras') }, '更换')));
}

function renderSide(s) {
  const all = s.sections.size === SECTIONS.length;
  fill($('config-side'),
    h('h3', {}, '配置来源'), sourceCard(s),
    h('div', { class: 'panel-head' }, h('h3', {}, '下发项目'),
      h('button', { id: 'sections-all', class: 'link', onclick: () => c.setAllSections(!all) }, all ? '全不选' : '全选')),
    h('ul', { class: 'section-nav' }, SECTIONS.map((sec) => h('li', {},
      h('button', {
        class: `nav-item${s.sections.has(sec.id) ? ' on' : ''}`, 'data-nav-section': sec.id,
        disabled: !cards.has(sec.id),
        onclick: () => cards.get(sec.id).card.scrollIntoView({ behavior: 'smooth', block: 'start' }),
      }, h('span', { class: 'dot' }), sec.label)))),
    h('p', { class: 'muted small pad' }, '默认只下发修改过的设置，其余保持每台摄像机自己的值；勾选「复制整个分区」则整项复制。'));
}

function renderWifi(s) {
  if (!wifiSlot) return;
  const w = s.source.wifi;
  let body;
  if (w.status === 'loading' && w.list.length === 0) body = h('span', { class: 'muted' }, '正在搜索附近的网络…');
  else if (w.status === 'failed') body = h('span', { class: 'error' }, '无法获取摄像机附近的 Wi-Fi 网络');
  else if (w.status === 'loaded' && w.list.length === 0) body = h('span', { class: 'muted' }, '未发现 Wi-Fi 网络');
  else {
    body = w.list.map((ssid) => h('button', {
      class: 'chip', 'data-testid': 'wifi-ssid', title: '填入网络名称',
      onclick: () => {
        s.source.draft.wifi.ssid = ssid;
        $('cfg-wifi-ssid').value = ssid;
      },
    }, ssid));
  }
  fill(wifiSlot, h('div', { class: 'wifi-head' }, h('span', {}, '摄像机附近的网络'),
    h('button', { id: 'wifi-refresh', class: 'link', disabled: w.status === 'loading', onclick: c.refreshWifi }, '刷新')),
  h('div', { id: 'wifi-list', class: 'chips' }, body));
}

function renderForm(s) {
  const host = $('config-form');
  const src = s.source;
  const key = src ? `${src.key}|${src.status}|${src.formVersion}|${src.rangeStatus}` : 'none';
  if (key === formKey) return;
  formKey = key;
  const scroll = host.scrollTop;
  cards.clear();
  wifiSlot = null;
  if (!src || src.status !== 'loaded') {
    let content;
    if (!src) content = [h('h3', {}, '请选择配置来源'), h('p', { class: 'muted' }, '在摄像机列表中点击「配置」，读取一台摄像机的当前配置，编辑后再下发到多台目标摄像机。')];
    else if (src.status === 'loading') content = [h('div', { class: 'spinner' }), h('p', {}, `正在读取「${displayName(src.camera)}」的配置…`)];
    else content = [h('h3', { class: 'error' }, '读取配置失败'), h('p', { id: 'config-error' }, src.error),
      h('button', { class: 'btn', onclick: c.reloadSource }, '重试')];
    fill(host, h('div', { class: 'empty-state' }, content));
    return;
  }
  const form = createConfigForm({
    draft: src.draft,
    base: src.base,
    ranges: src.ranges,
    onEdit: c.draftEdited,
    onStructureChange: (path) => {
      if (path[0] === 'streams') {
        const stream = src.draft.streams[path[1]];
        fitStreamToResolution(stream, resolutionFor(src.ranges, path[1], stream.videoResolution));
      }
      src.formVersion += 1;
      c.changed();
    },
  });
  const nodes = form.sections.map((sec) => {
    const check = h('input', { type: 'checkbox', id: `section-${sec.id}`, onchange: (e) => c.setSection(sec.id, e.target.checked) });
    const only = h('button', { class: 'btn small', id: `issue-only-${sec.id}`, onclick: () => c.requestIssue('single', [sec.id]) }, '仅下发此项');
    const whole = h('input', { type: 'checkbox', id: `whole-${sec.id}`, onchange: (e) => c.setWhole(sec.id, e.target.checked) });
    const extra = sec.id === 'wifi' ? (wifiSlot = h('div', { class: 'wifi-box' })) : null;
    const card = h('section', { class: 'card', id: `card-${sec.id}`, 'data-section-card': sec.id },
      h('header', {},
        h('div', {}, h('h3', {}, sec.label), sec.note ? h('span', { class: 'muted small' }, sec.note) : null),
        h('div', { class: 'card-actions' },
          h('label', { class: 'check', title: '不只下发修改过的设置，而是把整个分区复制到目标摄像机' }, whole, h('span', {}, '复制整个分区')),
          h('label', { class: 'check' }, check, h('span', {}, '下发此项')), only)),
      src.draft.present[sec.id] ? null : h('p', { class: 'notice' }, '摄像机未返回此项配置，以下为默认值。'),
      sec.id === 'wifi' ? h('p', { class: 'muted small' }, '下发 Wi-Fi 配置时摄像机也会重写校时项；未修改校时服务器时，各摄像机保持自己的值。') : null,
      h('div', { class: 'card-body' }, form.body(sec.id, extra)));
    cards.set(sec.id, { card, check, only, whole });
    return card;
  });
  const rangeNote = src.rangeStatus === 'failed'
    ? h('p', { class: 'notice', id: 'range-note' }, '未能读取该摄像机的参数范围，表单使用通用范围。')
    : src.rangeStatus === 'loading' ? h('p', { class: 'muted small', id: 'range-note' }, '正在读取参数范围…') : null;
  fill(host, rangeNote, nodes);
  host.scrollTop = scroll;
}

function renderBar(s) {
  const n = s.targets.size;
  const busy = Boolean(s.issue);
  fill($('issue-summary'),
    h('span', {}, '目标摄像机 ', h('b', { id: 'issue-target-count' }, n), ' 台'),
    h('button', { id: 'choose-targets', class: 'link', onclick: () => c.setView('cameras') }, n ? '修改' : '去选择'),
    s.savedConfigName ? h('span', { class: 'muted small' }, `配置名称：${s.savedConfigName}`) : null,
    s.issueProblems.length ? h('ul', { id: 'issue-problems', class: 'problems' }, s.issueProblems.map((p) => h('li', {}, p))) : null);
  $('issue-selected').disabled = busy;
  $('issue-selected').textContent = busy ? '正在下发…' : `下发所选配置（${s.sections.size} 项）`;
  for (const [id, entry] of cards) {
    entry.check.checked = s.sections.has(id);
    entry.whole.checked = s.whole.has(id);
    entry.card.classList.toggle('chosen', s.sections.has(id));
    entry.only.disabled = busy;
  }
}

export function renderConfig(root, s) {
  if (!built) build(root);
  renderForm(s);
  renderSide(s);
  if (s.source && s.source.status === 'loaded') renderWifi(s);
  renderBar(s);
}
