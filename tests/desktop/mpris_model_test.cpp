#include "harness.h"
#include "mpris/mpris_model.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

// PlaybackStatus, the current slot and the four Can… flags (play, pause, next, previous).
std::string seen(const App& a) {
    const MprisState s = MprisRead(a);
    return s.playbackStatus + " " + std::to_string(s.track.slot) + " " + (s.canPlay ? "1" : "0") +
           (s.canPause ? "1" : "0") + (s.canGoNext ? "1" : "0") + (s.canGoPrevious ? "1" : "0");
}

TEST(Mpris, AnEmptyListIsStoppedWithoutATrack) {
    Harness h;
    EXPECT_EQ(seen(h.app), "Stopped -1 0111");
    const MprisState s = MprisRead(h.app);
    EXPECT_EQ(s.loopStatus, "None");
    EXPECT_DOUBLE_EQ(s.volume, 0.6);
    EXPECT_EQ(s.track, MprisTrack{});
    EXPECT_TRUE(h.callsOf(MprisPlay).empty()); // 再生 is disabled
}

TEST(Mpris, TheMethodsClickTheirButtonsOnlyWhenEnabled) {
    Harness h;
    h.addTracks({"a.mp3", "b.mp3"});
    const MprisTrack before = MprisRead(h.app).track;
    EXPECT_EQ(before.slot, 0);
    EXPECT_EQ(before.title, "a.mp3"); // not opened yet: the file name
    EXPECT_EQ(before.lengthUs, 0);

    EXPECT_EQ(h.callsOf(MprisPlayPause), h.playCalls("a.mp3"));
    EXPECT_EQ(seen(h.app), "Playing 0 1111");
    EXPECT_EQ(MprisRead(h.app).track.title, "fake"); // the library's tag
    EXPECT_TRUE(h.callsOf(MprisPlay).empty());       // 再生 is disabled while playing
    EXPECT_EQ(h.callsOf(MprisPlayPause), std::vector<std::string>{"vbmp3_pause()"});
    EXPECT_EQ(seen(h.app), "Paused 0 1111");
    EXPECT_EQ(h.callsOf(MprisPlayPause), std::vector<std::string>{"vbmp3_restart()"});
    EXPECT_EQ(h.callsOf(MprisNext), h.playCalls("b.mp3"));
    EXPECT_EQ(seen(h.app), "Playing 1 1111");
    EXPECT_EQ(h.callsOf(MprisPause), std::vector<std::string>{"vbmp3_pause()"});
    h.run(MprisStop);
    EXPECT_EQ(h.status(), "4 停止しました ●- 1100");
    EXPECT_EQ(seen(h.app), "Stopped 0 1111");

    h.Top.MusicFoward.Enabled = h.Top.MusicBack.Enabled = h.Top.MusicStop.Enabled = false;
    for (void (*method)(App&) : {MprisNext, MprisPrevious, MprisStop})
        EXPECT_TRUE(h.callsOf(method).empty());
    EXPECT_EQ(seen(h.app), "Stopped 0 1100");
}

TEST(Mpris, PlayWhilePlayingChangesNothingWhilePausedResumes) {
    Harness h;
    h.addTracks({"a.mp3", "b.mp3"});
    h.Top.Text1.Caption = "2";
    h.run(MusicStart_Click);
    h.advance(3000);
    // A file added while a track plays enables 再生; Play must not start b.mp3 afresh or
    // jump to the number in the box.
    h.addTracks({"c.mp3"});
    ASSERT_TRUE(h.Top.MusicStart.Enabled);
    const std::string playing = h.status();
    EXPECT_TRUE(h.callsOf(MprisPlay).empty());
    EXPECT_EQ(h.status(), playing);
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 3000000);

    h.run(MprisPause);
    h.advance(1000);
    EXPECT_EQ(h.callsOf(MprisPlay), std::vector<std::string>{"vbmp3_restart()"});
    EXPECT_EQ(h.status(), "1 再生中 ●1 0111"); // as after a click on 再生
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 3000000);
}

TEST(Mpris, PositionIsTheTimeActuallyPlayedNotTheClockLabels) {
    Harness h;
    h.addTracks({"a.mp3", "b.mp3"});
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 0);
    h.advance(500);
    h.run(MprisPlay);
    h.advance(10000);
    EXPECT_EQ(h.clock(), "0:09"); // ten ticks of 950 ms, the first showing 0:00
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 10000000);

    h.run(MprisPause);
    h.advance(4321);
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 10000000);
    h.run(MprisPlay);
    h.advance(2500);
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 12500000);

    // The library tells the end once the last sound was heard: the count stops there until
    // the next track starts from 0.
    h.endOfTrack();
    h.advance(100);
    EXPECT_EQ(MprisRead(h.app).track.slot, 0);
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 12500000);
    h.advance(950);
    EXPECT_EQ(MprisRead(h.app).track.slot, 1);
    const int64_t started = MprisPositionUs(h.app, h.now);
    EXPECT_LT(started, 950000);
    h.advance(1234);
    EXPECT_EQ(MprisPositionUs(h.app, h.now), started + 1234000);

    h.run(MprisStop);
    h.advance(1000);
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 0);
}

TEST(Mpris, EveryPlaybackIsANewTrackAndOnlyARestartOfTheSameOneIsASeek) {
    Harness h;
    h.addTracks({"a.mp3", "b.mp3"});
    const MprisTrack idle = MprisRead(h.app).track;
    h.run(MprisPlay);
    const MprisTrack first = MprisRead(h.app).track;
    EXPECT_NE(MprisTrackId(first), MprisTrackId(idle));
    EXPECT_FALSE(MprisRestarted(idle, first)); // the first play starts at 0 as clients expect
    h.advance(950 * 12);

    // Back after the restart window plays a.mp3 again from 0.
    h.run(MprisPrevious);
    const MprisTrack again = MprisRead(h.app).track;
    EXPECT_EQ(again.slot, 0);
    EXPECT_NE(MprisTrackId(again), MprisTrackId(first));
    EXPECT_TRUE(MprisRestarted(first, again));
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 0);

    h.run(MprisNext);
    const MprisTrack next = MprisRead(h.app).track;
    EXPECT_FALSE(MprisRestarted(again, next));
    EXPECT_NE(MprisTrackId(next), MprisTrackId(again));

    // Repeat-one plays the ended track again.
    h.Top.selectRepeatOption(kRepeatOne);
    h.run([](App& a) { RepeatOption_Click(a, kRepeatOne); });
    h.advance(2000);
    h.endOfTrack();
    h.advance(16);
    const MprisTrack repeated = MprisRead(h.app).track;
    EXPECT_EQ(repeated.slot, 1);
    EXPECT_TRUE(MprisRestarted(next, repeated));
    EXPECT_EQ(MprisPositionUs(h.app, h.now), 0);

    // Pause and play again go on in the same track.
    h.run(MprisPause);
    h.run(MprisPlay);
    EXPECT_EQ(MprisRead(h.app).track, repeated);
}

TEST(Mpris, LoopStatusAndVolumeAreSetAsTheirControlsWould) {
    Harness h;
    h.run([](App& a) { MprisSetLoopStatus(a, "Track"); });
    EXPECT_EQ(h.Top.selectedRepeatOption(), 1);
    EXPECT_EQ(MprisRead(h.app).loopStatus, "Track");
    h.run([](App& a) { MprisSetLoopStatus(a, "Shuffle"); });
    EXPECT_EQ(MprisRead(h.app).loopStatus, "Track");
    h.run([](App& a) { MprisSetLoopStatus(a, "Playlist"); });
    EXPECT_EQ(h.Top.selectedRepeatOption(), 0);

    h.run([](App& a) { MprisSetVolume(a, 0.3); });
    EXPECT_EQ(h.callsWithin(20), std::vector<std::string>{"vbmp3_setVolume(30,30)"});
    EXPECT_DOUBLE_EQ(MprisRead(h.app).volume, 0.3);
    // The knob stops at the end of its track, which is 96, and at the other end, 0.
    h.run([](App& a) { MprisSetVolume(a, 1.5); });
    EXPECT_EQ(h.callsWithin(20), std::vector<std::string>{"vbmp3_setVolume(96,96)"});
    h.run([](App& a) { MprisSetVolume(a, -1); });
    EXPECT_EQ(h.callsWithin(20), std::vector<std::string>{"vbmp3_setVolume(0,0)"});
}

} // namespace
} // namespace zt4::test
