// Arbitrary bytes as a file, opened by path as the player does: vbmp3_open's probing, then
// the playback thread's decoding without the output. Checks what the C header promises of
// the file information and what the output relies on.
#include "decoder.h"
#include "probe.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <iterator>
#include <memory>
#include <string_view>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// A few seconds of audio: every input finishes fast, whatever its length in time.
constexpr size_t kMaxPcmBytes = 1 << 20;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_decode: %s\n", what);
        std::abort();
    }
}

struct MemoryFile {
    int fd = memfd_create("fuzz_decode.mp3", MFD_CLOEXEC);
    char path[64] = {};
    MemoryFile() {
        check(fd >= 0, "memfd_create failed");
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", fd);
    }
    void write_all(const uint8_t* data, size_t size) {
        check(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size),
              "writing the memory file failed");
    }
    // The lowest free descriptor: it moves when one is leaked.
    int lowest_free_fd() const {
        const int probe = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        close(probe);
        return probe;
    }
};

// Strict UTF-8 as glibc's iconv reads it: a judge independent of the library's own check.
bool is_utf8(std::string_view s) {
    static const iconv_t cd = iconv_open("UTF-32LE", "UTF-8");
    check(cd != reinterpret_cast<iconv_t>(-1), "iconv_open failed");
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(s.data());
    size_t in_left = s.size();
    char out[4 * 128];
    char* out_at = out;
    size_t out_left = sizeof out;
    return iconv(cd, &in, &in_left, &out_at, &out_left) != static_cast<size_t>(-1) && in_left == 0;
}

void check_text(const char (&field)[128]) {
    const size_t n = strnlen(field, sizeof field);
    check(n < sizeof field, "text field not NUL-terminated");
    check(is_utf8(std::string_view(field, n)), "text field not UTF-8");
}

void check_info(const vbmp3_fileinfo& info) {
    static const int32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    check(std::find(std::begin(kRates), std::end(kRates), info.sample_rate) != std::end(kRates),
          "sample rate not an MPEG audio rate");
    check(info.channels == 1 || info.channels == 2, "channels not 1 or 2");
    check(info.bitrate >= 0 && info.length_ms >= 0, "negative bit rate or length");
    check_text(info.title);
    check_text(info.artist);
}

// What the playback thread does with an opened track, minus volume and output.
void decode(const vbmp3::Track& track) {
    const vbmp3::Decoder mh = vbmp3::open_for_playing(track);
    check(mh != nullptr, "an opened track does not reopen");
    // The playback thread's block of about 20 ms.
    std::vector<unsigned char> block(static_cast<size_t>(std::max(track.rate() / 50, 256L)) * 4);
    vbmp3::AudioReader reader(mh.get());
    size_t total = 0;
    while (!reader.ended() && total < kMaxPcmBytes) {
        const size_t done = reader.read(block.data(), block.size());
        check(done <= block.size() && done % 4 == 0, "a read gave part of a stereo frame");
        total += done;
        if (done > 0) {
            // The output was started once, at the track's rate, in 16-bit stereo.
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(mh.get(), &rate, &channels, &encoding);
            check(rate == track.rate() && channels == 2 && encoding == MPG123_ENC_SIGNED_16,
                  "audio in another format than the track's");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static MemoryFile file;
    file.write_all(data, size);
    const int free_fd = file.lowest_free_fd();

    vbmp3_fileinfo info;
    std::memset(&info, 0x5a, sizeof info);
    {
        const std::shared_ptr<const vbmp3::Track> track = vbmp3::probe_file(file.path, &info);
        if (track) {
            check_info(info);
            check(track->rate() == info.sample_rate, "track rate differs from the reported one");
            decode(*track);
        } else {
            const vbmp3_fileinfo zero{};
            check(std::memcmp(&info, &zero, sizeof info) == 0, "a failed open left info filled");
        }
    }
    check(file.lowest_free_fd() == free_fd, "a file descriptor was leaked");
    return 0;
}
