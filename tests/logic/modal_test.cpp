// What the player does while the open-file dialog or a message box is open inside a
// handler: the clock, the end of a track and the volume go on; commands wait.

#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Calls = std::vector<std::string>;

// a and b in the no-repeat mode, a started, three seconds played.
void PlayTwo(Harness& h) {
    h.addTracks({"a", "b"});
    h.advance(16); // the start-up volume
    h.run(MusicStart_Click);
    h.advance(3000);
    EXPECT_EQ(h.clock(), "0:02"); // the first tick shows 0
    h.clearCalls();
}

TEST(WhileTheOpenDialogIsOpen, TheClockCountsAndAnEndedTrackIsFollowedByTheNext) {
    Harness h;
    PlayTwo(h);
    std::string clockBefore, clockAfter;
    Calls calls;
    int16_t slotsThen = -1;
    h.ui.dialogAnswers = {h.pathOf("c")};
    h.ui.duringDialog = [&] {
        h.advance(2000);
        clockBefore = h.clock();
        h.endOfTrack();
        h.advance(1000); // the tick that starts b
        calls = h.calls();
        clockAfter = h.clock();
        slotsThen = h.app.TrackCount;
    };
    h.run(AddTrack);
    EXPECT_EQ(clockBefore, "0:04");
    EXPECT_EQ(calls, h.playCalls("b"));
    EXPECT_EQ(clockAfter, "0:01");
    EXPECT_EQ(slotsThen, 2);
    // The chosen file still goes into the slot that was free when the dialog opened.
    EXPECT_EQ(h.Top.TrackPath[2], h.pathOf("c"));
    EXPECT_EQ(h.app.TrackCount, 3);
    EXPECT_EQ(h.playlistProblem(), "");
    EXPECT_EQ(h.markedSlot(), 1);
}

TEST(WhileAMessageBoxIsOpen, TheListEndsAndTheVolumeIsSentButCommandsWait) {
    Harness h; // no FAQ.txt: the FAQ command shows a message
    PlayTwo(h);
    std::string statusThen;
    Calls calls;
    h.ui.duringMessage = [&] {
        h.Top.Volumeanalyze.Left = h.Top.Volumeanalyze1.Left; // the knob where it is
        h.run(RightSide_Click);                               // waits for the box
        h.endOfTrack();
        h.advance(1000); // b starts
        h.endOfTrack();
        h.advance(100); // the end of the list
        calls = h.calls();
        statusThen = h.status();
    };
    h.run(faq_Click);
    EXPECT_EQ(h.ui.messages, Calls{"カレントフォルダにFAQ.txtがありません。"});
    Calls expected = h.playCalls("b");
    expected.push_back("vbmp3_close()");
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(statusThen, "3 終了！ ●- 1110");
    // The button pressed during the box ran once it closed, and its volume timer after it.
    EXPECT_EQ(h.callsWithin(100), Calls{"vbmp3_setVolume(62,62)"});
}

// A timer's tick that waits on its own message box is not run again meanwhile: a repeat
// that fails to reopen its slot, or the next slot failing, shows one box, not one per tick.
TEST(WhileAMessageBoxIsOpen, APostedCommandWaitsForTheHandlerThatShowsIt) {
    Harness h; // no FAQ.txt: the FAQ command shows a message
    PlayTwo(h);
    int16_t stateInside = -1;
    std::string clockInside;
    h.ui.duringMessage = [&] {
        h.dispatcher.post(MusicStop_Click); // a media key, say
        h.advance(1000);
        stateInside = h.Top.PlayState;
        clockInside = h.clock();
    };
    h.run(faq_Click);
    EXPECT_EQ(stateInside, kPlaying);
    EXPECT_EQ(clockInside, "0:03"); // the clock went on meanwhile
    EXPECT_EQ(h.Top.PlayState, kStopped);
}

TEST(WhileAMessageBoxIsOpen, TheTimerWhoseTickShowsItDoesNotTickAgain) {
    for (bool repeatOne : {true, false}) {
        Harness h;
        h.addTracks({"a", "b"});
        if (repeatOne) {
            h.Top.selectRepeatOption(kRepeatOne);
            h.run([](App& a) { RepeatOption_Click(a, kRepeatOne); });
        }
        h.run(MusicStart_Click);
        h.failPathsContaining(repeatOne ? "/a" : "/b");
        int nested = 0;
        h.ui.duringMessage = [&] {
            if (++nested == 1)
                h.advance(3000);
        };
        h.endOfTrack();
        h.advance(1000);
        SCOPED_TRACE(repeatOne ? "repeat one" : "next slot");
        EXPECT_EQ(nested, 1);
        EXPECT_EQ(h.app.CurrentTrack, repeatOne ? 0 : 1);
    }
}

} // namespace
} // namespace zt4::test
