// The configuration forms: one card per section, every field bound to the draft and bounded by
// the camera's ranges. Fields have the id "cfg-" + their draft path joined with "-".

import { h } from './dom.js';
import {
  DATE_FORMATS, SECTIONS, audioCodecOptions, audioInputOptions, bitrateOptions, int, numberBounds,
  resolutionFor, videoCodecOptions,
} from './config_model.js';
import { QUALITY, dateExample, osdName, resolutionName } from './words.js';

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

export function createConfigForm({ draft, base, ranges, onStructureChange, onEdit }) {
  const bounds = numberBounds(ranges, base);
  const bind = (path, read) => (event) => {
    setPath(draft, path, read(event.target));
    onEdit();
  };

  function text(label, path, { maxLength, type = 'text', hint, placeholder } = {}) {
    const input = h('input', {
      id: fieldId(path), type, value: getPath(draft, path), maxlength: maxLength, placeholder,
      autocomplete: 'off', spellcheck: 'false', oninput: bind(path, (el) => el.value),
    });
    return field(label, input, hint);
  }

  // A number outside its range is kept as typed and shown with the range next to it; the issue
  // is refused until it is corrected (nothing is clamped behind the installer's back).
  function number(label, path, { hint, slider = false } = {}) {
    const id = fieldId(path);
    const { min, max } = bounds[path.join('.')];
    const current = getPath(draft, path);
    const box = h('input', { id, type: 'number', min, max, step: 1, value: current, class: 'num' });
    const range = slider ? h('input', { type: 'range', min, max, step: 1, value: current, tabindex: -1, 'aria-hidden': 'true' }) : null;
    const error = h('span', { class: 'field-error', 'data-testid': 'range-error', hidden: true });
    const show = (v) => {
      const bad = !Number.isFinite(v) || v < min || v > max;
      box.classList.toggle('invalid', bad);
      error.hidden = !bad;
      error.textContent = bad ? `超出范围，应为 ${min} – ${max}` : '';
    };
    const commit = (raw) => {
      const v = raw.trim() === '' ? NaN : Number(raw);
      setPath(draft, path, Number.isInteger(v) ? v : NaN);
      show(Number.isInteger(v) ? v : NaN);
      if (range && Number.isInteger(v)) range.value = v;
      onEdit();
    };
    box.addEventListener('input', () => commit(box.value));
    if (range) range.addEventListener('input', () => { box.value = range.value; commit(range.value); });
    show(current);
    return field(label, h('span', { class: slider ? 'slider' : 'number' }, range, box, error),
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
        onEdit();
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
  const indexed = (words, fallback) => (words.length ? words : fallback)
    .map((w, i) => ({ value: i, label: osdName(w) }));

  function stream(s) {
    const base = ['streams', s];
    const resolutions = r ? r.resolutions[s] : [];
    const res = resolutionFor(r, s, draft.streams[s].videoResolution);
    const rates = res && res.frameRates.length ? res.frameRates : [];
    return h('fieldset', { class: 'stream' }, h('legend', {}, s === 0 ? '主码流' : '子码流'),
      resolutions.length
        ? select('分辨率', [...base, 'videoResolution'], resolutions.map((x) => ({
          value: x.index, label: resolutionName(x),
        })), { numeric: true, structural: true })
        : number('分辨率编号', [...base, 'videoResolution'], { hint: '设备未提供分辨率列表' }),
      select('视频编码', [...base, 'videoCodecType'], videoCodecOptions(r)),
      select('码流类型', [...base, 'videoFlowType'], [{ value: 0, label: '视频流' }, { value: 1, label: '复合流' }], { numeric: true }),
      select('码率类型', [...base, 'bitrateType'], [{ value: 'VBR', label: '变码率 (VBR)' }, { value: 'CBR', label: '定码率 (CBR)' }]),
      select('码率上限', [...base, 'vbrUpperCap'], bitrateOptions(res).map((k) => ({ value: k, label: `${k} kbps` })), { numeric: true }),
      rates.length
        ? select('最大帧率', [...base, 'maxFrameRate'], rates.map((f) => ({ value: f, label: `${f} fps` })), { numeric: true })
        : number('最大帧率', [...base, 'maxFrameRate']),
      select('图像质量', [...base, 'picQuality'], QUALITY.map((q, i) => ({ value: i, label: q })), { numeric: true }),
      number('I 帧间隔', [...base, 'keyFrameInterval']),
      // 帧类型 and 码流编号 are the device's own bookkeeping: sent as the camera reported them.
      h('p', { class: 'field-hint' }, '帧类型与码流编号由设备决定，保持摄像机当前值。'));
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
        number('灵敏度', ['defence', 'sensitivityLevel'], { hint: '0 – 100，0 表示关闭' }),
        number('报警声音', ['defence', 'remindVoice'], { hint: '0 – 255，声音编号' })),
    ],
    audioVideo: () => [
      h('div', { class: 'grid2' }, stream(0), stream(1)),
      h('fieldset', { class: 'stream' }, h('legend', {}, '音频'),
        h('div', { class: 'grid2' },
          select('音频编码', ['audio', 'audioCompressionType'], audioCodecOptions(r)),
          select('音频输入', ['audio', 'audioInputMode'], audioInputOptions(r), { emptyLabel: '（未设置）' }),
          number('输入音量', ['audio', 'inputVolume'], { slider: true }),
          number('输出音量', ['audio', 'outputVolume'], { slider: true }))),
    ],
    backlight: () => [check('开启宽动态', ['backlight', 'wideDynamicRangeSwitch'])],
    color: () => [h('div', { class: 'grid2' },
      number('亮度', ['color', 'brightnessLevel'], { slider: true }),
      number('对比度', ['color', 'contrastLevel'], { slider: true }),
      number('饱和度', ['color', 'saturationLevel'], { slider: true }),
      number('色调', ['color', 'hue'], { slider: true }))],
    display: () => [
      h('div', { class: 'checks' },
        check('显示 Logo', ['display', 'showOrvexLogo']),
        check('显示通道名称', ['display', 'showName']),
        check('显示日期', ['display', 'showDate']),
        check('显示星期', ['display', 'showWeek'], { disabled: r ? !r.supportShowWeek : false })),
      h('div', { class: 'grid2' },
        select('日期格式', ['display', 'dateFormat'], DATE_FORMATS.map((f) => ({ value: f, label: dateExample(f) }))),
        select('时间格式', ['display', 'timeFormat'], indexed(r ? r.osdHourType : [], ['24', '12']), { numeric: true }),
        r && r.osdAttrib.length
          ? select('显示属性', ['display', 'displayState'], indexed(r.osdAttrib, []), { numeric: true })
          : number('显示属性', ['display', 'displayState'], { hint: '0 – 255，设备的显示属性编号' })),
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
