// Layout of the records exchanged with the device library: sizes, offsets, byte order, blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/rprov/rprov_records.h"

namespace orvex {
namespace {

// The bytes where two records differ, as runs "first-last" (a lone byte as "first").
std::string Diff(const DeviceConfig& a, const DeviceConfig& b) {
    std::string out;
    for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
        if (a.data()[i] == b.data()[i]) {
            continue;
        }
        size_t last = i;
        while (last + 1 < DeviceConfig::kSize && a.data()[last + 1] != b.data()[last + 1]) {
            ++last;
        }
        out += (out.empty() ? "" : " ") + std::to_string(i) +
               (last > i ? "-" + std::to_string(last) : "");
        i = last;
    }
    return out;
}

std::unique_ptr<DeviceConfig> Filled(uint8_t byte) {
    auto record = std::make_unique<DeviceConfig>();
    std::memset(record->data(), byte, DeviceConfig::kSize);
    return record;
}

TEST(DeviceConfigRecord, DefaultIsZeroExceptTheColourValues) {
    static_assert(sizeof(DeviceConfig) == 80280);
    EXPECT_EQ(Diff(*Filled(0), DeviceConfig()), "80220 80224 80228 80232");  // the four 6s
}

// Every named field: a value set is read back; it changes one run of the getter's width,
// little-endian, inside the block of its item (0: in none), and no byte of another field.
TEST(DeviceConfigRecord, NamedFieldsReadBackAndChangeNothingElse) {
    struct Field {
        const char* name;
        int32_t item;
        std::function<void(DeviceConfig&, int32_t)> set;
        std::function<std::pair<int64_t, size_t>(const DeviceConfig&)> get;
    };
#define FIELD(item, setter, getter)                                       \
    Field {                                                               \
#getter, item, [](DeviceConfig& r, int32_t v) { r.setter; },            \
            [](const DeviceConfig& r) -> std::pair<int64_t, size_t> {           \
                auto x = r.getter;                                              \
                return {static_cast<int64_t>(x), sizeof x};                     \
            } \
    }
    const std::vector<Field> fields = {
        FIELD(2, setWifiMode(v), wifiMode()),
        FIELD(2, setWifiSecurity(v), wifiSecurity()),
        FIELD(2, setWifiKeyLength(v), wifiKeyLength()),
        FIELD(2, setWifiCipher(v), wifiCipher()),
        FIELD(2, setWifiKeySelector(v), wifiKeySelector()),
        FIELD(10, setLogoShown(v), logoShown()),
        FIELD(9, setChannelNameShown(v), channelNameShown()),
        FIELD(9, setDateShown(v), dateShown()),
        FIELD(9, setDateFormat(v), dateFormat()),
        FIELD(9, setWeekShown(v), weekShown()),
        FIELD(9, setDisplayState(v), displayState()),
        FIELD(9, setTimeFormat(v), timeFormat()),
        FIELD(3, setMotionSensitivity(v), motionSensitivity()),
        FIELD(3, setMotionAlternateSensitivity(v), motionAlternateSensitivity()),
        FIELD(3, setMotionSwitch(v), motionSwitch()),
        FIELD(3, setMotionMode(v), motionMode()),
        FIELD(4, setStreamType(0, v), streamType(0)),
        FIELD(4, setStreamFlowType(0, v), streamFlowType(0)),
        FIELD(4, setStreamResolution(0, v), streamResolution(0)),
        FIELD(4, setStreamBitrateType(0, v), streamBitrateType(0)),
        FIELD(4, setStreamPicQuality(0, v), streamPicQuality(0)),
        FIELD(4, setStreamBitrateCode(0, v), streamBitrateCode(0)),
        FIELD(4, setStreamFrameRate(0, v), streamFrameRate(0)),
        FIELD(4, setStreamIFrameInterval(0, v), streamIFrameInterval(0)),
        FIELD(4, setStreamFrameType(0, v), streamFrameType(0)),
        FIELD(4, setStreamVideoEncoding(0, v), streamVideoEncoding(0)),
        FIELD(4, setStreamAudioEncoding(0, v), streamAudioEncoding(0)),
        FIELD(4, setStreamType(1, v), streamType(1)),
        FIELD(4, setStreamAudioEncoding(1, v), streamAudioEncoding(1)),
        FIELD(4, setStreamType(4, v), streamType(4)),
        FIELD(5, setAudioInputMode(v), audioInputMode()),
        FIELD(5, setAudioInputVolume(v), audioInputVolume()),
        FIELD(6, setAudioOutputVolume(v), audioOutputVolume()),
        FIELD(8, setBrightness(v), brightness()),
        FIELD(8, setContrast(v), contrast()),
        FIELD(8, setSaturation(v), saturation()),
        FIELD(8, setHue(v), hue()),
        FIELD(0, setSensitivityScale(v), sensitivityScale()),
        FIELD(0, setAlternateSensitivityFlag(v), alternateSensitivityFlag()),
    };
#undef FIELD
    const uint8_t littleEndian[4] = {0x81, 0x82, 0x83, 0x84};
    std::map<size_t, std::string> owner;  // each changed byte and the field that changed it
    const auto zero = Filled(0);
    for (const Field& field : fields) {
        SCOPED_TRACE(field.name);
        auto after = Filled(0);
        field.set(*after, static_cast<int32_t>(0x84838281u));
        const auto [value, width] = field.get(*after);
        EXPECT_EQ(static_cast<uint64_t>(value) & ((uint64_t{1} << (8 * width)) - 1),
                  0x84838281u & ((uint64_t{1} << (8 * width)) - 1));
        std::vector<size_t> changed;
        for (size_t i = 0; i < DeviceConfig::kSize; ++i) {
            if (after->data()[i] != zero->data()[i]) {
                changed.push_back(i);
            }
        }
        ASSERT_EQ(changed.size(), width);
        const size_t first = changed.front();
        EXPECT_EQ(changed.back(), first + width - 1);
        EXPECT_EQ(std::memcmp(after->data() + first, littleEndian, width), 0);
        std::span<const uint8_t> block = after->block(field.item);
        if (field.item != 0) {
            EXPECT_GE(after->data() + first, block.data());
            EXPECT_LE(after->data() + first + width, block.data() + block.size());
        }
        for (size_t i : changed) {
            EXPECT_TRUE(owner.emplace(i, field.name).second)
                << "byte " << i << " is also " << owner[i] << "'s";
        }
    }
}

TEST(DeviceConfigRecord, AlarmBlockAndTheThreeWideDynamicRangePlaces) {
    auto r = Filled(0x5A);
    r->setAlarmSoundBlock(3, 0x0102);
    const uint8_t alarm[24] = {24, 0, 0, 0, 3, 0, 0, 0, 2, 1};
    EXPECT_EQ(Diff(*Filled(0x5A), *r), "80256-80279");
    EXPECT_EQ(0, std::memcmp(r->data() + 80256, alarm, 24));
    EXPECT_EQ(r->alarmBlockSize(), 24);
    EXPECT_EQ(r->alarmChannel(), 3);
    EXPECT_EQ(r->alarmSound(), 0x0102);

    auto w = std::make_unique<DeviceConfig>();
    w->setWideDynamicRange(1);
    EXPECT_EQ(Diff(DeviceConfig(), *w), "77628 78120 78612");
    w->data()[78120] = 7;
    EXPECT_EQ(w->wideDynamicRange(1), 7);
    EXPECT_EQ(w->wideDynamicRange(2), 1);
    EXPECT_EQ(w->wideDynamicRange(3), 0);
}

TEST(DeviceConfigRecord, TextsStayInsideTheirFields) {
    auto r = Filled('x');
    // No NUL anywhere: each text is exactly its field.
    EXPECT_EQ(r->timeServerAddress(), std::string(64, 'x'));
    EXPECT_EQ(r->wifiSsid(), std::string(32, 'x'));
    EXPECT_EQ(r->wifiKey(), std::string(63, 'x'));
    EXPECT_EQ(r->wifiAlternateKey(), std::string(68, 'x'));

    // Writing clears the field first and cuts to its width.
    EXPECT_EQ(r->setTimeServerAddress("ntp"), 3u);
    EXPECT_EQ(r->timeServerAddress(), "ntp");
    EXPECT_EQ(r->setWifiSsid(std::string(40, 's')), 32u);
    EXPECT_EQ(r->setWifiKey(std::string(70, 'k')), 63u);
    EXPECT_EQ(r->setWifiAlternateKey("alt"), 3u);
    EXPECT_EQ(r->wifiAlternateKey(), "alt");
    EXPECT_EQ(Diff(*Filled('x'), *r), "0-63 188-219 232-294 296-363");
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
    const std::tuple<int32_t, size_t, size_t> table[] = {
        {1, 0, 80},      {2, 80, 296},   {3, 412, 77140},  {4, 79564, 580},
        {5, 80144, 8},   {6, 80152, 68}, {7, 77552, 2012}, {8, 80220, 16},
        {9, 412, 77140}, {10, 376, 36},  {11, 80256, 24}};
    auto r = std::make_unique<DeviceConfig>();
    for (const auto& [item, offset, size] : table) {
        SCOPED_TRACE(item);
        EXPECT_TRUE(IsConfigItemType(item));
        EXPECT_EQ(ConfigItemSize(item), size);
        EXPECT_EQ(r->block(item).data(), r->data() + offset);
        EXPECT_EQ(r->block(item).size(), size);
    }
    for (int32_t bad : {0, 12, -1, 255}) {
        EXPECT_FALSE(IsConfigItemType(bad));
        EXPECT_TRUE(r->block(bad).empty());
    }
    // Copying a block copies only that block; a code that is no item copies nothing.
    r->copyBlockFrom(*Filled(0xEE), CFG_ITEM_AUDIO_OUT);
    r->copyBlockFrom(*Filled(0xEE), 99);
    EXPECT_EQ(Diff(DeviceConfig(), *r), "80152-80219");
}

TEST(SmallRecords, WifiListAndLoginInfo) {
    WifiScanList list;
    static_assert(sizeof(WifiScanList) == 1048 && sizeof(LoginDeviceInfo) == 344);
    list.setCount(25);
    EXPECT_EQ(list.entryCount(), 20);
    list.limitCount();
    EXPECT_EQ(list.data()[4], 20);
    list.setCount(-3);
    EXPECT_EQ(list.entryCount(), 0);
    // Entries are 52 bytes apart from byte 8; one without NUL is read to its end, no further.
    list.setNetworkName(19, "last");
    EXPECT_EQ(std::memcmp(list.data() + 8 + 19 * 52, "last", 5), 0);
    EXPECT_EQ(list.networkName(20), "");
    EXPECT_EQ(list.networkName(-1), "");
    std::memset(list.data() + 8 + 52, 'n', 104);
    EXPECT_EQ(list.networkName(1), std::string(52, 'n'));
    list.setNetworkName(2, std::string(80, 'z'));
    EXPECT_EQ(list.networkName(2), std::string(51, 'z'));

    LoginDeviceInfo info;
    std::memset(info.data(), 'q', LoginDeviceInfo::kSize);
    EXPECT_EQ(info.deviceName(), std::string(48, 'q'));
    info.clear();
    EXPECT_TRUE(info == LoginDeviceInfo());
}

}  // namespace
}  // namespace orvex
