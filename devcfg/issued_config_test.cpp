#include "devcfg/issued_config.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "devcfg/testing/sample_records.h"

namespace orvex {
namespace {

using testing::DebugCapture;
using testing::FullConfigRequest;

IssuedConfig Parse(const std::string& request, IssuedConfig config = {}) {
    ParseIssuedConfig(request, config);
    return config;
}

TEST(ParseIssuedConfig, FullRequestFillsEverySection) {
    DebugCapture debug;
    const IssuedConfig c = Parse(FullConfigRequest());
    EXPECT_EQ(c.sectionMask, 0xFEu);
    EXPECT_EQ(c.present, ((uint64_t{1} << (FIELD_TIME_FORMAT + 1)) - 1) |
                             (((uint64_t{1} << (2 * kStreamFields)) - 1) << FIELD_STREAM_0))
        << "every member";
    EXPECT_EQ(c.proofMode, "auto");
    EXPECT_EQ(c.serverAddress, "time.example.org");
    EXPECT_EQ(c.ssid, "lab-net");
    EXPECT_EQ(c.encryptType, "AES");
    EXPECT_EQ(c.verifyMethod, "WPA2-PSK");
    EXPECT_EQ(c.password, "secret-key");
    EXPECT_TRUE(c.remindSwitch);
    EXPECT_EQ(c.detectMode, 0);
    EXPECT_EQ(c.sensitivityLevel, 4);
    EXPECT_EQ(c.remindVoice, 2);
    // 4096 and 512 kbit/s are codes 25 and 15; the audio word goes to both streams.
    EXPECT_TRUE(c.streams[0] ==
                (StreamSettings{"VBR", "STD_H265", "G711_A", 2, 0, 1, 25, 3, 25, 50, 5}));
    EXPECT_TRUE(c.streams[1] ==
                (StreamSettings{"CBR", "STD_H264", "G711_A", 1, 1, 0, 15, 4, 15, 25, 1}));
    EXPECT_EQ(c.audioInputMode, "Mic In");
    EXPECT_EQ(c.inputVolume, 60);
    EXPECT_EQ(c.outputVolume, 70);
    EXPECT_TRUE(c.wideDynamicRangeSwitch);
    EXPECT_EQ(c.brightnessLevel, 55);
    EXPECT_EQ(c.contrastLevel, 45);
    EXPECT_EQ(c.saturationLevel, 50);
    EXPECT_EQ(c.hue, 48);
    EXPECT_EQ(c.dateFormat, "yyyy-MM-dd");
    EXPECT_EQ(c.timeFormat, 1);
    EXPECT_EQ(c.displayState, 1);
    EXPECT_TRUE(c.showName);
    EXPECT_TRUE(c.showOrvexLogo);
    EXPECT_FALSE(c.showWeek);
    EXPECT_TRUE(c.showDate);
    EXPECT_EQ(debug.text(), "");
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
    expected.present = uint64_t{1} << FIELD_HUE;
    EXPECT_TRUE(c == expected);  // the colour section read whole, the others kept

    // One stream sent: the other stream is kept, and both get the audio word.
    ParseIssuedConfig(R"({"configItems":{"imageConfig":{"audioAndVideoConfig":{
        "videoConfig":[{"streamType":1}],"audioConfig":{"audioCompressionType":"AAC"}}}}})",
                      c);
    EXPECT_EQ(c.sectionMask, 0x08u);
    EXPECT_EQ(c.streams[0].streamType, 1);
    EXPECT_EQ(c.streams[0].audioCompressionType, "AAC");
    EXPECT_TRUE(c.streams[1] ==
                (StreamSettings{"CBR", "STD_H264", "AAC", 1, 1, 0, 15, 4, 15, 25, 1}));

    EXPECT_EQ(c.present, (uint64_t{1} << StreamFieldBit(0, STREAM_TYPE)) |
                             (uint64_t{1} << FIELD_AUDIO_COMPRESSION_TYPE));

    expected = c;
    expected.sectionMask = 0;
    expected.present = 0;
    ParseIssuedConfig("{\"configItems\": imageColor", c);
    EXPECT_TRUE(c == expected);
    ParseIssuedConfig("", c);
    EXPECT_TRUE(c == expected);
    EXPECT_EQ(debug.text(), "");
}

// A conversion error is reported and stops the reading where it happened; what was read stays.
TEST(ParseIssuedConfig, ConversionErrorStopsTheReading) {
    IssuedConfig before;
    before.remindVoice = 77;
    before.hue = 5;
    DebugCapture debug;
    const std::string request = R"({"configItems":{
        "generalConfig":{"timeProofreading":{"serverAddress":"ntp.example"}},
        "defenceConfig":{"motionDetectDefence":{"remindSwitch":true,"detectMode":"high",
                         "remindVoice":3}},
        "imageConfig":{"imageColor":{"hue":9}}}})";
    const IssuedConfig c = Parse(request, before);
    EXPECT_NE(debug.text(), "") << "the error is reported";
    // The switch comes before the failing member; the voice after it and the later section's
    // hue are not read.
    EXPECT_EQ(c.sectionMask, 0x02u);
    EXPECT_EQ(c.serverAddress, "ntp.example");
    EXPECT_TRUE(c.remindSwitch);
    EXPECT_EQ(c.remindVoice, 77);
    EXPECT_EQ(c.hue, 5);
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
        EXPECT_NE(debug.text(), "") << "the error is reported";
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
