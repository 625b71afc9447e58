#include "support/text_conversion.h"

#include <gtest/gtest.h>

namespace orvex {
namespace {

TEST(TextConversion, Utf8ToCodePage1252) {
    EXPECT_EQ(Utf8ToCodePage("\xC3\xA9", "CP1252"), "\xE9");
    // A CJK ideograph has no place in CP1252: the default character stands for it.
    EXPECT_EQ(Utf8ToCodePage("a\xE4\xB8\xAD"
                             "b",
                             "CP1252"),
              "a?b");
    // An astral character (one surrogate pair) gives one default character, not two.
    EXPECT_EQ(Utf8ToCodePage("\xF0\x9F\x98\x80", "CP1252"), "?");
    EXPECT_EQ(Utf8ToCodePage(nullptr, "CP1252"), "");
    EXPECT_EQ(Utf8ToCodePage("", "CP1252"), "");
}

TEST(TextConversion, MalformedUtf8BecomesReplacementCharacter) {
    EXPECT_EQ(WideToUtf8(Utf8ToWide("a\xFF"
                                    "b")),
              "a\xEF\xBF\xBD"
              "b");
    // A sequence cut off at the end of the text.
    EXPECT_EQ(Utf8ToWide("x\xE4\xB8"), (std::u16string{u'x', 0xFFFD, 0xFFFD}));
    // Into CP1252 the replacement character itself is unconvertible and becomes '?'.
    EXPECT_EQ(Utf8ToCodePage("\xC3(", "CP1252"), "?(");
}

TEST(TextConversion, CodePageToUtf8) {
    EXPECT_EQ(CodePageToUtf8("caf\xE9", "CP1252"), "caf\xC3\xA9");
    EXPECT_EQ(CodePageToUtf8("", "CP1252"), "");
    EXPECT_EQ(CodePageToUtf8(nullptr, "CP1252"), "");
    // Round trip of every printable CP1252 byte that has a character.
    std::string all;
    for (int c = 0x20; c < 0x100; ++c) {
        if (c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 && c != 0x9D && c != 0x7F) {
            all.push_back(static_cast<char>(c));
        }
    }
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(all.c_str(), "CP1252").c_str(), "CP1252"), all);
}

TEST(TextConversion, WideToCodePageTakesExactlyTheGivenUnits) {
    const char16_t text[] = u"ab\u00e9\u4e2dcd";
    EXPECT_EQ(WideToCodePage(text, 4, "CP1252"), "ab\xE9?");
    EXPECT_EQ(WideToCodePage(text, 0, "CP1252"), "");
    // A lone surrogate is unconvertible.
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(WideToCodePage(lone, 3, "CP1252"), "a?b");
    EXPECT_EQ(WideToCodePage(text, 6, "UTF-8"),
              "ab\xC3\xA9\xE4\xB8\xAD"
              "cd");
}

TEST(TextConversion, AnsiFormsUseTheLocaleCodePage) {
    EXPECT_EQ(Utf8ToCodePage("abc", "NO-SUCH-CODEPAGE"), "");
    EXPECT_FALSE(AnsiCodePage().empty());
    EXPECT_EQ(AnsiToUtf8(""), "");
    EXPECT_EQ(AnsiToUtf8(nullptr), "");
    EXPECT_EQ(Utf8ToAnsi(nullptr), "");
    EXPECT_EQ(Utf8ToAnsi("plain ascii"), "plain ascii");
    EXPECT_EQ(AnsiToUtf8("plain ascii"), "plain ascii");
}

// An empty search text is refused: the text comes back unchanged.
TEST(ReplaceAll, DeletesNeverRescansInsertedTextAndRefusesAnEmptySearch) {
    EXPECT_EQ(ReplaceAll("a\n\tb\n", "\n", ""), "a\tb");
    EXPECT_EQ(ReplaceAll("xxxx", "xx", "x"), "xx");
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("", "a", "b"), "");
    EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
}

}  // namespace
}  // namespace orvex
