#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Calls = std::vector<std::string>;

const Rgb kChosen{255, 185, 0};
const Rgb kOther{0, 230, 255};

// Three tracks a, b, c in the given repeat mode, slot `first` started.
void PlayThree(Harness& h, int mode, int first) {
    h.addTracks({"a", "b", "c"});
    h.advance(16); // the start-up volume
    h.Top.selectRepeatOption(mode);
    h.run([mode](App& a) { RepeatOption_Click(a, mode); });
    h.Top.Text1.Caption = std::to_string(first + 1);
    h.run(MusicStart_Click);
    h.clearCalls();
}

TEST(EndOfTrack, WithoutRepeatTheNextTickPlaysOnUntilTheListEnds) {
    Harness h;
    PlayThree(h, 2, 0);
    h.advance(950);
    h.endOfTrack();
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_EQ(h.markedSlot(), 0);
    h.advance(949);
    EXPECT_TRUE(h.calls().empty());
    h.advance(1);
    EXPECT_EQ(h.calls(), h.playCalls("b"));
    EXPECT_EQ(h.markedSlot(), 1);
    EXPECT_EQ(h.clock(), "0:01");

    h.endOfTrack();
    h.advance(950);
    EXPECT_EQ(h.markedSlot(), 2);
    h.advance(950);
    h.endOfTrack();
    EXPECT_EQ(h.callsWithin(16), Calls{"vbmp3_close()"});
    EXPECT_EQ(h.status(), "3 終了！ ●- 1110");
    EXPECT_EQ(h.app.CurrentTrack, 0);
    h.advance(5000); // Timer1 stays on but idle: the last time stays shown
    EXPECT_EQ(h.clock(), "0:02");

    h.Top.Text1.Caption = "";
    EXPECT_EQ(h.callsOf(MusicStart_Click), h.playCalls("a"));
}

TEST(EndOfTrack, RepeatOnePlaysTheSameSlotAgainAtOnce) {
    for (int slot : {1, 2}) { // a middle slot and the last one
        Harness h;
        PlayThree(h, 1, slot);
        h.advance(950 * 3);
        EXPECT_EQ(h.clock(), "0:02");
        h.endOfTrack();
        EXPECT_EQ(h.callsWithin(16), h.playCalls(slot == 1 ? "b" : "c"));
        EXPECT_EQ(h.app.CurrentTrack, slot);
        EXPECT_EQ(h.clock(), "0:00");
        h.advance(950);
        EXPECT_EQ(h.clock(), "0:01");
    }
}

// Repeat all takes the last slot to the first; other slots go on through Timer1.
TEST(EndOfTrack, AModeChosenWhileTheLastSlotPlaysCountsAtItsEnd) {
    Harness h;
    PlayThree(h, 2, 2);
    for (int mode : {1, 2, 0}) {
        h.Top.selectRepeatOption(mode);
        h.run([](App& a) { RepeatOption_Click(a, 2); }); // the index is not used
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(h.Top.ROLabel[i].ForeColor, i == mode ? kChosen : kOther);
    }
    h.endOfTrack();
    EXPECT_EQ(h.callsWithin(16), h.playCalls("a"));
    EXPECT_EQ(h.status(), "1 再生中 ●0 0111");
    h.endOfTrack();
    EXPECT_EQ(h.callsWithin(950), h.playCalls("b"));
}

TEST(Clock, CountsTimer1TicksAndStandsStillWhilePaused) {
    Harness h;
    PlayThree(h, 2, 0);
    h.advance(950 * 60);
    EXPECT_EQ(h.clock(), "0:59");
    h.advance(950);
    EXPECT_EQ(h.clock(), "1:00");
    h.run(MusicPause_Click);
    h.advance(5000);
    EXPECT_EQ(h.clock(), "1:00");
    h.run(MusicStart_Click);
    h.advance(950);
    EXPECT_EQ(h.clock(), "1:01");
}

TEST(EndOfTrack, IgnoresOtherEventsAndTheEndsOfReplacedOrClosedFiles) {
    Harness h;
    PlayThree(h, 2, 0);
    for (int code : {0, 3, 5})
        h.endOfTrack(code);
    EXPECT_EQ(h.app.CurrentTrack, 0);
    h.postEndOfTrack();
    h.run(MusicStart_Click); // the same slot opened again
    EXPECT_EQ(h.app.CurrentTrack, 0);
    h.postEndOfTrack();
    h.run(MusicStop_Click);
    h.advance(2000);
    EXPECT_EQ(h.app.CurrentTrack, 0);
    EXPECT_EQ(h.app.NextTrackPending, 0);
    EXPECT_FALSE(h.Top.RepeatTimer.Enabled);

    // The end of the playing file is still acted on after a message box has closed.
    h.Top.Text1.Caption = "";
    h.run(MusicStart_Click);
    h.ui.duringMessage = [&h] { h.postEndOfTrack(); };
    h.Top.Text1.Caption = "9";
    h.run(MusicStart_Click);
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_EQ(h.app.NextTrackPending, 1);
}

// Until the tick that acts on the end, the mark stands on the slot that ended while
// CurrentTrack names the next one. Stop or reset in that moment ends playback all the same.
TEST(EndOfTrack, StopOrResetBeforeTheTickThatActsOnTheEndLeaveNothingToFollow) {
    for (int mode : {0, 1, 2}) {
        for (int slot : {0, 2}) {
            for (auto command : {MusicStop_Click, FileReset_Click}) {
                Harness h;
                PlayThree(h, mode, slot);
                h.endOfTrack();
                h.run(command);
                SCOPED_TRACE(::testing::Message() << "mode " << mode << ", slot " << slot);
                EXPECT_TRUE(h.callsWithin(2000).empty());
                EXPECT_EQ(h.status(), command == MusicStop_Click
                                          ? "4 停止しました ●- 1100"
                                          : std::string("0 ") + TopForm::kInstruction + " ●- 0100");
            }
        }
    }
}

// A command that opens another file in that moment takes over from the end: the tick that
// would have wrapped to slot 0 does nothing.
TEST(EndOfTrack, ForwardBeforeTheTickThatActsOnTheEndIsNotUndone) {
    Harness h;
    PlayThree(h, 0, 2);
    h.endOfTrack();
    h.run(MusicStop_Click);
    h.run(MusicFoward_Click);
    h.clearCalls();
    h.advance(100);
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_EQ(h.markedSlot(), 1);
}

TEST(EndOfTrack, AFailedRepeatShowsOneMessageAndStopAndStartStillWork) {
    for (int mode : {1, 0}) {
        Harness h;
        PlayThree(h, mode, 2);
        h.failPathsContaining(mode == 1 ? "/c" : "/a");
        h.endOfTrack();
        h.advance(5000);
        EXPECT_EQ(h.ui.messages, Calls{"ファイルを開けませんでした。"}) << mode;
        EXPECT_FALSE(h.Top.RepeatTimer.Enabled);
        EXPECT_EQ(h.app.CurrentTrack, mode == 1 ? 2 : 0);
        EXPECT_EQ(h.calls().size(), 1u); // the one failed open

        h.failPathsContaining("");
        h.run(MusicStop_Click);
        EXPECT_EQ(h.callsOf(MusicStart_Click), h.playCalls("c")); // the box still says 3
        EXPECT_EQ(h.status(), "1 再生中 ●2 0111");
    }
}

TEST(EndOfTrack, TheNextSlotFailingToOpenIsRetriedEveryTickWithOneMessage) {
    Harness h;
    PlayThree(h, 2, 0);
    h.failPathsContaining("/b");
    h.endOfTrack();
    h.advance(950 * 4);
    EXPECT_EQ(h.ui.messages, Calls{"ファイルを開けませんでした。"});
    EXPECT_EQ(h.calls(), Calls(4, "vbmp3_open(" + h.pathOf("b") + ")"));
    EXPECT_EQ(h.app.CurrentTrack, 1);
    EXPECT_EQ(h.markedSlot(), -1);
    EXPECT_EQ(h.clock(), "0:00");

    h.failPathsContaining("");
    h.advance(950);
    EXPECT_EQ(h.markedSlot(), 1);
    EXPECT_EQ(h.clock(), "0:01");
    EXPECT_EQ(h.ui.messages.size(), 1u);

    h.failPathsContaining("/c"); // another slot failing is told again
    h.endOfTrack();
    h.advance(950 * 2);
    EXPECT_EQ(h.ui.messages.size(), 2u);
}

} // namespace
} // namespace zt4::test
