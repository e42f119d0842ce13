#include "wiring/files_from_outside.h"

#include "playlist/file_uri.h"

namespace zt4 {

void FilesFromOutside::addPaths(const std::vector<std::string>& paths) {
    if (batch_.join(paths))
        dispatcher_.post([this](App& a) { batch_.add(a, skipped_); });
}

void FilesFromOutside::addUriList(const std::string& list) {
    addPaths(PathsOfUriList(list, skipped_));
}

void FilesFromOutside::addUri(const std::string& uri) {
    if (std::optional<std::string> path = PathOfFileUri(uri))
        addPaths({*path});
    else
        skipped_ << "zt4: not a local file, skipped: " << uri << '\n';
}

} // namespace zt4
