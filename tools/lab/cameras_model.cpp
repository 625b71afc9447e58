#include "tools/lab/cameras_model.h"

#include <random>

#include "devcfg/code_tables.h"

namespace orvex::lab {
namespace {

// FNV-1a: stable across runs and builds, unlike std::hash.
uint32_t Seed(const std::string& serial, int32_t salt) {
    uint32_t h = 2166136261u;
    for (unsigned char c : serial) {
        h = (h ^ c) * 16777619u;
    }
    return (h ^ static_cast<uint32_t>(salt)) * 16777619u;
}

template <typename T, size_t N>
const T& Pick(std::mt19937& rng, const T (&choices)[N]) {
    return choices[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

int32_t Between(std::mt19937& rng, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

struct Resolution {
    const char* name;
    const char* value;
    int32_t index;
    int32_t minKbps, maxKbps, defaultKbps;
};

// Main stream resolutions a 4-megapixel camera offers, and its sub-stream resolutions.
constexpr Resolution kMain[] = {{"2560*1440", "2560x1440", 20, 1024, 8192, 4096},
                                {"1920*1080", "1920x1080", 19, 512, 8192, 4096},
                                {"1280*720", "1280x720", 9, 256, 4096, 2048}};
constexpr Resolution kSub[] = {{"704*576", "704x576", 2, 64, 1024, 512},
                               {"640*360", "640x360", 5, 64, 768, 384},
                               {"352*288", "352x288", 1, 32, 512, 256}};
constexpr int32_t kMainRates[] = {30, 25, 20, 15, 10, 5};
constexpr int32_t kSubRates[] = {25, 15, 10, 5};
constexpr int32_t kMainVideo[] = {1, 10};        // STD_H264, STD_H265
constexpr int32_t kSubVideo[] = {1};             // STD_H264
constexpr int32_t kAudioCodes[] = {0, 1, 2, 7};  // G722, G711_U, G711_A, AAC
constexpr int32_t kStreamTypes[] = {0, 1};

// The bitrate codes whose rate lies inside [lo, hi] kbit/s.
std::vector<int32_t> CodesWithin(int32_t lo, int32_t hi) {
    std::vector<int32_t> codes;
    for (int32_t code = 1; code <= 30; ++code) {
        const int32_t kbps = bitrateCodeToKbps(code);
        if (kbps >= lo && kbps <= hi) {
            codes.push_back(code);
        }
    }
    return codes;
}

void WriteStream(std::mt19937& rng, int s, const Resolution& res, const int32_t* rates,
                 size_t rateCount, const int32_t* video, size_t videoCount, DeviceConfig& c) {
    c.setStreamType(s, 0);
    c.setStreamFlowType(s, static_cast<uint8_t>(Between(rng, 0, 1)));
    c.setStreamResolution(s, static_cast<uint8_t>(res.index));
    c.setStreamBitrateType(s, static_cast<uint8_t>(Between(rng, 0, 1)));
    c.setStreamPicQuality(s, static_cast<uint8_t>(Between(rng, 0, 5)));
    const std::vector<int32_t> codes = CodesWithin(res.minKbps, res.maxKbps);
    c.setStreamBitrateCode(
        s, codes[static_cast<size_t>(Between(rng, 0, static_cast<int32_t>(codes.size()) - 1))]);
    c.setStreamFrameRate(
        s, rates[static_cast<size_t>(Between(rng, 0, static_cast<int32_t>(rateCount) - 1))]);
    c.setStreamIFrameInterval(s, static_cast<uint16_t>(s == 0 ? 50 : 25));
    c.setStreamFrameType(s, 0);
    c.setStreamVideoEncoding(
        s, static_cast<uint8_t>(
               video[static_cast<size_t>(Between(rng, 0, static_cast<int32_t>(videoCount) - 1))]));
}

ResolutionEntry Entry(const Resolution& r, const int32_t* rates, size_t count) {
    return {r.name,
            r.value,
            r.index,
            r.minKbps,
            r.maxKbps,
            r.defaultKbps,
            std::vector<int32_t>(rates, rates + count)};
}

}  // namespace

std::unique_ptr<DeviceConfig> MakeDeviceConfig(const std::string& serial, int32_t channelNo) {
    std::mt19937 rng(Seed(serial, channelNo));
    auto c = std::make_unique<DeviceConfig>();
    // The device's own data everywhere first; the fields below are then made plausible.
    for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
        c->data()[i] = static_cast<uint8_t>(rng());
    }

    static const char* const kServers[] = {"pool.ntp.org", "time.orvex.example", "ntp1.example.net",
                                           "192.168.1.1"};
    c->setTimeServerAddress(Pick(rng, kServers));

    c->setWifiSsid("Orvex-" + serial.substr(serial.size() > 4 ? serial.size() - 4 : 0));
    c->setWifiMode(0);
    c->setWifiSecurity(Between(rng, 0, 1) ? 4 : 2);
    c->setWifiCipher(static_cast<uint8_t>(Between(rng, 0, 1)));
    c->setWifiKeySelector(0);
    c->setWifiKeyLength(static_cast<int32_t>(
        c->setWifiKey("key-" + std::to_string(Between(rng, 10000000, 99999999)))));

    c->setLogoShown(static_cast<uint8_t>(Between(rng, 0, 1)));
    c->setChannelNameShown(1);
    c->setDateShown(1);
    c->setDateFormat(static_cast<uint8_t>(Between(rng, 0, 8)));
    c->setWeekShown(static_cast<uint8_t>(Between(rng, 0, 1)));
    c->setDisplayState(static_cast<uint8_t>(Between(rng, 0, 3)));
    c->setTimeFormat(static_cast<uint8_t>(Between(rng, 0, 1)));

    // One camera in four uses the percent sensitivity scale.
    const bool percent = Between(rng, 0, 3) == 0;
    c->setSensitivityScale(percent ? DeviceConfig::kPercentScale : 0);
    c->setAlternateSensitivityFlag(0);
    c->setMotionSwitch(static_cast<uint8_t>(Between(rng, 0, 1)));
    c->setMotionMode(0);
    c->setMotionSensitivity(static_cast<uint8_t>(Between(rng, 0, 5)));
    c->setMotionAlternateSensitivity(static_cast<uint8_t>(Between(rng, 0, 100)));

    c->setWideDynamicRange(static_cast<uint8_t>(Between(rng, 0, 1)));

    WriteStream(rng, 0, Pick(rng, kMain), kMainRates, std::size(kMainRates), kMainVideo,
                std::size(kMainVideo), *c);
    WriteStream(rng, 1, Pick(rng, kSub), kSubRates, std::size(kSubRates), kSubVideo,
                std::size(kSubVideo), *c);
    // Both streams carry the camera's one audio encoding.
    const uint8_t audio = static_cast<uint8_t>(Pick(rng, kAudioCodes));
    c->setStreamAudioEncoding(0, audio);
    c->setStreamAudioEncoding(1, audio);

    c->setAudioInputMode(static_cast<uint8_t>(Between(rng, 0, 1)));
    c->setAudioInputVolume(static_cast<uint8_t>(Between(rng, 30, 90)));
    c->setAudioOutputVolume(static_cast<uint8_t>(Between(rng, 30, 90)));

    c->setBrightness(Between(rng, 30, 70));
    c->setContrast(Between(rng, 30, 70));
    c->setSaturation(Between(rng, 30, 70));
    c->setHue(Between(rng, 30, 70));

    c->setAlarmSoundBlock(channelNo, Between(rng, 0, 5));
    return c;
}

ConfigRange MakeConfigRange(const std::string& serial, int32_t channelNo) {
    ConfigRange r;
    r.serial = serial;
    r.channelNo = channelNo;
    r.brightness = {0, 100, 50};
    r.contrast = {0, 100, 50};
    r.saturation = {0, 100, 50};
    r.sharpness = {0, 100, 50};
    r.mainAudioEncTypes = {{std::begin(kAudioCodes), std::end(kAudioCodes)}, 1};
    r.subAudioEncTypes = {{std::begin(kAudioCodes), std::end(kAudioCodes)}, 1};
    r.audioInTypes = {{0, 1}, 0};
    r.audioInVolume = {0, 100, 60};
    r.audioOutVolume = {0, 100, 70};
    r.supportShowWeek = true;
    r.osdTypes = {{"channel name", "date and time"}, 0};
    r.osdAttribs = {{"transparent, steady", "opaque, steady", "transparent, blinking"}, 0};
    r.osdHourTypes = {{"24-hour", "12-hour"}, 0};
    r.streamTypes = {{std::begin(kStreamTypes), std::end(kStreamTypes)}, 0};
    r.videoTypes = {{0, 1, 10}, 1};
    r.iFrameRanges = {{1, 200, 50}, {1, 200, 25}};
    r.streamVideoTypes = {{{std::begin(kMainVideo), std::end(kMainVideo)}, 1},
                          {{std::begin(kSubVideo), std::end(kSubVideo)}, 1}};
    for (const Resolution& res : kMain) {
        r.mainResolutions.push_back(Entry(res, kMainRates, std::size(kMainRates)));
    }
    for (const Resolution& res : kSub) {
        r.subResolutions.push_back(Entry(res, kSubRates, std::size(kSubRates)));
    }
    return r;
}

std::string WifiNetworkName(const std::string& serial, int i) {
    static const char* const kNames[] = {"Office",   "Guest",   "Warehouse", "CafeNet",
                                         "Lobby-5G", "Printer", "Staff",     "IoT"};
    return std::string(kNames[static_cast<size_t>(i) % std::size(kNames)]) + "-" +
           std::to_string((Seed(serial, i) % 900) + 100);
}

WifiScanList MakeWifiList(const std::string& serial, int networks) {
    WifiScanList list;
    list.setCount(networks);
    for (int i = 0; i < WifiScanList::kMaxEntries; ++i) {
        list.setNetworkName(i, i < networks ? WifiNetworkName(serial, i) : std::string());
    }
    return list;
}

}  // namespace orvex::lab
