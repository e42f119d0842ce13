// The contract the player relies on: one end event per play and none once the file has been
// replaced or closed, pause in place, calls from inside the callback, and many cycles.
#include "support.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vbmp3_test {
namespace {

using Clock = std::chrono::steady_clock;

using Contract = LibraryTest;

// "test" discards as fast as it can; "null" takes real time.
class FastOutput : public LibraryTest {
  protected:
    ScopedEnv output_{"VBMP3_OUTPUT", "test"};
};

class RealTimeOutput : public LibraryTest {
  protected:
    ScopedEnv output_{"VBMP3_OUTPUT", "null"};
};

// --- end events ---

TEST_F(Contract, WithoutADeviceItPlaysSilentlyInRealTimeSaysSoOnceAndEachPlayEndsOnce) {
    ScopedEnv output("VBMP3_OUTPUT", "pulse");
    ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    testing::internal::CaptureStderr();
    start(mp3("short1.mp3"));
    std::this_thread::sleep_for(300ms);
    ASSERT_NE(vbmp3_play(), 0);
    const auto restarted = Clock::now();
    ASSERT_TRUE(events::wait_for_ends(1));
    // 1.5 s of sound: had the first play gone on, its end would have come 0.3 s sooner.
    EXPECT_GE(Clock::now() - restarted, 1400ms);
    ASSERT_NE(vbmp3_play(), 0) << "the file stays open after its end";
    ASSERT_TRUE(events::wait_for_ends(2));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events::ends(), 2);
    const std::string said = testing::internal::GetCapturedStderr();
    const size_t first = said.find("playing silently");
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find("playing silently", first + 1), std::string::npos) << said;
}

TEST_F(RealTimeOutput, NoEndOfAFileReplacedOrClosedByAFailedOpen) {
    start(mp3("short1.mp3"));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(vbmp3_open("/nonexistent/file.mp3", nullptr), 0);
    EXPECT_EQ(vbmp3_play(), 0) << "the old file is closed too";
    start(mp3("short1.mp3"));
    std::this_thread::sleep_for(200ms);
    ASSERT_NE(vbmp3_open(mp3("short2.mp3").c_str(), nullptr), 0);
    // Both plays of short1 would have ended by now.
    std::this_thread::sleep_for(2000ms);
    EXPECT_EQ(events::ends(), 0);
}

TEST_F(Contract, OnlyTheNewFilePlaysInFullEvenIfDeletedAfterOpening) {
    TempFolder dir;
    const std::string copy = dir.path("copy.mp3");
    std::filesystem::copy_file(mp3("s48.mp3"), copy);
    ScopedEnv output("VBMP3_OUTPUT", "wav:" + dir.path("out.wav"));
    start(mp3("long.mp3"));
    ASSERT_NE(vbmp3_open(copy.c_str(), nullptr), 0);
    ASSERT_EQ(unlink(copy.c_str()), 0);
    events::reset();
    ASSERT_NE(vbmp3_play(), 0);
    ASSERT_TRUE(events::wait_for_ends(1));
    const Pcm out = read_wav(dir.path("out.wav"));
    EXPECT_EQ(out.rate, 48000);
    EXPECT_EQ(out.frames(), 96000u);
}

// Set while an end event is being delivered; the delivery takes a while on purpose, so that
// a call made from outside can land inside it.
std::atomic<bool> g_in_callback{false};

void slow_end(int32_t event, int32_t value) {
    g_in_callback = true;
    events::on_event(event, value);
    std::this_thread::sleep_for(2ms);
    g_in_callback = false;
}

// How long a play of `file` takes to reach its end.
Clock::duration time_to_end(const std::string& file) {
    events::reset();
    const auto begun = Clock::now();
    if (!vbmp3_open(file.c_str(), nullptr) || !vbmp3_callback(events::on_event) || !vbmp3_play() ||
        !events::wait_for_ends(1))
        ADD_FAILURE() << "could not play " << file << " to its end";
    const auto took = Clock::now() - begun;
    events::reset();
    return took;
}

// Races a replacing or closing call against the end of a short play, from well before the end
// to its delivery: whatever the timing, no event may come once the call has returned.
TEST_F(FastOutput, NoEventOnceOpenOrCloseHasReturned) {
    const std::string file = mp3("short1.mp3");
    const auto end = time_to_end(file);
    int during = 0, before = 0;
    for (int i = 0; i < 400 && (during < 3 || before < 3); ++i) {
        SCOPED_TRACE(i);
        events::reset();
        ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
        ASSERT_NE(vbmp3_callback(slow_end), 0);
        ASSERT_NE(vbmp3_play(), 0);
        std::this_thread::sleep_for(end * (i % 16) / 10);
        const bool delivering = g_in_callback;
        const int seen = events::ends();
        if (i % 2)
            ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
        else
            vbmp3_close();
        const int returned = events::ends();
        during += delivering;
        before += seen == 0 && returned == 0;
        std::this_thread::sleep_for(5ms);
        ASSERT_EQ(events::ends(), returned);
        ASSERT_FALSE(g_in_callback) << "the call returned while the end was being delivered";
    }
    EXPECT_GT(during, 0) << "no call landed while an end was being delivered";
    EXPECT_GT(before, 0) << "no call came before the end";
}

// --- close and pause ---

// After a close nothing is open: there is nothing to play, pause or resume.
void expect_closed(const char* state) {
    vbmp3_close();
    EXPECT_EQ(vbmp3_play(), 0) << state;
    EXPECT_EQ(vbmp3_pause(), 0) << state;
    EXPECT_EQ(vbmp3_restart(), 0) << state;
}

TEST_F(RealTimeOutput, CloseInEveryState) {
    const std::string file = mp3("long.mp3");
    expect_closed("nothing open");
    expect_closed("closed twice");

    ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
    EXPECT_EQ(vbmp3_pause(), 0) << "open, not playing";
    expect_closed("open, not playing");

    start(file);
    expect_closed("playing");

    start(file);
    ASSERT_NE(vbmp3_pause(), 0);
    expect_closed("paused");

    {
        ScopedEnv fast("VBMP3_OUTPUT", "test");
        start(mp3("short1.mp3"));
        ASSERT_TRUE(events::wait_for_ends(1));
    }
    expect_closed("after the end");
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(events::ends(), 1);
}

// Read through a FIFO at the test's pace, the output can be compared sample by sample with a
// whole play.
TEST_F(Contract, PauseResumesFromTheSameSampleAndAVolumeChangeIsHeardWithinWhatTheOutputHolds) {
    TempFolder dir;
    const Pcm whole = play_to_wav(mp3("long.mp3"), dir);
    ASSERT_EQ(whole.frames(), 264600u);
    const std::string fifo = dir.path("out.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ScopedEnv output("VBMP3_OUTPUT", "raw:" + fifo);
    events::reset();
    start(mp3("long.mp3"));
    // Opened once the playback thread has opened its end; closed before TearDown's close, as
    // a full pipe that nobody reads would hold the writer.
    const std::unique_ptr<FILE, int (*)(FILE*)> in(fopen(fifo.c_str(), "rb"), fclose);
    ASSERT_TRUE(in);
    // How far the writer can run ahead of the reader: the pipe, libout123's 64 kB file buffer
    // and two 20 ms blocks in flight.
    const size_t slack = fcntl(fileno(in.get()), F_GETPIPE_SZ) + 64 * 1024 + 2 * 882 * 4;
    std::vector<int16_t> out;
    // Reads up to `bytes` more, until the stream ends or nothing comes for `quiet_ms`.
    const auto read = [&](size_t bytes, int quiet_ms) {
        const size_t until = out.size() + bytes / 2;
        pollfd p{fileno(in.get()), POLLIN, 0};
        int16_t chunk[2048];
        while (out.size() < until && poll(&p, 1, quiet_ms) > 0) {
            const ssize_t n = ::read(p.fd, chunk, std::min(sizeof chunk, 2 * (until - out.size())));
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), chunk, chunk + n / 2);
        }
    };
    read(200000, -1);
    ASSERT_NE(vbmp3_pause(), 0);
    EXPECT_EQ(vbmp3_pause(), 0) << "already held";
    // What was on its way still comes, then nothing: a slow machine can only make this less.
    const size_t paused = out.size();
    read(SIZE_MAX, 500);
    EXPECT_LE(2 * (out.size() - paused), slack);
    ASSERT_NE(vbmp3_restart(), 0);
    EXPECT_EQ(vbmp3_restart(), 0) << "not held any more";
    read(200000, -1);
    const size_t changed = out.size();
    vbmp3_setVolume(0, 0);
    read(SIZE_MAX, -1);
    ASSERT_TRUE(events::wait_for_ends(1));
    ASSERT_EQ(out.size(), whole.samples.size());
    EXPECT_TRUE(std::equal(out.begin(), out.begin() + changed, whole.samples.begin()));
    const size_t silent_from = changed + slack / 2;
    ASSERT_LT(silent_from, out.size());
    EXPECT_TRUE(std::all_of(out.begin() + silent_from, out.end(), [](int16_t s) { return !s; }));
}

// --- calls from inside the callback (on the playback thread) ---

std::atomic<int> g_calls{0};
std::atomic<int> g_failures{0};
// While set, the first call of the callback holds until a close from outside is on its way,
// so that the close lands while the callback runs.
std::atomic<bool> g_hold_for_close{false};
std::atomic<bool> g_closing{false};

// Opens and plays the next file, then plays it again, then closes; slowly enough that a call
// from outside can land while it runs.
void reentering_callback(int32_t event, int32_t value) {
    g_in_callback = true;
    events::on_event(event, value);
    std::this_thread::sleep_for(2ms);
    switch (++g_calls) {
    case 1:
        while (g_hold_for_close && !g_closing) {
            std::this_thread::yield();
        }
        g_failures += !vbmp3_open(mp3("short2.mp3").c_str(), nullptr) ||
                      !vbmp3_callback(reentering_callback) || !vbmp3_play();
        break;
    case 2:
        g_failures += !vbmp3_play();
        break;
    default:
        g_failures += !vbmp3_close();
    }
    g_in_callback = false;
}

void start_reentering() {
    g_calls = 0;
    g_failures = 0;
    ASSERT_NE(vbmp3_open(mp3("short1.mp3").c_str(), nullptr), 0);
    ASSERT_NE(vbmp3_callback(reentering_callback), 0);
    ASSERT_NE(vbmp3_play(), 0);
}

TEST_F(FastOutput, CallbackMayOpenAndPlayTheNextPlayAgainAndClose) {
    start_reentering();
    ASSERT_TRUE(events::wait_for_ends(3));
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(events::ends(), 3);
    EXPECT_EQ(g_failures, 0);
    EXPECT_EQ(vbmp3_play(), 0) << "closed from the callback";
}

TEST_F(FastOutput, CloseFromOutsideWhileTheCallbackReenters) {
    // One of them wins and neither waits for the other for ever; the calls that lose may
    // fail. Once the close has returned, whatever the callback opened is closed too. The
    // first end's callback waits for the close to be on its way; the later ends race it.
    struct Hold {
        Hold() { g_hold_for_close = true; }
        ~Hold() { g_hold_for_close = false; }
    } hold;
    for (int i = 0; i < 100; ++i) {
        SCOPED_TRACE(i);
        events::reset();
        g_closing = false;
        start_reentering();
        ASSERT_TRUE(events::wait_for_ends(1));
        g_closing = true;
        vbmp3_close();
        const int returned = events::ends();
        EXPECT_EQ(vbmp3_play(), 0) << "something is still open";
        std::this_thread::sleep_for(5ms);
        ASSERT_EQ(events::ends(), returned);
    }
}

// --- set-up and shut-down ---

// Open descriptors or threads: the entries of a /proc/self folder.
size_t entries(const char* dir) {
    return std::distance(std::filesystem::directory_iterator(dir), {});
}

// Whether a shared library whose name holds `name` is mapped into this process.
bool mapped(const std::string& name) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.find(name) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// libpulse, and the sound-file codecs it brings, come with the first try of a sound server:
// a player that has not played yet, or plays elsewhere, does not carry them.
TEST_F(FastOutput, LoadsLibpulseOnlyToTryASoundServer) {
    start(mp3("short1.mp3"));
    ASSERT_TRUE(events::wait_for_ends(1));
    EXPECT_FALSE(mapped("libpulse.so"));
    ScopedEnv output("VBMP3_OUTPUT", "pulse");
    ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    start(mp3("short1.mp3"));
    ASSERT_TRUE(events::wait_for_ends(2));
    EXPECT_TRUE(mapped("libpulse.so"));
}

TEST_F(FastOutput, ManyCyclesLeaveNoThreadOrFileBehindAndFreeLeavesItUsable) {
    vbmp3_free();
    const size_t fds = entries("/proc/self/fd");
    const size_t threads = entries("/proc/self/task");
    vbmp3_init();
    vbmp3_init(); // again: harmless
    for (int i = 0; i < 200; ++i) {
        SCOPED_TRACE(i);
        events::reset();
        start(mp3(i % 2 ? "short1.mp3" : "short2.mp3"));
        if (i % 3 == 0) {
            ASSERT_TRUE(events::wait_for_ends(1));
        }
        ASSERT_NE(vbmp3_close(), 0);
    }
    vbmp3_free();
    vbmp3_free(); // twice: harmless
    EXPECT_EQ(entries("/proc/self/fd"), fds);
    EXPECT_EQ(entries("/proc/self/task"), threads);
    events::reset();
    start(mp3("short2.mp3"));
    EXPECT_TRUE(events::wait_for_ends(1));
}

// A FIFO for the raw output that nobody reads: the playback thread fills it and is then held
// in its write.
struct FullFifo {
    explicit FullFifo(const std::string& path) {
        EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
        // Open first, so that the writer's open does not wait.
        fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
    }
    ~FullFifo() { close(fd); }
    // Until the playback thread has filled it: it is held in its write.
    bool full() const {
        const int size = fcntl(fd, F_GETPIPE_SZ);
        int held = 0;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while ((ioctl(fd, FIONREAD, &held) != 0 || held < size) &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(10ms);
        }
        return held >= size;
    }
    // Reads it to its end: its writer has closed it.
    void read_to_end() const {
        fcntl(fd, F_SETFL, 0);
        char chunk[65536];
        while (read(fd, chunk, sizeof chunk) > 0) {
        }
    }
    int fd;
};

// A thread that vbmp3_free gave up on (held in its output, here a FIFO nobody reads) leaves
// later, after a new vbmp3_init has started a play of its own: it must not take that play's
// place. Had it marked "no play in progress" for the new thread, a vbmp3_close would return at
// once while the new play still sounds, instead of waiting for it as long as it promises.
TEST_F(Contract, AThreadLeftBehindByFreeNeverTouchesTheStateOfALaterInit) {
    TempFolder dir;
    const FullFifo old_fifo(dir.path("old.fifo"));
    const FullFifo new_fifo(dir.path("new.fifo"));
    {
        ScopedEnv output("VBMP3_OUTPUT", "raw:" + dir.path("old.fifo"));
        start(mp3("long.mp3"));
    }
    ASSERT_TRUE(old_fifo.full());
    vbmp3_free();
    const size_t with_the_old_thread = entries("/proc/self/task");
    ASSERT_NE(vbmp3_init(), 0);
    {
        ScopedEnv output("VBMP3_OUTPUT", "raw:" + dir.path("new.fifo"));
        start(mp3("long.mp3"));
    }
    ASSERT_TRUE(new_fifo.full());
    // The old thread finds its play ended, closes its output and ends.
    old_fifo.read_to_end();
    const auto deadline = Clock::now() + 30s;
    while (entries("/proc/self/task") > with_the_old_thread && Clock::now() < deadline) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(entries("/proc/self/task"), with_the_old_thread) << "the old thread did not end";
    // The new thread is still held in its write: the close waits for it as long as it
    // promises, then returns.
    const auto begin = Clock::now();
    ASSERT_NE(vbmp3_close(), 0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin);
    EXPECT_GE(took, 300ms) << "the close returned after " << took.count()
                           << " ms, not waiting for the new play";
    new_fifo.read_to_end();
}

TEST_F(RealTimeOutput, AFileCutShortWhilePlayingEndsOnce) {
    TempFolder dir;
    const std::string copy = dir.path("copy.mp3");
    std::filesystem::copy_file(mp3("long.mp3"), copy);
    const auto begin = Clock::now();
    start(copy);
    std::this_thread::sleep_for(300ms);
    ASSERT_EQ(truncate(copy.c_str(), 20000), 0);
    ASSERT_TRUE(events::wait_for_ends(1));
    EXPECT_GE(Clock::now() - begin, 1000ms) << "null takes the 1.2 s up to the cut in real time";
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events::ends(), 1);
}

} // namespace
} // namespace vbmp3_test
