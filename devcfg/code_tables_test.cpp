#include "devcfg/code_tables.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace orvex {
namespace {

// The page's own tables (web/config_model.js), written for the page apart from these: each is
// a list of [code, 'word'] pairs, or of words whose code is their place. Both sides must agree.
std::string PageList(const std::string& name) {
    std::ifstream file(std::filesystem::path(ORVEX_SOURCE_WEB) / "config_model.js");
    std::stringstream text;
    text << file.rdbuf();
    const std::string all = text.str();
    const size_t begin = all.find("export const " + name + " = [");
    EXPECT_NE(begin, std::string::npos) << name;
    return begin == std::string::npos ? "" : all.substr(begin, all.find("];", begin) - begin);
}

std::map<int32_t, std::string> PagePairs(const std::string& name) {
    std::map<int32_t, std::string> out;
    const std::string list = PageList(name);
    const std::regex pair(R"(\[(\d+), '([^']*)'\])");
    for (std::sregex_iterator it(list.begin(), list.end(), pair), end; it != end; ++it) {
        out[std::stoi((*it)[1])] = (*it)[2];
    }
    return out;
}

std::map<int32_t, std::string> PageWordsByPlace(const std::string& name) {
    std::map<int32_t, std::string> out;
    const std::string list = PageList(name);
    const std::regex word("'([^']*)'");
    int32_t place = 0;
    for (std::sregex_iterator it(list.begin(), list.end(), word), end; it != end; ++it) {
        out[place++] = (*it)[1];
    }
    return out;
}

// Every code from -1 to 256 that has a word; each word leads back to its code.
std::map<int32_t, std::string> Ours(const char* (*toWord)(int32_t),
                                    std::function<int32_t(std::string_view)> toCode) {
    std::map<int32_t, std::string> out;
    for (int32_t code = -1; code <= 256; ++code) {
        if (const char* word = toWord(code)) {
            out[code] = word;
            EXPECT_EQ(toCode(word), code) << word;
        }
    }
    return out;
}

TEST(CodeTables, EveryWordAndItsWayBackAgreeWithThePage) {
    EXPECT_EQ(Ours(VideoEncodingWord, VideoEncodingCode), PagePairs("VIDEO_CODECS"));
    EXPECT_EQ(Ours(AudioEncodingWord, AudioEncodingCode), PagePairs("AUDIO_CODECS"));
    EXPECT_EQ(Ours(AudioInputWord, AudioInputCode), PagePairs("AUDIO_INPUTS"));
    EXPECT_EQ(Ours(DateFormatWord, DateFormatCode), PageWordsByPlace("DATE_FORMATS"));
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

// The device numbers its rates in this order, and nothing else states it; the rates with a
// code are the page's rates, each leads back to its code, and no other rate is rounded.
TEST(CodeTables, BitrateCodesAreThePagesRatesExactly) {
    std::string rates;
    std::set<std::string> coded;
    for (int32_t code = -1; code <= 32; ++code) {
        const int32_t kbps = bitrateCodeToKbps(code);
        rates += std::to_string(kbps) + " ";
        if (kbps != 0) {
            coded.insert(std::to_string(kbps));
            EXPECT_EQ(kbpsToBitrateCode(kbps), code);
        }
    }
    EXPECT_EQ(rates,
              "0 0 16 32 48 64 80 96 128 160 192 224 256 320 384 448 512 640 768 896 1024 1280 "
              "1536 1792 2048 3072 4096 8192 16384 6144 10240 12288 0 0 ");
    const std::string page = PageList("BITRATES_KBPS");
    const std::regex number(R"(\b\d+\b)");
    EXPECT_EQ(coded,
              std::set<std::string>(std::sregex_token_iterator(page.begin(), page.end(), number),
                                    std::sregex_token_iterator()));
    for (int32_t kbps : {100, 2000, 0, -16, INT32_MIN}) {
        EXPECT_EQ(kbpsToBitrateCode(kbps), 0) << kbps;
    }
}

}  // namespace
}  // namespace orvex
