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
    h.advance(950 * 3);
    EXPECT_EQ(h.clock(), "0:02");
    EXPECT_EQ(MprisPositionUs(h.app), 2000000);

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
