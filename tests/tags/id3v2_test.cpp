// ID3v2 frames as the versions and taggers write them, and damage that must cost only the
// frames it touches.
#include "id3/id3v2.h"
#include "tag_writer.h"

#include <gtest/gtest.h>

namespace {

using namespace tag_writer;

id3::Tags Read(const std::string& tag, bool wantPicture = true) {
    id3::Tags tags;
    id3::FillFromId3v2(tag, tags, wantPicture);
    return tags;
}

TEST(Id3v2, TextFramesInEveryVersion) {
    const std::string sjis = "\x89\xb9\x8a\x79"; // 音楽 in CP932, marked Latin-1
    for (int version : {2, 3, 4}) {
        SCOPED_TRACE(version);
        const bool v22 = version == 2;
        const std::string frames = TextFrame(version, v22 ? "TT2" : "TIT2", 0, sjis) +
                                   TextFrame(version, v22 ? "TP1" : "TPE1", 1,
                                             std::string("\xff\xfe\x41\x00\x42\x00", 6)) +
                                   TextFrame(version, v22 ? "TAL" : "TALB", 3, "Ål\0") +
                                   TextFrame(version, v22 ? "TT2" : "TIT2", 0, "Second");
        const id3::Tags tags = Read(Tag(version, frames, 0, 64));
        EXPECT_EQ(tags.title, "音楽") << "the first title frame counts";
        EXPECT_EQ(tags.artist, "AB");
        EXPECT_EQ(tags.album, "Ål");
    }
}

TEST(Id3v2, UnsynchronisationExtendedHeadersAndFrameFlags) {
    // 2.3: the whole tag unsynchronised (0xFF 0x00 stands for 0xFF), with an extended header.
    const std::string picture("\xff\xd8\xff\xe0 jpeg", 9);
    std::string frames = std::string("\0\0\0\x06\0\0\0\0\0\0", 10) + // extended header
                         TextFrame(3, "TIT2", 0, "Title") + PictureFrame(3, 3, picture);
    std::string unsynced;
    for (char c : frames) {
        unsynced += c;
        if (c == '\xff')
            unsynced += '\0';
    }
    id3::Tags tags = Read(Tag(3, unsynced, 0x80 | 0x40));
    EXPECT_EQ(tags.title, "Title");
    EXPECT_EQ(tags.picture.data, picture);

    // 2.4: one frame unsynchronised with a data length indicator, one in a group; a
    // compressed frame is passed over, not misread.
    const std::string body = std::string("\0image/png\0\x03\0\xff\0\xfe", 16);
    frames = Frame(4, "TALB", std::string("\x01\0Album", 7), 0x0040 /* group */) +
             Frame(4, "TPE1", std::string("\x00\x00\x00\x02\x00", 5) + "Zip", 0x0008) +
             Frame(4, "APIC", SyncSafe(15) + body, 0x0002 | 0x0001);
    tags = Read(Tag(4, frames));
    EXPECT_EQ(tags.album, "Album");
    EXPECT_EQ(tags.artist, "");
    EXPECT_EQ(tags.picture.mime, "image/png");
    EXPECT_EQ(tags.picture.data, std::string("\xff\xfe", 2));
}

TEST(Id3v2, TheFrontCoverIsPreferredElseTheFirstPicture) {
    id3::Tags tags = Read(Tag(3, PictureFrame(3, 0, "other") + PictureFrame(3, 3, "front") +
                                     PictureFrame(3, 3, "second front")));
    EXPECT_EQ(tags.picture.data, "front");
    EXPECT_EQ(tags.picture.type, id3::Picture::kFrontCover);
    tags = Read(Tag(3, PictureFrame(3, 4, "back") + PictureFrame(3, 5, "leaflet")));
    EXPECT_EQ(tags.picture.data, "back");
    tags = Read(Tag(2, PictureFrame(2, 3, "pic")));
    EXPECT_EQ(tags.picture.data, "pic");
    EXPECT_EQ(tags.picture.mime, "image/jpeg");
    EXPECT_EQ(Read(Tag(3, PictureFrame(3, 3, "front")), false).picture.data, "")
        << "not read when not asked for";
}

TEST(Id3v2, DamagedOrHugePicturesAreSkippedAndTheRestIsRead) {
    const std::string huge(id3::kMaxPictureBytes + 1, 'x');
    const std::string noTerminator = Frame(3, "APIC", std::string("\0image/jpeg", 11));
    const std::string noData = Frame(3, "APIC",
                                     std::string("\0image/jpeg\0\x03"
                                                 "desc\0",
                                                 18));
    const std::string utf16Cut =
        Frame(3, "APIC", std::string("\x01image/png\0\x03\xff\xfe\x41", 15));
    const id3::Tags tags =
        Read(Tag(3, PictureFrame(3, 3, huge) + noTerminator + noData + utf16Cut +
                        TextFrame(3, "TIT2", 0, "After") + PictureFrame(3, 6, "small")));
    EXPECT_EQ(tags.title, "After");
    EXPECT_EQ(tags.picture.data, "small");
    EXPECT_EQ(Read(Tag(3, PictureFrame(3, 3, std::string(id3::kMaxPictureBytes, 'y'))))
                  .picture.data.size(),
              id3::kMaxPictureBytes)
        << "the largest picture kept";
}

TEST(Id3v2, ACutOrDamagedTagKeepsTheFramesBeforeTheDamage) {
    const std::string first = TextFrame(4, "TIT2", 3, "Kept");
    const std::string tag = Tag(4, first + TextFrame(4, "TPE1", 3, "Lost artist"));
    EXPECT_EQ(Read(tag.substr(0, tag.size() - 3)).title, "Kept");
    EXPECT_EQ(Read(tag.substr(0, tag.size() - 3)).artist, "");
    // A frame claiming more than the tag holds, and a name that is no name.
    EXPECT_EQ(Read(Tag(3, TextFrame(3, "TIT2", 0, "A") + "TPE1\x7f\0\0\0\0\0x")).title, "A");
    EXPECT_EQ(Read(Tag(3, TextFrame(3, "TIT2", 0, "A") + "tpe1\0\0\0\2\0\0\0B")).artist, "");
    // What is not a tag: another magic, a version to come, a size that is not sync-safe.
    EXPECT_FALSE(id3::Id3v2Length(std::string("ID3\x05\0\0\0\0\0\0", 10)));
    EXPECT_FALSE(id3::Id3v2Length(std::string("ID3\x03\0\0\0\0\0\x80", 10)));
    EXPECT_FALSE(id3::Id3v2Length(std::string("ID2\x03\0\0\0\0\0\0", 10)));
    EXPECT_EQ(id3::Id3v2Length(std::string("ID3\x04\0\x10\0\0\x01\x00", 10)), 10u + 128 + 10)
        << "a 2.4 footer";
}

} // namespace
