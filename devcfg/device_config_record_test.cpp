// Layout of the records exchanged with the device library: sizes, offsets, byte order, blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/rprov/rprov_records.h"

namespace orvex {
namespace {

// Offsets of the bytes that differ between two records.
std::vector<size_t> ChangedOffsets(const DeviceConfig& a, const DeviceConfig& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
        if (a.data()[i] != b.data()[i]) {
            out.push_back(i);
        }
    }
    return out;
}

std::vector<size_t> Range(size_t offset, size_t width) {
    std::vector<size_t> out;
    for (size_t i = 0; i < width; ++i) {
        out.push_back(offset + i);
    }
    return out;
}

TEST(DeviceConfigRecord, DefaultIsZeroExceptTheColourValues) {
    auto record = std::make_unique<DeviceConfig>();
    EXPECT_EQ(sizeof(DeviceConfig), 80280u);
    EXPECT_EQ(record->brightness(), 6);
    EXPECT_EQ(record->contrast(), 6);
    EXPECT_EQ(record->saturation(), 6);
    EXPECT_EQ(record->hue(), 6);
    for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
        const bool colour = i == 80220 || i == 80224 || i == 80228 || i == 80232;
        ASSERT_EQ(record->data()[i], colour ? 6 : 0) << "offset " << i;
    }
}

// Every named field lands at its offset, little-endian, touching nothing else.
TEST(DeviceConfigRecord, NamedFieldsSitAtTheirOffsets) {
    struct Case {
        const char* name;
        std::function<void(DeviceConfig&)> set;
        size_t offset;
        std::vector<uint8_t> bytes;
    };
    const std::vector<uint8_t> le32 = {0x01, 0x02, 0x03, 0x84};
    const int32_t v32 = static_cast<int32_t>(0x84030201u);
    const std::vector<Case> cases = {
        {"wifiMode", [&](DeviceConfig& r) { r.setWifiMode(v32); }, 220, le32},
        {"wifiSecurity", [&](DeviceConfig& r) { r.setWifiSecurity(v32); }, 224, le32},
        {"wifiKeyLength", [&](DeviceConfig& r) { r.setWifiKeyLength(v32); }, 228, le32},
        {"wifiCipher", [](DeviceConfig& r) { r.setWifiCipher(0xA1); }, 295, {0xA1}},
        {"wifiKeySelector", [](DeviceConfig& r) { r.setWifiKeySelector(0xA2); }, 364, {0xA2}},
        {"logoShown", [](DeviceConfig& r) { r.setLogoShown(0xA3); }, 380, {0xA3}},
        {"channelNameShown", [&](DeviceConfig& r) { r.setChannelNameShown(v32); }, 516, le32},
        {"dateShown", [&](DeviceConfig& r) { r.setDateShown(v32); }, 560, le32},
        {"dateFormat", [](DeviceConfig& r) { r.setDateFormat(0xA4); }, 568, {0xA4}},
        {"weekShown", [](DeviceConfig& r) { r.setWeekShown(0xA5); }, 569, {0xA5}},
        {"displayState", [](DeviceConfig& r) { r.setDisplayState(0xA6); }, 570, {0xA6}},
        {"timeFormat", [](DeviceConfig& r) { r.setTimeFormat(0xA7); }, 571, {0xA7}},
        {"motionSensitivity", [](DeviceConfig& r) { r.setMotionSensitivity(0xA8); }, 40344, {0xA8}},
        {"motionAlternateSensitivity",
         [](DeviceConfig& r) { r.setMotionAlternateSensitivity(0xA9); },
         40349,
         {0xA9}},
        {"motionSwitch", [](DeviceConfig& r) { r.setMotionSwitch(0xAA); }, 41676, {0xAA}},
        {"motionMode", [](DeviceConfig& r) { r.setMotionMode(0xAB); }, 41678, {0xAB}},
        {"streamType 1", [&](DeviceConfig& r) { r.setStreamType(1, v32); }, 79680 + 4, le32},
        {"streamFlowType 0", [](DeviceConfig& r) { r.setStreamFlowType(0, 0xB1); }, 79572, {0xB1}},
        {"streamResolution 0",
         [](DeviceConfig& r) { r.setStreamResolution(0, 0xB2); },
         79573,
         {0xB2}},
        {"streamBitrateType 1",
         [](DeviceConfig& r) { r.setStreamBitrateType(1, 0xB3); },
         79690,
         {0xB3}},
        {"streamPicQuality 1",
         [](DeviceConfig& r) { r.setStreamPicQuality(1, 0xB4); },
         79691,
         {0xB4}},
        {"streamBitrateCode 0", [&](DeviceConfig& r) { r.setStreamBitrateCode(0, v32); }, 79576,
         le32},
        {"streamFrameRate 1", [&](DeviceConfig& r) { r.setStreamFrameRate(1, v32); }, 79696, le32},
        {"streamIFrameInterval 0",
         [](DeviceConfig& r) { r.setStreamIFrameInterval(0, 0x8201); },
         79584,
         {0x01, 0x82}},
        {"streamFrameType 1",
         [](DeviceConfig& r) { r.setStreamFrameType(1, 0xB5); },
         79702,
         {0xB5}},
        {"streamVideoEncoding 0",
         [](DeviceConfig& r) { r.setStreamVideoEncoding(0, 0xB6); },
         79588,
         {0xB6}},
        {"streamAudioEncoding 1",
         [](DeviceConfig& r) { r.setStreamAudioEncoding(1, 0xB7); },
         79705,
         {0xB7}},
        {"streamType 4", [&](DeviceConfig& r) { r.setStreamType(4, v32); }, 80028 + 4, le32},
        {"audioInputMode", [](DeviceConfig& r) { r.setAudioInputMode(0xC1); }, 80144, {0xC1}},
        {"audioInputVolume", [](DeviceConfig& r) { r.setAudioInputVolume(0xC2); }, 80145, {0xC2}},
        {"audioOutputVolume", [](DeviceConfig& r) { r.setAudioOutputVolume(0xC3); }, 80156, {0xC3}},
        {"sensitivityScale", [&](DeviceConfig& r) { r.setSensitivityScale(v32); }, 80248, le32},
        {"alternateSensitivityFlag",
         [](DeviceConfig& r) { r.setAlternateSensitivityFlag(0xC4); },
         80252,
         {0xC4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto before = std::make_unique<DeviceConfig>();
        std::memset(before->data(), 0, DeviceConfig::kSize);
        auto after = std::make_unique<DeviceConfig>(*before);
        c.set(*after);
        EXPECT_EQ(ChangedOffsets(*before, *after), Range(c.offset, c.bytes.size()));
        EXPECT_EQ(0, std::memcmp(after->data() + c.offset, c.bytes.data(), c.bytes.size()));
    }
}

TEST(DeviceConfigRecord, IntegersReadBackLittleEndian) {
    auto r = std::make_unique<DeviceConfig>();
    const uint8_t minusTwo[4] = {0xFE, 0xFF, 0xFF, 0xFF};
    std::memcpy(r->data() + 80264, minusTwo, 4);
    r->data()[79584] = 0x34;
    r->data()[79585] = 0xF2;
    EXPECT_EQ(r->alarmSound(), -2);
    EXPECT_EQ(r->streamIFrameInterval(0), 0xF234);
}

TEST(DeviceConfigRecord, ColourAndAlarmBlocks) {
    auto r = std::make_unique<DeviceConfig>();
    std::memset(r->data(), 0x5A, DeviceConfig::kSize);
    r->setBrightness(1);
    r->setContrast(2);
    r->setSaturation(3);
    r->setHue(4);
    const uint8_t colour[16] = {1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(r->data() + 80220, colour, 16));

    r->setAlarmSoundBlock(3, 0x0102);
    const uint8_t alarm[24] = {24, 0, 0, 0, 3, 0, 0, 0, 2, 1};
    EXPECT_EQ(0, std::memcmp(r->data() + 80256, alarm, 24));
    EXPECT_EQ(r->alarmBlockSize(), 24);
    EXPECT_EQ(r->alarmChannel(), 3);
    EXPECT_EQ(r->alarmSound(), 0x0102);
    EXPECT_EQ(r->data()[80255], 0x5A);
}

TEST(DeviceConfigRecord, WideDynamicRangeIsKeptInThreePlaces) {
    auto r = std::make_unique<DeviceConfig>();
    r->setWideDynamicRange(1);
    EXPECT_EQ(ChangedOffsets(DeviceConfig(), *r), (std::vector<size_t>{77628, 78120, 78612}));
    r->data()[78120] = 7;
    EXPECT_EQ(r->wideDynamicRange(0), 1);
    EXPECT_EQ(r->wideDynamicRange(1), 7);
    EXPECT_EQ(r->wideDynamicRange(2), 1);
    EXPECT_EQ(r->wideDynamicRange(3), 0);
}

TEST(DeviceConfigRecord, TextsStayInsideTheirFields) {
    auto r = std::make_unique<DeviceConfig>();
    std::memset(r->data(), 'x', DeviceConfig::kSize);
    // No NUL anywhere: each text is exactly its field.
    EXPECT_EQ(r->timeServerAddress(), std::string(64, 'x'));
    EXPECT_EQ(r->wifiSsid(), std::string(32, 'x'));
    EXPECT_EQ(r->wifiKey(), std::string(63, 'x'));
    EXPECT_EQ(r->wifiAlternateKey(), std::string(68, 'x'));

    // Writing clears the field first and cuts to its width.
    EXPECT_EQ(r->setTimeServerAddress("ntp"), 3u);
    EXPECT_EQ(r->timeServerAddress(), "ntp");
    auto filled = std::make_unique<DeviceConfig>();
    std::memset(filled->data(), 'x', DeviceConfig::kSize);
    EXPECT_EQ(ChangedOffsets(*r, *filled), Range(0, 64));
    EXPECT_EQ(r->setWifiSsid(std::string(40, 's')), 32u);
    EXPECT_EQ(r->wifiSsid(), std::string(32, 's'));
    EXPECT_EQ(r->data()[220], 'x');
    EXPECT_EQ(r->setWifiKey(std::string(70, 'k')), 63u);
    EXPECT_EQ(r->data()[295], 'x');
    EXPECT_EQ(r->setWifiAlternateKey("alt"), 3u);
    EXPECT_EQ(r->wifiAlternateKey(), "alt");
    EXPECT_EQ(r->data()[364], 'x');

    // An embedded NUL ends the text.
    r->setTimeServerAddress(std::string("ab\0cd", 5));
    EXPECT_EQ(r->timeServerAddress(), "ab");
}

TEST(DeviceConfigRecord, RawAccessOutsideTheRecordIsHarmless) {
    auto r = std::make_unique<DeviceConfig>();
    const DeviceConfig copy = *r;
    r->setInt32At(80277, -1);
    r->setUint16At(80279, 0xFFFF);
    r->setByteAt(80280, 1);
    EXPECT_EQ(r->setTextAt(80270, 11, "abc"), 0u);
    r->setStreamType(5, 9);
    r->setStreamFrameType(-1, 9);
    EXPECT_TRUE(*r == copy);
    EXPECT_EQ(r->int32At(80277), 0);
    EXPECT_EQ(r->byteAt(static_cast<size_t>(-1)), 0);
    EXPECT_EQ(r->textAt(80270, static_cast<size_t>(-1)), "");
    EXPECT_EQ(r->streamType(5), 0);
}

TEST(DeviceConfigRecord, BlocksByItemCode) {
    struct Expected {
        int32_t item;
        size_t offset;
        size_t size;
    };
    const Expected table[] = {{1, 0, 80},      {2, 80, 296},   {3, 412, 77140},  {4, 79564, 580},
                              {5, 80144, 8},   {6, 80152, 68}, {7, 77552, 2012}, {8, 80220, 16},
                              {9, 412, 77140}, {10, 376, 36},  {11, 80256, 24}};
    auto r = std::make_unique<DeviceConfig>();
    for (const Expected& e : table) {
        SCOPED_TRACE(e.item);
        EXPECT_TRUE(IsConfigItemType(e.item));
        EXPECT_EQ(ConfigItemSize(e.item), e.size);
        const auto span = r->block(e.item);
        EXPECT_EQ(span.data(), r->data() + e.offset);
        EXPECT_EQ(span.size(), e.size);
    }
    for (int32_t bad : {0, 12, -1, 255}) {
        EXPECT_FALSE(IsConfigItemType(bad));
        EXPECT_TRUE(r->block(bad).empty());
    }
    // The motion-detection sub-block sits inside the picture block.
    EXPECT_EQ(DeviceConfig::kMotionBlock.offset, 34200u);
    EXPECT_EQ(DeviceConfig::kMotionBlock.offset - 412, 33788u);
    EXPECT_LE(DeviceConfig::kMotionBlock.offset + DeviceConfig::kMotionBlock.size, 412u + 77140);
}

TEST(DeviceConfigRecord, CopyBlockCopiesOnlyThatBlock) {
    auto a = std::make_unique<DeviceConfig>();
    auto b = std::make_unique<DeviceConfig>();
    std::memset(b->data(), 0xEE, DeviceConfig::kSize);
    a->copyBlockFrom(*b, CFG_ITEM_AUDIO_OUT);
    EXPECT_EQ(ChangedOffsets(DeviceConfig(), *a), Range(80152, 68));
    a->copyBlockFrom(*b, 99);
    EXPECT_EQ(ChangedOffsets(DeviceConfig(), *a), Range(80152, 68));
}

TEST(WifiScanListRecord, CountIsLimitedToTwenty) {
    WifiScanList list;
    EXPECT_EQ(sizeof(WifiScanList), 1048u);
    list.setCount(25);
    EXPECT_EQ(list.count(), 25);
    EXPECT_EQ(list.entryCount(), 20);
    list.limitCount();
    EXPECT_EQ(list.count(), 20);
    EXPECT_EQ(list.data()[4], 20);
    list.setCount(-3);
    EXPECT_EQ(list.entryCount(), 0);
    list.setCount(7);
    EXPECT_EQ(list.entryCount(), 7);
}

TEST(WifiScanListRecord, EntriesAreFiftyTwoBytesApart) {
    WifiScanList list;
    list.setNetworkName(0, "first");
    list.setNetworkName(19, "last");
    EXPECT_EQ(std::memcmp(list.data() + 8, "first", 6), 0);
    EXPECT_EQ(std::memcmp(list.data() + 8 + 19 * 52, "last", 5), 0);
    EXPECT_EQ(list.networkName(19), "last");
    EXPECT_EQ(list.networkName(20), "");
    EXPECT_EQ(list.networkName(-1), "");
    // An entry without NUL is read to its end and no further.
    std::memset(list.data() + 8 + 52, 'n', 52);
    std::memset(list.data() + 8 + 104, 'm', 52);
    EXPECT_EQ(list.networkName(1), std::string(52, 'n'));
    list.setNetworkName(2, std::string(80, 'z'));
    EXPECT_EQ(list.networkName(2), std::string(51, 'z'));
}

TEST(LoginDeviceInfoRecord, SizeAndLeadingText) {
    LoginDeviceInfo info;
    EXPECT_EQ(sizeof(LoginDeviceInfo), 344u);
    std::memset(info.data(), 'q', LoginDeviceInfo::kSize);
    EXPECT_EQ(info.deviceName(), std::string(48, 'q'));
    info.clear();
    EXPECT_TRUE(info == LoginDeviceInfo());
    info.setDeviceName("cam");
    EXPECT_EQ(info.deviceName(), "cam");
}

}  // namespace
}  // namespace orvex
