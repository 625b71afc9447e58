// The ONVIF mapping's round trips: over a range of cameras (resolution lists, bitrate and
// frame-rate ranges, with and without Media2, OSDs, analytics, Wi-Fi and imaging), a record
// edited in any mapped field, planned into ONVIF changes and applied to the camera, reads back
// as exactly the edited record. Where the mapping loses information the values are pinned.
#include "platform/rprov/rprov_onvif_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace orvex::rprov {
namespace {

// The parts of a camera the mapping depends on.
struct OptionSet {
    const char* name;
    std::vector<std::pair<int, int>> resolutions;
    int bitrateMin, bitrateMax;  // kbit/s
    std::vector<int> frameRates;
    std::vector<std::string> encodings;
    bool media2 = true, osd = true, analytics = true, wifi = true, imaging = true;
};

const std::vector<OptionSet>& OptionSets() {
    static const std::vector<OptionSet> sets = {
        {"full HD, Media2, everything",
         {{1920, 1080}, {1280, 720}, {704, 576}, {640, 360}},
         64,
         8192,
         {1, 5, 10, 15, 20, 25},
         {"H264", "H265", "JPEG"}},
        {"4K, wide bitrate range, Media only",
         {{3840, 2160}, {2560, 1440}, {1920, 1080}},
         512,
         16384,
         {5, 12, 30},
         {"H264", "H265", "MPEG4"},
         /*media2=*/false},
        {"one resolution, narrow range, no OSD",
         {{640, 480}},
         128,
         512,
         {15},
         {"JPEG"},
         true,
         /*osd=*/false},
        {"many resolutions, no analytics, no Wi-Fi",
         {{2592, 1944},
          {2048, 1536},
          {1920, 1080},
          {1600, 1200},
          {1280, 960},
          {1280, 720},
          {1024, 768},
          {800, 600},
          {720, 576},
          {640, 480},
          {352, 288},
          {320, 240}},
         32,
         6144,
         {1, 2, 3, 4, 6, 8, 10, 12, 15, 20, 25, 30, 50, 60},
         {"H264", "H265"},
         true,
         true,
         /*analytics=*/false,
         /*wifi=*/false},
        {"Media only, no imaging, no OSD, no analytics",
         {{1280, 720}, {640, 360}},
         256,
         2048,
         {10, 25},
         {"H264"},
         false,
         false,
         false,
         true,
         /*imaging=*/false},
    };
    return sets;
}

// A channel of a camera with option set `o`, holding its first options; the Wi-Fi passphrase
// is reported (so it round-trips) unless `writeOnlyKey`.
OnvifChannel Camera(const OptionSet& o, bool writeOnlyKey = false) {
    OnvifChannel c;
    c.channelNo = 1;
    c.name = "Camera 1";
    c.media2 = o.media2;
    for (int s = 0; s < 2; ++s) {
        OnvifStream& stream = c.streams[s];
        stream.present = true;
        stream.options.encodings = o.encodings;
        stream.options.resolutions = o.resolutions;
        stream.options.frameRates = o.frameRates;
        stream.options.govMin = 1;
        stream.options.govMax = 300;
        stream.options.bitrateMin = o.bitrateMin;
        stream.options.bitrateMax = o.bitrateMax;
        stream.options.qualityMin = 1;
        stream.options.qualityMax = 100;
        onvif::VideoEncoder& e = stream.encoder;
        e.encoding = o.encodings.front();
        std::tie(e.width, e.height) = o.resolutions[s == 0 ? 0 : o.resolutions.size() - 1];
        e.frameRate = o.frameRates.back();
        e.bitrate = BitrateCodeKbps(NearestBitrateCode(o.bitrateMin));
        e.govLength = 50;
        e.quality = 60;
        if (o.media2) {
            e.constantBitRate = false;
        }
    }
    c.ntp.manual = {{"IPv4", "192.168.1.1"}};
    c.audio = onvif::AudioEncoder{"audio", "G711", 64, 8};
    c.audioOptions = {
        {"G711", {64}, {8}}, {"G726", {16, 24, 32}, {8}}, {"AAC", {64, 96}, {16, 32}}};
    if (o.wifi) {
        c.wifi.present = true;
        c.wifi.ssid = "Office";
        c.wifi.securityMode = "PSK";
        c.wifi.algorithm = "CCMP";
        c.wifi.passphrase = writeOnlyKey ? "" : "office-pass";
    }
    if (o.imaging) {
        c.imaging = onvif::ImagingSettings{50, 50, 50, 50, false};
        c.imagingOptions.brightness = {0, 100, true};
        c.imagingOptions.contrast = {0, 100, true};
        c.imagingOptions.saturation = {0, 100, true};
    }
    if (o.osd) {
        c.osd = true;
        c.dateOsd = onvif::Osd{"osd-date", "vsc", "DateAndTime", "yyyy-MM-dd", "HH:mm:ss", ""};
        c.nameOsd = onvif::Osd{"osd-name", "vsc", "Plain", "", "", "Camera 1"};
        c.osdOptions.dateFormats = {"yyyy-MM-dd", "MM/dd/yyyy", "dd/MM/yyyy"};
        c.osdOptions.timeFormats = {"HH:mm:ss", "hh:mm:ss tt"};
    }
    if (o.analytics) {
        c.motion = onvif::CellMotion{"MyMotionDetectorRule", "MyCellMotionModule", 40};
        c.analyticsToken = "analytics";
    }
    return c;
}

// What a camera does with the changes: each set changes exactly the named values.
void Apply(const ItemPlan& p, OnvifChannel& c) {
    if (p.ntpAddress) {
        if (p.ntpAddress->empty()) {
            c.ntp.manual.erase(c.ntp.manual.begin());
        } else if (c.ntp.manual.empty()) {
            c.ntp.manual.push_back({"DNS", *p.ntpAddress});
        } else {
            c.ntp.manual.front() = {"DNS", *p.ntpAddress};
        }
    }
    if (p.wifi) {
        c.wifi.ssid = p.wifi->ssid;
        c.wifi.securityMode = p.wifi->securityMode;
        c.wifi.algorithm = p.wifi->algorithm;
        if (!p.wifi->passphrase.empty() && !c.wifi.passphrase.empty()) {
            c.wifi.passphrase = p.wifi->passphrase;  // a camera that reports its passphrase
        }
    }
    if (p.motionOn) {
        c.motion->ruleName = *p.motionOn ? "MyMotionDetectorRule" : "";
    }
    if (p.motionSensitivity) {
        c.motion->sensitivity = *p.motionSensitivity;
    }
    for (int s = 0; s < 2; ++s) {
        const onvif::EncoderChange& e = p.encoders[s];
        onvif::VideoEncoder& v = c.streams[s].encoder;
        if (e.encoding) {
            v.encoding = *e.encoding;
        }
        if (e.resolution) {
            std::tie(v.width, v.height) = *e.resolution;
        }
        v.quality = e.quality.value_or(v.quality);
        v.frameRate = e.frameRate.value_or(v.frameRate);
        v.bitrate = e.bitrate.value_or(v.bitrate);
        v.govLength = e.govLength.value_or(v.govLength);
        if (e.constantBitRate) {
            v.constantBitRate = e.constantBitRate;
        }
    }
    if (p.audio) {
        *c.audio = {c.audio->token, p.audio->encoding, p.audio->bitrate, p.audio->sampleRate};
    }
    if (p.imaging.brightness) {
        c.imaging->brightness = p.imaging.brightness;
    }
    if (p.imaging.contrast) {
        c.imaging->contrast = p.imaging.contrast;
    }
    if (p.imaging.saturation) {
        c.imaging->saturation = p.imaging.saturation;
    }
    if (p.imaging.wdr) {
        c.imaging->wdr = p.imaging.wdr;
    }
    const onvif::OsdChange& d = p.dateOsd;
    if (d.textType) {
        c.dateOsd->textType = *d.textType;
    }
    if (d.dateFormat) {
        c.dateOsd->dateFormat = *d.dateFormat;
    }
    if (d.timeFormat) {
        c.dateOsd->timeFormat = *d.timeFormat;
    }
    if (p.nameOsd.plainText) {
        c.nameOsd->plainText = *p.nameOsd.plainText;
    }
}

std::unique_ptr<DeviceConfig> Read(const OnvifChannel& c) {
    auto record = std::make_unique<DeviceConfig>();
    FillRecord(c, *record);
    return record;
}

// Sends item `item` of `want` to `c` as the driver would; the plan it made.
ItemPlan Send(int32_t item, const DeviceConfig& want, OnvifChannel& c) {
    ItemPlan plan = PlanItem(item, c, want.block(item));
    if (!plan.unsupported && plan.refusal.empty()) {
        Apply(plan, c);
    }
    return plan;
}

struct Edit {
    std::string name;
    int32_t item;
    std::function<void(DeviceConfig&)> edit;
};

// Edits of every mapped field the option set offers, single and combined.
std::vector<Edit> MappedEdits(const OptionSet& o) {
    std::vector<Edit> edits;
    const auto add = [&](std::string name, int32_t item, std::function<void(DeviceConfig&)> f) {
        edits.push_back({std::move(name), item, std::move(f)});
    };
    for (const char* address : {"10.0.0.7", "", "time.example.org"}) {
        add(std::string("ntp ") + address, CFG_ITEM_TIME,
            [address](DeviceConfig& r) { r.setTimeServerAddress(address); });
    }
    std::vector<int32_t> codes;  // the bitrate codes inside the camera's range
    for (int32_t code = 1; code <= kBitrateCodeCount; ++code) {
        if (BitrateCodeKbps(code) >= o.bitrateMin && BitrateCodeKbps(code) <= o.bitrateMax) {
            codes.push_back(code);
        }
    }
    std::vector<uint8_t> videoCodes;
    for (const std::string& e : o.encodings) {
        if (e != "H265" || o.media2) {
            videoCodes.push_back(VideoCodeOfEncoding(e));
        }
    }
    const size_t rounds = std::max({o.resolutions.size(), codes.size(), o.frameRates.size()});
    for (size_t k = 0; k < rounds; ++k) {
        for (int s = 0; s < 2; ++s) {
            // Every field of the stream at once, each walking its own list.
            add("stream " + std::to_string(s) + " round " + std::to_string(k), CFG_ITEM_COMPRESSION,
                [=, &o](DeviceConfig& r) {
                    r.setStreamResolution(s, static_cast<uint8_t>(k % o.resolutions.size()));
                    r.setStreamBitrateCode(s, codes[k % codes.size()]);
                    r.setStreamFrameRate(s, o.frameRates[k % o.frameRates.size()]);
                    r.setStreamIFrameInterval(s, static_cast<uint16_t>(1 + (k * 37) % 300));
                    r.setStreamPicQuality(s, static_cast<uint8_t>(1 + (k * 13) % 100));
                    r.setStreamVideoEncoding(s, videoCodes[k % videoCodes.size()]);
                    if (o.media2) {
                        r.setStreamBitrateType(s, static_cast<uint8_t>(k % 2 == 0));
                    }
                });
        }
    }
    for (uint8_t audio : {6, 7, 1}) {
        add("audio " + std::to_string(audio), CFG_ITEM_COMPRESSION, [audio](DeviceConfig& r) {
            r.setStreamAudioEncoding(0, audio);
            r.setStreamAudioEncoding(1, audio);
        });
    }
    if (o.wifi) {
        add("wifi open", CFG_ITEM_WIFI, [](DeviceConfig& r) {
            r.setWifiSsid("Guest");
            r.setWifiSecurity(0);
        });
        add("wifi WPA2 TKIP with a key", CFG_ITEM_WIFI, [](DeviceConfig& r) {
            r.setWifiSsid("Site AP 5G");
            r.setWifiSecurity(4);
            r.setWifiCipher(1);
            r.setWifiKeyLength(static_cast<int32_t>(r.setWifiKey("a-new-passphrase")));
        });
    }
    if (o.analytics) {
        for (uint8_t level = 0; level <= 5; ++level) {
            add("motion level " + std::to_string(level), CFG_ITEM_MOTION, [level](DeviceConfig& r) {
                r.setMotionSwitch(level % 2);
                r.setMotionSensitivity(level);
            });
        }
    }
    if (o.osd) {
        for (uint8_t format = 0; format <= 8; ++format) {
            add("date format " + std::to_string(format), CFG_ITEM_OSD, [format](DeviceConfig& r) {
                r.setDateFormat(format);
                r.setDateShown(format % 2 == 0);
                r.setTimeFormat(format % 2);
                r.setChannelNameShown(format % 3 != 0);
            });
        }
    }
    if (o.imaging) {
        add("wdr on", CFG_ITEM_IMAGE, [](DeviceConfig& r) { r.setWideDynamicRange(1); });
        add("wdr off", CFG_ITEM_IMAGE, [](DeviceConfig& r) { r.setWideDynamicRange(0); });
        add("colour", CFG_ITEM_COLOR, [](DeviceConfig& r) {
            r.setBrightness(0);
            r.setContrast(100);
            r.setSaturation(37);
        });
    }
    return edits;
}

TEST(OnvifMappingRoundTrip, EveryMappedFieldReadsBackAsWritten) {
    for (const OptionSet& o : OptionSets()) {
        SCOPED_TRACE(o.name);
        OnvifChannel camera = Camera(o);
        for (const Edit& e : MappedEdits(o)) {
            SCOPED_TRACE(e.name);
            auto want = Read(camera);
            e.edit(*want);
            const ItemPlan plan = Send(e.item, *want, camera);
            ASSERT_FALSE(plan.unsupported);
            ASSERT_EQ(plan.refusal, "");
            // The whole record: the item's fields as written, every other field as it was.
            EXPECT_TRUE(*Read(camera) == *want);
            // Sending the same block again asks nothing of the camera.
            EXPECT_TRUE(PlanItem(e.item, camera, want->block(e.item)).changesNothing());
        }
        // The record's resolution index names the encoder's resolution in the ranges.
        const auto record = Read(camera);
        const ConfigRange range = MakeRange(camera, "S1");
        const std::vector<ResolutionEntry>* lists[2] = {&range.mainResolutions,
                                                        &range.subResolutions};
        for (int s = 0; s < 2; ++s) {
            const onvif::VideoEncoder& e = camera.streams[s].encoder;
            ASSERT_EQ(lists[s]->size(), o.resolutions.size());
            EXPECT_EQ(lists[s]->at(record->streamResolution(s)).value,
                      std::to_string(e.width) + "x" + std::to_string(e.height));
            EXPECT_EQ(lists[s]->front().frameRates.front(), o.frameRates.back());
            EXPECT_EQ(lists[s]->front().bitrateMin, o.bitrateMin);
            EXPECT_EQ(lists[s]->front().bitrateMax, o.bitrateMax);
        }
    }
}

// What a camera lacks reads as the fixed values; changing it is refused before anything is sent.
TEST(OnvifMappingRoundTrip, ChangingWhatTheCameraLacksIsUnsupported) {
    for (const OptionSet& o : OptionSets()) {
        SCOPED_TRACE(o.name);
        const OnvifChannel camera = Camera(o);
        const auto now = Read(camera);
        std::vector<Edit> missing = {
            {"hue", CFG_ITEM_COLOR, [](DeviceConfig& r) { r.setHue(10); }},
            {"week", CFG_ITEM_OSD, [](DeviceConfig& r) { r.setWeekShown(1); }},
            {"frame type", CFG_ITEM_COMPRESSION,
             [](DeviceConfig& r) { r.setStreamFrameType(0, 2); }},
            {"sub audio alone", CFG_ITEM_COMPRESSION,
             [](DeviceConfig& r) { r.setStreamAudioEncoding(1, 7); }},
            {"G722 (not offered)", CFG_ITEM_COMPRESSION,
             [](DeviceConfig& r) {
                 r.setStreamAudioEncoding(0, 0);
                 r.setStreamAudioEncoding(1, 0);
             }},
            {"wdr places disagree", CFG_ITEM_IMAGE,
             [](DeviceConfig& r) { r.setByteAt(DeviceConfig::kWideDynamicRange[1], 1); }},
        };
        if (!o.media2) {
            missing.push_back({"CBR", CFG_ITEM_COMPRESSION,
                               [](DeviceConfig& r) { r.setStreamBitrateType(0, 1); }});
            missing.push_back({"H.265", CFG_ITEM_COMPRESSION,
                               [](DeviceConfig& r) { r.setStreamVideoEncoding(1, 10); }});
        }
        if (!o.osd) {
            EXPECT_EQ(now->dateShown(), 0);
            missing.push_back({"date", CFG_ITEM_OSD, [](DeviceConfig& r) { r.setDateShown(1); }});
            missing.push_back(
                {"name", CFG_ITEM_OSD, [](DeviceConfig& r) { r.setChannelNameShown(1); }});
        }
        if (!o.analytics) {
            EXPECT_EQ(now->motionSwitch(), 0);
            missing.push_back(
                {"motion", CFG_ITEM_MOTION, [](DeviceConfig& r) { r.setMotionSwitch(1); }});
        }
        if (!o.wifi) {
            EXPECT_EQ(now->wifiSsid(), "");
            missing.push_back({"wifi", CFG_ITEM_WIFI, [](DeviceConfig& r) { r.setWifiSsid("x"); }});
        }
        if (!o.imaging) {
            EXPECT_EQ(now->brightness(), kOnvifColourWithoutImaging);
            missing.push_back(
                {"brightness", CFG_ITEM_COLOR, [](DeviceConfig& r) { r.setBrightness(1); }});
            missing.push_back(
                {"wdr", CFG_ITEM_IMAGE, [](DeviceConfig& r) { r.setWideDynamicRange(1); }});
        }
        for (const Edit& e : missing) {
            SCOPED_TRACE(e.name);
            auto want = std::make_unique<DeviceConfig>(*now);
            e.edit(*want);
            const ItemPlan plan = PlanItem(e.item, camera, want->block(e.item));
            EXPECT_TRUE(plan.unsupported);
        }
        // The items without any counterpart pass when unchanged.
        for (int32_t item : {CFG_ITEM_AUDIO_IN, CFG_ITEM_AUDIO_OUT, CFG_ITEM_LOGO,
                             CFG_ITEM_ALARM_SOUND, CFG_ITEM_MOTION, CFG_ITEM_OSD}) {
            SCOPED_TRACE(item);
            const ItemPlan plan = PlanItem(item, camera, now->block(item));
            EXPECT_FALSE(plan.unsupported);
            EXPECT_TRUE(plan.changesNothing());
        }
    }
}

TEST(OnvifMappingLossy, BitrateReadsAsTheNearestCodeLowerOnATie) {
    const std::pair<int32_t, int32_t> nearest[] = {
        {0, 1},
        {16, 1},
        {24, 1} /* 16 | 32 */,
        {100, 6} /* 96 */,
        {2560, 23} /* 2048 | 3072 */,
        {3000, 24} /* 3072 */,
        {5120, 25} /* 4096 | 6144 */,
        {7000, 28} /* 6144 */,
        {9216, 26} /* 8192 | 10240 */,
        {11264, 29} /* 10240 | 12288 */,
        {14336, 30} /* 12288 | 16384 */,
        {100000, 27},
    };
    for (const auto& [kbps, code] : nearest) {
        EXPECT_EQ(NearestBitrateCode(kbps), code) << kbps;
    }
    // A rate between table rates keeps its value until the code changes, then moves onto the
    // table: 3000 reads as 3072's code, and writing that code back after a change sends 3072.
    OnvifChannel camera = Camera(OptionSets().front());
    camera.streams[0].encoder.bitrate = 3000;
    auto want = Read(camera);
    EXPECT_EQ(want->streamBitrateCode(0), 24);
    EXPECT_TRUE(Send(CFG_ITEM_COMPRESSION, *want, camera).changesNothing());
    EXPECT_EQ(camera.streams[0].encoder.bitrate, 3000);
    want->setStreamBitrateCode(0, 25);
    EXPECT_EQ(Send(CFG_ITEM_COMPRESSION, *want, camera).encoders[0].bitrate, 4096);
    want->setStreamBitrateCode(0, 24);
    Send(CFG_ITEM_COMPRESSION, *want, camera);
    EXPECT_EQ(camera.streams[0].encoder.bitrate, 3072);
    // A code outside the table is refused with its number.
    want->setStreamBitrateCode(0, 31);
    EXPECT_EQ(PlanItem(CFG_ITEM_COMPRESSION, camera, want->block(CFG_ITEM_COMPRESSION)).refusal,
              "码率代码 31 无法识别");
}

// Clearing the address removes the first manual server only: a second one then reads back.
TEST(OnvifMappingLossy, ClearingTheTimeServerUncoversTheNextOne) {
    OnvifChannel camera = Camera(OptionSets().front());
    camera.ntp.manual = {{"IPv4", "192.168.1.1"}, {"DNS", "backup.example"}};
    auto want = Read(camera);
    EXPECT_EQ(want->timeServerAddress(), "192.168.1.1");
    want->setTimeServerAddress("");
    EXPECT_EQ(*Send(CFG_ITEM_TIME, *want, camera).ntpAddress, "");
    EXPECT_EQ(Read(camera)->timeServerAddress(), "backup.example");
}

TEST(OnvifMappingLossy, MotionSensitivityReadsInStepsOfTwenty) {
    OnvifChannel camera = Camera(OptionSets().front());
    const std::pair<int, uint8_t> steps[] = {{0, 0},  {9, 0},  {10, 1}, {29, 1},
                                             {30, 2}, {37, 2}, {90, 5}, {100, 5}};
    for (const auto& [percent, level] : steps) {
        camera.motion->sensitivity = percent;
        EXPECT_EQ(Read(camera)->motionSensitivity(), level) << percent;
    }
    // 37 reads as 2; 2 written back sends nothing, 3 sends 60, 2 then sends 40 (not 37).
    camera.motion->sensitivity = 37;
    auto want = Read(camera);
    EXPECT_TRUE(Send(CFG_ITEM_MOTION, *want, camera).changesNothing());
    want->setMotionSensitivity(3);
    EXPECT_EQ(Send(CFG_ITEM_MOTION, *want, camera).motionSensitivity, 60);
    want->setMotionSensitivity(2);
    Send(CFG_ITEM_MOTION, *want, camera);
    EXPECT_EQ(camera.motion->sensitivity, 40);
    want->setMotionSensitivity(6);
    EXPECT_EQ(PlanItem(CFG_ITEM_MOTION, camera, want->block(CFG_ITEM_MOTION)).refusal,
              "移动侦测灵敏度 6 超出范围 0..5");
}

TEST(OnvifMappingLossy, WpaAndWpa2AreBothPskAndAWriteOnlyKeyReadsEmpty) {
    OnvifChannel camera = Camera(OptionSets().front(), /*writeOnlyKey=*/true);
    auto want = Read(camera);
    EXPECT_EQ(want->wifiSecurity(), 4);
    EXPECT_EQ(want->wifiKey(), "");
    // WPA-PSK is sent as PSK and reads back as WPA2-PSK.
    want->setWifiSecurity(0);
    EXPECT_EQ(Send(CFG_ITEM_WIFI, *want, camera).wifi->securityMode, "None");
    want->setWifiSecurity(2);
    want->setWifiKeyLength(static_cast<int32_t>(want->setWifiKey("wpa-pass")));
    const ItemPlan plan = Send(CFG_ITEM_WIFI, *want, camera);
    ASSERT_TRUE(plan.wifi);
    EXPECT_EQ(plan.wifi->securityMode, "PSK");
    EXPECT_EQ(plan.wifi->passphrase, "wpa-pass");
    const auto after = Read(camera);
    EXPECT_EQ(after->wifiSecurity(), 4);
    EXPECT_EQ(after->wifiKey(), "");  // the camera keeps the passphrase to itself
    // "Any" reads as AES and is kept while the cipher is unchanged.
    camera.wifi.algorithm = "Any";
    want = Read(camera);
    EXPECT_EQ(want->wifiCipher(), 0);
    want->setWifiSsid("Renamed");
    EXPECT_EQ(Send(CFG_ITEM_WIFI, *want, camera).wifi->algorithm, "Any");
    // WEP has no counterpart among the PSK modes the driver writes.
    want->setWifiSecurity(1);
    EXPECT_EQ(PlanItem(CFG_ITEM_WIFI, camera, want->block(CFG_ITEM_WIFI)).refusal,
              "Wi-Fi 安全方式 1 在 ONVIF 中没有对应项");
}

TEST(OnvifMappingLossy, OsdPatternsWithoutACodeReadAsCodeZeroAndStayUntilChanged) {
    OnvifChannel camera = Camera(OptionSets().front());
    camera.dateOsd->dateFormat = "yy/MM/dd";
    camera.dateOsd->timeFormat = "h:mm tt";
    camera.dateOsd->textType = "Date";
    auto want = Read(camera);
    EXPECT_EQ(want->dateFormat(), 0);
    EXPECT_EQ(want->timeFormat(), 1);
    EXPECT_EQ(want->dateShown(), 1);
    EXPECT_TRUE(Send(CFG_ITEM_OSD, *want, camera).changesNothing());
    EXPECT_EQ(camera.dateOsd->dateFormat, "yy/MM/dd");
    // Switching the clock picks the camera's own pattern of that kind.
    want->setTimeFormat(0);
    EXPECT_EQ(Send(CFG_ITEM_OSD, *want, camera).dateOsd.timeFormat, "HH:mm:ss");
    want->setDateFormat(9);
    EXPECT_EQ(PlanItem(CFG_ITEM_OSD, camera, want->block(CFG_ITEM_OSD)).refusal,
              "日期格式 9 无法识别");
}

}  // namespace
}  // namespace orvex::rprov
