// The configuration model of the page: code tables, the editable draft read from a camera's
// "configItems", the ranges that bound it, and the issue request built from chosen sections.

import { audioCodecName, videoCodecName } from './words.js';

export const VIDEO_CODECS = [
  [0, 'H.264'], [1, 'STD_H264'], [2, 'STD_MPEG4'], [7, 'M_JPEG'], [8, 'MPEG2'], [9, 'SVAC'],
  [10, 'STD_H265'], [254, '自动'],
];
export const AUDIO_CODECS = [
  [0, 'G722'], [1, 'G711_U'], [2, 'G711_A'], [5, 'MP2L2'], [6, 'G276'], [7, 'AAC'], [8, 'PCM'],
];
export const AUDIO_INPUTS = [[0, 'Mic In'], [1, 'Line In']];
export const DATE_FORMATS = [
  'yyyy-MM-dd', 'MM-dd-yyyy', 'yyyyMMdd', 'MMddyyyy', 'dd-MM-yyyy', 'ddMMyyyy', 'MM/dd/yyyy',
  'yyyy/MM/dd', 'dd/MM/yyyy',
];
// The rates (kbit/s) a camera accepts as a bitrate cap; any other number would be stored as 0.
export const BITRATES_KBPS = [
  16, 32, 48, 64, 80, 96, 128, 160, 192, 224, 256, 320, 384, 448, 512, 640, 768, 896, 1024, 1280,
  1536, 1792, 2048, 3072, 4096, 6144, 8192, 10240, 12288, 16384,
];

// Sections the user can issue. Wi-Fi travels inside the general section, so issuing it always
// issues the general (time) item as well.
export const SECTIONS = [
  { id: 'general', label: '通用配置', note: '校时服务器' },
  { id: 'wifi', label: 'Wi-Fi 配置', requires: 'general' },
  { id: 'defence', label: '布撤防', note: '移动侦测' },
  { id: 'audioVideo', label: '音视频', note: '主码流、子码流与音频' },
  { id: 'backlight', label: '宽动态' },
  { id: 'color', label: '图像色彩' },
  { id: 'display', label: '图像显示', note: 'Logo 与字符叠加' },
];

// Words that the program looks for anywhere in the request text to decide which sections are
// present; inside string values they are written with an escaped first letter so that a typed
// value can never switch a section on.
const SECTION_WORDS = [
  'configItems', 'generalConfig', 'wiFiConfig', 'defenceConfig', 'imageConfig',
  'audioAndVideoConfig', 'imageBacklight', 'imageColor', 'imageDisplay',
];

const isObject = (v) => v !== null && typeof v === 'object' && !Array.isArray(v);
const obj = (v) => (isObject(v) ? v : {});
const str = (v, fallback = '') => (typeof v === 'string' ? v : typeof v === 'number' ? String(v) : fallback);
const bool = (v) => v === true || v === 1 || v === 'true';
export function int(v, fallback = 0) {
  const n = typeof v === 'number' ? v : typeof v === 'string' ? Number.parseInt(v, 10) : NaN;
  return Number.isFinite(n) ? Math.trunc(n) : fallback;
}

function readStream(v) {
  const s = obj(v);
  return {
    streamType: int(s.streamType), videoFlowType: int(s.videoFlowType),
    bitrateType: s.bitrateType === 'VBR' ? 'VBR' : 'CBR', vbrUpperCap: int(s.vbrUpperCap),
    picQuality: int(s.picQuality), videoResolution: int(s.videoResolution),
    maxFrameRate: int(s.maxFrameRate), keyFrameInterval: int(s.keyFrameInterval),
    frameType: int(s.frameType), videoCodecType: str(s.videoCodecType),
  };
}

// The editable draft of a camera's configuration. Absent members get neutral values; `present`
// records which parts the camera reported so the form can say when it shows defaults.
export function makeDraft(configItems) {
  const c = obj(configItems);
  const g = obj(c.generalConfig);
  const tp = obj(g.timeProofreading);
  const wf = obj(g.wiFiConfig);
  const md = obj(obj(c.defenceConfig).motionDetectDefence);
  const img = obj(c.imageConfig);
  const av = obj(img.audioAndVideoConfig);
  const streams = Array.isArray(av.videoConfig) ? av.videoConfig : [];
  const au = obj(av.audioConfig);
  const bl = obj(img.imageBacklight);
  const col = obj(img.imageColor);
  const ds = obj(img.imageDisplay);
  return {
    present: {
      general: isObject(g.timeProofreading), wifi: isObject(g.wiFiConfig),
      defence: isObject(obj(c.defenceConfig).motionDetectDefence),
      audioVideo: streams.length > 0, backlight: isObject(img.imageBacklight),
      color: isObject(img.imageColor), display: isObject(img.imageDisplay),
    },
    general: { proofMode: str(tp.proofMode, 'auto') || 'auto', serverAddress: str(tp.serverAddress) },
    wifi: {
      ssid: str(wf.ssid), password: str(wf.password), encryptType: str(wf.encryptType),
      verifyMethod: str(wf.verifyMethod),
    },
    defence: {
      remindSwitch: bool(md.remindSwitch), detectMode: int(md.detectMode),
      sensitivityLevel: int(md.sensitivityLevel), remindVoice: int(md.remindVoice),
    },
    streams: [readStream(streams[0]), readStream(streams[1])],
    audio: {
      audioCompressionType: str(au.audioCompressionType), audioInputMode: str(au.audioInputMode),
      inputVolume: int(au.inputVolume), outputVolume: int(au.outputVolume),
    },
    backlight: { wideDynamicRangeSwitch: bool(bl.wideDynamicRangeSwitch) },
    color: {
      brightnessLevel: int(col.brightnessLevel), contrastLevel: int(col.contrastLevel),
      saturationLevel: int(col.saturationLevel), hue: int(col.hue),
    },
    display: {
      showOrvexLogo: bool(ds.showOrvexLogo), showName: bool(ds.showName),
      showDate: bool(ds.showDate), showWeek: bool(ds.showWeek), dateFormat: str(ds.dateFormat),
      timeFormat: int(ds.timeFormat), displayState: int(ds.displayState),
    },
  };
}

function triple(v) {
  const t = obj(v);
  const min = int(t.min, NaN);
  const max = int(t.max, NaN);
  if (!Number.isFinite(min) || !Number.isFinite(max) || min > max) return null;
  const def = int(t.default, min);
  return { min, max, default: Math.min(max, Math.max(min, def)) };
}
const ints = (v) => (Array.isArray(v) ? v : typeof v === 'number' ? [v] : [])
  .map((x) => int(x, NaN)).filter(Number.isFinite);
const texts = (v) => (Array.isArray(v) ? v.filter((x) => typeof x === 'string') : []);

function readResolutions(list) {
  if (!Array.isArray(list)) return [];
  return list.filter(isObject).map((r) => ({
    index: int(r.resolutionIndex),
    name: str(r.resolutionName),
    value: str(r.resolutionValue),
    bitrate: triple(r.vbrUpperCap),
    frameRates: ints(r.maxFrameRate),
  }));
}

// The ranges a camera reported, normalised; every member may be missing.
export function readRanges(range) {
  const r = obj(range);
  const image = obj(r.imageCfgRange);
  const show = obj(r.imageShowRange);
  const audio = obj(r.audioCfgRange);
  const video = obj(r.videoCfgRange);
  const volume = (prefix) => triple({
    min: audio[`${prefix}Min`], max: audio[`${prefix}Max`], default: audio[`${prefix}Default`],
  });
  return {
    serial: str(r.serial), channelNo: int(r.channelNo),
    brightnessLevel: triple(image.brightnessLevel), contrastLevel: triple(image.contrastLevel),
    saturationLevel: triple(image.saturationLevel),
    supportShowWeek: typeof show.supportShowWeek === 'boolean' ? show.supportShowWeek : true,
    osdAttrib: texts(show.osdAttrib), osdHourType: texts(show.osdHourType),
    osdType: texts(show.osdType),
    mainAudioEncType: ints(audio.mainAudioEncType), audioInType: ints(audio.audioInType),
    inputVolume: volume('audioInVolume'), outputVolume: volume('audioOutVolume'),
    streamType: Number.isFinite(int(video.streamType, NaN)) ? int(video.streamType) : null,
    videoType: ints(video.videoType), iFrame: triple(video.IFrame),
    resolutions: [readResolutions(video.videoResolution), readResolutions(video.SubvideoResolution)],
  };
}

const codeOptions = (table, allowed) => table
  .filter(([code]) => allowed.length === 0 || allowed.includes(code))
  .map(([, word]) => ({ value: word, label: word }));

export const videoCodecOptions = (ranges) => codeOptions(VIDEO_CODECS, ranges ? ranges.videoType : [])
  .map((o) => ({ value: o.value, label: videoCodecName(o.value) }));
export const audioCodecOptions = (ranges) => codeOptions(AUDIO_CODECS, ranges ? ranges.mainAudioEncType : [])
  .map((o) => ({ value: o.value, label: audioCodecName(o.value) }));
export function audioInputOptions(ranges) {
  const labels = { 'Mic In': '麦克风输入 (Mic In)', 'Line In': '线路输入 (Line In)' };
  return codeOptions(AUDIO_INPUTS, ranges ? ranges.audioInType : [])
    .map((o) => ({ value: o.value, label: labels[o.value] }));
}

export function resolutionFor(ranges, stream, index) {
  const list = ranges ? ranges.resolutions[stream] : [];
  return list.find((r) => r.index === index) || null;
}

export function bitrateOptions(resolution) {
  const b = resolution && resolution.bitrate;
  return BITRATES_KBPS.filter((k) => !b || (k >= b.min && k <= b.max));
}

// The bounds of every number field, by draft path ("color.brightnessLevel"): the camera's
// ranges where it gave them, otherwise what the device record can hold. `base` is the camera's
// own configuration, whose value is always allowed.
export function numberBounds(ranges, base) {
  const r = ranges;
  const tri = (t, fallbackMax) => (t ? { min: t.min, max: t.max } : { min: 0, max: fallbackMax });
  const b = {
    'defence.sensitivityLevel': { min: 0, max: 100 },
    'defence.remindVoice': { min: 0, max: 255 },
    'audio.inputVolume': tri(r && r.inputVolume, 100),
    'audio.outputVolume': tri(r && r.outputVolume, 100),
    'color.brightnessLevel': tri(r && r.brightnessLevel, 100),
    'color.contrastLevel': tri(r && r.contrastLevel, 100),
    'color.saturationLevel': tri(r && r.saturationLevel, 100),
    'color.hue': { min: 0, max: Math.max(100, base ? base.color.hue : 0) },
    'display.displayState': { min: 0, max: 255 },
  };
  for (const s of [0, 1]) {
    b[`streams.${s}.keyFrameInterval`] = tri(r && r.iFrame, 400);
    b[`streams.${s}.maxFrameRate`] = { min: 0, max: 255 };
    b[`streams.${s}.videoResolution`] = { min: 0, max: 255 };
  }
  return b;
}

const SECTION_OF_PATH = { streams: 'audioVideo', audio: 'audioVideo' };
const FIELD_NAMES = {
  sensitivityLevel: '灵敏度', remindVoice: '报警声音', inputVolume: '输入音量', outputVolume: '输出音量',
  brightnessLevel: '亮度', contrastLevel: '对比度', saturationLevel: '饱和度', hue: '色调', displayState: '显示属性',
  keyFrameInterval: 'I 帧间隔', maxFrameRate: '最大帧率', videoResolution: '分辨率编号',
};

// Numbers outside their range in the chosen sections, as messages; a value equal to the
// camera's own is not checked unless the whole section is sent.
export function rangeProblems(draft, base, ranges, sectionIds, whole = new Set()) {
  const has = new Set(normalizeSections(sectionIds));
  const out = [];
  for (const [path, { min, max }] of Object.entries(numberBounds(ranges, base))) {
    const parts = path.split('.');
    const section = SECTION_OF_PATH[parts[0]] || parts[0];
    if (!has.has(section)) continue;
    const get = (o) => parts.reduce((v, k) => (v == null ? v : v[k]), o);
    const v = get(draft);
    if (!whole.has(section) && base && v === get(base)) continue;
    if (!Number.isInteger(v) || v < min || v > max) {
      const label = SECTIONS.find((x) => x.id === section).label;
      const stream = parts[0] === 'streams' ? (parts[1] === '0' ? '主码流' : '子码流') : '';
      out.push(`${label}：${stream}${FIELD_NAMES[parts[parts.length - 1]]}应在 ${min} – ${max} 之间`);
    }
  }
  return out;
}

export function normalizeSections(ids) {
  const set = new Set(ids);
  if (set.has('wifi')) set.add('general');
  return SECTIONS.map((s) => s.id).filter((id) => set.has(id));
}

const streamOut = (s) => ({
  streamType: s.streamType, keyFrameInterval: s.keyFrameInterval, maxFrameRate: s.maxFrameRate,
  picQuality: s.picQuality, vbrUpperCap: s.vbrUpperCap, videoFlowType: s.videoFlowType,
  videoResolution: s.videoResolution, bitrateType: s.bitrateType,
  videoCodecType: s.videoCodecType, frameType: s.frameType,
});

// The configuration object of an issue request holding exactly the chosen sections.
export function buildConfigRequest(draft, sectionIds) {
  const has = new Set(normalizeSections(sectionIds));
  const items = {};
  if (has.has('general')) {
    items.generalConfig = { timeProofreading: { ...draft.general } };
    if (has.has('wifi')) items.generalConfig.wiFiConfig = { ...draft.wifi };
  }
  if (has.has('defence')) items.defenceConfig = { motionDetectDefence: { ...draft.defence } };
  const image = {};
  if (has.has('audioVideo')) {
    image.audioAndVideoConfig = { videoConfig: draft.streams.map(streamOut), audioConfig: { ...draft.audio } };
  }
  if (has.has('backlight')) image.imageBacklight = { ...draft.backlight };
  if (has.has('color')) image.imageColor = { ...draft.color };
  if (has.has('display')) image.imageDisplay = { ...draft.display };
  if (Object.keys(image).length > 0) items.imageConfig = image;
  return { configItems: items };
}

// Problems that would make the issued values wrong, as messages for the user.
export function validateDraft(draft, sectionIds) {
  const has = new Set(normalizeSections(sectionIds));
  const errors = [];
  if (has.has('wifi')) {
    if (!draft.wifi.ssid.trim()) errors.push('Wi-Fi 配置：请填写网络名称 (SSID)');
    const len = new TextEncoder().encode(draft.wifi.password).length;
    if (draft.wifi.password && (len < 8 || len > 63)) errors.push('Wi-Fi 配置：密码长度应为 8 到 63 个字节');
  }
  if (has.has('audioVideo')) {
    ['主码流', '子码流'].forEach((name, i) => {
      if (!draft.streams[i].videoCodecType) errors.push(`音视频：请选择${name}的视频编码`);
      if (!BITRATES_KBPS.includes(draft.streams[i].vbrUpperCap)) errors.push(`音视频：请选择${name}的码率上限`);
    });
    if (!draft.audio.audioCompressionType) errors.push('音视频：请选择音频编码');
  }
  if (has.has('display') && !draft.display.dateFormat) errors.push('图像显示：请选择日期格式');
  return errors;
}

function encodeString(s) {
  const guarded = new Set();
  for (const word of SECTION_WORDS) {
    for (let i = s.indexOf(word); i >= 0; i = s.indexOf(word, i + 1)) guarded.add(i);
  }
  let out = '"';
  for (let i = 0; i < s.length; i += 1) {
    const c = s.charCodeAt(i);
    if (guarded.has(i) || c < 0x20 || c === 0x7f || c === 0x2028 || c === 0x2029) {
      out += `\\u${c.toString(16).padStart(4, '0')}`;
    } else if (c === 0x22) out += '\\"';
    else if (c === 0x5c) out += '\\\\';
    else out += s[i];
  }
  return `${out}"`;
}

// JSON text of a request value: like JSON.stringify, with section words in strings escaped.
export function toRequestJson(value) {
  if (value === null || value === undefined) return 'null';
  if (typeof value === 'boolean') return value ? 'true' : 'false';
  if (typeof value === 'number') return Number.isFinite(value) ? String(value) : '0';
  if (typeof value === 'string') return encodeString(value);
  if (Array.isArray(value)) return `[${value.map(toRequestJson).join(',')}]`;
  const members = Object.entries(value).filter(([, v]) => v !== undefined);
  return `{${members.map(([k, v]) => `${JSON.stringify(k)}:${toRequestJson(v)}`).join(',')}}`;
}
