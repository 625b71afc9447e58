#include "devcfg/issued_config.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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
    EXPECT_EQ(
        std::tie(c.sectionMask, c.proofMode, c.serverAddress, c.ssid, c.encryptType, c.verifyMethod,
                 c.password, c.remindSwitch, c.detectMode, c.sensitivityLevel, c.remindVoice),
        std::make_tuple(0xFEu, "auto", "time.example.org", "lab-net", "AES", "WPA2-PSK",
                        "secret-key", true, 0, 4, 2));
    // 4096 and 512 kbit/s are codes 25 and 15; the audio word goes to both streams.
    EXPECT_TRUE(c.streams[0] ==
                (StreamSettings{"VBR", "STD_H265", "G711_A", 2, 0, 1, 25, 3, 25, 50, 5}));
    EXPECT_TRUE(c.streams[1] ==
                (StreamSettings{"CBR", "STD_H264", "G711_A", 1, 1, 0, 15, 4, 15, 25, 1}));
    EXPECT_EQ(std::tie(c.audioInputMode, c.inputVolume, c.outputVolume, c.wideDynamicRangeSwitch,
                       c.brightnessLevel, c.contrastLevel, c.saturationLevel, c.hue),
              std::make_tuple("Mic In", 60, 70, true, 55, 45, 50, 48));
    EXPECT_EQ(std::tie(c.dateFormat, c.timeFormat, c.displayState, c.showName, c.showOrvexLogo,
                       c.showWeek, c.showDate),
              std::make_tuple("yyyy-MM-dd", 1, 1, true, true, false, true));
    EXPECT_EQ(debug.text(), "");

    // One colour member: the whole colour section is read, the others as 0.
    IssuedConfig colour;
    colour.brightnessLevel = 70;
    colour.sectionMask = 0x20;
    EXPECT_TRUE(Parse(R"({"configItems":{"imageConfig":{"imageColor":{"brightnessLevel":70}}}})") ==
                colour);
}

// General, defence and image sections need their object; the image sub-sections are found by
// the raw text, even outside "configItems" or only in a value.
TEST(ParseIssuedConfig, SectionMask) {
    const std::pair<const char*, uint32_t> cases[] = {
        {R"({"configItems":{"imageConfig":{"note":"imageDisplay"}}})", 0x40},
        {R"({"x":"generalConfig defenceConfig imageBacklight","configItems":{"imageConfig":{}}})",
         0x10},
        {R"({"configItems":{"generalConfig":"x","defenceConfig":[1],"imageConfig":null}})", 0},
        {R"({"configItems":{"generalConfig":{"wiFiConfig":null}}})", 0x02},
        {R"({"configItems":{"generalConfig":{"wiFiConfig":{}}}})", 0x82},
        {R"({"configItems":{"defenceConfig":{}}})", 0x04},
    };
    IssuedConfig before;
    before.showName = true;
    before.displayState = 3;
    for (const auto& [request, mask] : cases) {
        const IssuedConfig c = Parse(request, before);
        EXPECT_EQ(c.sectionMask, mask) << request;
        // A section named only in a value is still read, as absent members.
        EXPECT_EQ(c.showName, mask != 0x40) << request;
    }
}

TEST(ParseIssuedConfig, WifiDefaultsNeedBothNameAndPassword) {
    const std::pair<const char*, const char*> cases[] = {
        {R"("ssid":"n","password":"p")", "AES WPA2-PSK"},
        {R"("ssid":"n","password":"")", " "},
        {R"("password":"p")", " "},
        {R"("ssid":"n","password":"p","encryptType":"tkip")", "tkip WPA2-PSK"},  // kept as sent
    };
    for (const auto& [members, words] : cases) {
        const IssuedConfig c = Parse(
            std::string(R"({"configItems":{"generalConfig":{"wiFiConfig":{)") + members + "}}}}");
        EXPECT_EQ(c.encryptType + " " + c.verifyMethod, words) << members;
        EXPECT_EQ(c.sectionMask, 0x82u);
    }
}

// "vbrUpperCap" becomes a bitrate code; "frameType" is a number or a text's leading integer.
TEST(ParseIssuedConfig, BitrateCapAndFrameType) {
    auto stream = [](const std::string& member) {
        return Parse(R"({"configItems":{"imageConfig":{"audioAndVideoConfig":{"videoConfig":[{)" +
                     member + "}]}}}}")
            .streams[0];
    };
    const std::pair<const char*, int32_t> caps[] = {
        {"2048", 23}, {"2000", 0}, {"16384", 27}, {"6144", 28}};
    for (const auto& [kbps, code] : caps) {
        EXPECT_EQ(stream(std::string(R"("vbrUpperCap":)") + kbps).vbrUpperCap, code) << kbps;
    }
    const std::pair<const char*, int32_t> frameTypes[] = {{"2", 2},
                                                          {"\"2\"", 2},
                                                          {"\"  -7fps\"", -7},
                                                          {"\"+12\"", 12},
                                                          {"\"x3\"", 0},
                                                          {"\"\"", 0},
                                                          {"\"99999999999\"", INT32_MAX},
                                                          {"\"-99999999999\"", INT32_MIN},
                                                          {"true", 1}};
    for (const auto& [value, type] : frameTypes) {
        EXPECT_EQ(stream(std::string(R"("frameType":)") + value).frameType, type) << value;
    }
}

TEST(ParseIssuedConfig, LaterRequestsKeepUnmentionedFieldsAndNotJsonOnlyClearsTheMask) {
    DebugCapture debug;
    IssuedConfig expected = Parse(FullConfigRequest());
    IssuedConfig c = expected;
    ParseIssuedConfig(R"({"configItems":{"imageConfig":{"imageColor":{"hue":3}}}})", c);
    expected.sectionMask = 0x20;
    expected.hue = 3;
    expected.brightnessLevel = expected.contrastLevel = expected.saturationLevel = 0;
    EXPECT_TRUE(c == expected);  // the colour section read whole, the others kept

    // One stream sent: the other stream is kept, and both get the audio word.
    ParseIssuedConfig(R"({"configItems":{"imageConfig":{"audioAndVideoConfig":{
        "videoConfig":[{"streamType":1}],"audioConfig":{"audioCompressionType":"AAC"}}}}})",
                      c);
    EXPECT_EQ(std::tie(c.sectionMask, c.streams[0].streamType, c.streams[0].audioCompressionType),
              std::make_tuple(0x08u, 1, "AAC"));
    EXPECT_TRUE(c.streams[1] ==
                (StreamSettings{"CBR", "STD_H264", "AAC", 1, 1, 0, 15, 4, 15, 25, 1}));

    expected = c;
    expected.sectionMask = 0;
    ParseIssuedConfig("{\"configItems\": imageColor", c);
    EXPECT_TRUE(c == expected);
    ParseIssuedConfig("", c);
    EXPECT_TRUE(c == expected);
    EXPECT_EQ(debug.text(), "");
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
    // The switch comes before the failing member; the voice after it and the later section's
    // hue are not read.
    EXPECT_EQ(std::tie(c.sectionMask, c.serverAddress, c.remindSwitch, c.remindVoice, c.hue),
              std::make_tuple(0x02u, "ntp.example", true, 77, 5));
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
    EXPECT_EQ(std::make_tuple(c.serverAddress, c.proofMode, c.brightnessLevel, c.hue, c.showName,
                              c.showDate, c.dateFormat),
              std::make_tuple("12", "true", 7, 1, true, false, ""));
}

}  // namespace
}  // namespace orvex
