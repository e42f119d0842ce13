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
    EXPECT_FALSE(h.Top.MusicBackTimer.Enabled);
    h.advance(2000);
    EXPECT_EQ(h.Top.BackTicks, 11);

    EXPECT_EQ(h.callsOf(MusicBack_Click), h.playCalls("d"));
    EXPECT_EQ(h.markedSlot(), 3);
    EXPECT_EQ(h.clock(), "0:00");

    h.advance(160); // ten ticks: still within the window
    EXPECT_EQ(h.callsOf(MusicBack_Click), h.playCalls("c"));
    EXPECT_EQ(h.markedSlot(), 2);
    h.advance(48);
    h.run(MusicBack_Click);
    h.run(MusicBack_Click);
    EXPECT_TRUE(h.callsOf(MusicBack_Click).empty()); // no wrap to the last slot
    EXPECT_EQ(h.status(), "1 再生中 ●0 0111");

    // Both back paths start the seconds at 0, so the next Timer1 tick shows 0:01.
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:01");
}

TEST(Back, DoesNothingWhileIdleStoppedOrFinished) {
    Harness h;
    AddLetters(h, 3);
    EXPECT_TRUE(h.callsOf(MusicBack_Click).empty());
    h.Top.Text1.Caption = "2";
    h.run(MusicStart_Click);
    h.run(MusicStop_Click);
    EXPECT_TRUE(h.callsOf(MusicBack_Click).empty()); // within ten ticks
    h.Top.Text1.Caption = "3";
    h.run(MusicStart_Click);
    h.endOfTrack();
    h.advance(500);
    EXPECT_TRUE(h.callsOf(MusicBack_Click).empty()); // after ten ticks
    EXPECT_EQ(h.status(), "3 終了！ ●- 1110");
}

TEST(Back, FromPauseToThePreviousSlotKeepsTheClockAndTheEndOfTrackRunning) {
    Harness h;
    AddLetters(h, 3);
    h.Top.Text1.Caption = "2";
    h.run(MusicStart_Click);
    h.advance(50);
    h.run(MusicPause_Click);
    EXPECT_EQ(h.callsOf(MusicBack_Click), h.playCalls("a"));
    EXPECT_EQ(h.status(), "1 再生中 ●0 1111"); // Start stays enabled as it was
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:01");
    h.endOfTrack();
    EXPECT_EQ(h.callsWithin(950), h.playCalls("b"));
}

TEST(Forward, PlaysTheNextSlotFromAnyStateButNeverPastTheLast) {
    Harness h;
    AddLetters(h, 3);
    EXPECT_EQ(h.callsOf(MusicFoward_Click), h.playCalls("b")); // idle
    EXPECT_EQ(h.status(), "1 再生中 ●1 0111");
    h.advance(950);
    EXPECT_EQ(h.clock(), "0:00");

    h.run(MusicPause_Click);
    EXPECT_EQ(h.callsOf(MusicFoward_Click), h.playCalls("c")); // paused
    EXPECT_EQ(h.status(), "1 再生中 ●2 0111");

    h.Top.selectRepeatOption(0);
    EXPECT_TRUE(h.callsOf(MusicFoward_Click).empty()); // the last slot, even repeating all

    // Stopped, forward goes to slot 1; failing to open it keeps what was done before.
    h.run(MusicStop_Click);
    h.failPathsContaining("/b");
    h.run(MusicFoward_Click);
    EXPECT_EQ(h.ui.messages, Calls{"ファイルを開けませんでした。"});
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_EQ(h.status(), "4 停止しました ●- 0111");
    h.failPathsContaining("");
    h.run(MusicStop_Click);
    EXPECT_EQ(h.callsOf(MusicFoward_Click), h.playCalls("b"));
}

} // namespace
} // namespace zt4::test
