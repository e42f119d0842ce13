#include "playlist/file_uri.h"

#include <sstream>

namespace zt4 {

namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool StartsWith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::string FileUri(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        if (Unreserved(c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri;
}

std::optional<std::string> PathOfFileUri(const std::string& uri) {
    std::string rest;
    if (StartsWith(uri, "file:///"))
        rest = uri.substr(7);
    else if (StartsWith(uri, "file://localhost/"))
        rest = uri.substr(16);
    else if (StartsWith(uri, "file:/") && !StartsWith(uri, "file://"))
        rest = uri.substr(5);
    else
        return std::nullopt;
    // A NUL, written out or escaped, would cut the name short: another file than named.
    if (rest.find('\0') != std::string::npos)
        return std::nullopt;
    std::string path;
    for (std::string::size_type i = 0; i < rest.size(); ++i) {
        if (rest[i] != '%') {
            path += rest[i];
            continue;
        }
        const int high = i + 2 < rest.size() ? HexValue(rest[i + 1]) : -1;
        const int low = high >= 0 ? HexValue(rest[i + 2]) : -1;
        if (low < 0 || high + low == 0)
            return std::nullopt;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

std::vector<std::string> PathsOfUriList(const std::string& list, std::ostream& skipped) {
    std::vector<std::string> paths;
    std::istringstream in(list);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        if (std::optional<std::string> path = PathOfFileUri(line))
            paths.push_back(*path);
        else
            skipped << "zt4: not a local file, skipped: " << line << '\n';
    }
    return paths;
}

} // namespace zt4
