#include "devcfg/device_config_json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

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
    Converted out;
    out.text = DeviceConfigToPageJson(record, json);
    out.items = json["configItems"];
    out.debug = debug.text();
    return out;
}

const Json::Value& Wifi(const Converted& c) {
    return c.items["generalConfig"]["wiFiConfig"];
}
const Json::Value& Stream(const Converted& c, int s) {
    return c.items["imageConfig"]["audioAndVideoConfig"]["videoConfig"][s];
}

TEST(DeviceConfigToPageJson, DefaultRecordShapeAndKinds) {
    auto record = std::make_unique<DeviceConfig>();
    record->setStreamVideoEncoding(0, 10);
    record->setStreamVideoEncoding(1, 1);
    record->setStreamAudioEncoding(0, 7);
    const Converted c = Convert(*record);
    EXPECT_EQ(c.debug, "");
    EXPECT_EQ(c.text.find('\n'), std::string::npos);
    EXPECT_EQ(c.text.find('\t'), std::string::npos);
    Json::Value reparsed;
    ASSERT_TRUE(ParseJson(c.text, reparsed));
    EXPECT_EQ(reparsed, c.items);

    const Json::Value& time = c.items["generalConfig"]["timeProofreading"];
    EXPECT_EQ(time["proofMode"], "auto");
    EXPECT_EQ(time["serverAddress"], "");
    const Json::Value& motion = c.items["defenceConfig"]["motionDetectDefence"];
    EXPECT_TRUE(motion["remindSwitch"].isBool());
    EXPECT_EQ(motion["sensitivityLevel"], 1);  // byte 0 on the default scale shows as 1
    const Json::Value& stream = Stream(c, 0);
    EXPECT_EQ(
        stream.getMemberNames(),
        (std::vector<std::string>{"bitrateType", "constantBitRate", "frameType", "keyFrameInterval",
                                  "maxFrameRate", "picQuality", "streamType", "vbrUpperCap",
                                  "videoCodecType", "videoFlowType", "videoResolution"}));
    EXPECT_EQ(stream["bitrateType"], "VBR");
    EXPECT_EQ(stream["videoCodecType"], "STD_H265");
    EXPECT_EQ(Stream(c, 1)["videoCodecType"], "STD_H264");
    const Json::Value& image = c.items["imageConfig"];
    EXPECT_EQ(image["audioAndVideoConfig"]["audioConfig"]["audioCompressionType"], "AAC");
    EXPECT_EQ(image["audioAndVideoConfig"]["audioConfig"]["audioInputMode"], "Mic In");
    EXPECT_EQ(image["imageBacklight"]["wideDynamicRangeSwitch"], false);
    EXPECT_EQ(image["imageColor"]["hue"], 6);
    EXPECT_EQ(image["imageDisplay"]["dateFormat"], "yyyy-MM-dd");
    EXPECT_EQ(image["imageDisplay"]["showWeek"], false);
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
    const Json::Value& audio = c.items["imageConfig"]["audioAndVideoConfig"]["audioConfig"];
    EXPECT_FALSE(audio.isMember("audioCompressionType"));
    EXPECT_FALSE(audio.isMember("audioInputMode"));
    EXPECT_FALSE(c.items["imageConfig"]["imageDisplay"].isMember("dateFormat"));
    // One line per stream without a video word, one for the audio word; none for the date.
    EXPECT_EQ(c.debug, "invalid videoEnc type.\ninvalid videoEnc type.\ninvalid audio enc type.\n");
}

TEST(DeviceConfigToPageJson, BitrateCodeGivesBothRateMembers) {
    auto record = std::make_unique<DeviceConfig>();
    record->setStreamBitrateCode(0, 23);
    record->setStreamBitrateCode(1, 0);
    record->setStreamBitrateType(0, 7);
    const Converted c = Convert(*record);
    EXPECT_EQ(Stream(c, 0)["vbrUpperCap"], 2048);
    EXPECT_EQ(Stream(c, 0)["constantBitRate"], 2048);
    EXPECT_EQ(Stream(c, 0)["bitrateType"], "CBR");
    EXPECT_EQ(Stream(c, 1)["vbrUpperCap"], 0);
    EXPECT_EQ(Stream(c, 1)["constantBitRate"], 0);
}

TEST(DeviceConfigToPageJson, StreamFieldsWidths) {
    auto record = std::make_unique<DeviceConfig>();
    record->setStreamType(1, -5);
    record->setStreamFrameRate(1, 100000);
    record->setStreamIFrameInterval(1, 65535);
    record->setStreamPicQuality(1, 200);
    record->setStreamFrameType(1, 255);
    const Converted c = Convert(*record);
    EXPECT_EQ(Stream(c, 1)["streamType"], -5);
    EXPECT_EQ(Stream(c, 1)["maxFrameRate"], 100000);
    EXPECT_EQ(Stream(c, 1)["keyFrameInterval"], 65535);
    EXPECT_EQ(Stream(c, 1)["picQuality"], 200);
    EXPECT_EQ(Stream(c, 1)["frameType"], 255);
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
    record->setWifiSsid("cam-net");
    record->setWifiKey("first-key");
    record->setWifiAlternateKey("second-key");

    // Security 0: only the name and an empty password.
    Converted c = Convert(*record);
    EXPECT_EQ(Wifi(c).getMemberNames(), (std::vector<std::string>{"password", "ssid"}));
    EXPECT_EQ(Wifi(c)["password"], "");
    EXPECT_EQ(Wifi(c)["ssid"], "cam-net");

    record->setWifiSecurity(4);
    c = Convert(*record);
    EXPECT_EQ(Wifi(c)["verifyMethod"], "WPA2-PSK");
    EXPECT_EQ(Wifi(c)["encryptType"], "AES");
    EXPECT_EQ(Wifi(c)["password"], "first-key");

    record->setWifiSecurity(2);
    record->setWifiCipher(1);
    record->setWifiKeySelector(1);
    c = Convert(*record);
    EXPECT_EQ(Wifi(c)["verifyMethod"], "WPA-PSK");
    EXPECT_EQ(Wifi(c)["encryptType"], "TKIP");
    EXPECT_EQ(Wifi(c)["password"], "second-key");

    record->setWifiCipher(2);
    record->setWifiKeySelector(2);
    c = Convert(*record);
    EXPECT_FALSE(Wifi(c).isMember("encryptType"));
    EXPECT_EQ(Wifi(c)["password"], "");

    // Keys without NUL end at their field: 63 bytes, and 68 (up to the selector).
    std::memset(record->data() + 232, 'k', 63);
    std::memset(record->data() + 296, 'a', 68);
    record->setWifiCipher('k');
    record->setWifiKeySelector(0);
    c = Convert(*record);
    EXPECT_EQ(Wifi(c)["password"], std::string(63, 'k'));
    record->setWifiKeySelector(1);
    c = Convert(*record);
    EXPECT_EQ(Wifi(c)["password"], std::string(68, 'a'));
}

TEST(DeviceConfigToPageJson, TextsNeverRunPastTheirFields) {
    auto record = std::make_unique<DeviceConfig>();
    std::memset(record->data(), 'A', 80);        // server address and the rest of the time block
    std::memset(record->data() + 188, 'S', 36);  // name and the mode after it
    const Converted c = Convert(*record);
    EXPECT_EQ(c.items["generalConfig"]["timeProofreading"]["serverAddress"], std::string(64, 'A'));
    EXPECT_EQ(Wifi(c)["ssid"], std::string(32, 'S'));
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
    const Json::Value& display = c.items["imageConfig"]["imageDisplay"];
    EXPECT_EQ(display["showOrvexLogo"], false);
    EXPECT_EQ(display["showName"], false);
    EXPECT_EQ(display["showDate"], true);
    EXPECT_EQ(display["showWeek"], true);
    EXPECT_EQ(display["timeFormat"], 7);
    EXPECT_EQ(display["displayState"], 200);
    EXPECT_EQ(c.items["imageConfig"]["imageBacklight"]["wideDynamicRangeSwitch"], true);

    // Only the first of the three switch places is read; other values give a null object.
    record->data()[77628] = 2;
    c = Convert(*record);
    EXPECT_TRUE(c.items["imageConfig"].isMember("imageBacklight"));
    EXPECT_TRUE(c.items["imageConfig"]["imageBacklight"].isNull());
    EXPECT_NE(c.text.find("\"imageBacklight\" : null"), std::string::npos);
}

TEST(DeviceConfigToPageJson, OutputIsValidJsonForRandomRecords) {
    std::mt19937 rng(7);
    for (int i = 0; i < 50; ++i) {
        auto record = testing::RandomRecord(rng);
        Json::Value json(Json::objectValue);
        json["other"] = 1;
        DebugCapture debug;
        const std::string text = DeviceConfigToPageJson(*record, json);
        Json::Value reparsed;
        ASSERT_TRUE(ParseJson(text, reparsed)) << text;
        // Bytes that are not UTF-8 reach the page as U+FFFD, so compare the written forms.
        EXPECT_EQ(WriteFlatJson(reparsed), text);
        EXPECT_EQ(json["other"], 1);  // the caller's other members stay
    }
}

TEST(DeviceConfigToPageJson, LibraryErrorGivesEmptyTextAndLeavesTheObject) {
    auto record = std::make_unique<DeviceConfig>();
    Json::Value notAnObject(Json::arrayValue);
    notAnObject.append(1);
    DebugCapture debug;
    EXPECT_EQ(DeviceConfigToPageJson(*record, notAnObject), "");
    EXPECT_EQ(debug.text(), "create dev config info err.\n");
    EXPECT_EQ(notAnObject.size(), 1u);
}

}  // namespace
}  // namespace orvex
