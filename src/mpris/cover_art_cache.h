#pragma once
// The covers the media controls show: each embedded picture is written once to a per-user
// cache folder, named by a hash of its bytes, so that a panel can read it by file:// URL.
// The folder never grows without bound: past kMaxFiles files or kMaxBytes bytes the files
// used longest ago go.

#include "id3/tags.h"

#include <cstddef>
#include <string>

namespace zt4 {

class CoverArtCache {
  public:
    static constexpr size_t kMaxFiles = 50;
    static constexpr size_t kMaxBytes = 20 * 1024 * 1024;

    // `folder` is made when the first picture is stored.
    explicit CoverArtCache(std::string folder) : folder_(std::move(folder)) {}

    // $XDG_CACHE_HOME/zt4 (when it is an absolute path), else $HOME/.cache/zt4; "" when
    // neither is known.
    static std::string DefaultFolder(const char* xdgCacheHome, const char* home);

    // The path of the file holding `picture`'s bytes, written when it is not there yet and
    // counted as just used when it is; "" when there is no picture or it cannot be written.
    std::string Store(const id3::Picture& picture);

  private:
    void Evict(const std::string& keep) const;

    std::string folder_;
};

} // namespace zt4
