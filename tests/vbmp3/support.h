// Shared helpers of the libvbmp3 tests: test files, WAV output, end events.
#pragma once

#include "vbmp3.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vbmp3_test {

using namespace std::chrono_literals;

// Generous, so that sanitizer builds and a busy machine never fail a test by being slow.
constexpr auto kEventTimeout = 60s;

// A generated test MP3 (tests/data/make_test_mp3s.sh), made on first use if ctest's
// fixture has not made it.
std::string mp3(const std::string& name);

// The ISO conformance vectors, read in place; "" when the folder is missing.
std::string iso_dir();

struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved
    size_t frames() const { return channels ? samples.size() / channels : 0; }
};

Pcm read_wav(const std::string& path);

// A fresh folder, removed with everything in it at the end of the scope.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

// Sets an environment variable for the scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    std::string name_;
    bool had_ = false;
    std::string old_;
};

// A raw output into a FIFO that the test reads: playback goes only as far as the test has
// read, plus what the pipe and libout123's file buffer hold.
class FifoOutput {
  public:
    explicit FifoOutput(const TempDir& dir);
    ~FifoOutput();
    FifoOutput(const FifoOutput&) = delete;
    FifoOutput& operator=(const FifoOutput&) = delete;

    // Call after vbmp3_play: the library opens the FIFO for writing at the start.
    void connect();
    // Reads exactly `bytes` (fewer only at the end of the stream).
    std::vector<int16_t> read(size_t bytes) { return read_some(bytes, -1); }
    std::vector<int16_t> read_to_end() { return read_some(SIZE_MAX, -1); }
    // Reads what comes until nothing has come for `quiet`, or the stream ends.
    std::vector<int16_t> read_while_flowing(std::chrono::milliseconds quiet) {
        return read_some(SIZE_MAX, static_cast<int>(quiet.count()));
    }
    // How far the writer can run ahead of the reader, in bytes, whatever the timing: the
    // pipe, a stdio buffer, and two 20 ms blocks at 44.1 kHz in flight.
    size_t slack() const;

  private:
    // Reads up to `bytes`, waiting at most `quiet_ms` for each piece (-1: for ever).
    std::vector<int16_t> read_some(size_t bytes, int quiet_ms);

    std::string path_;
    ScopedEnv output_;
    int fd_ = -1;
};

// Records end events. The callback is a plain function, as the library takes no user data.
namespace events {
void reset();
// The callback to register.
void on_event(int32_t event, int32_t value);
int ends();
// Events of any code other than VBMP3_EVENT_END.
int others();
// Waits until at least `n` end events have come.
bool wait_for_ends(int n, std::chrono::milliseconds timeout = kEventTimeout);
// From now on every event counts as late (see late()); cleared by reset().
void forbid();
int late();
} // namespace events

// Runs each test on a library in a clean state: VBMP3_OUTPUT cleared (fixtures may set it
// again in their members), init before, close and free after.
class LibraryTest : public ::testing::Test {
  protected:
    LibraryTest();
    void SetUp() override;
    void TearDown() override;
};

// Plays `file` to its end into a WAV file and returns what was written.
Pcm play_to_wav(const std::string& file, const TempDir& dir);

// Root mean square of one channel.
double rms(const Pcm& pcm, int channel);

} // namespace vbmp3_test
