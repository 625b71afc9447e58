#include "devcfg/issued_config.h"

#include <gtest/gtest.h>

#include <string>

#include "devcfg/testing/sample_records.h"

namespace orvex {
namespace {

using testing::DebugCapture;
using testing::FullConfigRequest;

constexpr const char* kParamErr = "H5 setIssuedConfig param err: ";

IssuedConfig Parse(const std::string& request, IssuedConfig config = {}) {
    ParseIssuedConfig(request, config);
    return config;
}

TEST(ParseIssuedConfig, FullRequestFillsEverySection) {
    DebugCapture debug;
    const IssuedConfig c = Parse(FullConfigRequest());
    EXPECT_EQ(c.sectionMask, 0xFEu);
    EXPECT_EQ(c.proofMode, "auto");
    EXPECT_EQ(c.serverAddress, "time.example.org");
    EXPECT_EQ(c.ssid, "lab-net");
    EXPECT_EQ(c.password, "secret-key");
    EXPECT_EQ(c.encryptType, "AES");
    EXPECT_EQ(c.verifyMethod, "WPA2-PSK");
    EXPECT_TRUE(c.remindSwitch);
    EXPECT_EQ(c.sensitivityLevel, 4);
    EXPECT_EQ(c.remindVoice, 2);
    EXPECT_EQ(c.streams[0].vbrUpperCap, 25);  // 4096 kbit/s
    EXPECT_EQ(c.streams[1].vbrUpperCap, 15);  // 512 kbit/s
    EXPECT_EQ(c.streams[0].frameType, 2);
    EXPECT_EQ(c.streams[1].frameType, 1);
    EXPECT_EQ(c.streams[0].videoCodecType, "STD_H265");
    EXPECT_EQ(c.streams[0].keyFrameInterval, 50);
    EXPECT_EQ(c.streams[1].videoResolution, 1);
    EXPECT_EQ(c.streams[0].audioCompressionType, "G711_A");
    EXPECT_EQ(c.streams[1].audioCompressionType, "G711_A");
    EXPECT_EQ(c.audioInputMode, "Mic In");
    EXPECT_EQ(c.inputVolume, 60);
    EXPECT_EQ(c.outputVolume, 70);
    EXPECT_TRUE(c.wideDynamicRangeSwitch);
    EXPECT_EQ(c.hue, 48);
    EXPECT_TRUE(c.showOrvexLogo);
    EXPECT_FALSE(c.showWeek);
    EXPECT_EQ(c.dateFormat, "yyyy-MM-dd");
    EXPECT_EQ(c.timeFormat, 1);
    EXPECT_EQ(debug.text(), "");
}

TEST(ParseIssuedConfig, ColourOnly) {
    const IssuedConfig c =
        Parse(R"({"configItems":{"imageConfig":{"imageColor":{"brightnessLevel":70}}}})");
    EXPECT_EQ(c.sectionMask, 0x20u);
    EXPECT_EQ(c.brightnessLevel, 70);
    EXPECT_EQ(c.contrastLevel, 0);
    EXPECT_EQ(c.saturationLevel, 0);
    EXPECT_EQ(c.hue, 0);
}

// The image sub-sections are found by the raw text, not by the members.
TEST(ParseIssuedConfig, SectionNamedOnlyInAValueStillCounts) {
    IssuedConfig before;
    before.showName = true;
    before.dateFormat = "ddMMyyyy";
    before.displayState = 3;
    const IssuedConfig c =
        Parse(R"({"configItems":{"imageConfig":{"note":"imageDisplay"}}})", before);
    EXPECT_EQ(c.sectionMask, 0x40u);
    EXPECT_FALSE(c.showName);
    EXPECT_EQ(c.dateFormat, "");
    EXPECT_EQ(c.displayState, 0);

    // Outside "configItems", even the text test alone is enough for a sub-section, while the
    // object-tested sections need their object.
    const IssuedConfig d = Parse(
        R"({"x":"generalConfig defenceConfig imageBacklight","configItems":{"imageConfig":{}}})");
    EXPECT_EQ(d.sectionMask, 0x10u);
}

TEST(ParseIssuedConfig, ObjectTestsForGeneralDefenceAndImage) {
    EXPECT_EQ(Parse(R"({"configItems":{"generalConfig":"x","defenceConfig":[1],
                        "imageConfig":null}})")
                  .sectionMask,
              0u);
    // A general section without an object "wiFiConfig" sets 0x02 only.
    EXPECT_EQ(Parse(R"({"configItems":{"generalConfig":{"wiFiConfig":null}}})").sectionMask, 0x02u);
    EXPECT_EQ(Parse(R"({"configItems":{"generalConfig":{"wiFiConfig":{}}}})").sectionMask, 0x82u);
    EXPECT_EQ(Parse(R"({"configItems":{"defenceConfig":{}}})").sectionMask, 0x04u);
}

TEST(ParseIssuedConfig, WifiDefaultsNeedBothNameAndPassword) {
    IssuedConfig c =
        Parse(R"({"configItems":{"generalConfig":{"wiFiConfig":{"ssid":"n","password":"p"}}}})");
    EXPECT_EQ(c.encryptType, "AES");
    EXPECT_EQ(c.verifyMethod, "WPA2-PSK");
    EXPECT_EQ(c.sectionMask, 0x82u);

    c = Parse(R"({"configItems":{"generalConfig":{"wiFiConfig":{"ssid":"n","password":""}}}})");
    EXPECT_EQ(c.encryptType, "");
    EXPECT_EQ(c.verifyMethod, "");
    EXPECT_EQ(c.sectionMask, 0x82u);

    c = Parse(R"({"configItems":{"generalConfig":{"wiFiConfig":{"password":"p"}}}})");
    EXPECT_EQ(c.verifyMethod, "");

    // Words that are present are kept as sent.
    c = Parse(R"({"configItems":{"generalConfig":{"wiFiConfig":{"ssid":"n","password":"p",
              "encryptType":"tkip"}}}})");
    EXPECT_EQ(c.encryptType, "tkip");
    EXPECT_EQ(c.verifyMethod, "WPA2-PSK");
}

TEST(ParseIssuedConfig, BitrateCapBecomesACode) {
    auto cap = [](const char* kbps) {
        return Parse(std::string(R"({"configItems":{"imageConfig":{"audioAndVideoConfig":)") +
                     R"({"videoConfig":[{"vbrUpperCap":)" + kbps + "}]}}}}")
            .streams[0]
            .vbrUpperCap;
    };
    EXPECT_EQ(cap("2048"), 23);
    EXPECT_EQ(cap("2000"), 0);
    EXPECT_EQ(cap("16384"), 27);
    EXPECT_EQ(cap("6144"), 28);
}

TEST(ParseIssuedConfig, FrameTypeAsNumberOrLeadingInteger) {
    auto frameType = [](const char* value) {
        return Parse(std::string(R"({"configItems":{"imageConfig":{"audioAndVideoConfig":)") +
                     R"({"videoConfig":[{"frameType":)" + value + "}]}}}}")
            .streams[0]
            .frameType;
    };
    EXPECT_EQ(frameType("2"), 2);
    EXPECT_EQ(frameType("\"2\""), 2);
    EXPECT_EQ(frameType("\"  -7fps\""), -7);
    EXPECT_EQ(frameType("\"+12\""), 12);
    EXPECT_EQ(frameType("\"x3\""), 0);
    EXPECT_EQ(frameType("\"\""), 0);
    EXPECT_EQ(frameType("\"99999999999\""), INT32_MAX);
    EXPECT_EQ(frameType("\"-99999999999\""), INT32_MIN);
    EXPECT_EQ(frameType("true"), 1);
}

TEST(ParseIssuedConfig, OneStreamStillGivesBothTheAudioWord) {
    IssuedConfig before;
    before.streams[1].streamType = 9;
    const IssuedConfig c = Parse(R"({"configItems":{"imageConfig":{"audioAndVideoConfig":{
        "videoConfig":[{"streamType":1}],"audioConfig":{"audioCompressionType":"AAC"}}}}})",
                                 before);
    EXPECT_EQ(c.sectionMask, 0x08u);
    EXPECT_EQ(c.streams[0].streamType, 1);
    EXPECT_EQ(c.streams[1].streamType, 9);  // not sent: kept
    EXPECT_EQ(c.streams[0].audioCompressionType, "AAC");
    EXPECT_EQ(c.streams[1].audioCompressionType, "AAC");
}

TEST(ParseIssuedConfig, NotJsonKeepsEverythingWithMaskZero) {
    DebugCapture debug;
    const IssuedConfig first = Parse(FullConfigRequest());
    IssuedConfig c = first;
    ParseIssuedConfig("{\"configItems\": imageColor", c);
    EXPECT_EQ(c.sectionMask, 0u);
    IssuedConfig expected = first;
    expected.sectionMask = 0;
    EXPECT_EQ(c, expected);
    ParseIssuedConfig("", c);
    EXPECT_EQ(c, expected);
    EXPECT_EQ(debug.text(), "");
}

TEST(ParseIssuedConfig, LaterRequestsKeepUnmentionedFields) {
    IssuedConfig c = Parse(FullConfigRequest());
    ParseIssuedConfig(R"({"configItems":{"imageConfig":{"imageColor":{"hue":3}}}})", c);
    EXPECT_EQ(c.sectionMask, 0x20u);
    EXPECT_EQ(c.hue, 3);
    EXPECT_EQ(c.brightnessLevel, 0);  // the colour section was read whole
    EXPECT_EQ(c.ssid, "lab-net");     // other sections keep their values
    EXPECT_EQ(c.streams[0].vbrUpperCap, 25);
}

// A conversion error stops the reading where it happened; what was read stays.
TEST(ParseIssuedConfig, ConversionErrorStopsWithThreeLogLines) {
    IssuedConfig before;
    before.remindVoice = 77;
    before.hue = 5;
    std::vector<std::string> lines;
    AttachDebugOutputReader([&](const char* text) { lines.emplace_back(text); });
    const std::string request = R"({"configItems":{
        "generalConfig":{"timeProofreading":{"serverAddress":"ntp.example"}},
        "defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":"high",
                         "remindVoice":3}},
        "imageConfig":{"imageColor":{"hue":9}}}})";
    const IssuedConfig c = Parse(request, before);
    AttachDebugOutputReader(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string>{kParamErr, request, "\n"}));
    EXPECT_EQ(c.sectionMask, 0x02u);
    EXPECT_EQ(c.serverAddress, "ntp.example");
    EXPECT_TRUE(c.remindSwitch);   // read before the failing member
    EXPECT_EQ(c.remindVoice, 77);  // after it: not read
    EXPECT_EQ(c.hue, 5);           // later section: not read
}

TEST(ParseIssuedConfig, KindsThatRaiseConversionErrors) {
    const char* requests[] = {
        // text read from an object
        R"({"configItems":{"generalConfig":{"timeProofreading":{"serverAddress":{}}}}})",
        // lookup in a value that is neither object nor null
        R"({"configItems":{"generalConfig":{"timeProofreading":5}}})",
        // element lookup in an object
        R"({"configItems":{"imageConfig":{"audioAndVideoConfig":{"videoConfig":{"a":1}}}}})",
        // integer out of range
        R"({"configItems":{"imageConfig":{"imageColor":{"hue":1e20}}}})",
        // boolean read from text
        R"({"configItems":{"imageConfig":{"imageBacklight":{"wideDynamicRangeSwitch":"on"}}}})",
        // a root that is not an object
        R"([1,2,"configItems"])",
        // a "configItems" that is not an object
        R"({"configItems":"imageColor generalConfig"})",
    };
    for (const char* request : requests) {
        SCOPED_TRACE(request);
        DebugCapture debug;
        Parse(request);
        EXPECT_EQ(debug.text(), std::string(kParamErr) + request + "\n");
    }
}

TEST(ParseIssuedConfig, LenientConversionsOfTheJsonLibrary) {
    const IssuedConfig c = Parse(R"({"configItems":{
        "generalConfig":{"timeProofreading":{"serverAddress":12,"proofMode":true}},
        "imageConfig":{"imageColor":{"brightnessLevel":7.9,"hue":true},
                       "imageDisplay":{"showName":1,"showDate":0.0,"dateFormat":null}}}})");
    EXPECT_EQ(c.serverAddress, "12");
    EXPECT_EQ(c.proofMode, "true");
    EXPECT_EQ(c.brightnessLevel, 7);
    EXPECT_EQ(c.hue, 1);
    EXPECT_TRUE(c.showName);
    EXPECT_FALSE(c.showDate);
    EXPECT_EQ(c.dateFormat, "");
}

}  // namespace
}  // namespace orvex
