#include "devcfg/code_tables.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace orvex {
namespace {

TEST(BitrateCodes, ExactRatesOnly) {
    EXPECT_EQ(kbpsToBitrateCode(16384), 27);
    EXPECT_EQ(kbpsToBitrateCode(6144), 28);
    EXPECT_EQ(kbpsToBitrateCode(2048), 23);
    EXPECT_EQ(kbpsToBitrateCode(16), 1);
    EXPECT_EQ(kbpsToBitrateCode(12288), 30);
    // No rounding to the nearest rate.
    EXPECT_EQ(kbpsToBitrateCode(100), 0);
    EXPECT_EQ(kbpsToBitrateCode(2000), 0);
    EXPECT_EQ(kbpsToBitrateCode(0), 0);
    EXPECT_EQ(kbpsToBitrateCode(-16), 0);
    EXPECT_EQ(kbpsToBitrateCode(INT32_MIN), 0);

    EXPECT_EQ(bitrateCodeToKbps(0), 0);
    EXPECT_EQ(bitrateCodeToKbps(31), 0);
    EXPECT_EQ(bitrateCodeToKbps(-1), 0);
    EXPECT_EQ(bitrateCodeToKbps(INT32_MAX), 0);
    EXPECT_EQ(bitrateCodeToKbps(23), 2048);
    EXPECT_EQ(bitrateCodeToKbps(27), 16384);
    EXPECT_EQ(bitrateCodeToKbps(28), 6144);
    EXPECT_EQ(bitrateCodeToKbps(29), 10240);
}

TEST(BitrateCodes, EveryCodeRoundTripsAndRatesAreDistinct) {
    std::set<int32_t> rates;
    for (int32_t code = 1; code <= 30; ++code) {
        const int32_t kbps = bitrateCodeToKbps(code);
        EXPECT_GT(kbps, 0) << code;
        EXPECT_EQ(kbpsToBitrateCode(kbps), code);
        rates.insert(kbps);
    }
    EXPECT_EQ(rates.size(), 30u);
}

TEST(CodeWords, VideoEncodings) {
    const std::pair<int32_t, const char*> table[] = {
        {0, "H.264"}, {1, "STD_H264"}, {2, "STD_MPEG4"}, {7, "M_JPEG"},
        {8, "MPEG2"}, {9, "SVAC"},     {10, "STD_H265"}, {254, "自动"}};
    for (const auto& [code, word] : table) {
        ASSERT_NE(VideoEncodingWord(code), nullptr) << code;
        EXPECT_STREQ(VideoEncodingWord(code), word);
        EXPECT_EQ(VideoEncodingCode(word), code);
    }
    for (int32_t code : {3, 4, 5, 6, 11, 253, 255, -1, 256}) {
        EXPECT_EQ(VideoEncodingWord(code), nullptr) << code;
    }
    EXPECT_EQ(VideoEncodingCode("std_h265"), 10);
    EXPECT_EQ(VideoEncodingCode("h.264"), 0);
    EXPECT_EQ(VideoEncodingCode("H265"), 0xFF);
    EXPECT_EQ(VideoEncodingCode(""), 0xFF);
    EXPECT_EQ(VideoEncodingCode("STD_H265 "), 0xFF);
}

TEST(CodeWords, AudioEncodings) {
    const std::pair<int32_t, const char*> table[] = {{0, "G722"},  {1, "G711_U"}, {2, "G711_A"},
                                                     {5, "MP2L2"}, {6, "G276"},   {7, "AAC"},
                                                     {8, "PCM"}};
    for (const auto& [code, word] : table) {
        ASSERT_NE(AudioEncodingWord(code), nullptr) << code;
        EXPECT_STREQ(AudioEncodingWord(code), word);
        EXPECT_EQ(AudioEncodingCode(word), code);
    }
    EXPECT_EQ(AudioEncodingWord(3), nullptr);
    EXPECT_EQ(AudioEncodingWord(4), nullptr);
    EXPECT_EQ(AudioEncodingWord(255), nullptr);
    EXPECT_EQ(AudioEncodingCode("g711_a"), 2);
    EXPECT_EQ(AudioEncodingCode("G711"), 0xFF);
}

TEST(CodeWords, DateFormats) {
    const char* words[] = {"yyyy-MM-dd", "MM-dd-yyyy", "yyyyMMdd",   "MMddyyyy",  "dd-MM-yyyy",
                           "ddMMyyyy",   "MM/dd/yyyy", "yyyy/MM/dd", "dd/MM/yyyy"};
    for (int32_t code = 0; code < 9; ++code) {
        EXPECT_STREQ(DateFormatWord(code), words[code]);
        EXPECT_EQ(DateFormatCode(words[code]), code);
    }
    EXPECT_EQ(DateFormatWord(9), nullptr);
    EXPECT_EQ(DateFormatCode("YYYY-mm-DD"), 0);
    EXPECT_EQ(DateFormatCode("yyyy.MM.dd"), -1);
}

TEST(CodeWords, CaseFoldingIsAsciiOnly) {
    EXPECT_TRUE(EqualsIgnoringCase("AbC", "aBc"));
    EXPECT_FALSE(EqualsIgnoringCase("abc", "abcd"));
    // Bytes outside ASCII compare exactly (0xC9 is not folded onto 0xE9).
    EXPECT_FALSE(EqualsIgnoringCase("\xC9", "\xE9"));
    EXPECT_TRUE(EqualsIgnoringCase("自动", "自动"));
}

}  // namespace
}  // namespace orvex
