// Opening a file: checking that it holds MPEG audio and learning what vbmp3_open reports.
#pragma once

#include "vbmp3.h"

#include <memory>
#include <string_view>

namespace vbmp3 {

// An opened file. It keeps its descriptor, so it still plays after the path is deleted.
class Track {
  public:
    Track(int fd, long rate) : fd_(fd), rate_(rate) {}
    ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    int fd() const { return fd_; }
    // Of the first frame; the whole file plays at this rate.
    long rate() const { return rate_; }

  private:
    int fd_;
    long rate_;
};

// Opens `path` and decodes until the first frame decodes. Fills `info` (may be null) and
// returns the track, or returns null (with `info` zeroed) when there is no such frame.
std::shared_ptr<const Track> probe_file(const char* path, vbmp3_fileinfo* info);

// Copies UTF-8 `text`, up to its first NUL, into `field`, cut to fit on a character boundary
// and NUL-terminated.
void copy_text(char (&field)[128], std::string_view text);

} // namespace vbmp3
