#pragma once
// What the media controls show of a track beyond the library's record: its album and its
// cover, read from the file's tags once per track.

#include "mpris/cover_art_cache.h"

#include <string>

namespace zt4 {

struct TrackTags {
    std::string album;  // "" when the tags name none
    std::string artUrl; // file:// URL of the cached cover; "" when the file has no picture
};

class TrackTagReader {
  public:
    explicit TrackTagReader(CoverArtCache covers) : covers_(std::move(covers)) {}

    // The tags of the file at `path`, read when it differs from the last one asked for.
    const TrackTags& Read(const std::string& path);

  private:
    CoverArtCache covers_;
    std::string path_;
    TrackTags tags_;
};

} // namespace zt4
