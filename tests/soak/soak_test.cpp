// A thousand track changes through the player's logic and the real library: repeat-all
// over three short tracks, the library playing into its silent real-time output. Every
// play must end exactly once, and nothing may hang or leak (the sanitizer build checks).

#include "decoder/library_events.h"
#include "harness.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace zt4::test {
namespace {

int Changes() {
    const char* text = std::getenv("ZT4_SOAK_CHANGES");
    return text != nullptr ? std::atoi(text) : 1000;
}

TEST(Soak, RepeatAllThroughAThousandTrackChanges) {
    const TempFolder dir;
    for (const char* tone : {"440", "660", "880"}) {
        const std::string wav = dir.path("t.wav");
        const std::string mp3 = dir.path(std::string(tone) + ".mp3");
        const std::string make = "sox -n -r 44100 -c 2 " + wav + " synth 0.3 sine " + tone +
                                 " && lame --quiet -b 128 " + wav + " " + mp3;
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
    }
    setenv("VBMP3_OUTPUT", "null", 1);

    Harness h(dir.dir(), REAL_VBMP3_PATH);
    std::mutex mutex;
    std::condition_variable arrived;
    int posted = 0;
    h.lib.events().setWake([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++posted;
        arrived.notify_all();
    });
    h.addTracks({"440.mp3", "660.mp3", "880.mp3"});
    h.Top.selectRepeatOption(kRepeatAll);
    h.run([](App& a) { RepeatOption_Click(a, kRepeatAll); });
    h.run(MusicStart_Click);

    const int changes = Changes();
    for (int handled = 0; handled < changes; ++handled) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ASSERT_TRUE(
                arrived.wait_for(lock, std::chrono::seconds(10), [&] { return posted > handled; }))
                << "no end of track after change " << handled;
        }
        h.advance(1000); // the tick that starts the next slot
        ASSERT_EQ(h.Top.PlayState, 1);
        ASSERT_EQ(h.Top.Startm[(handled + 1) % 3].Caption, "●");
    }
    h.run(MusicStop_Click);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(posted, changes); // one end per play; the last play was stopped
    }
    EXPECT_TRUE(h.ui.messages.empty());
    h.run(exit_Click);
    h.lib.events().setWake(nullptr);
}

} // namespace
} // namespace zt4::test
