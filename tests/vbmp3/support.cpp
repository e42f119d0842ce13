#include "support.h"

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

uint32_t le(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = v << 8 | p[i];
    }
    return v;
}

} // namespace

std::string mp3(const std::string& name) {
    static std::once_flag made;
    std::call_once(made, [] {
        const std::string cmd =
            std::string(VBMP3_MAKE_MP3S) + " " + VBMP3_TEST_MP3_DIR + " >/dev/null";
        if (!exists(std::string(VBMP3_TEST_MP3_DIR) + "/long.mp3") &&
            std::system(cmd.c_str()) != 0) {
            throw std::runtime_error("could not make the test MP3s");
        }
    });
    return std::string(VBMP3_TEST_MP3_DIR) + "/" + name;
}

std::string iso_dir() {
    return exists(VBMP3_ISO_DIR "/vectors.tsv") ? VBMP3_ISO_DIR : "";
}

Pcm read_wav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)), {});
    Pcm pcm;
    EXPECT_TRUE(d.size() >= 12 && std::memcmp(d.data() + 8, "WAVE", 4) == 0) << path;
    for (size_t pos = 12; pos + 8 <= d.size();) {
        const uint32_t size = le(&d[pos + 4], 4);
        const unsigned char* body = &d[pos + 8];
        if (std::memcmp(&d[pos], "fmt ", 4) == 0) {
            pcm.channels = static_cast<int>(le(body + 2, 2));
            pcm.rate = static_cast<int>(le(body + 4, 4));
            EXPECT_EQ(le(body + 14, 2), 16u) << "bits per sample";
        } else if (std::memcmp(&d[pos], "data", 4) == 0) {
            pcm.samples.resize(std::min<size_t>(size, d.size() - pos - 8) / 2);
            std::memcpy(pcm.samples.data(), body, pcm.samples.size() * 2);
            break;
        }
        pos += 8 + size + (size & 1);
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
    EXPECT_EQ(std::system(("rm -rf '" + dir_ + "'").c_str()), 0);
}

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        had_ = true;
        old_ = old;
    }
    setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    had_ ? setenv(name_.c_str(), old_.c_str(), 1) : unsetenv(name_.c_str());
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
    fd_ = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd_, 0);
}

std::vector<int16_t> FifoOutput::read(size_t bytes, int quiet_ms) {
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
    // The pipe, libout123's 64 kB file buffer and two 20 ms blocks at 44.1 kHz in flight.
    const int pipe = fcntl(fd_, F_GETPIPE_SZ);
    return static_cast<size_t>(pipe > 0 ? pipe : 1 << 20) + 64 * 1024 + 2 * 882 * 4;
}

namespace events {
namespace {
std::mutex mutex;
std::condition_variable changed;
int end_count = 0;
} // namespace

void reset() {
    std::lock_guard lock(mutex);
    end_count = 0;
}

void on_event(int32_t event, int32_t value) {
    EXPECT_EQ(event, VBMP3_EVENT_END);
    EXPECT_EQ(value, 0);
    std::lock_guard lock(mutex);
    ++end_count;
    changed.notify_all();
}

int ends() {
    std::lock_guard lock(mutex);
    return end_count;
}

bool wait_for_ends(int n, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [n] { return end_count >= n; });
}
} // namespace events

LibraryTest::LibraryTest() {
    unsetenv("VBMP3_OUTPUT");
}

void LibraryTest::SetUp() {
    events::reset();
    ASSERT_NE(vbmp3_init(), 0);
    // The volume outlives vbmp3_free: start each test at full volume whatever ran before.
    ASSERT_NE(vbmp3_setVolume(100, 100), 0);
}

void LibraryTest::TearDown() {
    vbmp3_close();
    vbmp3_free();
}

void LibraryTest::start(const std::string& file) {
    ASSERT_NE(vbmp3_open(file.c_str(), nullptr), 0) << file;
    ASSERT_NE(vbmp3_callback(events::on_event), 0);
    ASSERT_NE(vbmp3_play(), 0);
}

Pcm play_to_wav(const std::string& file, const TempDir& dir) {
    const std::string wav = dir.path("out.wav");
    ScopedEnv output("VBMP3_OUTPUT", "wav:" + wav);
    events::reset();
    if (!vbmp3_open(file.c_str(), nullptr) || !vbmp3_callback(events::on_event) || !vbmp3_play() ||
        !events::wait_for_ends(1)) {
        ADD_FAILURE() << "could not play " << file << " to its end";
    }
    return read_wav(wav);
}

} // namespace vbmp3_test
