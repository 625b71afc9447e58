// The lab cameras' records and what they accept: a fresh camera is valid everywhere, the page's
// view of it issued back is accepted, and values outside the ranges are refused by name.
#include "tools/lab/cameras_validation.h"

#include <gtest/gtest.h>

#include "devcfg/config_items.h"
#include "devcfg/device_config_json.h"
#include "devcfg/issued_config.h"
#include "platform/rprov/rprov_wire.h"
#include "support/json_text.h"
#include "tools/lab/cameras_model.h"

namespace orvex::lab {
namespace {

constexpr int32_t kItems[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};

TEST(LabCameraModel, EveryItemOfAFreshCameraIsValid) {
    for (const char* serial : {"OX1", "OXLAB00007", "DS-2CD2143", "A", "zz.9"}) {
        for (int32_t channel : {0, 1, 2, 16}) {
            auto record = MakeDeviceConfig(serial, channel);
            const ConfigRange range = MakeConfigRange(serial, channel);
            for (int32_t item : kItems) {
                Verdict v = ValidateItem(item, channel, *record, range);
                EXPECT_EQ(v.status, rprov::STATUS_OK)
                    << serial << " channel " << channel << " item " << item << ": " << v.message;
            }
        }
    }
}

TEST(LabCameraModel, ThePagesViewOfACameraIssuedBackIsAccepted) {
    for (const char* serial : {"OX1", "OXLAB00002", "OXLAB00003", "OXLAB00004", "Q7"}) {
        auto record = MakeDeviceConfig(serial, 1);
        const ConfigRange range = MakeConfigRange(serial, 1);
        Json::Value page(Json::objectValue);
        ASSERT_FALSE(DeviceConfigToPageJson(*record, page).empty());
        IssuedConfig issued;
        ParseIssuedConfig(WriteJson(page), issued);
        ASSERT_EQ(issued.sectionMask, 0xFEu) << serial;
        for (int32_t item : kItems) {
            DeviceConfig staged = *record;
            ASSERT_TRUE(WriteConfigItem(item, issued, 1, staged));
            Verdict v = ValidateItem(item, 1, staged, range);
            EXPECT_EQ(v.status, rprov::STATUS_OK)
                << serial << " item " << item << ": " << v.message;
            EXPECT_TRUE(staged == *record) << serial << " item " << item << " changed";
        }
    }
}

// A change to a fresh record and the refusal it must draw.
struct Refusal {
    const char* name;
    int32_t item;
    std::function<void(DeviceConfig&)> change;
    const char* message;
};

TEST(LabCameraValidation, RefusesValuesOutsideTheRangesByName) {
    const std::vector<Refusal> refusals = {
        {"brightness", 8, [](DeviceConfig& c) { c.setBrightness(101); },
         "亮度 101 超出范围 0..100"},
        {"hue", 8, [](DeviceConfig& c) { c.setHue(-1); }, "色调 -1 超出范围 0..100"},
        {"resolution", 4, [](DeviceConfig& c) { c.setStreamResolution(0, 77); },
         "主码流分辨率序号 77 不支持"},
        {"bitrate", 4,
         [](DeviceConfig& c) {
             c.setStreamResolution(1, 1);    // 352*288: up to 512 kbit/s
             c.setStreamBitrateCode(1, 25);  // 4096 kbit/s
         },
         "子码流码率（kbit/s，352*288） 4096 超出范围 32..512"},
        {"unknown bitrate code", 4, [](DeviceConfig& c) { c.setStreamBitrateCode(0, 0); },
         "主码流码率代码 0 无法识别"},
        {"frame rate", 4, [](DeviceConfig& c) { c.setStreamFrameRate(1, 30); }, "子码流帧率（"},
        {"video encoding", 4, [](DeviceConfig& c) { c.setStreamVideoEncoding(0, 0xFF); },
         "主码流视频编码 255 不支持（支持：1, 10）"},
        {"H.265 on the sub stream", 4, [](DeviceConfig& c) { c.setStreamVideoEncoding(1, 10); },
         "子码流视频编码 10 不支持（支持：1）"},
        {"audio encoding", 4, [](DeviceConfig& c) { c.setStreamAudioEncoding(0, 8); },
         "主码流音频编码 8 不支持"},
        {"I-frame interval", 4, [](DeviceConfig& c) { c.setStreamIFrameInterval(0, 500); },
         "主码流I帧间隔 500 超出范围 1..200"},
        {"key length", 2,
         [](DeviceConfig& c) {
             c.setWifiSecurity(4);
             c.setWifiKeySelector(0);
             c.setWifiKey("longenough");
             c.setWifiKeyLength(4);
         },
         "Wi-Fi 密钥长度 4 与密钥（10 字节）不符"},
        {"short key", 2,
         [](DeviceConfig& c) {
             c.setWifiSecurity(2);
             c.setWifiKeySelector(0);
             c.setWifiKeyLength(static_cast<int32_t>(c.setWifiKey("short")));
         },
         "Wi-Fi 密钥长度 5 超出范围 8..63"},
        {"security", 2, [](DeviceConfig& c) { c.setWifiSecurity(3); }, "Wi-Fi 安全方式 3 不支持"},
        {"date format", 9, [](DeviceConfig& c) { c.setDateFormat(9); }, "日期格式 9 超出范围 0..8"},
        {"sensitivity", 3,
         [](DeviceConfig& c) {
             c.setSensitivityScale(0);
             c.setMotionSensitivity(6);
         },
         "移动侦测灵敏度 6 超出范围 0..5"},
        {"audio volume", 5, [](DeviceConfig& c) { c.setAudioInputVolume(101); },
         "音频输入音量 101 超出范围 0..100"},
        {"wide dynamic range", 7, [](DeviceConfig& c) { c.setByteAt(78120, 1 - c.byteAt(77628)); },
         "宽动态开关不一致"},
        {"logo", 10, [](DeviceConfig& c) { c.setLogoShown(2); }, "显示 Logo 2 不支持"},
        {"alarm channel", 11, [](DeviceConfig& c) { c.setAlarmSoundBlock(5, 1); },
         "报警通道 5 不支持（支持：1）"},
        {"alarm reserved bytes", 11, [](DeviceConfig& c) { c.setByteAt(80279, 1); },
         "报警块保留字节不为零"},
    };
    const ConfigRange range = MakeConfigRange("OX9", 1);
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        auto record = MakeDeviceConfig("OX9", 1);
        r.change(*record);
        Verdict v = ValidateItem(r.item, 1, *record, range);
        EXPECT_EQ(v.status, rprov::STATUS_OUT_OF_RANGE);
        EXPECT_EQ(v.message.rfind(r.message, 0), 0u) << v.message;
    }
}

}  // namespace
}  // namespace orvex::lab
