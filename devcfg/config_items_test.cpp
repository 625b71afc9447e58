#include "devcfg/config_items.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <tuple>

#include "devcfg/code_tables.h"
#include "devcfg/testing/sample_records.h"

namespace orvex {
namespace {

using testing::Pick;
using testing::RandomInt;
using testing::RandomInt32;
using testing::RandomText;

IssuedConfig RandomIssued(std::mt19937& rng) {
    const char* videoWords[] = {"H.264", "std_h265", "H265", "", "自动", "svac"};
    const char* audioWords[] = {"G722", "aac", "G711", "", "PCM"};
    const char* dateWords[] = {"yyyy-MM-dd", "DD/MM/YYYY", "yyyy.MM.dd", ""};
    const char* verifyWords[] = {"WPA2-PSK", "wpa-psk", "x-WPA2-PSK-y", "WEP", ""};
    const char* cipherWords[] = {"AES", "tkip", "aes-ccmp", ""};
    const char* inputWords[] = {"Mic In", "LINE IN", "line", ""};
    IssuedConfig c;
    c.serverAddress = RandomText(rng, 80);
    c.ssid = RandomText(rng, 40);
    c.password = RandomText(rng, 70);
    c.verifyMethod = Pick(rng, verifyWords);
    c.encryptType = Pick(rng, cipherWords);
    c.detectMode = RandomInt(rng, -2, 300);
    c.sensitivityLevel = RandomInt(rng, -5, 6000);
    for (int32_t* field : {&c.remindVoice, &c.inputVolume, &c.outputVolume, &c.brightnessLevel,
                           &c.contrastLevel, &c.saturationLevel, &c.hue, &c.displayState}) {
        *field = RandomInt32(rng);
    }
    for (bool* flag : {&c.remindSwitch, &c.wideDynamicRangeSwitch, &c.showName, &c.showOrvexLogo,
                       &c.showWeek, &c.showDate}) {
        *flag = RandomInt(rng, 0, 1);
    }
    for (StreamSettings& s : c.streams) {
        s.bitrateType = RandomInt(rng, 0, 1) ? "VBR" : "vbr";
        s.videoCodecType = Pick(rng, videoWords);
        s.audioCompressionType = Pick(rng, audioWords);
        s.vbrUpperCap = RandomInt(rng, 0, 30);
        for (int32_t* field : {&s.frameType, &s.streamType, &s.videoFlowType, &s.picQuality,
                               &s.maxFrameRate, &s.keyFrameInterval, &s.videoResolution}) {
            *field = RandomInt32(rng);
        }
    }
    c.audioInputMode = Pick(rng, inputWords);
    c.dateFormat = Pick(rng, dateWords);
    c.timeFormat = RandomInt(rng, -1, 3);
    return c;
}

// Writing one item changes only the bytes of that item's fields, all inside its block.
TEST(WriteConfigItem, ChangesOnlyTheItemsFields) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        for (int32_t item = 1; item <= 11; ++item) {
            SCOPED_TRACE(item);
            auto before = testing::RandomRecord(rng);
            auto after = std::make_unique<DeviceConfig>(*before);
            ASSERT_TRUE(WriteConfigItem(item, RandomIssued(rng), 5, *after));
            const std::set<size_t> allowed = testing::ItemFieldBytes(item);
            const RecordBlock block = ConfigItemBlock(item);
            for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
                if (before->data()[i] != after->data()[i]) {
                    ASSERT_TRUE(allowed.count(i)) << "byte " << i;
                    ASSERT_GE(i, block.offset);
                    ASSERT_LT(i, block.offset + block.size);
                }
            }
        }
    }
}

// The Wi-Fi block's fields as one text.
std::string WifiFields(const DeviceConfig& r) {
    return r.wifiSsid() + " mode " + std::to_string(r.wifiMode()) + " security " +
           std::to_string(r.wifiSecurity()) + " cipher " + std::to_string(r.wifiCipher()) +
           " key " + r.wifiKey() + " length " + std::to_string(r.wifiKeyLength()) + " selector " +
           std::to_string(r.wifiKeySelector());
}

TEST(WriteConfigItem, ServerAddressAndWifiWords) {
    auto record = std::make_unique<DeviceConfig>();
    IssuedConfig c;
    c.serverAddress = std::string(70, 'L');
    WriteConfigItem(CFG_ITEM_TIME, c, 1, *record);
    EXPECT_EQ(record->timeServerAddress(), std::string(64, 'L'));
    c.serverAddress = "ntp";
    WriteConfigItem(CFG_ITEM_TIME, c, 1, *record);
    EXPECT_TRUE(std::all_of(record->data() + 3, record->data() + 80, [](uint8_t b) { return !b; }));

    record->setWifiMode(3);
    record->setWifiSecurity(9);
    record->setWifiCipher(7);
    record->setWifiKeyLength(static_cast<int32_t>(record->setWifiKey("old-key-that-is-long")));
    record->setWifiKeySelector(1);
    c.ssid = "net";
    c.password = "pw";
    const std::pair<std::pair<const char*, const char*>, std::string> cases[] = {
        // Neither word: only the name and the mode change.
        {{"WEP", ""},
         "net mode 0 security 9 cipher 7 key old-key-that-is-long length 20 selector 1"},
        {{"Wpa2-Psk", "AES"}, "net mode 0 security 4 cipher 0 key pw length 2 selector 0"},
        {{"wpa-psk", "TKIP"}, "net mode 0 security 2 cipher 1 key pw length 2 selector 0"},
    };
    for (const auto& [words, expected] : cases) {
        c.verifyMethod = words.first;
        c.encryptType = words.second;
        WriteConfigItem(CFG_ITEM_WIFI, c, 1, *record);
        EXPECT_EQ(WifiFields(*record), expected);
    }
    EXPECT_EQ(record->data()[232 + 2], 0);  // the rest of the old key is cleared
    c.password = std::string(80, 'p');
    WriteConfigItem(CFG_ITEM_WIFI, c, 1, *record);
    EXPECT_EQ(WifiFields(*record), "net mode 0 security 2 cipher 1 key " + std::string(63, 'p') +
                                       " length 63 selector 0");
}

TEST(WriteConfigItem, MotionSensitivityByScale) {
    struct Case {
        int32_t scale, flag, mode, level, sensitivity, alternate;
    };
    const Case cases[] = {
        {2, 0, 0, 40, 2, 0xEE},    // percent scale: level / 20
        {2, 1, 3, 59, 2, 0xEE},    // percent scale wins over mode and flag
        {0, 0, 3, 7, 0xEE, 7},     // another mode: the alternate byte
        {0, 1, 0, 7, 7, 0xEE},     // alternate flag: the level as it is
        {0, 0, 0, 0, 0xFF, 0xEE},  // default scale: 0 is off
        {0, 0, 0, 3, 2, 0xEE},     // default scale: one less
        {0, 0, 256, 3, 2, 0xEE},   // the mode byte written is 0 (low 8 bits)
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.level);
        auto record = std::make_unique<DeviceConfig>();
        record->setSensitivityScale(k.scale);
        record->setAlternateSensitivityFlag(static_cast<uint8_t>(k.flag));
        record->setMotionSensitivity(0xEE);
        record->setMotionAlternateSensitivity(0xEE);
        IssuedConfig c;
        c.remindSwitch = true;
        c.detectMode = k.mode;
        c.sensitivityLevel = k.level;
        WriteConfigItem(CFG_ITEM_MOTION, c, 1, *record);
        EXPECT_EQ(record->motionSwitch(), 1);
        EXPECT_EQ(record->motionMode(), k.mode & 0xFF);
        EXPECT_EQ(record->motionSensitivity(), k.sensitivity);
        EXPECT_EQ(record->motionAlternateSensitivity(), k.alternate);
    }
}

// The alarm block and the three wide dynamic range places are pinned by the round trip.
TEST(WriteConfigItem, CompressionAudioAndDisplayWords) {
    std::mt19937 rng(3);
    auto record = testing::RandomRecord(rng);
    IssuedConfig c;
    c.streams[0] = {"VBR", "std_h265", "g711_u", 258, 1, 2, 23, 3, 25, 70000, 4};
    c.streams[1] = {"vbr", "H265", "G711", 1, 0, 0, 0, 0, 0, 0, 0};
    WriteConfigItem(CFG_ITEM_COMPRESSION, c, 1, *record);
    // Letter case counts for "VBR"; unknown encodings are 0xFF; the frame type keeps 8 bits.
    EXPECT_EQ(record->streamBitrateType(0), 0);
    EXPECT_EQ(record->streamBitrateType(1), 1);
    EXPECT_EQ(record->streamVideoEncoding(0), 10);
    EXPECT_EQ(record->streamVideoEncoding(1), 0xFF);
    EXPECT_EQ(record->streamAudioEncoding(0), 1);
    EXPECT_EQ(record->streamAudioEncoding(1), 0xFF);
    EXPECT_EQ(record->streamFrameType(0), 2);
    EXPECT_EQ(record->streamIFrameInterval(0), static_cast<uint16_t>(70000));

    record->setAudioInputMode(1);
    record->setDateFormat(5);
    c.audioInputMode = "Mic";  // no match: the mode stays
    c.inputVolume = 300;
    WriteConfigItem(CFG_ITEM_AUDIO_IN, c, 1, *record);
    EXPECT_EQ(record->audioInputMode(), 1);
    EXPECT_EQ(record->audioInputVolume(), 44);
    c.audioInputMode = "mic in";
    WriteConfigItem(CFG_ITEM_AUDIO_IN, c, 1, *record);
    EXPECT_EQ(record->audioInputMode(), 0);

    c.dateFormat = "yyyy.MM.dd";  // no match: the format stays
    c.timeFormat = -4;
    WriteConfigItem(CFG_ITEM_OSD, c, 1, *record);
    EXPECT_EQ(record->dateFormat(), 5);
    EXPECT_EQ(record->timeFormat(), 1);
    c.dateFormat = "MM/DD/YYYY";
    WriteConfigItem(CFG_ITEM_OSD, c, 1, *record);
    EXPECT_EQ(record->dateFormat(), 6);
}

TEST(IssueItemsTable, OrderBitsCodesAndNames) {
    std::string table;
    for (const IssueItem& item : IssueItems()) {
        table += std::to_string(item.sectionBit) + ":";
        for (int i = 0; i < item.codeCount; ++i) {
            table += std::to_string(item.codes[i]) + ",";
        }
        table += item.itemName + std::string(" ");
    }
    EXPECT_EQ(table,
              "2:1,通用配置 128:2,wifi配置 4:3,11,布撤防计划 8:4,视频配置 8:5,输入音频配置 "
              "8:6,输出音频配置 16:7,宽动态配置 32:8,图像设置 64:10,Logo配置 64:9,图像显示 ");
}

// The worker's use: a prepared block holds the change; only compression and colour change the
// working record before the camera answers; an accepted block is copied back.
TEST(PrepareItemBlock, WorkingRecordChangesOnlyWhenSpecified) {
    std::mt19937 rng(5);
    const IssuedConfig c = RandomIssued(rng);
    for (int32_t item = 1; item <= 11; ++item) {
        SCOPED_TRACE(item);
        auto work = testing::RandomRecord(rng);
        const auto original = std::make_unique<DeviceConfig>(*work);
        auto expected = std::make_unique<DeviceConfig>(*work);
        WriteConfigItem(item, c, 3, *expected);

        const std::vector<uint8_t> block = PrepareItemBlock(item, c, 3, *work);
        ASSERT_EQ(block.size(), ConfigItemSize(item));
        const auto wanted = expected->block(item);
        EXPECT_TRUE(std::equal(block.begin(), block.end(), wanted.begin()));
        EXPECT_TRUE(*work == (ConfigItemWrittenInPlace(item) ? *expected : *original));
        AcceptItemBlock(item, block, *work);
        EXPECT_TRUE(*work == *expected);

        // A block of the wrong size is ignored.
        AcceptItemBlock(item, std::vector<uint8_t>(block.size() - 1, 0xAB), *work);
        EXPECT_TRUE(*work == *expected);
    }
    // A code that is no item writes nothing.
    auto record = std::make_unique<DeviceConfig>();
    EXPECT_FALSE(WriteConfigItem(12, c, 1, *record) || WriteConfigItem(0, c, 1, *record));
    EXPECT_TRUE(PrepareItemBlock(0, c, 1, *record).empty());
    EXPECT_TRUE(*record == DeviceConfig());
}

// Changes-only: a member the request does not hold keeps the target's own bytes, whatever an
// earlier request left in the configuration.
TEST(ConfigItemsTest, AMemberNotSentKeepsTheTargetsOwnValue) {
    std::mt19937 rng(11);
    IssuedConfig c = RandomIssued(rng);
    c.present = 0;
    for (int32_t item = 1; item <= 11; ++item) {
        auto record = testing::RandomRecord(rng);
        auto written = std::make_unique<DeviceConfig>(*record);
        WriteConfigItem(item, c, 3, *written);
        if (item == CFG_ITEM_WIFI) {
            record->setWifiMode(0);  // the item always asks for infrastructure mode
        } else if (item == CFG_ITEM_ALARM_SOUND) {
            record->setAlarmSoundBlock(3, record->alarmSound());  // the block's fixed frame
        }
        EXPECT_TRUE(*written == *record) << item;
    }

    ParseIssuedConfig(R"({"configItems":{"imageConfig":{"imageColor":{"brightnessLevel":70}}}})",
                      c);
    auto record = testing::RandomRecord(rng);
    auto expected = std::make_unique<DeviceConfig>(*record);
    expected->setBrightness(70);
    WriteConfigItem(CFG_ITEM_COLOR, c, 1, *record);
    EXPECT_TRUE(*record == *expected);

    // A password alone is written under the camera's own WPA security; under no security it is
    // not.
    ParseIssuedConfig(
        R"({"configItems":{"generalConfig":{"wiFiConfig":{"password":"s3cret-pw"}}}})", c);
    for (int32_t security : {kWifiSecurityWpaPsk, 0}) {
        record->setWifiSecurity(security);
        expected = std::make_unique<DeviceConfig>(*record);
        expected->setWifiMode(0);
        if (security != 0) {
            expected->setWifiKeyLength(static_cast<int32_t>(expected->setWifiKey("s3cret-pw")));
            expected->setWifiKeySelector(0);
        }
        WriteConfigItem(CFG_ITEM_WIFI, c, 1, *record);
        EXPECT_TRUE(*record == *expected) << security;
    }
}

}  // namespace
}  // namespace orvex
