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
    r.setWifiSsid(c.ssid);
    r.setWifiMode(0);
    const std::string verify = LowerAscii(c.verifyMethod);
    if (!Contains(verify, "wpa2-psk") && !Contains(verify, "wpa-psk")) {
        return;  // security, cipher and key stay as they are
    }
    r.setWifiSecurity(Contains(verify, "wpa2-psk") ? kWifiSecurityWpa2Psk : kWifiSecurityWpaPsk);
    r.setWifiCipher(Contains(LowerAscii(c.encryptType), "aes") ? kWifiCipherAes : kWifiCipherTkip);
    const size_t copied = r.setWifiKey(c.password);
    r.setWifiKeySelector(0);
    r.setWifiKeyLength(static_cast<int32_t>(copied));
}

void WriteMotion(const IssuedConfig& c, DeviceConfig& r) {
    r.setMotionSwitch(Flag(c.remindSwitch));
    r.setMotionMode(Low8(c.detectMode));
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
        r.setStreamType(s, st.streamType);
        r.setStreamFlowType(s, Low8(st.videoFlowType));
        r.setStreamBitrateType(s, st.bitrateType == "VBR" ? 0 : 1);
        r.setStreamBitrateCode(s, st.vbrUpperCap);
        r.setStreamPicQuality(s, Low8(st.picQuality));
        r.setStreamResolution(s, Low8(st.videoResolution));
        r.setStreamFrameRate(s, st.maxFrameRate);
        r.setStreamIFrameInterval(s, static_cast<uint16_t>(st.keyFrameInterval));
        r.setStreamFrameType(s, Low8(st.frameType));
        r.setStreamVideoEncoding(s, VideoEncodingCode(st.videoCodecType));
        r.setStreamAudioEncoding(s, AudioEncodingCode(st.audioCompressionType));
    }
}

void WriteDisplay(const IssuedConfig& c, DeviceConfig& r) {
    r.setChannelNameShown(Flag(c.showName));
    r.setDateShown(Flag(c.showDate));
    r.setWeekShown(Flag(c.showWeek));
    const int32_t format = DateFormatCode(c.dateFormat);
    if (format >= 0) {
        r.setDateFormat(Low8(format));
    }
    r.setTimeFormat(Flag(c.timeFormat != 0));
    r.setDisplayState(Low8(c.displayState));
}

}  // namespace

std::span<const IssueItem> IssueItems() {
    return kIssueItems;
}

bool WriteConfigItem(int32_t item, const IssuedConfig& c, int32_t channelNo, DeviceConfig& r) {
    switch (item) {
        case CFG_ITEM_TIME:
            r.setTimeServerAddress(c.serverAddress);
            return true;
        case CFG_ITEM_WIFI:
            WriteWifi(c, r);
            return true;
        case CFG_ITEM_MOTION:
            WriteMotion(c, r);
            return true;
        case CFG_ITEM_ALARM_SOUND:
            r.setAlarmSoundBlock(channelNo, c.remindVoice);
            return true;
        case CFG_ITEM_COMPRESSION:
            WriteStreams(c, r);
            return true;
        case CFG_ITEM_AUDIO_IN: {
            const int32_t mode = AudioInputCode(c.audioInputMode);
            if (mode >= 0) {
                r.setAudioInputMode(Low8(mode));
            }
            r.setAudioInputVolume(Low8(c.inputVolume));
            return true;
        }
        case CFG_ITEM_AUDIO_OUT:
            r.setAudioOutputVolume(Low8(c.outputVolume));
            return true;
        case CFG_ITEM_IMAGE:
            r.setWideDynamicRange(Flag(c.wideDynamicRangeSwitch));
            return true;
        case CFG_ITEM_COLOR:
            r.setBrightness(c.brightnessLevel);
            r.setContrast(c.contrastLevel);
            r.setSaturation(c.saturationLevel);
            r.setHue(c.hue);
            return true;
        case CFG_ITEM_LOGO:
            r.setLogoShown(Flag(c.showOrvexLogo));
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
