// A small studio world for the fake bridge: groups of cameras and, per camera, the answers the
// program would push (configuration, ranges, Wi-Fi list, password check, issue results).

export function camera(serial, devname, extra = {}) {
  return {
    serial, devname, devip: `192.168.1.${Number(serial.slice(-3)) % 250}`, passwd: 'abc12345',
    devType: 'IPC', port: 8000, channelNo: 1, iPlatform: 0, encrypt: true, newDev: false,
    CheckPassword: false, ...extra,
  };
}

export function makeWorld() {
  const lobby = Array.from({ length: 25 }, (_, i) => camera(`ORX-${String(101 + i).padStart(3, '0')}`,
    `一号楼-${i + 1}`, { iPlatform: i % 3 === 0 ? 2 : 0 }));
  const yard = [
    camera('ORX-201', '停车场入口'),
    camera('ORX-202', "停车场'出口\"", { CheckPassword: true, passwd: '' }),
    camera('ORX-203', '岗亭', { channelNo: 2 }),
  ];
  return {
    groups: [
      { groupName: '一号楼', groupId: 'g-lobby', groupDevNum: 25, cameras: lobby },
      { groupName: '停车场', groupId: 'g-yard', groupDevNum: 3, cameras: yard },
      { groupName: '仓库', groupId: 'g-store', groupDevNum: 0, cameras: [] },
    ],
    current: lobby[1],
    passwords: { 'ORX-202_1': 'yard-pass' },
    wifi: ['Office-5G', 'Office', '访客网络'],
    unreachable: new Set(['ORX-203_2']),
  };
}

export const keyOf = (c) => `${c.serial}_${c.channelNo}`;

export function configItems(serial) {
  const stream = (main) => ({
    streamType: main ? 0 : 1, videoFlowType: main ? 1 : 0, bitrateType: main ? 'VBR' : 'CBR',
    vbrUpperCap: main ? 4096 : 512, constantBitRate: main ? 4096 : 512, picQuality: 2,
    videoResolution: main ? 2 : 0, maxFrameRate: 25, keyFrameInterval: 50, frameType: 0,
    videoCodecType: main ? 'STD_H265' : 'STD_H264',
  });
  return {
    generalConfig: {
      timeProofreading: { proofMode: 'auto', serverAddress: 'ntp.orvex.example' },
      wiFiConfig: { ssid: `cam-${serial}`, password: 'wifi-secret', encryptType: 'AES', verifyMethod: 'WPA2-PSK' },
    },
    defenceConfig: { motionDetectDefence: { remindSwitch: true, detectMode: 0, sensitivityLevel: 3, remindVoice: 1 } },
    imageConfig: {
      audioAndVideoConfig: {
        videoConfig: [stream(true), stream(false)],
        audioConfig: { audioCompressionType: 'G711_A', audioInputMode: 'Mic In', inputVolume: 60, outputVolume: 70 },
      },
      imageBacklight: { wideDynamicRangeSwitch: false },
      imageColor: { brightnessLevel: 50, contrastLevel: 50, saturationLevel: 50, hue: 50 },
      imageDisplay: {
        showOrvexLogo: true, showName: true, showDate: true, showWeek: false, dateFormat: 'yyyy-MM-dd',
        timeFormat: 0, displayState: 1,
      },
    },
  };
}

// The range answer, with the members the page reads.
export function ranges(serial, channelNo) {
  const res = (index, name, value, max, rates) => ({
    resolutionIndex: index, resolutionName: name, resolutionValue: value,
    vbrUpperCap: { min: 32, max, default: Math.min(max, 2048) }, maxFrameRate: rates,
  });
  return {
    serial, channelNo,
    imageCfgRange: {
      brightnessLevel: { min: 0, max: 80, default: 50 }, contrastLevel: { min: 0, max: 100, default: 50 },
      saturationLevel: { min: 0, max: 100, default: 50 },
    },
    imageShowRange: { supportShowWeek: true, osdAttrib: ['transparent', 'flash'], osdHourType: ['24', '12'], osdType: ['opaque'] },
    audioCfgRange: {
      mainAudioEncType: [0, 1, 2, 7], audioInType: [0, 1], audioInVolumeMin: 0, audioInVolumeMax: 100, audioInVolumeDefault: 60,
      audioOutVolumeMin: 0, audioOutVolumeMax: 100, audioOutVolumeDefault: 70,
    },
    videoCfgRange: {
      streamType: 1, videoType: [1, 10], IFrame: { min: 1, max: 400, default: 50 },
      videoResolution: [res(0, 'CIF', '352*288', 1024, [1, 15, 25]), res(2, '1080P', '1920*1080', 8192, [1, 15, 25, 30])],
      SubvideoResolution: [res(0, 'CIF', '352*288', 1024, [1, 15, 25])],
    },
  };
}

const ITEMS = {
  general: ['通用配置'], wifi: ['wifi配置'], defence: ['布撤防计划'],
  audioVideo: ['视频配置', '输入音频配置', '输出音频配置'], backlight: ['宽动态配置'],
  color: ['图像设置'], display: ['Logo配置', '图像显示'],
};

// The program's result array for an issue of `config` to `cameras`, with the sections found by
// the same plain text search the program does.
export function issueResult(world, cameras, configText) {
  const present = {
    general: configText.includes('generalConfig'), wifi: configText.includes('wiFiConfig'),
    defence: configText.includes('defenceConfig'), audioVideo: configText.includes('audioAndVideoConfig'),
    backlight: configText.includes('imageBacklight'), color: configText.includes('imageColor'),
    display: configText.includes('imageDisplay'),
  };
  const names = Object.keys(ITEMS).filter((k) => present[k]).flatMap((k) => ITEMS[k]);
  return cameras.map((c) => {
    const down = world.unreachable.has(keyOf(c));
    const syncInfo = names.map((itemName) => ({ isSuccess: !down, moreInfo: down ? '网络异常' : 'OK', itemName }));
    return {
      device: { serial: c.serial, channelNo: c.channelNo, deviceName: c.devname },
      failNum: down ? names.length : 0, syncInfo: names.length ? syncInfo : null,
    };
  });
}
