// The configuration forms: one card per section, every field bound to the draft and bounded by
// the camera's ranges. Fields have the id "cfg-" + their draft path joined with "-".

import { h } from './dom.js';
import {
  DATE_FORMATS, SECTIONS, audioCodecOptions, audioInputOptions, bitrateOptions, int,
  resolutionFor, videoCodecOptions,
} from './config_model.js';

const QUALITY = ['最高', '较高', '中等', '低', '较低', '最低'];
const OSD_WORDS = {
  transparent: '透明', opaque: '不透明', flash: '闪烁', still: '不闪烁',
  24: '24 小时制', 12: '12 小时制',
};

const getPath = (o, path) => path.reduce((v, k) => (v == null ? v : v[k]), o);
function setPath(o, path, value) {
  const parent = getPath(o, path.slice(0, -1));
  parent[path[path.length - 1]] = value;
}
const fieldId = (path) => `cfg-${path.join('-')}`;
const clamp = (v, min, max) => Math.min(max, Math.max(min, v));

// Options for a select; a current value the camera reported but the list lacks is kept as an
// extra option so that opening the form never changes a setting by itself.
function withCurrent(options, current, emptyLabel) {
  const list = options.map((o) => ({ ...o }));
  if (!list.some((o) => o.value === current)) {
    if (current === '' || current === undefined) list.unshift({ value: '', label: emptyLabel || '（请选择）' });
    else list.unshift({ value: current, label: `${current}（当前值）` });
  }
  return list;
}

function field(label, control, hint) {
  return h('label', { class: 'field' }, h('span', { class: 'field-label' }, label), control,
    hint ? h('span', { class: 'field-hint' }, hint) : null);
}

export function createConfigForm({ draft, ranges, onStructureChange }) {
  const bind = (path, read) => (event) => {
    setPath(draft, path, read(event.target));
  };

  function text(label, path, { maxLength, type = 'text', hint, placeholder } = {}) {
    const input = h('input', {
      id: fieldId(path), type, value: getPath(draft, path), maxlength: maxLength, placeholder,
      autocomplete: 'off', spellcheck: 'false', oninput: bind(path, (el) => el.value),
    });
    return field(label, input, hint);
  }

  function number(label, path, { min = 0, max = 65535, hint, slider = false } = {}) {
    const id = fieldId(path);
    const current = getPath(draft, path);
    const box = h('input', { id, type: 'number', min, max, step: 1, value: current, class: 'num' });
    const range = slider ? h('input', { type: 'range', min, max, step: 1, value: current, tabindex: -1, 'aria-hidden': 'true' }) : null;
    const commit = (raw, final) => {
      let v = int(raw, NaN);
      if (!Number.isFinite(v)) {
        if (!final) return;
        v = getPath(draft, path);
      }
      if (final) v = clamp(v, min, max);
      setPath(draft, path, v);
      if (final) box.value = v;
      if (range) range.value = v;
    };
    box.addEventListener('input', () => commit(box.value, false));
    box.addEventListener('change', () => commit(box.value, true));
    if (range) range.addEventListener('input', () => { box.value = range.value; commit(range.value, true); });
    return field(label, h('span', { class: slider ? 'slider' : 'number' }, range, box),
      hint || `${min} – ${max}`);
  }

  function select(label, path, options, { numeric = false, hint, structural = false, emptyLabel } = {}) {
    const current = getPath(draft, path);
    const list = withCurrent(options, current, emptyLabel);
    const el = h('select', {
      id: fieldId(path),
      onchange: (event) => {
        const raw = event.target.value;
        setPath(draft, path, numeric && raw !== '' ? int(raw) : raw);
        if (structural) onStructureChange(path);
      },
    }, list.map((o) => h('option', { value: String(o.value), selected: o.value === current }, o.label)));
    return field(label, el, hint);
  }

  function check(label, path, { disabled = false, hint } = {}) {
    const input = h('input', {
      id: fieldId(path), type: 'checkbox', checked: getPath(draft, path) === true, disabled,
      onchange: bind(path, (el) => el.checked),
    });
    return h('label', { class: 'check' }, input, h('span', {}, label), hint ? h('span', { class: 'field-hint' }, hint) : null);
  }

  const r = ranges;
  const tri = (t, fallbackMax) => (t ? { min: t.min, max: t.max } : { min: 0, max: fallbackMax });
  const indexed = (words, fallback) => (words.length ? words : fallback)
    .map((w, i) => ({ value: i, label: OSD_WORDS[w] || w }));

  function stream(s) {
    const base = ['streams', s];
    const st = draft.streams[s];
    const resolutions = r ? r.resolutions[s] : [];
    const res = resolutionFor(r, s, st.videoResolution);
    const rates = res && res.frameRates.length ? res.frameRates : [];
    return h('fieldset', { class: 'stream' }, h('legend', {}, s === 0 ? '主码流' : '子码流'),
      resolutions.length
        ? select('分辨率', [...base, 'videoResolution'], resolutions.map((x) => ({
          value: x.index, label: x.value ? `${x.name}（${x.value}）` : x.name,
        })), { numeric: true, structural: true })
        : number('分辨率编号', [...base, 'videoResolution'], { max: 255, hint: '设备未提供分辨率列表' }),
      select('视频编码', [...base, 'videoCodecType'], videoCodecOptions(r)),
      select('码流类型', [...base, 'videoFlowType'], [{ value: 0, label: '视频流' }, { value: 1, label: '复合流' }], { numeric: true }),
      select('码率类型', [...base, 'bitrateType'], [{ value: 'VBR', label: '变码率 (VBR)' }, { value: 'CBR', label: '定码率 (CBR)' }]),
      select('码率上限', [...base, 'vbrUpperCap'], bitrateOptions(res).map((k) => ({ value: k, label: `${k} kbps` })), { numeric: true }),
      rates.length
        ? select('最大帧率', [...base, 'maxFrameRate'], rates.map((f) => ({ value: f, label: `${f} fps` })), { numeric: true })
        : number('最大帧率', [...base, 'maxFrameRate'], { max: 255 }),
      select('图像质量', [...base, 'picQuality'], QUALITY.map((q, i) => ({ value: i, label: q })), { numeric: true }),
      number('I 帧间隔', [...base, 'keyFrameInterval'], tri(r && r.iFrame, 400)),
      number('帧类型', [...base, 'frameType'], { max: 255 }),
      number('码流编号', [...base, 'streamType'], { max: r && r.streamType !== null ? Math.max(r.streamType, st.streamType) : 255 }));
  }

  const bodies = {
    general: () => [
      text('校时服务器', ['general', 'serverAddress'], { maxLength: 64, placeholder: '例如 ntp.example.com' }),
      h('p', { class: 'muted' }, '校时方式：自动'),
    ],
    wifi: (extra) => [
      h('div', { class: 'grid2' },
        text('网络名称 (SSID)', ['wifi', 'ssid'], { maxLength: 32 }),
        text('密码', ['wifi', 'password'], { maxLength: 63, type: 'password', hint: '8 – 63 个字符；留空则不修改加密设置' }),
        select('认证方式', ['wifi', 'verifyMethod'], [{ value: 'WPA2-PSK', label: 'WPA2-PSK' }, { value: 'WPA-PSK', label: 'WPA-PSK' }], { emptyLabel: '（未设置）' }),
        select('加密算法', ['wifi', 'encryptType'], [{ value: 'AES', label: 'AES' }, { value: 'TKIP', label: 'TKIP' }], { emptyLabel: '（未设置）' })),
      extra,
    ],
    defence: () => [
      check('启用移动侦测报警', ['defence', 'remindSwitch']),
      h('div', { class: 'grid2' },
        select('侦测模式', ['defence', 'detectMode'], [{ value: 0, label: '普通模式' }, { value: 1, label: '专家模式' }], { numeric: true }),
        number('灵敏度', ['defence', 'sensitivityLevel'], { max: 100, hint: '0 表示关闭' }),
        number('报警声音', ['defence', 'remindVoice'], { max: 255 })),
    ],
    audioVideo: () => [
      h('div', { class: 'grid2' }, stream(0), stream(1)),
      h('fieldset', { class: 'stream' }, h('legend', {}, '音频'),
        h('div', { class: 'grid2' },
          select('音频编码', ['audio', 'audioCompressionType'], audioCodecOptions(r)),
          select('音频输入', ['audio', 'audioInputMode'], audioInputOptions(r), { emptyLabel: '（未设置）' }),
          number('输入音量', ['audio', 'inputVolume'], { ...tri(r && r.inputVolume, 100), slider: true }),
          number('输出音量', ['audio', 'outputVolume'], { ...tri(r && r.outputVolume, 100), slider: true }))),
    ],
    backlight: () => [check('开启宽动态', ['backlight', 'wideDynamicRangeSwitch'])],
    color: () => [h('div', { class: 'grid2' },
      number('亮度', ['color', 'brightnessLevel'], { ...tri(r && r.brightnessLevel, 100), slider: true }),
      number('对比度', ['color', 'contrastLevel'], { ...tri(r && r.contrastLevel, 100), slider: true }),
      number('饱和度', ['color', 'saturationLevel'], { ...tri(r && r.saturationLevel, 100), slider: true }),
      number('色调', ['color', 'hue'], { min: 0, max: Math.max(100, draft.color.hue), slider: true }))],
    display: () => [
      h('div', { class: 'checks' },
        check('显示 Logo', ['display', 'showOrvexLogo']),
        check('显示通道名称', ['display', 'showName']),
        check('显示日期', ['display', 'showDate']),
        check('显示星期', ['display', 'showWeek'], { disabled: r ? !r.supportShowWeek : false })),
      h('div', { class: 'grid2' },
        select('日期格式', ['display', 'dateFormat'], DATE_FORMATS.map((f) => ({ value: f, label: f }))),
        select('时间格式', ['display', 'timeFormat'], indexed(r ? r.osdHourType : [], ['24', '12']), { numeric: true }),
        r && r.osdAttrib.length
          ? select('显示属性', ['display', 'displayState'], indexed(r.osdAttrib, []), { numeric: true })
          : number('显示属性', ['display', 'displayState'], { max: 255 })),
    ],
  };

  return { sections: SECTIONS, body: (id, extra) => bodies[id](extra) };
}

// Keeps a stream's bitrate and frame rate valid for a newly chosen resolution.
export function fitStreamToResolution(stream, resolution) {
  if (!resolution) return;
  const rates = bitrateOptions(resolution);
  if (rates.length && !rates.includes(stream.vbrUpperCap)) {
    const wanted = resolution.bitrate ? resolution.bitrate.default : rates[rates.length - 1];
    stream.vbrUpperCap = rates.filter((k) => k <= wanted).pop() || rates[0];
  }
  if (resolution.frameRates.length && !resolution.frameRates.includes(stream.maxFrameRate)) {
    stream.maxFrameRate = Math.max(...resolution.frameRates);
  }
}
