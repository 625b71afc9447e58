#include "devcfg/config_range_json.h"

#include <gtest/gtest.h>

#include "devcfg/testing/sample_records.h"
#include "support/json_text.h"

namespace orvex {
namespace {

using testing::DebugCapture;
using testing::SampleRange;

Json::Value Convert(const ConfigRange& range, std::string* debugText = nullptr) {
    DebugCapture debug;
    const std::string text = ConfigRangeToPageJson(range);
    EXPECT_EQ(text.find_first_of("\n\t"), std::string::npos);
    Json::Value json;
    EXPECT_TRUE(ParseJson(text, json)) << text;
    if (debugText != nullptr) {
        *debugText = debug.text();
    }
    return json;
}

Json::Value Triple(int32_t min, int32_t max, int32_t def) {
    Json::Value v;
    v["min"] = min;
    v["max"] = max;
    v["default"] = def;
    return v;
}

TEST(ConfigRangeToPageJson, FullRange) {
    std::string debug;
    const ConfigRange range = SampleRange(2, 3);
    const Json::Value j = Convert(range, &debug);
    EXPECT_EQ(debug, "\n dev config range info: " + WriteFlatJson(j) + "\n");

    EXPECT_EQ(j["serial"], "ORX-000123");
    EXPECT_EQ(j["channelNo"], 1);
    EXPECT_EQ(j["imageCfgRange"]["sharpnessLevel"], Triple(0, 15, 8));
    EXPECT_EQ(j["imageCfgRange"]["brightnessLevel"], Triple(0, 100, 50));

    const Json::Value& show = j["imageShowRange"];
    EXPECT_EQ(show["supportShowWeek"], true);
    EXPECT_EQ(show["osdType"].size(), 2u);
    EXPECT_EQ(show["osdAttrib"][1], "still");
    EXPECT_EQ(show["osdHourType"][0], "24");

    const Json::Value& audio = j["audioCfgRange"];
    EXPECT_EQ(WriteFlatJson(audio["mainAudioEncType"]), "[0,1,2,7]");
    EXPECT_EQ(audio["mainAudioEncTypeDefault"], 2);
    EXPECT_EQ(WriteFlatJson(audio["subAudioEncType"]), "[1,2]");
    EXPECT_EQ(audio["subAudioEncTypeDefault"], 1);
    EXPECT_EQ(WriteFlatJson(audio["audioInType"]), "[0,1]");
    EXPECT_FALSE(audio.isMember("audioInTypeDefault"));
    EXPECT_EQ(audio["audioInVolumeMax"], 100);
    EXPECT_EQ(audio["audioInVolumeDefault"], 60);
    EXPECT_EQ(audio["audioOutVolumeDefault"], 70);

    const Json::Value& video = j["videoCfgRange"];
    EXPECT_EQ(video["streamType"], 1);  // the last value of the stream type list
    EXPECT_EQ(video["IFrame"], Triple(1, 400, 50));
    ASSERT_EQ(video["videoResolution"].size(), 2u);
    const Json::Value& res = video["videoResolution"][1];
    EXPECT_EQ(res["resolutionIndex"], 1);
    EXPECT_EQ(res["resolutionName"], "res1");
    EXPECT_EQ(res["resolutionValue"], "704*396");
    EXPECT_EQ(res["vbrUpperCap"], Triple(32, 8192, 2048));
    EXPECT_EQ(WriteFlatJson(res["maxFrameRate"]), "[1,2,3]");
    EXPECT_EQ(video["SubvideoResolution"][0]["vbrUpperCap"], Triple(32, 2048, 512));
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

TEST(ConfigRangeToPageJson, EmptyListsLeaveMembersOut) {
    ConfigRange range = SampleRange(1, 0);
    range.osdAttribs.values.clear();
    range.mainAudioEncTypes.values.clear();
    range.audioInTypes.values.clear();
    range.streamTypes.values.clear();
    range.iFrameRanges.clear();
    range.subResolutions.clear();
    const Json::Value j = Convert(range);
    EXPECT_FALSE(j["imageShowRange"].isMember("osdAttrib"));
    EXPECT_TRUE(j["imageShowRange"].isMember("osdType"));
    EXPECT_FALSE(j["audioCfgRange"].isMember("mainAudioEncType"));
    EXPECT_EQ(j["audioCfgRange"]["mainAudioEncTypeDefault"], 2);
    EXPECT_FALSE(j["audioCfgRange"].isMember("audioInType"));
    EXPECT_FALSE(j["videoCfgRange"].isMember("streamType"));
    EXPECT_FALSE(j["videoCfgRange"].isMember("IFrame"));
    EXPECT_FALSE(j["videoCfgRange"].isMember("SubvideoResolution"));
    // A resolution without frame rates has no "maxFrameRate".
    EXPECT_FALSE(j["videoCfgRange"]["videoResolution"][0].isMember("maxFrameRate"));

    range.mainResolutions.clear();
    EXPECT_FALSE(Convert(range)["videoCfgRange"].isMember("videoResolution"));
}

TEST(ConfigRangeToPageJson, ConstructedRange) {
    const Json::Value j = Convert(ConfigRange());
    EXPECT_EQ(j["serial"], "");
    EXPECT_EQ(j["imageShowRange"]["supportShowWeek"], false);
    EXPECT_EQ(j["audioCfgRange"]["subAudioEncTypeDefault"], 0);
    // Nothing to say about video: the member is null.
    EXPECT_TRUE(j.isMember("videoCfgRange"));
    EXPECT_TRUE(j["videoCfgRange"].isNull());
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
