#pragma once
// File URIs as the desktop passes files around (drops, the media controls' OpenUri). A
// path is bytes; its URI percent-encodes every byte outside the unreserved characters and
// "/", so a name that is not UTF-8 survives the trip through D-Bus and back unchanged.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zt4 {

// "file://" + the absolute path, percent-encoded.
std::string FileUri(const std::string& path);
// The path a "file://[localhost]/…" or "file:/…" URI names, its escapes decoded to bytes;
// nothing for another scheme, a remote host, a relative path or a broken escape.
std::optional<std::string> PathOfFileUri(const std::string& uri);
// The paths of a text/uri-list (one URI a line, "#" comments); the URIs that name no local
// file are named on `skipped`.
std::vector<std::string> PathsOfUriList(const std::string& list, std::ostream& skipped);

} // namespace zt4
