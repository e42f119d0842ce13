// Sound outputs: real-time pacing without a device, and a PulseAudio server that goes away
// in the middle of a file and comes back.
#include "support.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vbmp3_test {
namespace {

using Clock = std::chrono::steady_clock;

class Output : public LibraryTest {
  protected:
    void start(const std::string& file) {
        ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0);
        ASSERT_NE(vbmp3_callback(events::on_event), 0);
        ASSERT_NE(vbmp3_play(), 0);
    }
};

TEST_F(Output, NullTakesRealTime) {
    ScopedEnv output("VBMP3_OUTPUT", "null");
    const auto begin = Clock::now();
    start(mp3("short1.mp3"));
    ASSERT_TRUE(events::wait_for_ends(1));
    // 1.5 s of sound; slowness can only make it later.
    EXPECT_GE(Clock::now() - begin, 1400ms);
}

TEST_F(Output, WithoutADeviceItPlaysSilentlyInRealTimeAndSaysSoOnce) {
    ScopedEnv output("VBMP3_OUTPUT", "pulse");
    ScopedEnv server("PULSE_SERVER", "unix:/nonexistent/pulse/native");
    testing::internal::CaptureStderr();
    const auto begin = Clock::now();
    start(mp3("short1.mp3"));
    ASSERT_TRUE(events::wait_for_ends(1));
    EXPECT_GE(Clock::now() - begin, 1400ms);
    ASSERT_NE(vbmp3_play(), 0);
    ASSERT_TRUE(events::wait_for_ends(2));
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string message = "playing silently";
    const size_t first = said.find(message);
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find(message, first + 1), std::string::npos) << said;
}

// A private PulseAudio server with a null sink, as the end-to-end tests use.
class PulseServer {
  public:
    explicit PulseServer(const TempDir& dir) : dir_(dir) {
        for (const char* sub : {"home", "run"}) {
            mkdir(dir_.path(sub).c_str(), 0700);
        }
        std::ofstream(dir_.path("server.pa"))
            << "load-module module-null-sink sink_name=zt4test\n"
               "set-default-sink zt4test\n"
               "load-module module-native-protocol-unix auth-anonymous=1 socket="
            << socket() << "\n";
    }
    ~PulseServer() { stop(); }

    std::string socket() const { return dir_.path("run/native"); }

    bool start() {
        pid_ = fork();
        if (pid_ == 0) {
            setenv("HOME", dir_.path("home").c_str(), 1);
            setenv("XDG_RUNTIME_DIR", dir_.path("run").c_str(), 1);
            setenv("PULSE_RUNTIME_PATH", dir_.path("run").c_str(), 1);
            freopen("/dev/null", "w", stderr);
            execlp("pulseaudio", "pulseaudio", "-n", "-F", dir_.path("server.pa").c_str(),
                   "--daemonize=no", "--system=false", "--use-pid-file=no", "--exit-idle-time=-1",
                   "--realtime=no", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Up once pactl gets an answer.
        const std::string probe = "PULSE_SERVER=unix:" + socket() + " pactl info >/dev/null 2>&1";
        for (int i = 0; i < 200; ++i) {
            if (std::system(probe.c_str()) == 0) {
                return true;
            }
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    // Ends the server as a crash would.
    void stop() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    // Playback streams connected now.
    int streams() const {
        const std::string cmd =
            "PULSE_SERVER=unix:" + socket() + " pactl list short sink-inputs 2>/dev/null";
        FILE* p = popen(cmd.c_str(), "r");
        int lines = 0;
        for (int c; p && (c = fgetc(p)) != EOF;) {
            lines += c == '\n';
        }
        if (p) {
            pclose(p);
        }
        return lines;
    }

  private:
    const TempDir& dir_;
    pid_t pid_ = -1;
};

TEST_F(Output, ADeviceLostMidFileIsReopenedAndTheFileEndsOnce) {
    if (std::system("command -v pulseaudio >/dev/null && command -v pactl >/dev/null") != 0) {
        GTEST_SKIP() << "no pulseaudio or pactl";
    }
    TempDir dir;
    PulseServer pulse(dir);
    ASSERT_TRUE(pulse.start());
    ScopedEnv output("VBMP3_OUTPUT", "pulse");
    ScopedEnv server("PULSE_SERVER", "unix:" + pulse.socket());

    const auto begin = Clock::now();
    start(mp3("long.mp3"));
    std::this_thread::sleep_for(1500ms);
    EXPECT_EQ(pulse.streams(), 1);
    pulse.stop();
    std::this_thread::sleep_for(700ms);
    EXPECT_EQ(events::ends(), 0) << "a lost device is no end of the file";
    ASSERT_TRUE(pulse.start());
    bool back = false;
    for (int i = 0; i < 100 && !back && events::ends() == 0; ++i) {
        back = pulse.streams() == 1;
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(back) << "the library did not reconnect";
    ASSERT_TRUE(events::wait_for_ends(1));
    // 6 s of sound, played on through the loss; slowness can only make it later.
    EXPECT_GE(Clock::now() - begin, 5500ms);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(events::ends(), 1);
}

} // namespace
} // namespace vbmp3_test
