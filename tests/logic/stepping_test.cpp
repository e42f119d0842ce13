#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Calls = std::vector<std::string>;

// Tracks a, b, c, ... with the start-up volume already sent, so that only playback calls
// are recorded.
void AddLetters(Harness& h, int count) {
    for (int i = 0; i < count; ++i)
        h.addTracks({std::string(1, char('a' + i))});
    h.advance(16);
    h.clearCalls();
}

TEST(Back, RestartsAfterTenTicksAndOtherwiseGoesToThePreviousSlot) {
    Harness h;
    AddLetters(h, 4);
    h.Top.Text1.Caption = "4";
    h.run(MusicStart_Click);
    h.advance(176);
    EXPECT_EQ(h.Top.BackTicks, 11);
    EXPECT_FALSE(h.Top.MusicBackTimer.Enabled);
    h.advance(2000);
    EXPECT_EQ(h.Top.BackTicks, 11);

    h.clearCalls();
    h.run(MusicBack_Click);
    EXPECT_EQ(h.calls(), h.playCalls("d"));
    EXPECT_EQ(h.app.CurrentTrack, 3);
    EXPECT_EQ(h.markedSlot(), 3);
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(h.Top.BackTicks, 0);
    EXPECT_TRUE(h.Top.MusicBackTimer.Enabled);

    h.advance(160); // ten ticks: still within the window
    h.clearCalls();
    h.run(MusicBack_Click);
    EXPECT_EQ(h.calls(), h.playCalls("c"));
    EXPECT_EQ(h.markedSlot(), 2);
    EXPECT_EQ(h.Top.PlayState, 1);
    h.advance(48);
    h.run(MusicBack_Click);
    h.run(MusicBack_Click);
    EXPECT_EQ(h.markedSlot(), 0);
    h.clearCalls();
    h.run(MusicBack_Click); // no wrap to the last slot
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.markedSlot(), 0);
    EXPECT_EQ(h.app.CurrentTrack, 0);

    // Both back paths start the seconds at 0, so the next Timer1 tick shows 0:01.
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:01");
}

TEST(Back, DoesNothingWhileIdleStoppedOrFinished) {
    Harness h;
    AddLetters(h, 3);
    h.run(MusicBack_Click);
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.Top.PlayState, 0);
    h.Top.Text1.Caption = "2";
    h.run(MusicStart_Click);
    h.run(MusicStop_Click);
    h.clearCalls();
    h.run(MusicBack_Click); // within ten ticks
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.Top.PlayState, 4);
    h.Top.Text1.Caption = "3";
    h.run(MusicStart_Click);
    h.endOfTrack();
    h.advance(500);
    ASSERT_EQ(h.Top.PlayState, 3);
    h.clearCalls();
    h.run(MusicBack_Click); // after ten ticks
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.Top.PlayState, 3);
    EXPECT_EQ(h.markedSlot(), -1);
}

TEST(Back, FromPauseToThePreviousSlotKeepsTheClockAndTheEndOfTrackRunning) {
    Harness h;
    AddLetters(h, 3);
    h.Top.Text1.Caption = "2";
    h.run(MusicStart_Click);
    h.advance(50);
    h.run(MusicPause_Click);
    h.clearCalls();
    h.run(MusicBack_Click);
    EXPECT_EQ(h.calls(), h.playCalls("a"));
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_TRUE(h.Top.Timer1.Enabled);
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:01");
    h.endOfTrack();
    h.clearCalls();
    h.advance(950);
    EXPECT_EQ(h.calls(), h.playCalls("b"));
}

TEST(Forward, PlaysTheNextSlotFromAnyStateButNeverPastTheLast) {
    Harness h;
    AddLetters(h, 3);
    h.run(MusicFoward_Click); // idle
    EXPECT_EQ(h.calls(), h.playCalls("b"));
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_EQ(h.markedSlot(), 1);
    EXPECT_EQ(h.Top.Label1.Caption, "再生中");
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.Timer1.Enabled);
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:00");

    h.run(MusicPause_Click);
    h.clearCalls();
    h.run(MusicFoward_Click); // paused
    EXPECT_EQ(h.calls(), h.playCalls("c"));
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
    EXPECT_TRUE(h.Top.MusicPause.Enabled);

    h.Top.selectRepeatOption(0);
    h.clearCalls();
    h.run(MusicFoward_Click); // the last slot, even repeating all
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.markedSlot(), 2);

    h.run(MusicStop_Click);
    h.clearCalls();
    h.run(MusicFoward_Click); // stopped: slot 1
    EXPECT_EQ(h.calls(), h.playCalls("b"));

    h.failPathsContaining("/c");
    h.run(MusicFoward_Click);
    EXPECT_EQ(h.ui.messages, Calls{"ファイルを開けませんでした。"});
    EXPECT_EQ(h.app.CurrentTrack, 2);
    EXPECT_EQ(h.markedSlot(), -1);
    EXPECT_FALSE(h.Top.MusicStart.Enabled);
}

TEST(Forward, DoesNothingWithOneTrack) {
    Harness h;
    AddLetters(h, 1);
    h.run(MusicFoward_Click);
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.Top.PlayState, 0);
}

} // namespace
} // namespace zt4::test
