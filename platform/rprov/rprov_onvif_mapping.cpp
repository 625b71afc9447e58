#include "platform/rprov/rprov_onvif_mapping.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace orvex::rprov {
namespace {

struct CodeWord {
    int32_t code;
    const char* word;
};

// Date formats by the record's date format code; the ONVIF words are the same patterns.
constexpr CodeWord kDateFormats[] = {
    {0, "yyyy-MM-dd"}, {1, "MM-dd-yyyy"}, {2, "yyyyMMdd"},   {3, "MMddyyyy"},   {4, "dd-MM-yyyy"},
    {5, "ddMMyyyy"},   {6, "MM/dd/yyyy"}, {7, "yyyy/MM/dd"}, {8, "dd/MM/yyyy"},
};

constexpr uint8_t kCodeH264 = 1;   // "STD_H264"
constexpr uint8_t kCodeMpeg4 = 2;  // "STD_MPEG4"
constexpr uint8_t kCodeJpeg = 7;   // "M_JPEG"
constexpr uint8_t kCodeH265 = 10;  // "STD_H265"
constexpr uint8_t kAudioG722 = 0, kAudioG711U = 1, kAudioG711A = 2, kAudioG726 = 6, kAudioAac = 7;
constexpr int kSensitivityStep = 20;  // the percent scale's step: record 0..5 is 0..100
constexpr int32_t kWifiSecurityWpa = 2, kWifiSecurityWpa2 = 4;  // WPA-PSK, WPA2-PSK

int ResolutionIndex(const OnvifStream& s) {
    const auto& list = s.options.resolutions;
    const auto it =
        std::find(list.begin(), list.end(), std::make_pair(s.encoder.width, s.encoder.height));
    return it == list.end() ? kOnvifUnknownCode : static_cast<int>(it - list.begin());
}

uint8_t AudioCode(const OnvifChannel& c) {
    return c.audio ? AudioCodeOfEncoding(c.audio->encoding) : kOnvifUnknownCode;
}

// The ONVIF option whose encoding has record code `code`.
const onvif::AudioOption* AudioOptionOf(const OnvifChannel& c, uint8_t code) {
    for (const onvif::AudioOption& o : c.audioOptions) {
        if (AudioCodeOfEncoding(o.encoding) == code) {
            return &o;
        }
    }
    return nullptr;
}

// The time format of the camera's list for a record code (12-hour formats carry "tt").
std::string TimeFormatOf(const OnvifChannel& c, uint8_t code) {
    for (const char* preferred : {"HH:mm:ss", "hh:mm:ss tt"}) {
        const auto& list = c.osdOptions.timeFormats;
        if (TimeFormatCodeOf(preferred) == code &&
            std::find(list.begin(), list.end(), preferred) != list.end()) {
            return preferred;
        }
    }
    for (const std::string& f : c.osdOptions.timeFormats) {
        if (TimeFormatCodeOf(f) == code) {
            return f;
        }
    }
    return code == 0 ? "HH:mm:ss" : "hh:mm:ss tt";
}

template <class T>
void CopyField(const DeviceConfig& from, DeviceConfig& to, size_t offset) {
    std::memcpy(to.data() + offset, from.data() + offset, sizeof(T));
}

void CopyBytes(const DeviceConfig& from, DeviceConfig& to, size_t offset, size_t size) {
    std::memcpy(to.data() + offset, from.data() + offset, size);
}

size_t StreamOffset(int s, size_t field) {
    return DeviceConfig::kStreamRecords + DeviceConfig::kStreamRecordSize * s + field;
}

void PlanTime(const DeviceConfig& now, const DeviceConfig& want, ItemPlan& plan,
              DeviceConfig& probe) {
    CopyBytes(now, probe, DeviceConfig::kTimeServerAddress, DeviceConfig::kTimeServerAddressSize);
    if (want.timeServerAddress() != now.timeServerAddress()) {
        plan.ntpAddress = want.timeServerAddress();
    }
}

void PlanWifi(const OnvifChannel& c, const DeviceConfig& now, const DeviceConfig& want,
              ItemPlan& plan, DeviceConfig& probe) {
    if (!c.wifi.present) {
        return;  // every byte must stay as reported
    }
    CopyBytes(now, probe, DeviceConfig::kWifiSsid, DeviceConfig::kWifiSsidSize);
    CopyField<int32_t>(now, probe, DeviceConfig::kWifiSecurity);
    CopyField<uint8_t>(now, probe, DeviceConfig::kWifiCipher);
    CopyBytes(now, probe, DeviceConfig::kWifiKey, DeviceConfig::kWifiKeySize);
    CopyField<int32_t>(now, probe, DeviceConfig::kWifiKeyLength);
    const bool changed = want.wifiSsid() != now.wifiSsid() ||
                         want.wifiSecurity() != now.wifiSecurity() ||
                         want.wifiCipher() != now.wifiCipher() || want.wifiKey() != now.wifiKey();
    if (!changed) {
        return;
    }
    onvif::Dot11Change change;
    change.ssid = want.wifiSsid();
    const int32_t security = want.wifiSecurity();
    if (security == 0) {
        change.securityMode = "None";
    } else if (security == kWifiSecurityWpa2 || security == kWifiSecurityWpa) {
        change.securityMode = "PSK";
    } else {
        plan.refusal = "Wi-Fi 安全方式 " + std::to_string(security) + " 在 ONVIF 中没有对应项";
        return;
    }
    const bool keepAny = c.wifi.algorithm == "Any" && want.wifiCipher() == now.wifiCipher();
    change.algorithm = keepAny ? "Any" : want.wifiCipher() == 1 ? "TKIP" : "CCMP";
    if (want.wifiKey() != now.wifiKey()) {
        change.passphrase = want.wifiKey();
    }
    plan.wifi = change;
}

void PlanMotion(const OnvifChannel& c, const DeviceConfig& now, const DeviceConfig& want,
                ItemPlan& plan, DeviceConfig& probe) {
    // The item is sent for its motion sub-block only: the rest of the picture block is not read.
    const RecordBlock picture = ConfigItemBlock(CFG_ITEM_MOTION);
    const RecordBlock motion = DeviceConfig::kMotionBlock;
    CopyBytes(now, probe, picture.offset, motion.offset - picture.offset);
    CopyBytes(now, probe, motion.offset + motion.size,
              picture.offset + picture.size - motion.offset - motion.size);
    if (!c.motion) {
        return;
    }
    CopyField<uint8_t>(now, probe, DeviceConfig::kMotionSwitch);
    CopyField<uint8_t>(now, probe, DeviceConfig::kMotionSensitivity);
    if (want.motionSwitch() != now.motionSwitch()) {
        plan.motionOn = want.motionSwitch() != 0;
    }
    if (want.motionSensitivity() != now.motionSensitivity()) {
        if (want.motionSensitivity() > 100 / kSensitivityStep) {
            plan.refusal = "移动侦测灵敏度 " + std::to_string(want.motionSensitivity()) +
                           " 超出范围 0.." + std::to_string(100 / kSensitivityStep);
            return;
        }
        plan.motionSensitivity = want.motionSensitivity() * kSensitivityStep;
    }
}

void PlanOsd(const OnvifChannel& c, const DeviceConfig& now, const DeviceConfig& want,
             ItemPlan& plan, DeviceConfig& probe) {
    if (!c.osd) {
        return;
    }
    if (c.nameOsd) {
        CopyField<int32_t>(now, probe, DeviceConfig::kChannelNameShown);
        if ((want.channelNameShown() != 0) != (now.channelNameShown() != 0)) {
            plan.nameOsd.plainText = want.channelNameShown() != 0 ? c.name : "";
        } else if (want.channelNameShown() != now.channelNameShown()) {
            CopyField<int32_t>(want, probe, DeviceConfig::kChannelNameShown);  // stays unsupported
        }
    }
    if (!c.dateOsd) {
        return;
    }
    CopyField<int32_t>(now, probe, DeviceConfig::kDateShown);
    CopyField<uint8_t>(now, probe, DeviceConfig::kDateFormat);
    CopyField<uint8_t>(now, probe, DeviceConfig::kTimeFormat);
    if (want.dateShown() != now.dateShown()) {
        plan.dateOsd.textType = want.dateShown() != 0 ? "DateAndTime" : "Time";
    }
    if (want.dateFormat() != now.dateFormat()) {
        const std::string format = DateFormatOfCode(want.dateFormat());
        if (format.empty()) {
            plan.refusal = "日期格式 " + std::to_string(want.dateFormat()) + " 无法识别";
            return;
        }
        plan.dateOsd.dateFormat = format;
    }
    if (want.timeFormat() != now.timeFormat()) {
        if (want.timeFormat() > 1) {
            plan.refusal = "时间格式 " + std::to_string(want.timeFormat()) + " 无法识别";
            return;
        }
        plan.dateOsd.timeFormat = TimeFormatOf(c, want.timeFormat());
    }
}

void PlanStreams(const OnvifChannel& c, const DeviceConfig& now, const DeviceConfig& want,
                 ItemPlan& plan, DeviceConfig& probe) {
    for (int s = 0; s < 2; ++s) {
        const OnvifStream& stream = c.streams[s];
        if (!stream.present) {
            continue;
        }
        for (size_t field : {DeviceConfig::kStreamResolution, DeviceConfig::kStreamBitrateType,
                             DeviceConfig::kStreamPicQuality, DeviceConfig::kStreamVideoEncoding}) {
            CopyField<uint8_t>(now, probe, StreamOffset(s, field));
        }
        CopyField<int32_t>(now, probe, StreamOffset(s, DeviceConfig::kStreamBitrateCode));
        CopyField<int32_t>(now, probe, StreamOffset(s, DeviceConfig::kStreamFrameRate));
        CopyField<uint16_t>(now, probe, StreamOffset(s, DeviceConfig::kStreamIFrameInterval));
        onvif::EncoderChange& e = plan.encoders[s];
        if (want.streamResolution(s) != now.streamResolution(s)) {
            const size_t index = want.streamResolution(s);
            if (index >= stream.options.resolutions.size()) {
                plan.refusal = "分辨率序号 " + std::to_string(index) + " 不支持";
                return;
            }
            e.resolution = stream.options.resolutions[index];
        }
        if (want.streamBitrateCode(s) != now.streamBitrateCode(s)) {
            const int32_t kbps = BitrateCodeKbps(want.streamBitrateCode(s));
            if (kbps == 0) {
                plan.refusal =
                    "码率代码 " + std::to_string(want.streamBitrateCode(s)) + " 无法识别";
                return;
            }
            e.bitrate = kbps;
        }
        if (want.streamFrameRate(s) != now.streamFrameRate(s)) {
            e.frameRate = want.streamFrameRate(s);
        }
        if (want.streamIFrameInterval(s) != now.streamIFrameInterval(s)) {
            e.govLength = want.streamIFrameInterval(s);
        }
        if (want.streamPicQuality(s) != now.streamPicQuality(s)) {
            e.quality = want.streamPicQuality(s);
        }
        if (want.streamBitrateType(s) != now.streamBitrateType(s)) {
            if (!c.media2) {
                plan.unsupported = true;  // only Media2 can switch constant bitrate
                return;
            }
            e.constantBitRate = want.streamBitrateType(s) != 0;
        }
        if (want.streamVideoEncoding(s) != now.streamVideoEncoding(s)) {
            const std::string encoding = EncodingOfVideoCode(want.streamVideoEncoding(s));
            if (encoding.empty() || (encoding == "H265" && !c.media2)) {
                plan.unsupported = true;
                return;
            }
            e.encoding = encoding;
        }
    }
    // One audio encoder serves both streams: the sub stream's code must follow the main's.
    const uint8_t audio = want.streamAudioEncoding(0);
    probe.setStreamAudioEncoding(0, now.streamAudioEncoding(0));
    if (want.streamAudioEncoding(1) == audio) {
        probe.setStreamAudioEncoding(1, now.streamAudioEncoding(1));
    }
    if (audio != now.streamAudioEncoding(0)) {
        const onvif::AudioOption* option = AudioOptionOf(c, audio);
        if (!c.audio || option == nullptr) {
            plan.unsupported = true;
            return;
        }
        onvif::AudioChange change;
        change.encoding = option->encoding;
        const auto offered = [](const std::vector<int>& list, int value) {
            return list.empty() || std::find(list.begin(), list.end(), value) != list.end();
        };
        change.bitrate = offered(option->bitrates, c.audio->bitrate) ? c.audio->bitrate
                                                                     : option->bitrates.front();
        change.sampleRate = offered(option->sampleRates, c.audio->sampleRate)
                                ? c.audio->sampleRate
                                : option->sampleRates.front();
        plan.audio = change;
    }
}

void PlanImaging(int32_t item, const OnvifChannel& c, const DeviceConfig& now,
                 const DeviceConfig& want, ItemPlan& plan, DeviceConfig& probe) {
    if (!c.imaging) {
        return;
    }
    if (item == CFG_ITEM_IMAGE) {
        if (!c.imaging->wdr) {
            return;
        }
        for (size_t place : DeviceConfig::kWideDynamicRange) {
            CopyField<uint8_t>(now, probe, place);
        }
        const uint8_t wanted = want.wideDynamicRange(0);
        if (want.wideDynamicRange(1) != wanted || want.wideDynamicRange(2) != wanted) {
            plan.unsupported = true;  // the three places are one switch
            return;
        }
        if (wanted != now.wideDynamicRange(0)) {
            plan.imaging.wdr = wanted != 0;
        }
        return;
    }
    // One colour value: compared only when the camera reports it, sent only when it changes.
    const auto planValue = [&](const std::optional<int>& reported, size_t offset,
                               int32_t (DeviceConfig::*get)() const, std::optional<int>& out) {
        if (!reported) {
            return;
        }
        CopyField<int32_t>(now, probe, offset);
        if ((want.*get)() != (now.*get)()) {
            out = (want.*get)();
        }
    };
    planValue(c.imaging->brightness, DeviceConfig::kBrightness, &DeviceConfig::brightness,
              plan.imaging.brightness);
    planValue(c.imaging->contrast, DeviceConfig::kContrast, &DeviceConfig::contrast,
              plan.imaging.contrast);
    planValue(c.imaging->saturation, DeviceConfig::kSaturation, &DeviceConfig::saturation,
              plan.imaging.saturation);
}

}  // namespace

uint8_t VideoCodeOfEncoding(const std::string& encoding) {
    return encoding == "H264"    ? kCodeH264
           : encoding == "H265"  ? kCodeH265
           : encoding == "JPEG"  ? kCodeJpeg
           : encoding == "MPEG4" ? kCodeMpeg4
                                 : kOnvifUnknownCode;
}

std::string EncodingOfVideoCode(uint8_t code) {
    switch (code) {
        case kCodeH264:
            return "H264";
        case kCodeH265:
            return "H265";
        case kCodeJpeg:
            return "JPEG";
        case kCodeMpeg4:
            return "MPEG4";
        default:
            return "";
    }
}

uint8_t AudioCodeOfEncoding(const std::string& e) {
    if (e == "G711" || e == "PCMU") {
        return kAudioG711U;
    }
    if (e == "PCMA") {
        return kAudioG711A;
    }
    if (e == "G726") {
        return kAudioG726;
    }
    if (e == "G722") {
        return kAudioG722;
    }
    if (e == "AAC" || e == "MP4A-LATM" || e == "MPEG4-GENERIC") {
        return kAudioAac;
    }
    return kOnvifUnknownCode;
}

int32_t DateFormatCodeOf(const std::string& format) {
    for (const CodeWord& e : kDateFormats) {
        if (format == e.word) {
            return e.code;
        }
    }
    return -1;
}

std::string DateFormatOfCode(int32_t code) {
    for (const CodeWord& e : kDateFormats) {
        if (code == e.code) {
            return e.word;
        }
    }
    return "";
}

uint8_t TimeFormatCodeOf(const std::string& format) {
    return format.find("tt") != std::string::npos || format.find('h') != std::string::npos ? 1 : 0;
}

int32_t NearestBitrateCode(int32_t kbps) {
    int32_t best = 1;
    for (int32_t code = 2; code <= kBitrateCodeCount; ++code) {
        const int64_t d = std::llabs(static_cast<int64_t>(BitrateCodeKbps(code)) - kbps);
        const int64_t bestD = std::llabs(static_cast<int64_t>(BitrateCodeKbps(best)) - kbps);
        if (d < bestD || (d == bestD && BitrateCodeKbps(code) < BitrateCodeKbps(best))) {
            best = code;
        }
    }
    return best;
}

void FillRecord(const OnvifChannel& c, DeviceConfig& r) {
    std::memset(r.data(), 0, DeviceConfig::kSize);
    if (!c.ntp.manual.empty()) {
        r.setTimeServerAddress(c.ntp.manual.front().address);
    }
    if (c.wifi.present) {
        r.setWifiSsid(c.wifi.ssid);
        r.setWifiMode(0);
        r.setWifiSecurity(c.wifi.securityMode == "PSK" ? kWifiSecurityWpa2 : 0);
        r.setWifiCipher(c.wifi.algorithm == "TKIP" ? 1 : 0);
        r.setWifiKeyLength(static_cast<int32_t>(r.setWifiKey(c.wifi.passphrase)));
    }
    if (c.nameOsd) {
        r.setChannelNameShown(c.nameOsd->plainText.empty() ? 0 : 1);
    }
    if (c.dateOsd) {
        const std::string& type = c.dateOsd->textType;
        r.setDateShown(type == "Date" || type == "DateAndTime" ? 1 : 0);
        r.setDateFormat(static_cast<uint8_t>(std::max(0, DateFormatCodeOf(c.dateOsd->dateFormat))));
        r.setTimeFormat(TimeFormatCodeOf(c.dateOsd->timeFormat));
    }
    r.setSensitivityScale(DeviceConfig::kPercentScale);
    if (c.motion) {
        r.setMotionSwitch(c.motion->ruleName.empty() ? 0 : 1);
        const int sensitivity = std::clamp(c.motion->sensitivity.value_or(0), 0, 100);
        r.setMotionSensitivity(
            static_cast<uint8_t>((sensitivity + kSensitivityStep / 2) / kSensitivityStep));
    }
    if (c.imaging && c.imaging->wdr) {
        r.setWideDynamicRange(*c.imaging->wdr ? 1 : 0);
    }
    for (int s = 0; s < 2; ++s) {
        const OnvifStream& stream = c.streams[s];
        r.setStreamAudioEncoding(s, AudioCode(c));
        if (!stream.present) {
            continue;
        }
        const onvif::VideoEncoder& e = stream.encoder;
        r.setStreamResolution(s, static_cast<uint8_t>(ResolutionIndex(stream)));
        r.setStreamBitrateType(s, e.constantBitRate.value_or(false) ? 1 : 0);
        r.setStreamPicQuality(s, static_cast<uint8_t>(std::clamp(e.quality, 0, 255)));
        r.setStreamBitrateCode(s, NearestBitrateCode(e.bitrate));
        r.setStreamFrameRate(s, e.frameRate);
        r.setStreamIFrameInterval(s, static_cast<uint16_t>(std::clamp(e.govLength, 0, 65535)));
        r.setStreamVideoEncoding(s, VideoCodeOfEncoding(e.encoding));
    }
    r.setAudioInputMode(kOnvifAudioInputMode);
    r.setAudioInputVolume(kOnvifVolume);
    r.setAudioOutputVolume(kOnvifVolume);
    const int fallback = kOnvifColourWithoutImaging;
    r.setBrightness(c.imaging ? c.imaging->brightness.value_or(fallback) : fallback);
    r.setContrast(c.imaging ? c.imaging->contrast.value_or(fallback) : fallback);
    r.setSaturation(c.imaging ? c.imaging->saturation.value_or(fallback) : fallback);
    r.setHue(kOnvifHue);
    r.setAlarmSoundBlock(c.channelNo, 0);
}

ConfigRange MakeRange(const OnvifChannel& c, const std::string& serial) {
    ConfigRange r;
    r.serial = serial;
    r.channelNo = c.channelNo;
    const auto triple = [](const onvif::Range& range, std::optional<int> now) {
        return range.present
                   ? RangeTriple{range.min, range.max, now.value_or((range.min + range.max) / 2)}
                   : RangeTriple{kOnvifColourWithoutImaging, kOnvifColourWithoutImaging,
                                 kOnvifColourWithoutImaging};
    };
    const onvif::ImagingSettings none;
    const onvif::ImagingSettings& now = c.imaging ? *c.imaging : none;
    r.brightness = triple(c.imagingOptions.brightness, now.brightness);
    r.contrast = triple(c.imagingOptions.contrast, now.contrast);
    r.saturation = triple(c.imagingOptions.saturation, now.saturation);
    r.sharpness = triple(c.imagingOptions.sharpness, now.sharpness);
    for (const onvif::AudioOption& o : c.audioOptions) {
        const int32_t code = AudioCodeOfEncoding(o.encoding);
        if (code != kOnvifUnknownCode &&
            std::find(r.mainAudioEncTypes.values.begin(), r.mainAudioEncTypes.values.end(), code) ==
                r.mainAudioEncTypes.values.end()) {
            r.mainAudioEncTypes.values.push_back(code);
        }
    }
    r.mainAudioEncTypes.defaultValue = AudioCode(c);
    r.subAudioEncTypes = r.mainAudioEncTypes;
    r.audioInTypes = {{kOnvifAudioInputMode}, kOnvifAudioInputMode};
    r.audioInVolume = {kOnvifVolume, kOnvifVolume, kOnvifVolume};
    r.audioOutVolume = {kOnvifVolume, kOnvifVolume, kOnvifVolume};
    r.supportShowWeek = false;
    if (c.osd) {
        for (const std::string& f : c.osdOptions.dateFormats) {
            if (DateFormatCodeOf(f) >= 0) {
                r.osdTypes.values.push_back(f);
            }
        }
        r.osdTypes.defaultValue =
            c.dateOsd ? std::max(0, DateFormatCodeOf(c.dateOsd->dateFormat)) : -1;
        bool hours[2] = {false, false};
        for (const std::string& f : c.osdOptions.timeFormats) {
            hours[TimeFormatCodeOf(f)] = true;
        }
        if (hours[0]) {
            r.osdHourTypes.values.push_back("24-hour");
        }
        if (hours[1]) {
            r.osdHourTypes.values.push_back("12-hour");
        }
        r.osdHourTypes.defaultValue = c.dateOsd ? TimeFormatCodeOf(c.dateOsd->timeFormat) : -1;
    }
    r.streamTypes = {{0}, 0};
    for (int s = 0; s < 2; ++s) {
        const OnvifStream& stream = c.streams[s];
        if (!stream.present) {
            continue;
        }
        IntChoiceList types;
        for (const std::string& e : stream.options.encodings) {
            const uint8_t code = VideoCodeOfEncoding(e);
            if (code != kOnvifUnknownCode && (e != "H265" || c.media2)) {
                types.values.push_back(code);
                if (std::find(r.videoTypes.values.begin(), r.videoTypes.values.end(), code) ==
                    r.videoTypes.values.end()) {
                    r.videoTypes.values.push_back(code);
                }
            }
        }
        types.defaultValue = VideoCodeOfEncoding(stream.encoder.encoding);
        r.streamVideoTypes.push_back(types);
        r.iFrameRanges.push_back(
            {stream.options.govMin, stream.options.govMax, stream.encoder.govLength});
        auto& list = s == 0 ? r.mainResolutions : r.subResolutions;
        for (size_t i = 0; i < stream.options.resolutions.size(); ++i) {
            const auto [w, h] = stream.options.resolutions[i];
            ResolutionEntry e;
            e.name = std::to_string(w) + "*" + std::to_string(h);
            e.value = std::to_string(w) + "x" + std::to_string(h);
            e.index = static_cast<int32_t>(i);
            e.bitrateMin = stream.options.bitrateMin;
            e.bitrateMax = stream.options.bitrateMax;
            e.bitrateDefault = stream.encoder.bitrate;
            e.frameRates.assign(stream.options.frameRates.rbegin(),
                                stream.options.frameRates.rend());
            list.push_back(std::move(e));
        }
    }
    r.videoTypes.defaultValue = r.videoTypes.values.empty() ? 0 : r.videoTypes.values.front();
    return r;
}

bool ItemPlan::changesNothing() const {
    return !ntpAddress && !wifi && !motionOn && !motionSensitivity && encoders[0].empty() &&
           encoders[1].empty() && !audio && !imaging.brightness && !imaging.contrast &&
           !imaging.saturation && !imaging.wdr && !dateOsd.textType && !dateOsd.dateFormat &&
           !dateOsd.timeFormat && !nameOsd.plainText;
}

ItemPlan PlanItem(int32_t item, const OnvifChannel& c, std::span<const uint8_t> block) {
    ItemPlan plan;
    auto now = std::make_unique<DeviceConfig>();
    FillRecord(c, *now);
    const RecordBlock where = ConfigItemBlock(item);
    auto want = std::make_unique<DeviceConfig>(*now);
    std::memcpy(want->data() + where.offset, block.data(), where.size);
    // `probe` is the wanted record with every mapped field put back as reported: any other
    // difference is a field this camera has no counterpart for.
    auto probe = std::make_unique<DeviceConfig>(*want);
    switch (item) {
        case CFG_ITEM_TIME:
            PlanTime(*now, *want, plan, *probe);
            break;
        case CFG_ITEM_WIFI:
            PlanWifi(c, *now, *want, plan, *probe);
            break;
        case CFG_ITEM_MOTION:
            PlanMotion(c, *now, *want, plan, *probe);
            break;
        case CFG_ITEM_OSD:
            PlanOsd(c, *now, *want, plan, *probe);
            break;
        case CFG_ITEM_COMPRESSION:
            PlanStreams(c, *now, *want, plan, *probe);
            break;
        case CFG_ITEM_IMAGE:
        case CFG_ITEM_COLOR:
            PlanImaging(item, c, *now, *want, plan, *probe);
            break;
        default:
            break;  // audio input and output, logo, alarm sound: no counterpart
    }
    if (std::memcmp(probe->data() + where.offset, now->data() + where.offset, where.size) != 0) {
        plan.unsupported = true;
    }
    return plan;
}

}  // namespace orvex::rprov
