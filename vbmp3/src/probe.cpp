#include "probe.h"

#include "decoder.h"

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

// The length of the well-formed UTF-8 sequence that `s` starts with, 0 when it starts with
// none: no overlong forms, surrogates or code points past U+10FFFF, which decoders reject.
size_t utf8_sequence(std::string_view s) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = byte(0);
    if (c < 0x80) {
        return 1;
    }
    const size_t len = c >= 0xc2 && c <= 0xdf   ? 2
                       : c >= 0xe0 && c <= 0xef ? 3
                       : c >= 0xf0 && c <= 0xf4 ? 4
                                                : 0;
    if (len == 0 || s.size() < len) {
        return 0;
    }
    // The lead byte narrows the range of the second.
    const unsigned char lo = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : 0x80;
    const unsigned char hi = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
    if (byte(1) < lo || byte(1) > hi) {
        return 0;
    }
    for (size_t k = 2; k < len; ++k) {
        if ((byte(k) & 0xc0) != 0x80) {
            return 0;
        }
    }
    return len;
}

bool is_utf8(std::string_view s) {
    for (size_t i = 0, n; i < s.size(); i += n) {
        if ((n = utf8_sequence(s.substr(i))) == 0) {
            return false;
        }
    }
    return true;
}

// An ID3v1 field: fixed width, padded with NULs or spaces, in no declared encoding. Taken
// as UTF-8 when it is valid UTF-8, else as Latin-1, the common case.
std::string id3v1_text(const char* field, size_t width) {
    std::string_view raw(field, strnlen(field, width));
    while (!raw.empty() && raw.back() == ' ') {
        raw.remove_suffix(1);
    }
    if (is_utf8(raw)) {
        return std::string(raw);
    }
    std::string out;
    for (const char ch : raw) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xc0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3f));
        }
    }
    return out;
}

// Each byte that is not part of a UTF-8 character becomes U+FFFD, as a display would show it.
std::string valid_utf8(std::string_view raw) {
    std::string out;
    for (size_t i = 0, n; i < raw.size(); i += n) {
        n = utf8_sequence(raw.substr(i));
        if (n == 0) {
            out += "\xef\xbf\xbd";
            n = 1;
        } else {
            out.append(raw, i, n);
        }
    }
    return out;
}

// An ID3v2 text as libmpg123 gives it: converted to UTF-8 from Latin-1 and UTF-16, but passed
// on as it is from a frame that says it is UTF-8, which a tagger may not have kept.
std::string id3v2_text(const mpg123_string* s) {
    return valid_utf8(s && s->p && s->fill > 0 ? std::string_view(s->p, s->fill)
                                               : std::string_view());
}

void fill_tags(mpg123_handle* mh, vbmp3_fileinfo& info) {
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    if (mpg123_id3(mh, &v1, &v2) != MPG123_OK) {
        return;
    }
    std::string title = v2 ? id3v2_text(v2->title) : std::string();
    std::string artist = v2 ? id3v2_text(v2->artist) : std::string();
    if (v1 && title.empty()) {
        title = id3v1_text(v1->title, sizeof v1->title);
    }
    if (v1 && artist.empty()) {
        artist = id3v1_text(v1->artist, sizeof v1->artist);
    }
    copy_text(info.title, title);
    copy_text(info.artist, artist);
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
    Decoder mh = make_decoder(0, info_frame);
    if (!mh || !open_decoder(mh.get(), fd) || !decode_first_frame(mh.get())) {
        return nullptr;
    }
    if (length_is_impossible(mh.get(), st.st_size)) {
        info_frame = false;
        mh = make_decoder(0, info_frame);
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
    std::string name = found.title[0] ? found.title : valid_utf8(file_name);
    auto track = std::make_shared<Track>(fd, found.sample_rate, info_frame, std::move(name));
    file.fd = -1;
    return track;
}

} // namespace vbmp3
