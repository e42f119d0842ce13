// Tag text to UTF-8: Shift-JIS (CP932) where the bytes can only be Japanese, Latin-1 where
// they are European, UTF-16 and UTF-8 as a frame declares.
#include "id3/tag_text.h"

#include <gtest/gtest.h>

namespace {

using id3::FrameText;
using id3::UndeclaredText;

TEST(UndeclaredText, JapaneseInCp932BecomesJapanese) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {
        {"\x89\xb9\x8a\x79", "音楽"},                     // level-1 kanji
        {"\x92\xc5\x96\xbc\x97\xd1\x8c\xe7", "椎名林檎"}, // a name
        {"\x83\x41\x83\x43", "アイ"},                     // katakana whose second bytes are ASCII
        {"\x83\x58\x83\x73\x83\x62\x83\x63\x20\x83\x8d\x83\x72\x83\x93\x83\x5c\x83\x93",
         "スピッツ ロビンソン"},                      // with a space
        {"Track 1 \x81\x40\x89\xb9", "Track 1 　音"}, // mixed with ASCII
        {"\x9f\x54\xb1\xb2", "鬱ｱｲ"},                 // with half-width katakana
        {"\xea\xa3", "凜"},                           // a level-2 kanji of two high bytes
        {"\xee\xe0", "髙"},                           // NEC-selected IBM extension
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_TRUE(id3::IsJapaneseCp932(c.bytes));
        EXPECT_EQ(UndeclaredText(c.bytes), c.text);
    }
}

TEST(UndeclaredText, EuropeanTextStaysLatin1) {
    const struct {
        const char* bytes;
        const char* text;
    } cases[] = {
        {"Caf\xe9 Soci\xe9t\xe9", "Café Société"}, // é before a space and at the end: not CP932
        {"D\xe9"
         "cembre",
         "Décembre"},               // é + c is a valid CP932 pair: a rare kanji
        {"H\xe9l\xe8ne", "Hélène"}, // two such pairs
        {"Bj\xf6rk", "Björk"},      // ö + r: a user-defined character in CP932
        {"Sigur R\xf3s", "Sigur Rós"},
        {"\xb1\xb2\xb3", "±²³"}, // half-width katakana alone are no sign
        {"\xd1"
         "and\xfa",
         "Ñandú"},
        {"100\x80", "100\u0080"}, // not CP932 at all
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_FALSE(id3::IsJapaneseCp932(c.bytes));
        EXPECT_EQ(UndeclaredText(c.bytes), c.text);
    }
}

TEST(UndeclaredText, Utf8AndAsciiAreKeptAndANulEndsTheText) {
    EXPECT_EQ(UndeclaredText("音楽"), "音楽"); // UTF-8 in a field that declares nothing
    EXPECT_EQ(UndeclaredText("Plain"), "Plain");
    EXPECT_EQ(UndeclaredText(std::string("Title\0junk\x89\xb9", 12)), "Title");
    EXPECT_EQ(UndeclaredText(""), "");
}

TEST(FrameText, Utf16AsDeclaredWithOrWithoutAByteOrderMark) {
    const std::string le("\xff\xfe\xf3\x97\x7d\x69", 6); // BOM, 音楽 little-endian
    const std::string be("\xfe\xff\x97\xf3\x69\x7d", 6);
    EXPECT_EQ(FrameText(1, le), "音楽");
    EXPECT_EQ(FrameText(1, be), "音楽");
    EXPECT_EQ(FrameText(1, le.substr(2)), "音楽"); // no BOM: little-endian, as Windows writes
    EXPECT_EQ(FrameText(2, be.substr(2)), "音楽"); // 2.4's UTF-16BE
    EXPECT_EQ(FrameText(2, be), "音楽");
    // A surrogate pair, a lone high surrogate, an odd last byte.
    EXPECT_EQ(FrameText(2, std::string("\xd8\x3d\xde\x00\xd8\x00\x00\x41\x42", 9)),
              "\U0001F600\uFFFDA");
}

TEST(FrameText, OnlyTheFirstOfSeveralValuesAndUtf8Repaired) {
    EXPECT_EQ(FrameText(3, std::string("One\0Two", 7)), "One");
    EXPECT_EQ(FrameText(1, std::string("\xff\xfe"
                                       "A\0\0\0B\0",
                                       8)),
              "A");
    EXPECT_EQ(FrameText(3, "Caf\xe9 \xe3\x81"), "Caf\uFFFD \uFFFD\uFFFD");
    // Latin-1 declared, and an encoding no version defines: read as undeclared bytes.
    EXPECT_EQ(FrameText(0, "\x89\xb9\x8a\x79"), "音楽");
    EXPECT_EQ(FrameText(9, "Caf\xe9"), "Café");
}

} // namespace
