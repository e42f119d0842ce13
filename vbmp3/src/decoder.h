// libmpg123 handles, set up alike for probing a file and for playing it.
#pragma once

#include <cstddef>
#include <memory>
#include <mpg123.h>

namespace vbmp3 {

struct Mpg123Deleter {
    void operator()(mpg123_handle* mh) const { mpg123_delete(mh); }
};
using Decoder = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// A stream that fails this many times in a row without giving audio is taken as ended.
constexpr int kMaxErrorsInRow = 10;

// A handle that decodes to 16-bit stereo (mono as two equal channels) at `rate`, or at the
// stream's own rate when `rate` is 0, and reads on through damaged data. With `info_frame`
// false a Xing/Info header is not read, only played as the frame it is. Null when out of
// memory.
Decoder make_decoder(long rate, bool info_frame);

// Opens the file behind `fd` from its start. Uses mpg123_open_fd rather than
// mpg123_open_fixed, which would turn on MPG123_NO_FRANKENSTEIN and end a file at the
// first change of format or at junk in the middle.
bool open_decoder(mpg123_handle* mh, int fd);

// Reads a stream's audio on through damaged data. The stream is over at its end, or after
// kMaxErrorsInRow reads in a row that fail or give nothing, so that no stream can keep a
// reader busy; a header's length does not end it.
class AudioReader {
  public:
    explicit AudioReader(mpg123_handle* mh) : mh_(mh) {}

    // Decodes up to `size` bytes of whole stereo frames into `buf`; returns how many.
    size_t read(unsigned char* buf, size_t size);
    bool ended() const { return ended_; }

  private:
    mpg123_handle* mh_;
    int errors_ = 0;
    bool ended_ = false;
};

} // namespace vbmp3
