// Shared helpers of the libvbmp3 tests: test files, WAV output, end events.
#pragma once

#include "support/temp_folder.h"
#include "vbmp3.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace vbmp3_test {

using namespace std::chrono_literals;

// A generated test MP3 (tests/data/make_test_mp3s.sh), made here if ctest's fixture has not.
std::string mp3(const std::string& name);

struct Pcm {
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples; // interleaved
    size_t frames() const { return channels ? samples.size() / channels : 0; }
};

using TempFolder = zt4::test::TempFolder;

// Sets an environment variable for the scope.
struct ScopedEnv {
    ScopedEnv(const char* name, const std::string& value) : name(name) {
        if (const char* was = std::getenv(name)) {
            old = was;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old ? setenv(name, old->c_str(), 1) : unsetenv(name); }
    const char* name;
    std::optional<std::string> old;
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
    LibraryTest() { unsetenv("VBMP3_OUTPUT"); }
    void SetUp() override {
        events::reset();
        ASSERT_NE(vbmp3_init(), 0);
        // The volume outlives vbmp3_free: start each test at full volume whatever ran before.
        ASSERT_NE(vbmp3_setVolume(100, 100), 0);
    }
    void TearDown() override {
        vbmp3_close();
        vbmp3_free();
    }
    // Opens `file`, registers the counter and plays.
    void start(const std::string& file) {
        ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0) << file;
        ASSERT_NE(vbmp3_callback(events::on_event), 0);
        ASSERT_NE(vbmp3_play(), 0);
    }
};

Pcm read_wav(const std::string& path);

// Plays `file` to its end into a WAV file and returns what was written.
Pcm play_to_wav(const std::string& file, const TempFolder& dir);

} // namespace vbmp3_test
