// The words an installer reads for protocol values: codec, resolution, date-format and OSD
// names, field labels and value texts. The values sent to the program stay the protocol's.

const VIDEO_CODEC_WORDS = {
  'H.264': 'H.264（旧编码）', STD_H264: 'H.264', STD_H265: 'H.265', STD_MPEG4: 'MPEG-4', M_JPEG: 'MJPEG',
  MPEG2: 'MPEG-2', SVAC: 'SVAC',
};
const AUDIO_CODEC_WORDS = {
  G722: 'G.722', G711_U: 'G.711μ', G711_A: 'G.711A', MP2L2: 'MP2', G276: 'G.726', AAC: 'AAC', PCM: 'PCM',
};
export const videoCodecName = (w) => VIDEO_CODEC_WORDS[w] || w;
export const audioCodecName = (w) => AUDIO_CODEC_WORDS[w] || w;

// A date format as the date 31 May 2024 written in it.
export const dateExample = (f) => (f ? f.replace(/yyyy/g, '2024').replace(/MM/g, '05').replace(/dd/g, '31') : f);

// A resolution in one form, "2560×1440", from the camera's "2560*1440" (or its name).
export function resolutionName(r) {
  const m = /^\s*(\d+)\s*[*xX×]\s*(\d+)\s*$/.exec(r.value || '') || /^\s*(\d+)\s*[*xX×]\s*(\d+)\s*$/.exec(r.name || '');
  return m ? `${m[1]}×${m[2]}` : r.name || r.value || `编号 ${r.index}`;
}

export const OSD_WORDS = {
  transparent: '透明', opaque: '不透明', translucent: '半透明', flash: '闪烁', flashing: '闪烁',
  still: '不闪烁', 'no flash': '不闪烁', 'transparent&flash': '透明且闪烁', 'opaque&flash': '不透明且闪烁',
  24: '24 小时制', 12: '12 小时制', '24h': '24 小时制', '12h': '12 小时制',
};
export const osdName = (w) => OSD_WORDS[String(w).toLowerCase()] || OSD_WORDS[w] || w;

export const QUALITY = ['最高', '较高', '中等', '低', '较低', '最低'];

// Labels of the leaves of "configItems", by member name; stream members are prefixed with the
// stream's name.
const LABELS = {
  serverAddress: '校时服务器', proofMode: '校时方式', ssid: 'Wi-Fi 网络名称', password: 'Wi-Fi 密码',
  encryptType: 'Wi-Fi 加密算法', verifyMethod: 'Wi-Fi 认证方式', remindSwitch: '移动侦测报警',
  detectMode: '侦测模式', sensitivityLevel: '灵敏度', remindVoice: '报警声音', videoResolution: '分辨率',
  videoCodecType: '视频编码', videoFlowType: '码流类型', bitrateType: '码率类型', vbrUpperCap: '码率上限',
  maxFrameRate: '最大帧率', picQuality: '图像质量', keyFrameInterval: 'I 帧间隔', frameType: '帧类型',
  streamType: '码流编号', audioCompressionType: '音频编码', audioInputMode: '音频输入', inputVolume: '输入音量',
  outputVolume: '输出音量', wideDynamicRangeSwitch: '宽动态', brightnessLevel: '亮度', contrastLevel: '对比度',
  saturationLevel: '饱和度', hue: '色调', showOrvexLogo: '显示 Logo', showName: '显示通道名称',
  showDate: '显示日期', showWeek: '显示星期', dateFormat: '日期格式', timeFormat: '时间格式', displayState: '显示属性',
};

// A leaf path of "configItems" (["imageConfig","audioAndVideoConfig","videoConfig",0,"maxFrameRate"]).
export function fieldLabel(path) {
  const name = path[path.length - 1];
  const label = LABELS[name] || String(name);
  const s = path.indexOf('videoConfig');
  return s >= 0 ? `${path[s + 1] === 0 ? '主码流' : '子码流'} · ${label}` : label;
}

// A leaf value in words; `ranges` (the source camera's) names resolutions and OSD choices.
export function valueText(path, value, ranges) {
  const name = path[path.length - 1];
  if (value === undefined || value === null) return '（无）';
  if (name === 'password') return value ? '••••••' : '（空）';
  if (typeof value === 'boolean') return value ? '开' : '关';
  if (name === 'videoCodecType') return videoCodecName(value);
  if (name === 'audioCompressionType') return audioCodecName(value);
  if (name === 'dateFormat') return dateExample(value);
  if (name === 'audioInputMode') return { 'Mic In': '麦克风输入', 'Line In': '线路输入' }[value] || value;
  if (name === 'bitrateType') return { VBR: '变码率', CBR: '定码率' }[value] || value;
  if (name === 'vbrUpperCap') return `${value} kbps`;
  if (name === 'maxFrameRate') return `${value} fps`;
  if (name === 'picQuality') return QUALITY[value] || String(value);
  if (name === 'detectMode') return ['普通模式', '专家模式'][value] || String(value);
  if (name === 'videoFlowType') return ['视频流', '复合流'][value] || String(value);
  if (name === 'videoResolution' && ranges) {
    const s = path[path.indexOf('videoConfig') + 1];
    const r = (ranges.resolutions[s] || []).find((x) => x.index === value);
    if (r) return resolutionName(r);
  }
  if (name === 'timeFormat' && ranges && ranges.osdHourType[value] !== undefined) return osdName(ranges.osdHourType[value]);
  if (name === 'displayState' && ranges && ranges.osdAttrib[value] !== undefined) return osdName(ranges.osdAttrib[value]);
  return value === '' ? '（空）' : String(value);
}
