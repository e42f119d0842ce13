#pragma once
// Files handed to the player from outside its window: the command line, a drop, the media
// controls' OpenUri, a second zt4. They join one batch, which the dispatcher adds once its
// caller has returned (see FileBatch); the names that are not local files are named on
// `skipped`.

#include "playlist/playlist.h"
#include "wiring/dispatcher.h"

#include <ostream>
#include <string>
#include <vector>

namespace zt4 {

class FilesFromOutside {
  public:
    FilesFromOutside(Dispatcher& dispatcher, std::ostream& skipped)
        : dispatcher_(dispatcher), skipped_(skipped) {}

    void addPaths(const std::vector<std::string>& paths);
    // A text/uri-list, as a drop carries it.
    void addUriList(const std::string& list);
    // One URI, as OpenUri carries it.
    void addUri(const std::string& uri) { addUris({uri}); }
    // File URIs, as a second zt4 hands them over.
    void addUris(const std::vector<std::string>& uris);

  private:
    Dispatcher& dispatcher_;
    std::ostream& skipped_;
    FileBatch batch_;
};

} // namespace zt4
