#include "support.h"

#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>

namespace vbmp3_test {

std::string mp3(const std::string& name) {
    static const int made =
        std::system("test -e " VBMP3_TEST_MP3_DIR "/long.mp3 || " VBMP3_MAKE_MP3S
                    " " VBMP3_TEST_MP3_DIR " >/dev/null");
    EXPECT_EQ(made, 0) << "could not make the test MP3s";
    return std::string(VBMP3_TEST_MP3_DIR) + "/" + name;
}

Pcm read_wav(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string d((std::istreambuf_iterator<char>(in)), {});
    Pcm pcm;
    // libout123 writes the 44-byte header of plain PCM; the data runs to the end of the file.
    int16_t bits = 0;
    if (d.size() >= 44 && d.compare(8, 4, "WAVE") == 0 && d.compare(36, 4, "data") == 0) {
        std::memcpy(&pcm.channels, &d[22], 2);
        std::memcpy(&pcm.rate, &d[24], 4);
        std::memcpy(&bits, &d[34], 2);
        pcm.samples.resize((d.size() - 44) / 2);
        std::memcpy(pcm.samples.data(), &d[44], pcm.samples.size() * 2);
    }
    EXPECT_EQ(bits, 16) << path << " is no 16-bit WAV file";
    return pcm;
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

Pcm play_to_wav(const std::string& file, const TempFolder& dir) {
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
