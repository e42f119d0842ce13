// The contract the player relies on: one end event per play and none after the file has
// been replaced or closed, pause in place, calls from inside the callback, and many cycles.
#include "support.h"

#include <atomic>
#include <dirent.h>
#include <thread>
#include <unistd.h>

namespace vbmp3_test {
namespace {

// Entries in a /proc/self folder: open descriptors or threads.
size_t count_entries(const char* dir) {
    size_t n = 0;
    if (DIR* d = opendir(dir)) {
        while (const dirent* e = readdir(d)) {
            n += e->d_name[0] != '.';
        }
        closedir(d);
    }
    return n;
}

class Contract : public LibraryTest {
  protected:
    // Opens `file`, registers the recorder and plays.
    void start(const std::string& file) {
        ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
        ASSERT_NE(vbmp3_callback(events::on_event), 0);
        ASSERT_NE(vbmp3_play(), 0);
    }
};

// Outputs: "test" discards as fast as it can; "null" takes real time.
class FastOutput : public Contract {
  protected:
    ScopedEnv output_{"VBMP3_OUTPUT", "test"};
};

class RealTimeOutput : public Contract {
  protected:
    ScopedEnv output_{"VBMP3_OUTPUT", "null"};
};

// --- end events ---

TEST_F(FastOutput, OneEndPerPlay) {
    start(mp3("short1.mp3"));
    ASSERT_TRUE(events::wait_for_ends(1));
    ASSERT_NE(vbmp3_play(), 0) << "the file stays open after its end";
    ASSERT_TRUE(events::wait_for_ends(2));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events::ends(), 2);
}

TEST_F(RealTimeOutput, PlayWhilePlayingStartsOverWithOneEnd) {
    start(mp3("short1.mp3"));
    std::this_thread::sleep_for(300ms);
    ASSERT_NE(vbmp3_play(), 0);
    const auto restarted = std::chrono::steady_clock::now();
    ASSERT_TRUE(events::wait_for_ends(1));
    // Had the first play gone on, its end would have come 0.3 s sooner.
    EXPECT_GE(std::chrono::steady_clock::now() - restarted, 1400ms);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(events::ends(), 1);
}

TEST_F(RealTimeOutput, NoEndOfAReplacedFile) {
    start(mp3("short1.mp3"));
    std::this_thread::sleep_for(200ms);
    ASSERT_NE(vbmp3_open(mp3("short2.mp3").c_str(), nullptr), 0);
    events::forbid();
    // short1 would have ended by now.
    std::this_thread::sleep_for(2000ms);
    EXPECT_EQ(events::ends(), 0);
    events::reset();
    ASSERT_NE(vbmp3_play(), 0);
    EXPECT_TRUE(events::wait_for_ends(1)) << "the new file plays";
}

TEST_F(RealTimeOutput, NoEndAfterAFailedOpen) {
    start(mp3("short1.mp3"));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(vbmp3_open("/nonexistent/file.mp3", nullptr), 0);
    events::forbid();
    std::this_thread::sleep_for(2000ms);
    EXPECT_EQ(events::ends(), 0);
    EXPECT_EQ(vbmp3_play(), 0) << "the old file is closed too";
}

TEST_F(FastOutput, OnlyTheNewFilePlays) {
    TempDir dir;
    const std::string wav = dir.path("out.wav");
    ScopedEnv output("VBMP3_OUTPUT", "wav:" + wav);
    start(mp3("long.mp3"));
    ASSERT_NE(vbmp3_open(mp3("s48.mp3").c_str(), nullptr), 0);
    events::reset();
    ASSERT_NE(vbmp3_play(), 0);
    ASSERT_TRUE(events::wait_for_ends(1));
    const Pcm out = read_wav(wav);
    EXPECT_EQ(out.rate, 48000);
    EXPECT_EQ(out.frames(), 96000u);
}

// Races a replacing or closing call against the end of a short play, many times: whatever
// the timing, no event may come once the call has returned.
TEST_F(FastOutput, NoEventOnceOpenOrCloseHasReturned) {
    const std::string file = mp3("short1.mp3");
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE(i);
        events::reset();
        start(file);
        std::this_thread::sleep_for(std::chrono::microseconds(500 * (i % 8)));
        if (i % 2) {
            ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
        } else {
            ASSERT_NE(vbmp3_close(), 0);
        }
        events::forbid();
        std::this_thread::sleep_for(5ms);
        ASSERT_EQ(events::late(), 0);
    }
}

// --- close ---

TEST_F(FastOutput, CloseInEveryState) {
    const std::string file = mp3("long.mp3");
    EXPECT_NE(vbmp3_close(), 0) << "nothing open";
    EXPECT_NE(vbmp3_close(), 0) << "twice";

    ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
    EXPECT_NE(vbmp3_close(), 0) << "open, not playing";
    EXPECT_EQ(vbmp3_play(), 0);

    {
        ScopedEnv slow("VBMP3_OUTPUT", "null");
        start(file);
        EXPECT_NE(vbmp3_close(), 0) << "playing";
        EXPECT_EQ(vbmp3_pause(), 0);

        start(file);
        ASSERT_NE(vbmp3_pause(), 0);
        EXPECT_NE(vbmp3_close(), 0) << "paused";
        EXPECT_EQ(vbmp3_restart(), 0);
    }

    start(mp3("short1.mp3"));
    ASSERT_TRUE(events::wait_for_ends(1));
    EXPECT_NE(vbmp3_close(), 0) << "after the end";
    EXPECT_EQ(vbmp3_play(), 0);

    events::forbid();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(events::late(), 0);
    EXPECT_EQ(events::ends(), 1);
}

// --- pause ---

TEST_F(RealTimeOutput, PauseHoldsAndRestartGoesOn) {
    start(mp3("short1.mp3"));
    ASSERT_NE(vbmp3_pause(), 0);
    EXPECT_EQ(vbmp3_pause(), 0) << "already held";
    // 1.5 s of sound, held for longer.
    std::this_thread::sleep_for(2000ms);
    EXPECT_EQ(events::ends(), 0);
    ASSERT_NE(vbmp3_restart(), 0);
    EXPECT_EQ(vbmp3_restart(), 0) << "not held any more";
    EXPECT_TRUE(events::wait_for_ends(1));
}

TEST_F(FastOutput, PauseStopsTheOutputAndRestartGoesOnFromTheSameSample) {
    TempDir dir;
    const Pcm whole = play_to_wav(mp3("long.mp3"), dir);
    FifoOutput fifo(dir);
    events::reset();
    start(mp3("long.mp3"));
    fifo.connect();
    std::vector<int16_t> out = fifo.read(200000);
    ASSERT_NE(vbmp3_pause(), 0);
    // What was on its way still comes, then nothing: a slow machine can only make this less.
    const std::vector<int16_t> held = fifo.read_while_flowing(500ms);
    EXPECT_LE(held.size() * 2, fifo.slack());
    EXPECT_EQ(events::ends(), 0);
    ASSERT_NE(vbmp3_restart(), 0);
    const std::vector<int16_t> rest = fifo.read_to_end();
    out.insert(out.end(), held.begin(), held.end());
    out.insert(out.end(), rest.begin(), rest.end());
    EXPECT_TRUE(out == whole.samples);
    EXPECT_TRUE(events::wait_for_ends(1));
}

TEST_F(FastOutput, PauseAndRestartNeedSomethingToAct) {
    EXPECT_EQ(vbmp3_pause(), 0);
    EXPECT_EQ(vbmp3_restart(), 0);
    ASSERT_NE(vbmp3_open(mp3("short1.mp3").c_str(), nullptr), 0);
    EXPECT_EQ(vbmp3_pause(), 0) << "open but not playing";
}

// --- calls from inside the callback (on the playback thread) ---

std::atomic<int> g_reentry_mode{0};
std::atomic<int> g_reentry_calls{0};
std::atomic<int> g_reentry_failures{0};
const char* const kChain[] = {"short1.mp3", "short2.mp3", "short3.mp3"};

void reentering_callback(int32_t event, int32_t value) {
    events::on_event(event, value);
    const int call = ++g_reentry_calls;
    switch (g_reentry_mode.load()) {
    case 0: // stop
        g_reentry_failures += vbmp3_close() == 0;
        break;
    case 1: // next track
        if (call < 3) {
            g_reentry_failures += vbmp3_open(mp3(kChain[call]).c_str(), nullptr) == 0;
            g_reentry_failures += vbmp3_callback(reentering_callback) == 0;
            g_reentry_failures += vbmp3_play() == 0;
        }
        break;
    case 2: // repeat the track
        if (call < 5) {
            g_reentry_failures += vbmp3_play() == 0;
        }
        break;
    }
}

class Reentry : public FastOutput {
  protected:
    void run(int mode, const char* first) {
        g_reentry_mode = mode;
        g_reentry_calls = 0;
        g_reentry_failures = 0;
        ASSERT_NE(vbmp3_open(mp3(first).c_str(), nullptr), 0);
        ASSERT_NE(vbmp3_callback(reentering_callback), 0);
        ASSERT_NE(vbmp3_play(), 0);
    }
    void TearDown() override {
        EXPECT_EQ(g_reentry_failures, 0);
        FastOutput::TearDown();
    }
};

TEST_F(Reentry, CallbackMayClose) {
    run(0, "short1.mp3");
    ASSERT_TRUE(events::wait_for_ends(1));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(vbmp3_play(), 0) << "closed from the callback";
    EXPECT_EQ(g_reentry_calls, 1);
}

TEST_F(Reentry, CallbackMayOpenAndPlayTheNext) {
    run(1, kChain[0]);
    ASSERT_TRUE(events::wait_for_ends(3));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(events::ends(), 3);
}

TEST_F(Reentry, CallbackMayPlayAgain) {
    run(2, "short1.mp3");
    ASSERT_TRUE(events::wait_for_ends(5));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(events::ends(), 5);
}

TEST_F(Reentry, CloseFromOutsideWhileTheCallbackReenters) {
    // The callback opens and plays the next file while this thread closes: one of them
    // wins, neither waits for the other for ever.
    for (int i = 0; i < 30; ++i) {
        events::reset();
        run(1, kChain[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(300 * (i % 6)));
        ASSERT_NE(vbmp3_close(), 0);
    }
    // Calls racing with the close may fail; only the absence of a deadlock is judged here.
    vbmp3_close();
    vbmp3_free();
    g_reentry_failures = 0;
}

// --- set-up and shut-down ---

TEST_F(FastOutput, InitIsIdempotentAndShutDownLeavesItUsable) {
    EXPECT_NE(vbmp3_init(), 0);
    EXPECT_NE(vbmp3_init(), 0);
    start(mp3("short1.mp3"));
    // The player's shut-down order.
    EXPECT_NE(vbmp3_close(), 0);
    EXPECT_NE(vbmp3_init(), 0);
    EXPECT_NE(vbmp3_free(), 0);
    EXPECT_NE(vbmp3_free(), 0) << "twice";

    EXPECT_NE(vbmp3_init(), 0);
    events::reset();
    start(mp3("short2.mp3"));
    EXPECT_TRUE(events::wait_for_ends(1));
}

TEST_F(FastOutput, ManyCyclesLeaveNoThreadOrFileBehind) {
    vbmp3_free();
    const size_t fds = count_entries("/proc/self/fd");
    const size_t threads = count_entries("/proc/self/task");
    vbmp3_init();
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE(i);
        start(mp3(kChain[i % 3]));
        if (i % 3 == 0) {
            ASSERT_TRUE(events::wait_for_ends(i / 3 + 1));
        }
        ASSERT_NE(vbmp3_close(), 0);
    }
    vbmp3_free();
    EXPECT_EQ(count_entries("/proc/self/fd"), fds);
    EXPECT_EQ(count_entries("/proc/self/task"), threads);
}

// --- the file changing under the player ---

TEST_F(RealTimeOutput, AFileCutShortWhilePlayingEndsOnce) {
    TempDir dir;
    const std::string copy = dir.path("copy.mp3");
    ASSERT_EQ(std::system(("cp '" + mp3("long.mp3") + "' '" + copy + "'").c_str()), 0);
    start(copy);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(truncate(copy.c_str(), 20000), 0);
    ASSERT_TRUE(events::wait_for_ends(1));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events::ends(), 1);
}

} // namespace
} // namespace vbmp3_test
