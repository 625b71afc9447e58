#include "devcfg/config_items.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "devcfg/code_tables.h"

namespace orvex {

namespace {

constexpr IssueItem kIssueItems[] = {
    {ISSUED_SECTION_GENERAL, "通用配置", {1, 0}, 1},
    {ISSUED_SECTION_WIFI, "wifi配置", {2, 0}, 1},
    {ISSUED_SECTION_DEFENCE, "布撤防计划", {3, 11}, 2},
    {ISSUED_SECTION_AUDIO_VIDEO, "视频配置", {4, 0}, 1},
    {ISSUED_SECTION_AUDIO_VIDEO, "输入音频配置", {5, 0}, 1},
    {ISSUED_SECTION_AUDIO_VIDEO, "输出音频配置", {6, 0}, 1},
    {ISSUED_SECTION_BACKLIGHT, "宽动态配置", {7, 0}, 1},
    {ISSUED_SECTION_COLOR, "图像设置", {8, 0}, 1},
    {ISSUED_SECTION_DISPLAY, "Logo配置", {10, 0}, 1},
    {ISSUED_SECTION_DISPLAY, "图像显示", {9, 0}, 1},
};

uint8_t Low8(int32_t v) {
    return static_cast<uint8_t>(v);
}
uint8_t Flag(bool v) {
    return v ? 1 : 0;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool Contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

void WriteWifi(const IssuedConfig& c, DeviceConfig& r) {
    if (c.has(FIELD_SSID)) {
        r.setWifiSsid(c.ssid);
    }
    r.setWifiMode(0);
    // Without a word sent, the camera's own security decides whether a key applies.
    const std::string verify = LowerAscii(c.verifyMethod);
    const bool psk =
        c.has(FIELD_VERIFY_METHOD)
            ? Contains(verify, "wpa2-psk") || Contains(verify, "wpa-psk")
            : r.wifiSecurity() == kWifiSecurityWpa2Psk || r.wifiSecurity() == kWifiSecurityWpaPsk;
    if (!psk) {
        return;  // security, cipher and key stay as they are
    }
    if (c.has(FIELD_VERIFY_METHOD)) {
        r.setWifiSecurity(Contains(verify, "wpa2-psk") ? kWifiSecurityWpa2Psk
                                                       : kWifiSecurityWpaPsk);
    }
    if (c.has(FIELD_ENCRYPT_TYPE)) {
        r.setWifiCipher(Contains(LowerAscii(c.encryptType), "aes") ? kWifiCipherAes
                                                                   : kWifiCipherTkip);
    }
    if (c.has(FIELD_PASSWORD)) {
        const size_t copied = r.setWifiKey(c.password);
        r.setWifiKeySelector(0);
        r.setWifiKeyLength(static_cast<int32_t>(copied));
    }
}

void WriteMotion(const IssuedConfig& c, DeviceConfig& r) {
    if (c.has(FIELD_REMIND_SWITCH)) {
        r.setMotionSwitch(Flag(c.remindSwitch));
    }
    if (c.has(FIELD_DETECT_MODE)) {
        r.setMotionMode(Low8(c.detectMode));
    }
    if (!c.has(FIELD_SENSITIVITY_LEVEL)) {
        return;
    }
    const int32_t s = c.sensitivityLevel;
    if (r.sensitivityScale() == DeviceConfig::kPercentScale) {
        r.setMotionSensitivity(Low8(s / 20));
    } else if (r.motionMode() != 0) {
        r.setMotionAlternateSensitivity(Low8(s));
    } else if (r.alternateSensitivityFlag() != 0) {
        r.setMotionSensitivity(Low8(s));
    } else {
        // The default scale stores one less than the page shows; 0 (off) is 0xFF.
        r.setMotionSensitivity(s == 0 ? 0xFF : Low8(s - 1));
    }
}

void WriteStreams(const IssuedConfig& c, DeviceConfig& r) {
    for (int s = 0; s < 2; ++s) {
        const StreamSettings& st = c.streams[s];
        auto has = [&](StreamField f) { return c.has(StreamFieldBit(s, f)); };
        if (has(STREAM_TYPE)) {
            r.setStreamType(s, st.streamType);
        }
        if (has(STREAM_VIDEO_FLOW_TYPE)) {
            r.setStreamFlowType(s, Low8(st.videoFlowType));
        }
        if (has(STREAM_BITRATE_TYPE)) {
            r.setStreamBitrateType(s, st.bitrateType == "VBR" ? 0 : 1);
        }
        if (has(STREAM_VBR_UPPER_CAP)) {
            r.setStreamBitrateCode(s, st.vbrUpperCap);
        }
        if (has(STREAM_PIC_QUALITY)) {
            r.setStreamPicQuality(s, Low8(st.picQuality));
        }
        if (has(STREAM_VIDEO_RESOLUTION)) {
            r.setStreamResolution(s, Low8(st.videoResolution));
        }
        if (has(STREAM_MAX_FRAME_RATE)) {
            r.setStreamFrameRate(s, st.maxFrameRate);
        }
        if (has(STREAM_KEY_FRAME_INTERVAL)) {
            r.setStreamIFrameInterval(s, static_cast<uint16_t>(st.keyFrameInterval));
        }
        if (has(STREAM_FRAME_TYPE)) {
            r.setStreamFrameType(s, Low8(st.frameType));
        }
        if (has(STREAM_VIDEO_CODEC_TYPE)) {
            r.setStreamVideoEncoding(s, VideoEncodingCode(st.videoCodecType));
        }
        if (c.has(FIELD_AUDIO_COMPRESSION_TYPE)) {
            r.setStreamAudioEncoding(s, AudioEncodingCode(st.audioCompressionType));
        }
    }
}

void WriteDisplay(const IssuedConfig& c, DeviceConfig& r) {
    if (c.has(FIELD_SHOW_NAME)) {
        r.setChannelNameShown(Flag(c.showName));
    }
    if (c.has(FIELD_SHOW_DATE)) {
        r.setDateShown(Flag(c.showDate));
    }
    if (c.has(FIELD_SHOW_WEEK)) {
        r.setWeekShown(Flag(c.showWeek));
    }
    const int32_t format = DateFormatCode(c.dateFormat);
    if (c.has(FIELD_DATE_FORMAT) && format >= 0) {
        r.setDateFormat(Low8(format));
    }
    if (c.has(FIELD_TIME_FORMAT)) {
        r.setTimeFormat(Flag(c.timeFormat != 0));
    }
    if (c.has(FIELD_DISPLAY_STATE)) {
        r.setDisplayState(Low8(c.displayState));
    }
}

void WriteColour(const IssuedConfig& c, DeviceConfig& r) {
    if (c.has(FIELD_BRIGHTNESS)) {
        r.setBrightness(c.brightnessLevel);
    }
    if (c.has(FIELD_CONTRAST)) {
        r.setContrast(c.contrastLevel);
    }
    if (c.has(FIELD_SATURATION)) {
        r.setSaturation(c.saturationLevel);
    }
    if (c.has(FIELD_HUE)) {
        r.setHue(c.hue);
    }
}

}  // namespace

std::span<const IssueItem> IssueItems() {
    return kIssueItems;
}

bool WriteConfigItem(int32_t item, const IssuedConfig& c, int32_t channelNo, DeviceConfig& r) {
    switch (item) {
        case CFG_ITEM_TIME:
            if (c.has(FIELD_SERVER_ADDRESS)) {
                r.setTimeServerAddress(c.serverAddress);
            }
            return true;
        case CFG_ITEM_WIFI:
            WriteWifi(c, r);
            return true;
        case CFG_ITEM_MOTION:
            WriteMotion(c, r);
            return true;
        case CFG_ITEM_ALARM_SOUND:
            r.setAlarmSoundBlock(channelNo,
                                 c.has(FIELD_REMIND_VOICE) ? c.remindVoice : r.alarmSound());
            return true;
        case CFG_ITEM_COMPRESSION:
            WriteStreams(c, r);
            return true;
        case CFG_ITEM_AUDIO_IN: {
            const int32_t mode = AudioInputCode(c.audioInputMode);
            if (c.has(FIELD_AUDIO_INPUT_MODE) && mode >= 0) {
                r.setAudioInputMode(Low8(mode));
            }
            if (c.has(FIELD_INPUT_VOLUME)) {
                r.setAudioInputVolume(Low8(c.inputVolume));
            }
            return true;
        }
        case CFG_ITEM_AUDIO_OUT:
            if (c.has(FIELD_OUTPUT_VOLUME)) {
                r.setAudioOutputVolume(Low8(c.outputVolume));
            }
            return true;
        case CFG_ITEM_IMAGE:
            if (c.has(FIELD_WIDE_DYNAMIC_RANGE)) {
                r.setWideDynamicRange(Flag(c.wideDynamicRangeSwitch));
            }
            return true;
        case CFG_ITEM_COLOR:
            WriteColour(c, r);
            return true;
        case CFG_ITEM_LOGO:
            if (c.has(FIELD_SHOW_LOGO)) {
                r.setLogoShown(Flag(c.showOrvexLogo));
            }
            return true;
        case CFG_ITEM_OSD:
            WriteDisplay(c, r);
            return true;
        default:
            return false;
    }
}

bool ConfigItemWrittenInPlace(int32_t item) {
    return item == CFG_ITEM_COMPRESSION || item == CFG_ITEM_COLOR;
}

std::vector<uint8_t> PrepareItemBlock(int32_t item, const IssuedConfig& issued, int32_t channelNo,
                                      DeviceConfig& work) {
    if (!IsConfigItemType(item)) {
        return {};
    }
    auto staged = std::make_unique<DeviceConfig>(work);
    WriteConfigItem(item, issued, channelNo, *staged);
    if (ConfigItemWrittenInPlace(item)) {
        work.copyBlockFrom(*staged, item);
    }
    const auto block = staged->block(item);
    return std::vector<uint8_t>(block.begin(), block.end());
}

void AcceptItemBlock(int32_t item, std::span<const uint8_t> block, DeviceConfig& work) {
    auto target = work.block(item);
    if (target.empty() || block.size() != target.size()) {
        return;
    }
    std::copy(block.begin(), block.end(), target.begin());
}

}  // namespace orvex
