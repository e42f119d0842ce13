#include "support.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <poll.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace vbmp3_test {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

uint32_t le32(const unsigned char* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

std::string mp3(const std::string& name) {
    static std::once_flag made;
    std::call_once(made, [] {
        if (!exists(std::string(VBMP3_TEST_MP3_DIR) + "/long.mp3")) {
            const std::string cmd =
                std::string(VBMP3_MAKE_MP3S) + " " + VBMP3_TEST_MP3_DIR + " >/dev/null";
            if (std::system(cmd.c_str()) != 0) {
                throw std::runtime_error("could not make the test MP3s");
            }
        }
    });
    return std::string(VBMP3_TEST_MP3_DIR) + "/" + name;
}

std::string iso_dir() {
    const std::string dir = VBMP3_ISO_DIR;
    return exists(dir + "/vectors.tsv") ? dir : "";
}

Pcm read_wav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), {});
    Pcm pcm;
    if (d.size() < 12 || std::memcmp(d.data(), "RIFF", 4) != 0 ||
        std::memcmp(d.data() + 8, "WAVE", 4) != 0) {
        ADD_FAILURE() << path << " is not a WAV file";
        return pcm;
    }
    size_t pos = 12;
    while (pos + 8 <= d.size()) {
        const uint32_t size = le32(&d[pos + 4]);
        const size_t body = pos + 8;
        if (std::memcmp(&d[pos], "fmt ", 4) == 0 && body + 16 <= d.size()) {
            pcm.channels = le16(&d[body + 2]);
            pcm.rate = static_cast<int>(le32(&d[body + 4]));
            EXPECT_EQ(le16(&d[body + 14]), 16) << "bits per sample";
        } else if (std::memcmp(&d[pos], "data", 4) == 0) {
            const size_t n = std::min<size_t>(size, d.size() - body) / 2;
            pcm.samples.resize(n);
            for (size_t i = 0; i < n; ++i) {
                pcm.samples[i] = static_cast<int16_t>(le16(&d[body + 2 * i]));
            }
            break;
        }
        pos = body + size + (size & 1);
    }
    return pcm;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string templ = std::string(base && *base ? base : "/tmp") + "/vbmp3-test-XXXXXX";
    if (!mkdtemp(templ.data())) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = templ;
}

TempDir::~TempDir() {
    const std::string cmd = "rm -rf '" + dir_ + "'";
    if (std::system(cmd.c_str()) != 0) {
        ADD_FAILURE() << "could not remove " << dir_;
    }
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (had_) {
        setenv(name_.c_str(), old_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

FifoOutput::FifoOutput(const TempDir& dir)
    : path_(dir.path("out.fifo")), output_("VBMP3_OUTPUT", "raw:" + path_) {
    if (mkfifo(path_.c_str(), 0600) != 0) {
        throw std::runtime_error("mkfifo failed");
    }
}

FifoOutput::~FifoOutput() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void FifoOutput::connect() {
    // Blocks until the playback thread opens its end.
    fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd_, 0);
}

std::vector<int16_t> FifoOutput::read_some(size_t bytes, int quiet_ms) {
    std::vector<unsigned char> buf;
    unsigned char chunk[4096];
    pollfd p{fd_, POLLIN, 0};
    while (buf.size() < bytes && poll(&p, 1, quiet_ms) > 0) {
        const ssize_t n = ::read(fd_, chunk, std::min(sizeof chunk, bytes - buf.size()));
        if (n <= 0) {
            break;
        }
        buf.insert(buf.end(), chunk, chunk + n);
    }
    EXPECT_EQ(buf.size() % 4, 0u) << "not whole stereo frames";
    std::vector<int16_t> samples(buf.size() / 2);
    std::memcpy(samples.data(), buf.data(), samples.size() * 2);
    return samples;
}

size_t FifoOutput::slack() const {
    const int pipe = fcntl(fd_, F_GETPIPE_SZ);
    return static_cast<size_t>(pipe > 0 ? pipe : 1 << 20) + 64 * 1024 + 2 * 882 * 4;
}

namespace events {
namespace {
std::mutex mutex;
std::condition_variable changed;
int end_count = 0;
int other_count = 0;
bool forbidden = false;
int late_count = 0;
} // namespace

void reset() {
    std::lock_guard lock(mutex);
    end_count = other_count = late_count = 0;
    forbidden = false;
}

void on_event(int32_t event, int32_t value) {
    std::lock_guard lock(mutex);
    EXPECT_EQ(value, 0);
    if (forbidden) {
        ++late_count;
    }
    if (event == VBMP3_EVENT_END) {
        ++end_count;
    } else {
        ++other_count;
    }
    changed.notify_all();
}

int ends() {
    std::lock_guard lock(mutex);
    return end_count;
}

int others() {
    std::lock_guard lock(mutex);
    return other_count;
}

bool wait_for_ends(int n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [n] { return end_count >= n; });
}

void forbid() {
    std::lock_guard lock(mutex);
    forbidden = true;
}

int late() {
    std::lock_guard lock(mutex);
    return late_count;
}
} // namespace events

LibraryTest::LibraryTest() {
    unsetenv("VBMP3_OUTPUT");
}

void LibraryTest::SetUp() {
    events::reset();
    ASSERT_NE(vbmp3_init(), 0);
    // The volume outlives vbmp3_free; each test starts at full volume whatever ran before.
    ASSERT_NE(vbmp3_setVolume(100, 100), 0);
}

void LibraryTest::TearDown() {
    vbmp3_close();
    vbmp3_free();
    EXPECT_EQ(events::others(), 0) << "unexpected event codes";
}

Pcm play_to_wav(const std::string& file, const TempDir& dir) {
    const std::string wav = dir.path("out.wav");
    ScopedEnv output("VBMP3_OUTPUT", "wav:" + wav);
    events::reset();
    vbmp3_fileinfo info{};
    if (vbmp3_open(file.c_str(), &info) == 0) {
        ADD_FAILURE() << "cannot open " << file;
        return {};
    }
    vbmp3_callback(events::on_event);
    EXPECT_NE(vbmp3_play(), 0);
    EXPECT_TRUE(events::wait_for_ends(1)) << "no end event for " << file;
    return read_wav(wav);
}

double rms(const Pcm& pcm, int channel) {
    double sum = 0;
    const size_t n = pcm.frames();
    for (size_t i = 0; i < n; ++i) {
        const double s = pcm.samples[i * pcm.channels + channel];
        sum += s * s;
    }
    return n ? std::sqrt(sum / n) : 0.0;
}

} // namespace vbmp3_test
