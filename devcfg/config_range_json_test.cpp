#include "devcfg/config_range_json.h"

#include <gtest/gtest.h>

#include "devcfg/testing/sample_records.h"
#include "support/json_text.h"

namespace orvex {
namespace {

using testing::DebugCapture;
using testing::SampleRange;

Json::Value Convert(const ConfigRange& range) {
    DebugCapture quiet;
    Json::Value json;
    EXPECT_TRUE(ParseJson(ConfigRangeToPageJson(range), json));
    return json;
}

TEST(ConfigRangeToPageJson, FullRangeAsAWholeText) {
    DebugCapture quiet;
    ConfigRange range = SampleRange(2, 2);
    range.contrast = {1, 99, 49};
    range.saturation = {2, 98, 48};
    const std::string text = ConfigRangeToPageJson(range);
    // "streamType" is the last value of its list; the audio input default is not used.
    EXPECT_EQ(
        text,
        R"({"audioCfgRange" : {"audioInType" : [0,1],"audioInVolumeDefault" : 60,)"
        R"("audioInVolumeMax" : 100,"audioInVolumeMin" : 0,"audioOutVolumeDefault" : 70,)"
        R"("audioOutVolumeMax" : 100,"audioOutVolumeMin" : 0,"mainAudioEncType" : [0,1,2,7],)"
        R"("mainAudioEncTypeDefault" : 2,"subAudioEncType" : [1,2],)"
        R"("subAudioEncTypeDefault" : 1},"channelNo" : 1,)"
        R"("imageCfgRange" : {"brightnessLevel" : {"default" : 50,"max" : 100,"min" : 0},)"
        R"("contrastLevel" : {"default" : 49,"max" : 99,"min" : 1},)"
        R"("saturationLevel" : {"default" : 48,"max" : 98,"min" : 2},)"
        R"("sharpnessLevel" : {"default" : 8,"max" : 15,"min" : 0}},)"
        R"("imageShowRange" : {"osdAttrib" : ["flash","still"],"osdHourType" : ["24","12"],)"
        R"("osdType" : ["transparent","opaque"],"supportShowWeek" : true},)"
        R"("serial" : "ORX-000123","videoCfgRange" : {"IFrame" : {"default" : 50,"max" : 400,)"
        R"("min" : 1},"SubvideoResolution" : [{"maxFrameRate" : [1,2],"resolutionIndex" : 0,)"
        R"("resolutionName" : "res0","resolutionValue" : "640*360",)"
        R"("vbrUpperCap" : {"default" : 512,"max" : 2048,"min" : 32}},{"maxFrameRate" : [1,2],)"
        R"("resolutionIndex" : 1,"resolutionName" : "res1","resolutionValue" : "704*396",)"
        R"("vbrUpperCap" : {"default" : 512,"max" : 2048,"min" : 32}}],"streamType" : 1,)"
        R"("videoResolution" : [{"maxFrameRate" : [1,2],"resolutionIndex" : 0,)"
        R"("resolutionName" : "res0","resolutionValue" : "640*360",)"
        R"("vbrUpperCap" : {"default" : 2048,"max" : 8192,"min" : 32}},{"maxFrameRate" : [1,2],)"
        R"("resolutionIndex" : 1,"resolutionName" : "res1","resolutionValue" : "704*396",)"
        R"("vbrUpperCap" : {"default" : 2048,"max" : 8192,"min" : 32}}],"videoType" : [1,10]}})");
}

// "videoType" is always an array: the first per-stream list when it has values, otherwise the
// video type list; absent when both are empty. The conversion never fails because of it.
TEST(ConfigRangeToPageJson, VideoTypeIsAlwaysAnArray) {
    ConfigRange range = SampleRange(1, 1);
    EXPECT_EQ(WriteFlatJson(Convert(range)["videoCfgRange"]["videoType"]), "[1,10]");

    range.streamVideoTypes.front().values.clear();
    EXPECT_EQ(WriteFlatJson(Convert(range)["videoCfgRange"]["videoType"]), "[0,1,10]");

    range.streamVideoTypes.clear();
    range.videoTypes.values = {7};
    EXPECT_EQ(WriteFlatJson(Convert(range)["videoCfgRange"]["videoType"]), "[7]");

    range.videoTypes.values.clear();
    EXPECT_FALSE(Convert(range)["videoCfgRange"].isMember("videoType"));
}

// Empty lists leave their members out (all of them in the constructed range below); a
// resolution without frame rates has no "maxFrameRate".
TEST(ConfigRangeToPageJson, EmptyListsLeaveMembersOut) {
    ConfigRange range = SampleRange(1, 0);
    range.streamTypes.values.clear();
    range.iFrameRanges.clear();
    range.subResolutions.clear();
    EXPECT_EQ(WriteFlatJson(Convert(range)["videoCfgRange"]),
              R"({"videoResolution" : [{"resolutionIndex" : 0,"resolutionName" : "res0",)"
              R"("resolutionValue" : "640*360",)"
              R"("vbrUpperCap" : {"default" : 2048,"max" : 8192,"min" : 32}}],)"
              R"("videoType" : [1,10]})");
}

// A range without resolutions has a null video member; empty lists leave theirs out.
TEST(ConfigRangeToPageJson, ConstructedRangeHasANullVideoMember) {
    const Json::Value j = Convert(ConfigRange());
    EXPECT_TRUE(j.isMember("videoCfgRange") && j["videoCfgRange"].isNull());
    EXPECT_EQ(WriteFlatJson(j["imageShowRange"]), R"({"supportShowWeek" : false})");
    EXPECT_FALSE(j["audioCfgRange"].isMember("audioInType"));
}

TEST(ConfigRangeToPageJson, TextsThatAreNotUtf8StayValidJson) {
    ConfigRange range = SampleRange(1, 1);
    range.serial = std::string("S\xFF\x00x", 4);
    range.osdTypes.values = {"\xC3", "tab\there"};
    const Json::Value j = Convert(range);
    // An invalid byte becomes U+FFFD; a NUL is escaped and kept.
    EXPECT_EQ(j["serial"].asString(), std::string("S\xEF\xBF\xBD\0x", 6));
    EXPECT_EQ(j["imageShowRange"]["osdType"][0], "\xEF\xBF\xBD");
    EXPECT_EQ(j["imageShowRange"]["osdType"][1], "tab\there");  // escaped, not stripped
}

}  // namespace
}  // namespace orvex
