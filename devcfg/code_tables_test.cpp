#include "devcfg/code_tables.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace orvex {
namespace {

// Every code from -1 to 256 that has a word, as "code:word" separated by blanks; each word
// must also lead back to its code where a way back exists.
std::string Table(const char* (*toWord)(int32_t),
                  std::function<int32_t(std::string_view)> toCode = {}) {
    std::string out;
    for (int32_t code = -1; code <= 256; ++code) {
        if (const char* word = toWord(code)) {
            out += (out.empty() ? "" : " ") + std::to_string(code) + ":" + word;
            if (toCode) {
                EXPECT_EQ(toCode(word), code) << word;
            }
        }
    }
    return out;
}

TEST(CodeTables, EveryWordAndItsWayBack) {
    EXPECT_EQ(Table(VideoEncodingWord, VideoEncodingCode),
              "0:H.264 1:STD_H264 2:STD_MPEG4 7:M_JPEG 8:MPEG2 9:SVAC 10:STD_H265 254:自动");
    EXPECT_EQ(Table(AudioEncodingWord, AudioEncodingCode),
              "0:G722 1:G711_U 2:G711_A 5:MP2L2 6:G276 7:AAC 8:PCM");
    EXPECT_EQ(Table(DateFormatWord, DateFormatCode),
              "0:yyyy-MM-dd 1:MM-dd-yyyy 2:yyyyMMdd 3:MMddyyyy 4:dd-MM-yyyy 5:ddMMyyyy "
              "6:MM/dd/yyyy 7:yyyy/MM/dd 8:dd/MM/yyyy");
    EXPECT_EQ(Table(AudioInputWord, AudioInputCode), "0:Mic In 1:Line In");
    EXPECT_EQ(Table(WifiSecurityWord), "2:WPA-PSK 4:WPA2-PSK");
    EXPECT_EQ(Table(WifiCipherWord), "0:AES 1:TKIP");
}

TEST(CodeTables, WordsMatchInAnyAsciiCaseOnly) {
    EXPECT_EQ(VideoEncodingCode("std_h265"), 10);
    EXPECT_EQ(AudioEncodingCode("g711_a"), 2);
    EXPECT_EQ(DateFormatCode("YYYY-mm-DD"), 0);
    for (const char* word : {"H265", "", "STD_H265 "}) {
        EXPECT_EQ(VideoEncodingCode(word), kUnknownEncodingCode) << word;
    }
    EXPECT_EQ(AudioEncodingCode("G711"), kUnknownEncodingCode);
    EXPECT_EQ(DateFormatCode("yyyy.MM.dd"), -1);
    // Bytes outside ASCII compare exactly (0xC9 is not folded onto 0xE9).
    EXPECT_FALSE(EqualsIgnoringCase("\xC9", "\xE9"));
    EXPECT_FALSE(EqualsIgnoringCase("abc", "abcd"));
}

TEST(CodeTables, BitrateCodesAreExactRatesOnly) {
    std::string rates;
    for (int32_t code = -1; code <= 32; ++code) {
        const int32_t kbps = bitrateCodeToKbps(code);
        rates += std::to_string(kbps) + " ";
        if (kbps != 0) {
            EXPECT_EQ(kbpsToBitrateCode(kbps), code);
        }
    }
    EXPECT_EQ(rates,
              "0 0 16 32 48 64 80 96 128 160 192 224 256 320 384 448 512 640 768 896 1024 1280 "
              "1536 1792 2048 3072 4096 8192 16384 6144 10240 12288 0 0 ");
    // No rounding to the nearest rate.
    for (int32_t kbps : {100, 2000, 0, -16, INT32_MIN}) {
        EXPECT_EQ(kbpsToBitrateCode(kbps), 0) << kbps;
    }
}

}  // namespace
}  // namespace orvex
