#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Calls = std::vector<std::string>;

TEST(Start, PlaysTheNumberedSlotOrElseTheCurrentOne) {
    Harness h;
    h.addTracks({"a", "b", "c"});
    EXPECT_EQ(h.callsOf(MusicStart_Click), h.playCalls("a"));
    EXPECT_EQ(h.status(), "1 再生中 ●0 0111");
    EXPECT_EQ(h.clock(), "0:00");
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:00"); // the first tick shows 0:00, the second 0:01
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:01");

    // A new start while playing opens the chosen file without closing the old one.
    h.Top.Text1.Caption = "3";
    EXPECT_EQ(h.callsOf(MusicStart_Click), h.playCalls("c"));
    EXPECT_EQ(h.status(), "1 再生中 ●2 0111");
    EXPECT_EQ(h.Top.Text1.Caption, "3");

    // After Stop the number in the box still counts; an empty box means slot 0.
    for (const char* box : {"3", ""}) {
        h.Top.Text1.Caption = box;
        h.run(MusicStop_Click);
        EXPECT_EQ(h.callsOf(MusicStart_Click), h.playCalls(*box ? "c" : "a"));
    }
    EXPECT_TRUE(h.ui.messages.empty());
}

TEST(Start, RefusesNumbersItCannotPlayAndEmptiesTheBox) {
    Harness h;
    h.addTracks({"a", "b", "c"});
    h.clearCalls();
    const std::pair<const char*, const char*> cases[] = {
        {"0", "不適な数字です"},  {"00", "不適な数字です"}, {"05", "不適な数字です"},
        {"a1", "不適な数字です"}, {"1a", "不適な数字です"}, {"4", "選曲範囲外です"},
    };
    for (const auto& [text, message] : cases) {
        h.ui.messages.clear();
        h.Top.Text1.Caption = text;
        h.run(MusicStart_Click);
        EXPECT_EQ(h.ui.messages, Calls{message}) << text;
        EXPECT_EQ(h.Top.Text1.Caption, "") << text;
    }
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.status(), std::string("0 ") + TopForm::kInstruction + " ●- 1100");
}

TEST(PauseAndStop, FollowTheStateTable) {
    Harness h;
    h.clearCalls();
    h.run(MusicStop_Click); // an empty list: nothing at all
    h.addTracks({"a", "b"});
    h.run(MusicPause_Click); // idle: nothing
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.status(), std::string("0 ") + TopForm::kInstruction + " ●- 1100");

    h.run(MusicStart_Click);
    EXPECT_EQ(h.callsOf(MusicPause_Click), Calls{"vbmp3_pause()"});
    EXPECT_EQ(h.status(), "2 一時停止 ●0 1100");

    h.Top.Text1.Caption = "2"; // resume ignores the box
    EXPECT_EQ(h.callsOf(MusicStart_Click), Calls{"vbmp3_restart()"});
    EXPECT_EQ(h.status(), "1 再生中 ●0 0111");

    h.advance(2000);
    EXPECT_EQ(h.callsOf(MusicStop_Click), Calls{"vbmp3_close()"});
    EXPECT_EQ(h.status(), "4 停止しました ●- 1100");
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(h.app.CurrentTrack, 0);

    EXPECT_TRUE(h.callsOf(MusicPause_Click).empty()); // stopped: nothing
    EXPECT_EQ(h.status(), "4 停止しました ●- 1100");
}

TEST(TrackNumberBox, LetsOnlyDigitsAndBackspaceThrough) {
    Harness h;
    for (int code = 0; code < 256; ++code) {
        int16_t key = int16_t(code);
        h.run([&key](App& a) { Text1_KeyPress(a, key); });
        const bool passes = code == 8 || (code >= '0' && code <= '9');
        EXPECT_EQ(key, passes ? code : 0) << code;
    }
}

TEST(Start, AFailedOpenKeepsTheEarlierStepsAndStopThenStartRecover) {
    Harness h;
    h.addTracks({"a", "b", "c"});
    h.run(MusicStart_Click);
    h.failPathsContaining("/b");
    h.Top.Text1.Caption = "2";
    EXPECT_EQ(h.callsOf(MusicStart_Click), Calls{"vbmp3_open(" + h.pathOf("b") + ")"});
    EXPECT_EQ(h.ui.messages, Calls{"ファイルを開けませんでした。"});
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_EQ(h.status(), "1 再生中 ●- 0111"); // the box named a slot, so the old mark went

    h.run(MusicStop_Click);
    h.run(MusicStart_Click);
    EXPECT_EQ(h.ui.messages.size(), 2u);
    EXPECT_EQ(h.status(), "4 停止しました ●- 0111");

    h.failPathsContaining("");
    h.run(MusicStop_Click);
    EXPECT_EQ(h.callsOf(MusicStart_Click), h.playCalls("b"));
    EXPECT_EQ(h.status(), "1 再生中 ●1 0111");
}

} // namespace
} // namespace zt4::test
