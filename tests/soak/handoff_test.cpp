// The player's one cross-thread hand-off, with the real library: its playback thread posts
// each end of file into the binding's queue while the UI thread drains it through the
// dispatcher and commands open and close files. The thread sanitizer build checks the
// hand-off; every build checks that the ends of replaced or closed files are dropped and the
// others acted on. One end of each kind is made on purpose, as random timing may bring none.

#include "harness.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace zt4::test {
namespace {

TEST(Handoff, EndsFromThePlaybackThreadMeetCommandsOnTheUiThread) {
    setenv("VBMP3_OUTPUT", "test", 1); // each short file ends within milliseconds
    Harness h(VBMP3_TEST_MP3_DIR, REAL_VBMP3_PATH);
    Vbmp3Binding& lib = h.lib;
    // The file generation as each end arrived, to tell afterwards which were stale.
    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<uint64_t> arrivals;
    lib.events().setWake([&] {
        std::lock_guard<std::mutex> lock(mutex);
        arrivals.push_back(lib.fileGeneration());
        arrived.notify_all();
    });
    // Until an end is in the queue, not yet taken.
    auto waitForAnEnd = [&] {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(60), [&] { return !arrivals.empty(); });
    };
    int stale = 0, current = 0;
    auto drain = [&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (uint64_t generation : arrivals)
                (generation == lib.fileGeneration() ? current : stale) += 1;
            arrivals.clear();
        }
        h.dispatcher.pump();
    };
    h.addTracks({"short1.mp3", "short2.mp3", "short1.mp3"});
    h.Top.selectRepeatOption(kRepeatAll);
    h.run([](App& a) { RepeatOption_Click(a, kRepeatAll); });

    // The commands are called straight, without the pump that follows a click, so that the
    // end waits in the queue. One that arrives before its file is closed is dropped.
    MusicStart_Click(h.app);
    ASSERT_TRUE(waitForAnEnd()) << "the first file never ended";
    MusicStop_Click(h.app);
    drain();
    EXPECT_EQ(stale, 1);
    EXPECT_EQ(h.app.CurrentTrack, 0) << "the end of a closed file was acted on";
    EXPECT_EQ(h.app.NextTrackPending, 0);
    // One that arrives while its file is still open is acted on: the next file is due.
    MusicStart_Click(h.app);
    ASSERT_TRUE(waitForAnEnd()) << "the first file never ended";
    drain();
    EXPECT_EQ(current, 1);
    EXPECT_EQ(h.app.CurrentTrack, 1) << "the end of the open file was dropped";
    EXPECT_EQ(h.app.NextTrackPending, 1);

    std::mt19937 rng(7);
    void (*const commands[])(App&) = {MusicStart_Click, MusicStop_Click, MusicFoward_Click,
                                      MusicBack_Click, MusicPause_Click};
    for (int step = 0; step < 300; ++step) {
        void (*command)(App&) = commands[rng() % 5];
        if (command != MusicStart_Click || h.Top.MusicStart.Enabled)
            h.run(command);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
        drain();
        h.now += 1000; // the ticks that act on an end
        drain();
        SCOPED_TRACE(step);
        ASSERT_EQ(h.playlistProblem(), "");
        ASSERT_NE(h.Top.PlayState, kFinished); // the list repeats
        ASSERT_TRUE(h.ui.messages.empty());
    }
    h.run(exit_Click);
    lib.events().setWake(nullptr);
    std::printf("ends acted on %d, dropped as stale %d\n", current, stale);
}

} // namespace
} // namespace zt4::test
