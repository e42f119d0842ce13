// vbmp3_open: which files open, and what the record says of them.
#include "support.h"

#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace vbmp3_test {
namespace {

using Open = LibraryTest;

// Opens `path` into a record first filled with junk, so that a field open leaves shows.
int32_t open_into(const std::string& path, vbmp3_fileinfo& info) {
    std::memset(&info, 'x', sizeof info);
    return vbmp3_open(path.c_str(), &info);
}

TEST_F(Open, ReportsRateChannelsBitrateLengthTitleAndArtist) {
    const struct {
        const char* file;
        int rate, channels;
        int min_kbps, max_kbps; // a range, as VBR and free format report an average
        int min_ms, max_ms;     // LAME files carry a gapless length: exact
        const char *title, *artist;
    } cases[] = {
        {"cbr128.mp3", 44100, 2, 128, 128, 2000, 2000, "Test Title", "Test Artist"}, // v2 and v1
        {"cbr320.mp3", 44100, 2, 320, 320, 2000, 2000, "", ""},
        {"vbr.mp3", 44100, 2, 80, 130, 2000, 2000, "", ""},
        {"free.mp3", 44100, 2, 195, 215, 2000, 2000, "", ""},
        {"mono22.mp3", 22050, 1, 64, 64, 2000, 2000, "", ""},
        {"s48.mp3", 48000, 2, 192, 192, 2000, 2000, "", ""},
        // MPEG-2.5: estimated from the size, within a frame or two.
        {"mpeg25_8k.mp3", 8000, 1, 16, 16, 1900, 2300, "", ""},
        {"id3v2_big.mp3", 44100, 2, 128, 128, 2000, 2000, "Big Tag", "Picture"}, // 1 MB picture
        {"id3v1.mp3", 44100, 2, 128, 128, 2000, 2000, "Only V1", "Old Tag"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        vbmp3_fileinfo info;
        ASSERT_NE(open_into(mp3(c.file), info), 0);
        EXPECT_EQ(info.sample_rate, c.rate);
        EXPECT_EQ(info.channels, c.channels);
        EXPECT_GE(info.bitrate, c.min_kbps);
        EXPECT_LE(info.bitrate, c.max_kbps);
        EXPECT_GE(info.length_ms, c.min_ms);
        EXPECT_LE(info.length_ms, c.max_ms);
        EXPECT_STREQ(info.title, c.title);
        EXPECT_STREQ(info.artist, c.artist);
    }
}

TEST_F(Open, TagTextIsValidUtf8AndALongTitleIsCutOnACharacterBoundary) {
    vbmp3_fileinfo info;
    ASSERT_NE(open_into(mp3("long_title.mp3"), info), 0);
    std::string kana;
    for (int i = 0; i < 12; ++i) {
        kana += "あいうえお";
    }
    // 3 bytes each: 42 fit in 127 bytes and the NUL, and no part of a 43rd.
    EXPECT_EQ(std::string(info.title, strnlen(info.title, sizeof info.title)), kana.substr(0, 126));

    std::ifstream in(mp3("cbr320.mp3"), std::ios::binary); // no tag of its own
    const std::string audio((std::istreambuf_iterator<char>(in)), {});
    // An ID3v2.4 title frame that says UTF-8 but holds a Latin-1 letter and a cut character.
    const std::string text = std::string("\x03") + "Caf\xe9 \xe3\x81";
    std::string v2 = std::string("ID3\x04\0\0\0\0\0", 10) + "TIT2" + std::string(3, '\0') +
                     static_cast<char>(text.size()) + std::string(2, '\0') + text;
    v2[9] = static_cast<char>(v2.size() - 10);
    // An ID3v1 artist in the form of UTF-8 but encoding a surrogate: not UTF-8, so Latin-1.
    std::string v1 = "TAG" + std::string(125, '\0');
    v1.replace(33, 3, "\xed\xa0\x80");
    TempFolder dir;
    std::ofstream(dir.path("bad_text.mp3"), std::ios::binary) << v2 << audio << v1;
    ASSERT_NE(open_into(dir.path("bad_text.mp3"), info), 0);
    EXPECT_STREQ(info.title, "Caf\uFFFD \uFFFD\uFFFD");
    EXPECT_STREQ(info.artist, "\u00ED\u00A0\u0080");
}

TEST_F(Open, JapaneseTagsInShiftJisReachTheRecordAndLatin1StaysLatin1) {
    std::ifstream in(mp3("cbr320.mp3"), std::ios::binary); // no tag of its own
    const std::string audio((std::istreambuf_iterator<char>(in)), {});
    // An ID3v2.3 title frame marked Latin-1 holding 椎名林檎 in Shift-JIS, and an ID3v1 tag
    // whose artist is 音楽 in Shift-JIS.
    const std::string text = std::string(1, '\0') + "\x92\xc5\x96\xbc\x97\xd1\x8c\xe7";
    std::string v2 = std::string("ID3\x03\0\0\0\0\0", 10) + "TIT2" + std::string(3, '\0') +
                     static_cast<char>(text.size()) + std::string(2, '\0') + text;
    v2[9] = static_cast<char>(v2.size() - 10);
    std::string v1 = "TAG" + std::string(125, '\0');
    v1.replace(33, 4, "\x89\xb9\x8a\x79");
    TempFolder dir;
    std::ofstream(dir.path("sjis.mp3"), std::ios::binary) << v2 << audio << v1;
    vbmp3_fileinfo info;
    ASSERT_NE(open_into(dir.path("sjis.mp3"), info), 0);
    EXPECT_STREQ(info.title, "椎名林檎");
    EXPECT_STREQ(info.artist, "音楽");

    v1.replace(3, 12, "Caf\xe9 Soci\xe9t\xe9");
    std::ofstream(dir.path("latin1.mp3"), std::ios::binary) << audio << v1;
    ASSERT_NE(open_into(dir.path("latin1.mp3"), info), 0);
    EXPECT_STREQ(info.title, "Café Société");
}

TEST_F(Open, RefusesWhatHasNoMpegAudio) {
    TempFolder dir;
    std::ofstream(dir.path("text.mp3")) << "This is not MPEG audio.\n";
    // A complete ID3v2.3 header announcing 100 bytes of padding, and nothing after it.
    std::ofstream(dir.path("tag_only.mp3"), std::ios::binary)
        << std::string("ID3\3\0\0\0\0\0\x64", 10) + std::string(100, '\0');
    ASSERT_EQ(mkfifo(dir.path("pipe.mp3").c_str(), 0600), 0); // must not wait for a writer
    for (const std::string& path :
         {dir.path("missing.mp3"), mp3("empty.mp3"), dir.path(""), mp3("random.mp3"),
          dir.path("text.mp3"), dir.path("tag_only.mp3"), dir.path("pipe.mp3")}) {
        SCOPED_TRACE(path);
        vbmp3_fileinfo info;
        EXPECT_EQ(open_into(path, info), 0);
        EXPECT_STREQ(info.title, "");
        EXPECT_EQ(info.sample_rate, 0);
        EXPECT_EQ(vbmp3_play(), 0) << "nothing is open after a refusal";
    }
    EXPECT_EQ(vbmp3_open(nullptr, nullptr), 0);
}

} // namespace
} // namespace vbmp3_test
