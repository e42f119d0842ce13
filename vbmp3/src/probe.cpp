#include "probe.h"

#include "decoder.h"
#include "id3/tag_file.h"
#include "id3/utf8.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace vbmp3 {

namespace {

// The title and artist from the tags libmpg123 kept as they are in the file (see
// probe_decoder): ID3v2 first, ID3v1 for what it lacks.
void fill_tags(mpg123_handle* mh, vbmp3_fileinfo& info) {
    unsigned char* v1 = nullptr;
    unsigned char* v2 = nullptr;
    size_t v1_size = 0;
    size_t v2_size = 0;
    if (mpg123_id3_raw(mh, &v1, &v1_size, &v2, &v2_size) != MPG123_OK) {
        return;
    }
    const auto bytes = [](const unsigned char* p, size_t n) {
        return p ? std::string_view(reinterpret_cast<const char*>(p), n) : std::string_view();
    };
    const id3::Tags tags = id3::TagsFromBytes(bytes(v2, v2_size), bytes(v1, v1_size), false);
    copy_text(info.title, tags.title);
    copy_text(info.artist, tags.artist);
}

// A decoder for probing: it keeps the tags' raw bytes, as libmpg123's own reading takes
// every text marked Latin-1 for Latin-1, which Japanese tags in Shift-JIS are not.
Decoder probe_decoder(bool info_frame) {
    Decoder mh = make_decoder(0, info_frame);
    if (mh) {
        mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_STORE_RAW_ID3 | MPG123_SKIP_ID3V2, 0.);
    }
    return mh;
}

int32_t clamp_to_int32(double v) {
    return static_cast<int32_t>(std::clamp(v, 0.0, static_cast<double>(INT32_MAX)));
}

void fill_format(mpg123_handle* mh, off_t file_size, vbmp3_fileinfo& info) {
    mpg123_frameinfo fi{};
    mpg123_info(mh, &fi);
    info.sample_rate = static_cast<int32_t>(fi.rate);
    info.channels = fi.mode == MPG123_M_MONO ? 1 : 2;
    const off_t samples = mpg123_length(mh);
    if (samples > 0 && fi.rate > 0) {
        info.length_ms = clamp_to_int32(std::round(samples * 1000.0 / fi.rate));
    }
    if (fi.vbr == MPG123_CBR && fi.bitrate > 0) {
        info.bitrate = fi.bitrate;
    } else if (samples > 0 && fi.rate > 0) {
        // Free format, VBR and ABR: the audio's bytes over its playing time.
        const double seconds = static_cast<double>(samples) / fi.rate;
        const off_t audio_bytes = file_size - std::max<off_t>(mpg123_framepos(mh), 0);
        info.bitrate = clamp_to_int32(std::round(audio_bytes * 8.0 / seconds / 1000.0));
    } else {
        info.bitrate = fi.bitrate;
    }
}

// Closes a descriptor unless it has been handed on.
struct FdGuard {
    int fd;
    ~FdGuard() {
        if (fd >= 0) {
            close(fd);
        }
    }
};

// No MPEG frame is shorter than its 4-byte header or holds more than 1152 samples.
constexpr double kMaxSamplesPerByte = 1152.0 / 4;

// True when the length read from a Xing/Info header is more than the file can hold: damage,
// and costly, as libmpg123 converts that length to another output rate frame by frame, which
// for a count of billions of frames stalls the first read for many seconds.
bool length_is_impossible(mpg123_handle* mh, off_t file_size) {
    return static_cast<double>(mpg123_length(mh)) >
           static_cast<double>(file_size) * kMaxSamplesPerByte;
}

// Decodes until one frame decodes; false when the stream ends or fails first.
bool decode_first_frame(mpg123_handle* mh) {
    int errors = 0;
    for (;;) {
        off_t num = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int r = mpg123_decode_frame(mh, &num, &audio, &bytes);
        if (r == MPG123_OK) {
            return true;
        }
        if (r == MPG123_DONE || (r != MPG123_NEW_FORMAT && ++errors >= kMaxErrorsInRow)) {
            return false;
        }
    }
}

} // namespace

Track::~Track() {
    close(fd_);
}

Decoder open_for_playing(const Track& track) {
    Decoder mh = make_decoder(track.rate(), track.info_frame());
    if (!mh || !open_decoder(mh.get(), track.fd())) {
        return nullptr;
    }
    return mh;
}

void copy_text(char (&field)[128], std::string_view text) {
    text = text.substr(0, text.find('\0'));
    size_t n = std::min(text.size(), sizeof field - 1);
    if (n < text.size()) {
        // Cut before the character that does not fit whole.
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xc0) == 0x80) {
            --n;
        }
    }
    // An empty view may have no data at all, which memcpy must not see.
    std::copy_n(text.begin(), n, field);
    field[n] = '\0';
}

std::shared_ptr<const Track> probe_file(const char* path, vbmp3_fileinfo* info) {
    vbmp3_fileinfo found{};
    if (info) {
        *info = found;
    }
    if (!path) {
        return nullptr;
    }
    // O_NONBLOCK: opening a FIFO would otherwise wait for a writer.
    FdGuard file{open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
    const int fd = file.fd;
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    // Only regular files: a directory opens too, and a FIFO or a device could block.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0 ||
        fcntl(fd, F_SETFL, 0) != 0) {
        return nullptr;
    }
    bool info_frame = true;
    Decoder mh = probe_decoder(info_frame);
    if (!mh || !open_decoder(mh.get(), fd) || !decode_first_frame(mh.get())) {
        return nullptr;
    }
    if (length_is_impossible(mh.get(), st.st_size)) {
        info_frame = false;
        mh = probe_decoder(info_frame);
        if (!mh || !open_decoder(mh.get(), fd) || !decode_first_frame(mh.get())) {
            return nullptr;
        }
    }
    fill_format(mh.get(), st.st_size, found);
    fill_tags(mh.get(), found);
    if (found.sample_rate <= 0) {
        return nullptr;
    }
    if (info) {
        *info = found;
    }
    const std::string_view file_name =
        std::string_view(path).substr(std::string_view(path).rfind('/') + 1);
    std::string name = found.title[0] ? found.title : id3::ValidUtf8(file_name);
    auto track = std::make_shared<Track>(fd, found.sample_rate, info_frame, std::move(name));
    file.fd = -1;
    return track;
}

} // namespace vbmp3
