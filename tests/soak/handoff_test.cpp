// The player's one cross-thread hand-off, with the real library: its playback thread posts
// each end of file into the binding's queue while the UI thread drains it through the
// dispatcher and commands open and close files. The thread sanitizer build checks the
// hand-off; every build checks that the ends of replaced or closed files are dropped and the
// others acted on, and that both kinds came.

#include "harness.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <random>
#include <thread>
#include <unistd.h>
#include <vector>

namespace zt4::test {
namespace {

TEST(Handoff, EndsFromThePlaybackThreadMeetCommandsOnTheUiThread) {
    ASSERT_EQ(chdir(VBMP3_TEST_MP3_DIR), 0);
    setenv("VBMP3_OUTPUT", "test", 1); // each short file ends within milliseconds

    Vbmp3Binding lib(REAL_VBMP3_PATH);
    TestUi ui;
    App app(lib, ui);
    int64_t now = 0;
    Dispatcher dispatcher(app, [&now] { return now; });
    // The file generation as each end arrived, to tell afterwards which were stale.
    std::mutex mutex;
    std::vector<uint64_t> arrivals;
    lib.events().setWake([&] {
        std::lock_guard<std::mutex> lock(mutex);
        arrivals.push_back(lib.fileGeneration());
    });
    int stale = 0, current = 0;
    auto drain = [&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (uint64_t generation : arrivals)
                (generation == lib.fileGeneration() ? current : stale) += 1;
            arrivals.clear();
        }
        dispatcher.pump();
    };
    auto click = [&](void (*handler)(App&)) { dispatcher.run([&app, handler] { handler(app); }); };

    click(Form_Load);
    for (const char* name : {"short1.mp3", "short2.mp3", "short1.mp3"}) {
        ui.dialogAnswers.push_back(std::string(VBMP3_TEST_MP3_DIR) + "/" + name);
        click(AddTrack);
    }
    app.Top.selectRepeatOption(kRepeatAll);
    click([](App& a) { RepeatOption_Click(a, kRepeatAll); });

    std::mt19937 rng(7);
    void (*const commands[])(App&) = {MusicStart_Click, MusicStop_Click, MusicFoward_Click,
                                      MusicBack_Click, MusicPause_Click};
    for (int step = 0; step < 3000 && (step < 300 || stale < 5 || current < 5); ++step) {
        void (*command)(App&) = commands[rng() % 5];
        if (command != MusicStart_Click || app.Top.MusicStart.Enabled)
            click(command);
        std::this_thread::sleep_for(std::chrono::microseconds(rng() % 3000));
        drain();
        now += 1000; // the ticks that act on an end
        drain();
        SCOPED_TRACE(step);
        ASSERT_EQ(Harness::PlaylistProblemOf(app), "");
        ASSERT_NE(app.Top.PlayState, kFinished); // the list repeats
        ASSERT_TRUE(ui.messages.empty());
    }
    click(exit_Click);
    lib.events().setWake(nullptr);
    std::printf("ends acted on %d, dropped as stale %d\n", current, stale);
    EXPECT_GT(stale, 0) << "no end arrived after its file had been replaced or closed";
    EXPECT_GT(current, 0) << "no end was acted on";
}

} // namespace
} // namespace zt4::test
