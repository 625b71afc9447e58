#include "devcfg/device_config_json.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

#include "devcfg/testing/sample_records.h"
#include "support/json_text.h"

namespace orvex {
namespace {

using testing::DebugCapture;

struct Converted {
    std::string text;
    Json::Value items;  // the "configItems" member set on the caller's object
    std::string debug;
};

Converted Convert(const DeviceConfig& record) {
    DebugCapture debug;
    Json::Value json;
    std::string text = DeviceConfigToPageJson(record, json);
    return {text, json["configItems"], debug.text()};
}
const Json::Value& Stream(const Converted& c, int s) {
    return c.items["imageConfig"]["audioAndVideoConfig"]["videoConfig"][s];
}

// The whole text: member names, kinds, order, and no line feed or tab.
TEST(DeviceConfigToPageJson, DefaultRecordAsAWholeText) {
    auto record = std::make_unique<DeviceConfig>();
    record->setStreamVideoEncoding(0, 10);
    record->setStreamVideoEncoding(1, 1);
    record->setStreamAudioEncoding(0, 7);
    const Converted c = Convert(*record);
    EXPECT_EQ(c.debug, "");
    EXPECT_EQ(
        c.text,
        R"({"defenceConfig" : {"motionDetectDefence" : {"detectMode" : 0,"remindSwitch" : false,)"
        R"("remindVoice" : 0,"sensitivityLevel" : 1}},)"
        R"("generalConfig" : {"timeProofreading" : {"proofMode" : "auto","serverAddress" : ""},)"
        R"("wiFiConfig" : {"password" : "","ssid" : ""}},)"
        R"("imageConfig" : {"audioAndVideoConfig" : {)"
        R"("audioConfig" : {"audioCompressionType" : "AAC",)"
        R"("audioInputMode" : "Mic In","inputVolume" : 0,"outputVolume" : 0},)"
        R"("videoConfig" : [{"bitrateType" : "VBR","constantBitRate" : 0,"frameType" : 0,)"
        R"("keyFrameInterval" : 0,"maxFrameRate" : 0,"picQuality" : 0,"streamType" : 0,)"
        R"("vbrUpperCap" : 0,"videoCodecType" : "STD_H265","videoFlowType" : 0,)"
        R"("videoResolution" : 0},{"bitrateType" : "VBR","constantBitRate" : 0,"frameType" : 0,)"
        R"("keyFrameInterval" : 0,"maxFrameRate" : 0,"picQuality" : 0,"streamType" : 0,)"
        R"("vbrUpperCap" : 0,"videoCodecType" : "STD_H264","videoFlowType" : 0,)"
        R"("videoResolution" : 0}]},"imageBacklight" : {"wideDynamicRangeSwitch" : false},)"
        R"("imageColor" : {"brightnessLevel" : 6,"contrastLevel" : 6,"hue" : 6,)"
        R"("saturationLevel" : 6},"imageDisplay" : {"dateFormat" : "yyyy-MM-dd",)"
        R"("displayState" : 0,"showDate" : false,"showName" : false,"showOrvexLogo" : false,)"
        R"("showWeek" : false,"timeFormat" : 0}}})");
    Json::Value reparsed;
    ASSERT_TRUE(ParseJson(c.text, reparsed));
    EXPECT_EQ(reparsed, c.items);
}

TEST(DeviceConfigToPageJson, CodesWithoutWordsLeaveMembersOut) {
    auto record = std::make_unique<DeviceConfig>();
    record->setStreamVideoEncoding(0, 3);
    record->setStreamVideoEncoding(1, 255);
    record->setStreamAudioEncoding(0, 4);
    record->setStreamAudioEncoding(1, 0);  // the sub stream's audio byte is never read
    record->setAudioInputMode(2);
    record->setDateFormat(9);
    const Converted c = Convert(*record);
    EXPECT_FALSE(Stream(c, 0).isMember("videoCodecType"));
    EXPECT_FALSE(Stream(c, 1).isMember("videoCodecType"));
    EXPECT_FALSE(c.items["imageConfig"]["imageDisplay"].isMember("dateFormat"));
    EXPECT_EQ(WriteFlatJson(c.items["imageConfig"]["audioAndVideoConfig"]["audioConfig"]),
              R"({"inputVolume" : 0,"outputVolume" : 0})");
}

TEST(DeviceConfigToPageJson, StreamFieldsBitrateAndWidths) {
    auto record = std::make_unique<DeviceConfig>();
    record->setStreamBitrateCode(0, 23);
    record->setStreamBitrateType(0, 7);
    record->setStreamType(1, -5);
    record->setStreamFrameRate(1, 100000);
    record->setStreamIFrameInterval(1, 65535);
    record->setStreamPicQuality(1, 200);
    record->setStreamFrameType(1, 255);
    const Converted c = Convert(*record);
    EXPECT_EQ(
        WriteFlatJson(c.items["imageConfig"]["audioAndVideoConfig"]["videoConfig"]),
        R"([{"bitrateType" : "CBR","constantBitRate" : 2048,"frameType" : 0,)"
        R"("keyFrameInterval" : 0,"maxFrameRate" : 0,"picQuality" : 0,"streamType" : 0,)"
        R"("vbrUpperCap" : 2048,"videoCodecType" : "H.264","videoFlowType" : 0,)"
        R"("videoResolution" : 0},{"bitrateType" : "VBR","constantBitRate" : 0,"frameType" : 255,)"
        R"("keyFrameInterval" : 65535,"maxFrameRate" : 100000,"picQuality" : 200,)"
        R"("streamType" : -5,"vbrUpperCap" : 0,"videoCodecType" : "H.264","videoFlowType" : 0,)"
        R"("videoResolution" : 0}])");
}

TEST(DeviceConfigToPageJson, SensitivityScales) {
    struct Case {
        int32_t scale;
        uint8_t flag, mode, sensitivity, alternate;
        int32_t expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0xFF, 9, 0},    // default scale: 0xFF is off
        {0, 0, 0, 2, 9, 3},       // default scale: byte + 1
        {0, 0, 4, 2, 9, 3},       // default scale ignores the mode
        {2, 0, 0, 0xFF, 9, 0},    // percent scale: 0xFF (5100) is off
        {2, 0, 0, 2, 9, 40},      // percent scale: byte x 20
        {2, 0, 0, 0, 9, 0},       // below 10
        {2, 1, 3, 5, 9, 100},     // the percent scale wins over the flag
        {1, 1, 0, 7, 9, 7},       // alternate flag, mode 0: the byte as it is
        {1, 1, 2, 7, 9, 9},       // alternate flag, other mode: the alternate byte
        {1, 1, 0, 0xFF, 9, 255},  // alternate flag: 0xFF is not special
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.expected);
        auto record = std::make_unique<DeviceConfig>();
        record->setSensitivityScale(k.scale);
        record->setAlternateSensitivityFlag(k.flag);
        record->setMotionMode(k.mode);
        record->setMotionSensitivity(k.sensitivity);
        record->setMotionAlternateSensitivity(k.alternate);
        const Converted c = Convert(*record);
        EXPECT_EQ(c.items["defenceConfig"]["motionDetectDefence"]["sensitivityLevel"], k.expected);
        EXPECT_EQ(c.items["defenceConfig"]["motionDetectDefence"]["detectMode"], k.mode);
    }
}

TEST(DeviceConfigToPageJson, WifiKeySelection) {
    auto record = std::make_unique<DeviceConfig>();
    record->setWifiSsid("n");
    record->setWifiKey("first");
    record->setWifiAlternateKey("second");
    auto wifi = [&](int32_t security, uint8_t cipher, uint8_t selector) {
        record->setWifiSecurity(security);
        record->setWifiCipher(cipher);
        record->setWifiKeySelector(selector);
        return Convert(*record).items["generalConfig"]["wiFiConfig"];
    };
    // Security 0: only the name and an empty password.
    EXPECT_EQ(WriteFlatJson(wifi(0, 0, 0)), R"({"password" : "","ssid" : "n"})");
    EXPECT_EQ(
        WriteFlatJson(wifi(4, 0, 0)),
        R"({"encryptType" : "AES","password" : "first","ssid" : "n","verifyMethod" : "WPA2-PSK"})");
    EXPECT_EQ(WriteFlatJson(wifi(2, 1, 1)),
              R"({"encryptType" : "TKIP","password" : "second","ssid" : "n",)"
              R"("verifyMethod" : "WPA-PSK"})");
    EXPECT_EQ(WriteFlatJson(wifi(2, 2, 2)),
              R"({"password" : "","ssid" : "n","verifyMethod" : "WPA-PSK"})");
}

TEST(DeviceConfigToPageJson, SwitchesAndFlags) {
    auto record = std::make_unique<DeviceConfig>();
    record->setMotionSwitch(2);
    record->setLogoShown(2);
    record->setChannelNameShown(2);
    record->setDateShown(1);
    record->setWeekShown(9);
    record->setTimeFormat(7);
    record->setDisplayState(200);
    record->setWideDynamicRange(1);
    Converted c = Convert(*record);
    EXPECT_EQ(c.items["defenceConfig"]["motionDetectDefence"]["remindSwitch"], false);
    EXPECT_EQ(c.items["imageConfig"]["imageBacklight"]["wideDynamicRangeSwitch"], true);
    EXPECT_EQ(WriteFlatJson(c.items["imageConfig"]["imageDisplay"]),
              R"({"dateFormat" : "yyyy-MM-dd","displayState" : 200,"showDate" : true,)"
              R"("showName" : false,"showOrvexLogo" : false,"showWeek" : true,"timeFormat" : 7})");

    // Only the first of the three switch places is read; other values give a null object.
    record->data()[77628] = 2;
    c = Convert(*record);
    EXPECT_NE(c.text.find("\"imageBacklight\" : null"), std::string::npos);
}

TEST(DeviceConfigToPageJson, LibraryErrorGivesEmptyTextAndLeavesTheObject) {
    auto record = std::make_unique<DeviceConfig>();
    Json::Value notAnObject(Json::arrayValue);
    notAnObject.append(1);
    DebugCapture quiet;
    EXPECT_EQ(DeviceConfigToPageJson(*record, notAnObject), "");
    EXPECT_EQ(notAnObject.size(), 1u);
}

}  // namespace
}  // namespace orvex
