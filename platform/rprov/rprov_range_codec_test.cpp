#include "platform/rprov/rprov_range_codec.h"

#include <gtest/gtest.h>

namespace orvex::rprov {
namespace {

ConfigRange FullRange() {
    ConfigRange r;
    r.serial = "OX100042";
    r.channelNo = 3;
    r.brightness = {0, 100, 50};
    r.contrast = {1, 99, 49};
    r.saturation = {2, 98, 48};
    r.sharpness = {3, 97, 47};
    r.reserved = -7;
    r.mainAudioEncTypes = {{0, 1, 2, 7}, 1};
    r.subAudioEncTypes = {{1, 2}, 2};
    r.audioInTypes = {{0, 1}, 0};
    r.audioInVolume = {0, 100, 60};
    r.audioOutVolume = {0, 100, 70};
    r.supportShowWeek = true;
    r.osdTypes = {{"text", "time"}, 0};
    r.osdAttribs = {{"transparent"}, -1};
    r.osdHourTypes = {{"24h", "12h"}, 1};
    r.streamTypes = {{0, 1}, 0};
    r.videoTypes = {{0, 10}, 10};
    r.iFrameRanges = {{1, 200, 50}, {1, 100, 25}};
    r.streamVideoTypes = {{{1, 10}, 1}, {{0}, 0}};
    r.mainResolutions = {{"1080P", "1920*1080", 19, 512, 8192, 4096, {25, 30}},
                         {"720P", "1280*720", 9, 256, 4096, 2048, {}}};
    r.subResolutions = {{"D1", "704*576", 2, 64, 1024, 512, {15}}};
    r.reservedChoicesA = {{5}, 5};
    r.reservedChoicesB = {{}, 0};
    return r;
}

TEST(RangeCodec, RoundTripsEveryMember) {
    const ConfigRange range = FullRange();
    std::optional<std::vector<uint8_t>> bytes = EncodeConfigRange(range);
    ASSERT_TRUE(bytes);
    std::optional<ConfigRange> back = DecodeConfigRange(*bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, range);
    std::optional<ConfigRange> empty = DecodeConfigRange(*EncodeConfigRange(ConfigRange()));
    ASSERT_TRUE(empty);
    EXPECT_EQ(*empty, ConfigRange());
}

TEST(RangeCodec, EveryTruncationAndATrailingByteFail) {
    std::vector<uint8_t> bytes = *EncodeConfigRange(FullRange());
    for (size_t n = 0; n < bytes.size(); ++n) {
        EXPECT_FALSE(DecodeConfigRange(std::span(bytes).first(n))) << n;
    }
    bytes.push_back(0);
    EXPECT_FALSE(DecodeConfigRange(bytes));
}

TEST(RangeCodec, ListsAndTextsOverTheirBoundsAreRefused) {
    ConfigRange tooManyRates = FullRange();
    tooManyRates.mainResolutions[0].frameRates.assign(kMaxRangeList + 1, 25);
    EXPECT_FALSE(EncodeConfigRange(tooManyRates));

    ConfigRange longText = FullRange();
    longText.osdTypes.values.push_back(std::string(kMaxRangeText + 1, 'o'));
    EXPECT_FALSE(EncodeConfigRange(longText));

    ConfigRange manyLists = FullRange();
    manyLists.streamVideoTypes.assign(kMaxStreamVideoTypeLists + 1, IntChoiceList{});
    EXPECT_FALSE(EncodeConfigRange(manyLists));

    // A decoder facing a count over the bound stops instead of reading 65,535 entries.
    ConfigRange atBound;
    atBound.mainAudioEncTypes.values.assign(kMaxRangeList, 1);
    std::vector<uint8_t> bytes = *EncodeConfigRange(atBound);
    ASSERT_TRUE(DecodeConfigRange(bytes));
    // The count of mainAudioEncTypes follows: text(2) + channel(4) + 4 triples(48) + reserved(4).
    const size_t countAt = 2 + 4 + 48 + 4;
    ASSERT_EQ(bytes[countAt + 1], kMaxRangeList);
    bytes[countAt + 1] = kMaxRangeList + 1;
    EXPECT_FALSE(DecodeConfigRange(bytes));
}

}  // namespace
}  // namespace orvex::rprov
