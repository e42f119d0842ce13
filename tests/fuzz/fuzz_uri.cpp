// Arbitrary bytes as what the desktop hands over: a file URI and a text/uri-list. A path
// read from a URI is absolute and whole (no NUL), and every path survives the trip through
// its URI and back unchanged.
#include "playlist/file_uri.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_uri: %s\n", what);
        std::abort();
    }
}

void CheckPath(const std::string& path) {
    Check(!path.empty() && path[0] == '/', "a path that is not absolute");
    Check(path.find('\0') == std::string::npos, "a path with a NUL");
    Check(zt4::PathOfFileUri(zt4::FileUri(path)) == path, "a path changed by its URI");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (const std::optional<std::string> path = zt4::PathOfFileUri(input))
        CheckPath(*path);
    std::ostringstream skipped;
    for (const std::string& path : zt4::PathsOfUriList(input, skipped))
        CheckPath(path);
    // The input as a path: its URI names it again.
    if (!input.empty() && input[0] == '/' && input.find('\0') == std::string::npos)
        CheckPath(input);
    return 0;
}
