// Opening a file: checking that it holds MPEG audio and learning what vbmp3_open reports.
#pragma once

#include "decoder.h"
#include "vbmp3.h"

#include <memory>
#include <string>
#include <string_view>

namespace vbmp3 {

// An opened file. It keeps its descriptor, so it still plays after the path is deleted.
class Track {
  public:
    Track(int fd, long rate, bool info_frame, std::string name)
        : fd_(fd), rate_(rate), info_frame_(info_frame), name_(std::move(name)) {}
    ~Track();
    Track(const Track&) = delete;
    Track& operator=(const Track&) = delete;

    int fd() const { return fd_; }
    // Of the first frame; the whole file plays at this rate.
    long rate() const { return rate_; }
    // False when its Xing/Info header is not to be believed.
    bool info_frame() const { return info_frame_; }
    // What a sound server's mixer shows for it: the title from its tag, else the file's name;
    // valid UTF-8.
    const std::string& name() const { return name_; }

  private:
    int fd_;
    long rate_;
    bool info_frame_;
    std::string name_;
};

// Opens `path` and decodes until the first frame decodes. Fills `info` (may be null) and
// returns the track, or returns null (with `info` zeroed) when there is no such frame.
std::shared_ptr<const Track> probe_file(const char* path, vbmp3_fileinfo* info);

// A decoder for playing `track` from its start, at its rate, reading it as the probe did.
// Null when it can no longer be read, or when out of memory.
Decoder open_for_playing(const Track& track);

// Copies UTF-8 `text`, up to its first NUL, into `field`, cut to fit on a character boundary
// and NUL-terminated.
void copy_text(char (&field)[128], std::string_view text);

} // namespace vbmp3
