// Shared helpers of the libvbmp3 tests: test files, outputs, end events.
#pragma once

#include "vbmp3.h"

#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vbmp3_test {

using namespace std::chrono_literals;

// A generated test MP3 (tests/data/make_test_mp3s.sh), made here if ctest's fixture has not.
std::string mp3(const std::string& name);

// The ISO conformance vectors, read in place; "" when the folder is missing.
std::string iso_dir();

struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved
    size_t frames() const { return channels ? samples.size() / channels : 0; }
};

// A fresh folder, removed with its contents at the end of the scope.
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

// A raw output into a FIFO the test reads: playback gets only as far as the test has read,
// plus what the pipe and libout123 hold (slack()).
class FifoOutput {
  public:
    explicit FifoOutput(const TempDir& dir);
    ~FifoOutput();
    FifoOutput(const FifoOutput&) = delete;
    FifoOutput& operator=(const FifoOutput&) = delete;

    // Call after vbmp3_play, which opens the FIFO for writing.
    void connect();
    // Reads up to `bytes`, until the stream ends or nothing has come for `quiet_ms` (-1: no
    // limit).
    std::vector<int16_t> read(size_t bytes = SIZE_MAX, int quiet_ms = -1);
    // How far the writer can run ahead of the reader, in bytes.
    size_t slack() const;

  private:
    std::string path_;
    ScopedEnv output_;
    int fd_ = -1;
};

// Counts end events; any other event fails the test. A plain function, as the library
// takes no user data.
namespace events {
void reset();
void on_event(int32_t event, int32_t value);
int ends();
// Generous, so that sanitizers and a busy machine never fail a test by being slow.
bool wait_for_ends(int n, std::chrono::milliseconds timeout = 60s);
} // namespace events

// Each test on a library in a clean state: VBMP3_OUTPUT cleared (fixture members may set
// it), init and full volume before, close and free after.
class LibraryTest : public ::testing::Test {
  protected:
    LibraryTest();
    void SetUp() override;
    void TearDown() override;
    // Opens `file`, registers the counter and plays.
    void start(const std::string& file);
};

Pcm read_wav(const std::string& path);

// Plays `file` to its end into a WAV file and returns what was written.
Pcm play_to_wav(const std::string& file, const TempDir& dir);

} // namespace vbmp3_test
