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

void FilesFromOutside::addUris(const std::vector<std::string>& uris) {
    std::vector<std::string> paths;
    for (const std::string& uri : uris) {
        if (std::optional<std::string> path = PathOfFileUri(uri))
            paths.push_back(*path);
        else
            skipped_ << "zt4: not a local file, skipped: " << uri << '\n';
    }
    addPaths(paths);
}

} // namespace zt4
