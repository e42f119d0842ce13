#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Calls = std::vector<std::string>;

TEST(Start, PlaysTheNumberedSlotOrElseTheCurrentOne) {
    Harness h;
    h.addTracks({"a", "b", "c"});
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls(), h.playCalls("a"));
    EXPECT_EQ(h.markedSlot(), 0);
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_EQ(h.Top.Label1.Caption, "再生中");
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.MusicPause.Enabled);
    EXPECT_TRUE(h.Top.Timer1.Enabled);
    EXPECT_TRUE(h.Top.MusicBackTimer.Enabled);

    // A new start while playing opens the chosen file without closing the old one.
    h.Top.Text1.Caption = "3";
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls(), h.playCalls("c"));
    EXPECT_EQ(h.markedSlot(), 2);
    EXPECT_EQ(h.Top.Text1.Caption, "3");

    // After Stop the number in the box still counts; an empty box means slot 0.
    h.run(MusicStop_Click);
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls(), h.playCalls("c"));
    h.Top.Text1.Caption = "";
    h.run(MusicStop_Click);
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls(), h.playCalls("a"));
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
    EXPECT_EQ(h.Top.PlayState, 0);
    EXPECT_TRUE(h.Top.MusicStart.Enabled);
    EXPECT_FALSE(h.Top.Timer1.Enabled);
}

TEST(Start, TheFirstTimer1TickShowsNoughtAndTheSecondOneSecond) {
    Harness h;
    h.addTracks({"a"});
    h.run(MusicStart_Click);
    EXPECT_EQ(h.clock(), "0:00");
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:00");
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:01");
}

TEST(PauseAndStop, FollowTheStateTable) {
    Harness h;
    h.addTracks({"a", "b"});
    h.clearCalls();
    h.run(MusicPause_Click); // idle: nothing
    EXPECT_EQ(h.Top.Label1.Caption, TopForm::kInstruction);
    EXPECT_TRUE(h.calls().empty());

    h.run(MusicStart_Click);
    h.clearCalls();
    h.run(MusicPause_Click);
    EXPECT_EQ(h.calls(), Calls{"vbmp3_pause()"});
    EXPECT_EQ(h.Top.PlayState, 2);
    EXPECT_EQ(h.Top.Label1.Caption, "一時停止");
    EXPECT_TRUE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.MusicPause.Enabled);
    EXPECT_FALSE(h.Top.Timer1.Enabled);
    EXPECT_FALSE(h.Top.MusicBackTimer.Enabled);
    EXPECT_EQ(h.markedSlot(), 0);

    // Resume ignores the box.
    h.Top.Text1.Caption = "2";
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls(), Calls{"vbmp3_restart()"});
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_EQ(h.Top.Label1.Caption, "再生中");
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.Timer1.Enabled);
    EXPECT_EQ(h.markedSlot(), 0);
    EXPECT_EQ(h.Top.Text1.Caption, "2");

    h.advance(2000);
    h.clearCalls();
    h.run(MusicStop_Click);
    EXPECT_EQ(h.calls(), Calls{"vbmp3_close()"});
    EXPECT_EQ(h.Top.PlayState, 4);
    EXPECT_EQ(h.Top.Label1.Caption, "停止しました");
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(h.markedSlot(), -1);
    EXPECT_EQ(h.app.CurrentTrack, 0);
    EXPECT_TRUE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.MusicPause.Enabled);
    EXPECT_FALSE(h.Top.Timer1.Enabled);

    h.clearCalls();
    h.run(MusicPause_Click); // stopped: nothing
    EXPECT_EQ(h.Top.PlayState, 4);
    EXPECT_TRUE(h.calls().empty());
}

TEST(PauseAndStop, StopWithAnEmptyListChangesNothing) {
    Harness h;
    h.clearCalls();
    h.run(MusicStop_Click);
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.Top.Label1.Caption, TopForm::kInstruction);
    EXPECT_EQ(h.Top.PlayState, 0);
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
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
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.ui.messages, Calls{"ファイルを開けませんでした。"});
    EXPECT_EQ(h.calls(), Calls{"vbmp3_open(" + h.pathOf("b") + ")"});
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_TRUE(h.Top.Timer1.Enabled);
    EXPECT_TRUE(h.Top.MusicBackTimer.Enabled);
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.MusicPause.Enabled);
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_EQ(h.Top.Label1.Caption, "再生中");
    EXPECT_EQ(h.markedSlot(), -1); // the box named a slot, so the old mark went

    // From the stopped state the state, the status and the (absent) mark stay.
    h.run(MusicStop_Click);
    h.run(MusicStart_Click);
    EXPECT_EQ(h.Top.PlayState, 4);
    EXPECT_EQ(h.Top.Label1.Caption, "停止しました");
    EXPECT_EQ(h.markedSlot(), -1);
    EXPECT_EQ(h.ui.messages.size(), 2u);
    EXPECT_FALSE(h.Top.MusicStart.Enabled);

    h.failPathsContaining("");
    h.run(MusicStop_Click);
    h.Top.Text1.Caption = "";
    h.clearCalls();
    h.run(MusicStart_Click);
    EXPECT_EQ(h.calls(), h.playCalls("a"));
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_EQ(h.markedSlot(), 0);
}

} // namespace
} // namespace zt4::test
