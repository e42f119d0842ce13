// The covers sent to the media controls: written once, named by their bytes, and a folder
// that keeps at most fifty files or 20 MiB, the ones used longest ago going first.
#include "mpris/cover_art_cache.h"
#include "mpris/track_tags.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace zt4::test {
namespace {

namespace fs = std::filesystem;

class CoverArt : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/zt4-covers-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        folder_ = dir_ + "/cache/zt4";
    }
    void TearDown() override { fs::remove_all(dir_); }

    static id3::Picture Jpeg(const std::string& body) {
        return {"image/jpeg", 3, "\xff\xd8\xff" + body};
    }
    static std::string Contents(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Makes a stored file look used `hoursAgo` hours ago: timestamps taken in quick
    // succession may be equal, which would leave the order of eviction to chance.
    static void UsedHoursAgo(const std::string& path, int hoursAgo) {
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
    }
    size_t FileCount() const {
        return std::distance(fs::directory_iterator(folder_), fs::directory_iterator());
    }

    std::string dir_, folder_;
};

TEST_F(CoverArt, EachPictureIsWrittenOnceUnderANameFromItsBytes) {
    CoverArtCache cache(folder_);
    const std::string path = cache.Store(Jpeg("one"));
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(fs::path(path).parent_path(), fs::path(folder_));
    EXPECT_EQ(fs::path(path).extension(), ".jpg");
    EXPECT_EQ(Contents(path), "\xff\xd8\xffone");
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);

    EXPECT_EQ(CoverArtCache(folder_).Store(Jpeg("one")), path) << "the same name in another run";
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "not written again";
    EXPECT_NE(cache.Store(Jpeg("two")), path);
    EXPECT_EQ(fs::path(cache.Store({"image/png", 3, "\x89PNG..."})).extension(), ".png");
    EXPECT_EQ(FileCount(), 3u);

    EXPECT_EQ(cache.Store({}), "") << "no picture, no file";
    EXPECT_EQ(CoverArtCache("/proc/zt4-covers").Store(Jpeg("x")), "") << "a folder not writable";
}

TEST_F(CoverArt, AtMostFiftyFilesTheLeastRecentlyUsedGoFirst) {
    CoverArtCache cache(folder_);
    std::vector<std::string> paths;
    for (int i = 0; i < 50; ++i) {
        paths.push_back(cache.Store(Jpeg(std::to_string(i))));
        UsedHoursAgo(paths.back(), 100 - i); // 0 is the oldest
    }
    EXPECT_EQ(FileCount(), 50u);
    cache.Store(Jpeg("0")); // used again: now the newest
    const std::string newest = cache.Store(Jpeg("new"));
    EXPECT_EQ(FileCount(), 50u);
    EXPECT_TRUE(fs::exists(paths[0]));
    EXPECT_FALSE(fs::exists(paths[1])) << "the least recently used went";
    EXPECT_TRUE(fs::exists(paths[2]));
    EXPECT_TRUE(fs::exists(newest));
}

TEST_F(CoverArt, AtMostTwentyMebibytes) {
    CoverArtCache cache(folder_);
    const std::string big(7 * 1024 * 1024, 'x');
    const std::string first = cache.Store(Jpeg("a" + big));
    UsedHoursAgo(first, 2);
    const std::string second = cache.Store(Jpeg("b" + big));
    UsedHoursAgo(second, 1);
    EXPECT_TRUE(fs::exists(first));
    const std::string third = cache.Store(Jpeg("c" + big)); // 21 MiB in all
    EXPECT_FALSE(fs::exists(first));
    EXPECT_TRUE(fs::exists(second));
    EXPECT_TRUE(fs::exists(third));
}

TEST_F(CoverArt, TheFolderFollowsXdgCacheHome) {
    EXPECT_EQ(CoverArtCache::DefaultFolder("/x/cache", "/home/u"), "/x/cache/zt4");
    EXPECT_EQ(CoverArtCache::DefaultFolder(nullptr, "/home/u"), "/home/u/.cache/zt4");
    EXPECT_EQ(CoverArtCache::DefaultFolder("relative", "/home/u"), "/home/u/.cache/zt4");
    EXPECT_EQ(CoverArtCache::DefaultFolder("", nullptr), "");
}

TEST_F(CoverArt, ATracksAlbumAndCoverComeFromItsTags) {
    // An ID3v2.3 tag: album 音楽 in Shift-JIS marked Latin-1, and a front cover.
    const std::string album = std::string("TALB\0\0\0\x05\0\0\0", 11) + "\x89\xb9\x8a\x79";
    const std::string apic = std::string("APIC\0\0\0\x16\0\0\0image/jpeg\0\x03\0", 24) +
                             "\xff\xd8\xff"
                             "cover";
    std::string tag = std::string("ID3\x03\0\0\0\0\0", 10) + album + apic;
    tag[9] = static_cast<char>(tag.size() - 10);
    std::ofstream(dir_ + "/a.mp3", std::ios::binary) << tag << std::string(1000, '\x55');
    std::ofstream(dir_ + "/bare.mp3", std::ios::binary) << std::string(1000, '\x55');

    TrackTagReader reader{CoverArtCache(folder_)};
    const TrackTags tags = reader.Read(dir_ + "/a.mp3");
    EXPECT_EQ(tags.album, "音楽");
    ASSERT_EQ(tags.artUrl.rfind("file://" + folder_ + "/", 0), 0u) << tags.artUrl;
    EXPECT_EQ(Contents(tags.artUrl.substr(7)), "\xff\xd8\xff"
                                               "cover");
    EXPECT_EQ(reader.Read(dir_ + "/bare.mp3").artUrl, "");
    EXPECT_EQ(reader.Read(dir_ + "/bare.mp3").album, "");
}

} // namespace
} // namespace zt4::test
