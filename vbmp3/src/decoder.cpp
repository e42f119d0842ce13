#include "decoder.h"

#include <unistd.h>

namespace vbmp3 {

namespace {

// How far to search for the next frame after damage, per attempt. libmpg123's default of
// 1 KiB gives up on a few kilobytes of junk; this, times kMaxErrorsInRow, reads on through
// about 320 KiB and still bounds the search in a file of random bytes.
constexpr long kResyncLimit = 32768;

} // namespace

Decoder make_decoder(long rate, bool info_frame) {
    Decoder mh(mpg123_new(nullptr, nullptr));
    if (!mh) {
        return nullptr;
    }
    // Gapless: the encoder delay and padding named in a LAME/Xing header are cut, so a file
    // plays exactly the samples it was made from. Raw streams have no such header and lose
    // nothing.
    mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.);
    if (!info_frame) {
        mpg123_param(mh.get(), MPG123_ADD_FLAGS, MPG123_IGNORE_INFOFRAME, 0.);
    }
    mpg123_param(mh.get(), MPG123_RESYNC_LIMIT, kResyncLimit, 0.);
    // One fixed output format, set before the first read: libmpg123 converts everything to
    // it (mono to stereo, a stray frame at another rate by resampling), so the output never
    // has to be reopened mid-file.
    mpg123_format_none(mh.get());
    if (rate > 0) {
        mpg123_format(mh.get(), rate, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    } else {
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i) {
            mpg123_format(mh.get(), rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
        }
    }
    return mh;
}

bool open_decoder(mpg123_handle* mh, int fd) {
    return lseek(fd, 0, SEEK_SET) == 0 && mpg123_open_fd(mh, fd) == MPG123_OK;
}

size_t AudioReader::read(unsigned char* buf, size_t size) {
    size_t done = 0;
    const int r = mpg123_read(mh_, buf, size, &done);
    if (r == MPG123_DONE) {
        ended_ = true;
    } else if (r == MPG123_OK && done > 0) {
        errors_ = 0;
    } else if (r != MPG123_NEW_FORMAT) {
        ended_ = ++errors_ >= kMaxErrorsInRow;
    }
    return done;
}

} // namespace vbmp3
