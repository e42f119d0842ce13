#include "mpris/track_tags.h"

#include "id3/tag_file.h"
#include "playlist/file_uri.h"

namespace zt4 {

const TrackTags& TrackTagReader::Read(const std::string& path) {
    if (path == path_)
        return tags_;
    path_ = path;
    const id3::Tags tags = id3::ReadTagsOfFile(path, true);
    const std::string cover = covers_.Store(tags.picture);
    tags_ = {tags.album, cover.empty() ? std::string() : FileUri(cover)};
    return tags_;
}

} // namespace zt4
