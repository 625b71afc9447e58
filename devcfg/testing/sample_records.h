// Test and benchmark inputs for the device configuration code: random records (raw, or with
// every converted field inside its one-to-one range), a ranges object, a full page request, and
// a capture of the debug output.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/rprov/rprov_records.h"
#include "platform/win32/debug_output.h"

namespace orvex::testing {

// Collects the debug output while it lives.
class DebugCapture {
  public:
    DebugCapture() {
        AttachDebugOutputReader([this](const char* text) { text_ += text; });
    }
    ~DebugCapture() { AttachDebugOutputReader(nullptr); }
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;
    const std::string& text() const { return text_; }
    void clear() { text_.clear(); }

  private:
    std::string text_;
};

inline int32_t RandomInt(std::mt19937& rng, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

inline uint8_t RandomByte(std::mt19937& rng) {
    return static_cast<uint8_t>(RandomInt(rng, 0, 255));
}

inline int32_t RandomInt32(std::mt19937& rng) {
    return static_cast<int32_t>(rng());
}

template <typename T, size_t N>
T Pick(std::mt19937& rng, const T (&choices)[N]) {
    return choices[static_cast<size_t>(RandomInt(rng, 0, static_cast<int32_t>(N) - 1))];
}

// Printable ASCII (quotes and backslashes included) of length 0 to maxLength.
inline std::string RandomText(std::mt19937& rng, size_t maxLength) {
    std::string text(static_cast<size_t>(RandomInt(rng, 0, static_cast<int32_t>(maxLength))), ' ');
    for (char& c : text) {
        c = static_cast<char>(RandomInt(rng, 0x20, 0x7E));
    }
    return text;
}

// Every byte random.
inline std::unique_ptr<DeviceConfig> RandomRecord(std::mt19937& rng) {
    auto record = std::make_unique<DeviceConfig>();
    for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
        record->data()[i] = RandomByte(rng);
    }
    return record;
}

// A random record whose converted fields all lie where the conversion to the page and back
// (page JSON, IssuedConfig, the issued items) is one-to-one. `channelNo` is the channel the
// alarm sound block names, as issuing writes it.
inline std::unique_ptr<DeviceConfig> CanonicalRecord(std::mt19937& rng, int32_t channelNo) {
    auto r = RandomRecord(rng);
    r->setTimeServerAddress(RandomText(rng, 64));
    r->setWifiSsid(RandomText(rng, 32));
    r->setWifiMode(0);
    if (RandomInt(rng, 0, 3) != 0) {
        r->setWifiSecurity(RandomInt(rng, 0, 1) ? 2 : 4);
        r->setWifiCipher(static_cast<uint8_t>(RandomInt(rng, 0, 1)));
        r->setWifiKeySelector(0);
        r->setWifiKeyLength(static_cast<int32_t>(r->setWifiKey(RandomText(rng, 63))));
    } else {
        // Any other security: no key is read, and issuing leaves the key fields alone.
        const int32_t others[] = {0, 1, 3, 5, -1, 0x10000};
        r->setWifiSecurity(Pick(rng, others));
    }
    r->setMotionSwitch(static_cast<uint8_t>(RandomInt(rng, 0, 1)));
    const int scale = RandomInt(rng, 0, 2);
    if (scale == 0) {
        r->setSensitivityScale(2);
        r->setMotionSensitivity(static_cast<uint8_t>(RandomInt(rng, 0, 254)));
    } else if (scale == 1) {
        r->setSensitivityScale(RandomInt(rng, 3, 100));
        r->setAlternateSensitivityFlag(static_cast<uint8_t>(RandomInt(rng, 1, 255)));
    } else {
        r->setSensitivityScale(RandomInt(rng, 0, 1));
        r->setAlternateSensitivityFlag(0);
        r->setMotionMode(0);
    }
    r->setAlarmSoundBlock(channelNo, RandomInt32(rng));
    const uint8_t videoCodes[] = {0, 1, 2, 7, 8, 9, 10, 254, 255};
    const uint8_t audioCodes[] = {0, 1, 2, 5, 6, 7, 8, 255};
    const uint8_t audio = Pick(rng, audioCodes);
    for (int s = 0; s < 2; ++s) {
        r->setStreamBitrateType(s, static_cast<uint8_t>(RandomInt(rng, 0, 1)));
        r->setStreamBitrateCode(s, RandomInt(rng, 0, 30));
        r->setStreamVideoEncoding(s, Pick(rng, videoCodes));
        r->setStreamAudioEncoding(s, audio);
    }
    r->setWideDynamicRange(static_cast<uint8_t>(RandomInt(rng, 0, 1)));
    r->setLogoShown(static_cast<uint8_t>(RandomInt(rng, 0, 1)));
    r->setChannelNameShown(RandomInt(rng, 0, 1));
    r->setDateShown(RandomInt(rng, 0, 1));
    r->setWeekShown(static_cast<uint8_t>(RandomInt(rng, 0, 1)));
    r->setTimeFormat(static_cast<uint8_t>(RandomInt(rng, 0, 1)));
    return r;
}

// The record bytes that issuing item `item` may write, listed from the record layout.
inline std::set<size_t> ItemFieldBytes(int32_t item) {
    std::vector<std::pair<size_t, size_t>> fields;
    switch (item) {
        case 1:
            fields = {{0, 64}};
            break;
        case 2:
            fields = {{188, 32}, {220, 4}, {224, 4}, {228, 4}, {232, 63}, {295, 1}, {364, 1}};
            break;
        case 3:
            fields = {{40344, 1}, {40349, 1}, {41676, 1}, {41678, 1}};
            break;
        case 4:
            for (size_t base : {79564u, 79680u}) {
                for (auto [off, width] : std::vector<std::pair<size_t, size_t>>{{4, 4},
                                                                                {8, 1},
                                                                                {9, 1},
                                                                                {10, 1},
                                                                                {11, 1},
                                                                                {12, 4},
                                                                                {16, 4},
                                                                                {20, 2},
                                                                                {22, 1},
                                                                                {24, 1},
                                                                                {25, 1}}) {
                    fields.push_back({base + off, width});
                }
            }
            break;
        case 5:
            fields = {{80144, 2}};
            break;
        case 6:
            fields = {{80156, 1}};
            break;
        case 7:
            fields = {{77628, 1}, {78120, 1}, {78612, 1}};
            break;
        case 8:
            fields = {{80220, 16}};
            break;
        case 9:
            fields = {{516, 4}, {560, 4}, {568, 4}};
            break;
        case 10:
            fields = {{380, 1}};
            break;
        case 11:
            fields = {{80256, 24}};
            break;
    }
    std::set<size_t> out;
    for (auto [off, width] : fields) {
        for (size_t i = 0; i < width; ++i) {
            out.insert(off + i);
        }
    }
    return out;
}

// A ranges object with `resolutions` entries per stream of `frameRates` frame rates each.
inline ConfigRange SampleRange(int resolutions, int frameRates) {
    ConfigRange range;
    range.serial = "ORX-000123";
    range.channelNo = 1;
    range.brightness = {0, 100, 50};
    range.contrast = {0, 100, 50};
    range.saturation = {0, 100, 50};
    range.sharpness = {0, 15, 8};
    range.mainAudioEncTypes = {{0, 1, 2, 7}, 2};
    range.subAudioEncTypes = {{1, 2}, 1};
    range.audioInTypes = {{0, 1}, 0};
    range.audioInVolume = {0, 100, 60};
    range.audioOutVolume = {0, 100, 70};
    range.supportShowWeek = true;
    range.osdTypes = {{"transparent", "opaque"}, 0};
    range.osdAttribs = {{"flash", "still"}, 1};
    range.osdHourTypes = {{"24", "12"}, 0};
    range.streamTypes = {{0, 1}, 0};
    range.videoTypes = {{0, 1, 10}, 0};
    range.iFrameRanges = {{1, 400, 50}, {1, 200, 25}};
    range.streamVideoTypes = {{{1, 10}, 1}, {{1}, 1}};
    for (int i = 0; i < resolutions; ++i) {
        ResolutionEntry main;
        main.name = "res" + std::to_string(i);
        main.value = std::to_string(640 + 64 * i) + "*" + std::to_string(360 + 36 * i);
        main.index = i;
        main.bitrateMin = 32;
        main.bitrateMax = 8192;
        main.bitrateDefault = 2048;
        for (int f = 1; f <= frameRates; ++f) {
            main.frameRates.push_back(f);
        }
        ResolutionEntry sub = main;
        sub.bitrateMax = 2048;
        sub.bitrateDefault = 512;
        range.mainResolutions.push_back(main);
        range.subResolutions.push_back(sub);
    }
    return range;
}

// A page request carrying every section.
inline std::string FullConfigRequest() {
    return R"({"configItems":{
"generalConfig":{"timeProofreading":{"proofMode":"auto","serverAddress":"time.example.org"},
 "wiFiConfig":{"encryptType":"AES","password":"secret-key","ssid":"lab-net",
 "verifyMethod":"WPA2-PSK"}},
"defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":0,
 "sensitivityLevel":4,"remindVoice":2}},
"imageConfig":{
 "audioAndVideoConfig":{"videoConfig":[
  {"streamType":0,"keyFrameInterval":50,"maxFrameRate":25,"picQuality":3,"vbrUpperCap":4096,
   "videoFlowType":1,"videoResolution":5,"bitrateType":"VBR","videoCodecType":"STD_H265",
   "frameType":"2"},
  {"streamType":1,"keyFrameInterval":25,"maxFrameRate":15,"picQuality":4,"vbrUpperCap":512,
   "videoFlowType":0,"videoResolution":1,"bitrateType":"CBR","videoCodecType":"STD_H264",
   "frameType":1}],
  "audioConfig":{"audioCompressionType":"G711_A","inputVolume":60,"outputVolume":70,
   "audioInputMode":"Mic In"}},
 "imageBacklight":{"wideDynamicRangeSwitch":true},
 "imageColor":{"brightnessLevel":55,"contrastLevel":45,"saturationLevel":50,"hue":48},
 "imageDisplay":{"showOrvexLogo":true,"showName":true,"showDate":true,"showWeek":false,
  "dateFormat":"yyyy-MM-dd","displayState":1,"timeFormat":1}}}})";
}

}  // namespace orvex::testing
