// A file's tags: ID3v2 at its start, ID3v1 at its end for what the first lacks.
#include "id3/tag_file.h"
#include "tag_writer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace tag_writer;

class TagFile : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/zt4-tags-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    std::string dir_;
};

TEST_F(TagFile, Id3v2FirstThenId3v1ForWhatItLacks) {
    const std::string audio(5000, '\x55');
    const std::string path = Write(
        "both.mp3", Tag(3,
                        TextFrame(3, "TIT2", 1, std::string("\xff\xfe\x6a\x54", 4)) +
                            PictureFrame(3, 3, "cover"),
                        0, 100) +
                        audio + Id3v1("v1 title", "\x92\xc5\x96\xbc\x97\xd1\x8c\xe7", "Caf\xe9"));
    id3::Tags tags = id3::ReadTagsOfFile(path, true);
    EXPECT_EQ(tags.title, "呪");
    EXPECT_EQ(tags.artist, "椎名林檎");
    EXPECT_EQ(tags.album, "Café");
    EXPECT_EQ(tags.picture.data, "cover");

    tags = id3::ReadTagsOfFile(Write("v1.mp3", audio + Id3v1("Only", "", "")), true);
    EXPECT_EQ(tags.title, "Only");
    EXPECT_EQ(tags.picture.data, "");
}

TEST_F(TagFile, WhatCannotBeReadHasNoTags) {
    EXPECT_EQ(id3::ReadTagsOfFile(dir_ + "/missing.mp3", true).title, "");
    EXPECT_EQ(id3::ReadTagsOfFile(dir_, true).title, "");
    ASSERT_EQ(mkfifo((dir_ + "/pipe.mp3").c_str(), 0600), 0);
    EXPECT_EQ(id3::ReadTagsOfFile(dir_ + "/pipe.mp3", true).title, "") << "and without waiting";
    // A header that announces far more than the file holds: the frames there are read.
    std::string cut = Tag(4, TextFrame(4, "TIT2", 3, "Cut"));
    cut.replace(6, 4, SyncSafe(200u << 20));
    EXPECT_EQ(id3::ReadTagsOfFile(Write("cut.mp3", cut), true).title, "Cut");
}

} // namespace
