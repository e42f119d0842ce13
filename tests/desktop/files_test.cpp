#include "harness.h"
#include "playlist/file_uri.h"
#include "wiring/files_from_outside.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace zt4::test {
namespace {

// Makes "<folder>/<name>" as an empty file and returns its path.
std::string touch(Harness& h, const std::string& name) {
    std::ofstream(h.pathOf(name)).put('\0');
    return h.pathOf(name);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

TEST(AddFiles, TakesExistingMp3FilesInOrderIntoTheNextSlotsAndNamesTheOthers) {
    Harness h;
    h.addTracks({"first.mp3"}); // through the dialog
    const std::string a = touch(h, "a.mp3"), b = touch(h, "b.MP3"), c = touch(h, "c.Mp3");
    const std::string notes = touch(h, "notes.txt"), bare = touch(h, "mp3");
    ASSERT_EQ(mkdir(h.pathOf("folder.mp3").c_str(), 0700), 0);
    std::ostringstream skipped;
    std::deque<std::string> batch{
        a, h.pathOf("missing.mp3"), b, notes, h.pathOf("folder.mp3"), bare, c};
    h.run([&](App& app) { AddFiles(app, batch, skipped); });
    EXPECT_TRUE(batch.empty());
    EXPECT_EQ(h.app.TrackCount, 4);
    EXPECT_EQ(h.Top.TrackPath[1], a);
    EXPECT_EQ(h.Top.TrackPath[2], b);
    EXPECT_EQ(h.Top.TrackPath[3], c);
    EXPECT_EQ(h.Top.mpath[2].Caption, "★3★b.MP3");
    EXPECT_EQ(h.playlistProblem(), "");
    EXPECT_TRUE(h.ui.messages.empty());
    EXPECT_EQ(lines(skipped.str()),
              (std::vector<std::string>{"zt4: not an MP3 file, skipped: " + h.pathOf("missing.mp3"),
                                        "zt4: not an MP3 file, skipped: " + notes,
                                        "zt4: not an MP3 file, skipped: " + h.pathOf("folder.mp3"),
                                        "zt4: not an MP3 file, skipped: " + bare}));
    // The first file added from outside makes the play button usable, as a dialog add does.
    Harness empty;
    const std::string only = touch(empty, "only.mp3");
    EXPECT_FALSE(empty.Top.MusicStart.Enabled);
    std::deque<std::string> one{only};
    empty.run([&](App& app) { AddFiles(app, one, skipped); });
    EXPECT_TRUE(empty.Top.MusicStart.Enabled);
}

TEST(AddFiles, AFullListSaysSoOnceForTheBatchAndTakesNoMore) {
    Harness h;
    std::deque<std::string> files;
    for (int i = 1; i <= 25; ++i)
        files.push_back(touch(h, "t" + std::to_string(i) + ".mp3"));
    const std::string twentieth = files[19];
    // More of the same hand-over arrive while the message is open.
    h.ui.duringMessage = [&] { files.push_back(touch(h, "late.mp3")); };
    std::ostringstream skipped;
    h.run([&](App& app) { AddFiles(app, files, skipped); });
    EXPECT_EQ(h.app.TrackCount, 20);
    EXPECT_EQ(h.Top.TrackPath[19], twentieth);
    EXPECT_EQ(h.ui.messages, std::vector<std::string>{"選曲数は20以内でお願いします"});
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(skipped.str(), "");
    EXPECT_EQ(h.playlistProblem(), "");
    // Exactly filling the list is no reason for the message.
    Harness exact;
    std::deque<std::string> twenty;
    for (int i = 1; i <= 20; ++i)
        twenty.push_back(touch(exact, "t" + std::to_string(i) + ".mp3"));
    exact.run([&](App& app) { AddFiles(app, twenty, skipped); });
    EXPECT_EQ(exact.app.TrackCount, 20);
    EXPECT_TRUE(exact.ui.messages.empty());
}

TEST(FilesFromOutside, HandOversJoinOneBatchThatIsAddedOnceTheCallerHasReturned) {
    Harness h;
    std::ostringstream skipped;
    FilesFromOutside outside(h.dispatcher, skipped);
    const std::string a = touch(h, "a.mp3"), b = touch(h, "b.mp3"), c = touch(h, "c.mp3");
    const int wakes = h.view.wakes;
    outside.addPaths({a});
    outside.addUri(FileUri(b));
    outside.addUri("http://example.com/x.mp3");
    outside.addUriList(FileUri(c) + "\r\n");
    EXPECT_EQ(h.app.TrackCount, 0);     // nothing runs inside the caller
    EXPECT_EQ(h.view.wakes, wakes + 1); // one batch, one run asked for
    h.dispatcher.pump();
    EXPECT_EQ(h.app.TrackCount, 3);
    EXPECT_EQ(h.Top.TrackPath[2], c);
    EXPECT_EQ(skipped.str(), "zt4: not a local file, skipped: http://example.com/x.mp3\n");

    // A hand-over that arrives while the full-list message is open belongs to that batch.
    std::vector<std::string> many;
    for (int i = 1; i <= 20; ++i)
        many.push_back(touch(h, "t" + std::to_string(i) + ".mp3"));
    h.ui.duringMessage = [&] {
        outside.addPaths({touch(h, "late.mp3")});
        h.dispatcher.pump();
    };
    outside.addPaths(many);
    h.dispatcher.pump();
    h.ui.duringMessage = nullptr;
    h.dispatcher.pump();
    EXPECT_EQ(h.app.TrackCount, 20);
    EXPECT_EQ(h.ui.messages, std::vector<std::string>{"選曲数は20以内でお願いします"});
    // Once the batch has been added, the next hand-over is a batch of its own.
    outside.addPaths({a});
    h.dispatcher.pump();
    EXPECT_EQ(h.ui.messages.size(), 2u);
}

TEST(AddFiles, ANameThatIsNotUtf8KeepsItsBytesThroughItsUriToTheLibrary) {
    Harness h;
    const std::string odd = touch(h, "caf\xe9 \xff%#?.mp3"); // Latin-1, not UTF-8
    const std::string uri = FileUri(odd);
    EXPECT_EQ(uri.substr(uri.rfind('/') + 1), "caf%E9%20%FF%25%23%3F.mp3");
    std::ostringstream skipped;
    const std::vector<std::string> paths = PathsOfUriList(
        "# from a file manager\r\n" + uri + "\r\nhttp://example.com/a.mp3\r\n", skipped);
    EXPECT_EQ(paths, std::vector<std::string>{odd});
    std::deque<std::string> dropped(paths.begin(), paths.end());
    EXPECT_EQ(skipped.str(), "zt4: not a local file, skipped: http://example.com/a.mp3\n");
    h.run([&](App& app) { AddFiles(app, dropped, skipped); });
    EXPECT_EQ(h.Top.TrackPath[0], odd);
    EXPECT_EQ(h.Top.mpath[0].Caption, "★1★caf\xe9 \xff%#?.mp3");
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls().at(0), "vbmp3_open(" + odd + ")");
}

TEST(FileUris, OnlyLocalFilesWithSoundEscapesArePaths) {
    EXPECT_EQ(PathOfFileUri("file:///a%20b/c.mp3"), "/a b/c.mp3");
    EXPECT_EQ(PathOfFileUri("file://localhost/a.mp3"), "/a.mp3");
    EXPECT_EQ(PathOfFileUri("file:/a.mp3"), "/a.mp3");
    // A NUL would cut the path short: another file than the one named.
    for (const std::string& refused :
         std::vector<std::string>{"file://elsewhere/a.mp3", "http:///a.mp3", "file:a.mp3",
                                  "file:///a%2", "file:///a%zz.mp3", "file:///a%00.mp3", "/a.mp3",
                                  std::string("file:///a.mp3\0/b.mp3", 20)})
        EXPECT_EQ(PathOfFileUri(refused), std::nullopt) << refused;
}

} // namespace
} // namespace zt4::test
