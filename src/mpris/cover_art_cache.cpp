#include "mpris/cover_art_cache.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace zt4 {

namespace fs = std::filesystem;

namespace {

// 64-bit FNV-1a: stable from run to run, unlike std::hash; with the size in the name a
// collision in a folder of fifty files is out of the question.
uint64_t Fnv1a(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        h ^= static_cast<unsigned char>(c);
        h *= 0x100000001b3ull;
    }
    return h;
}

// The suffix viewers expect, from the picture's own first bytes rather than the tag's word.
const char* Suffix(const std::string& data) {
    const auto starts = [&](const char* magic, size_t n) {
        return data.compare(0, n, magic, n) == 0;
    };
    if (starts("\xff\xd8\xff", 3))
        return ".jpg";
    if (starts("\x89PNG", 4))
        return ".png";
    if (starts("GIF8", 4))
        return ".gif";
    if (starts("RIFF", 4) && data.compare(8, 4, "WEBP") == 0)
        return ".webp";
    if (starts("BM", 2))
        return ".bmp";
    return ".img";
}

std::string FileName(const std::string& data) {
    char name[64];
    std::snprintf(name, sizeof name, "%016llx-%zx%s", static_cast<unsigned long long>(Fnv1a(data)),
                  data.size(), Suffix(data));
    return name;
}

} // namespace

std::string CoverArtCache::DefaultFolder(const char* xdgCacheHome, const char* home) {
    if (xdgCacheHome && xdgCacheHome[0] == '/')
        return std::string(xdgCacheHome) + "/zt4";
    if (home && home[0] == '/')
        return std::string(home) + "/.cache/zt4";
    return {};
}

std::string CoverArtCache::Store(const id3::Picture& picture) {
    if (picture.data.empty() || folder_.empty())
        return {};
    std::error_code ec;
    const fs::path path = fs::path(folder_) / FileName(picture.data);
    if (fs::is_regular_file(path, ec) && fs::file_size(path, ec) == picture.data.size()) {
        fs::last_write_time(path, fs::file_time_type::clock::now(), ec);
        return path.string();
    }
    fs::create_directories(folder_, ec);
    // Written aside and renamed, so that a panel never reads half a picture.
    const fs::path part = path.string() + ".part" + std::to_string(getpid());
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(picture.data.data(), static_cast<std::streamsize>(picture.data.size()));
        if (!out.flush()) {
            out.close();
            fs::remove(part, ec);
            return {};
        }
    }
    fs::rename(part, path, ec);
    if (ec) {
        fs::remove(part, ec);
        return {};
    }
    Evict(path.string());
    return path.string();
}

void CoverArtCache::Evict(const std::string& keep) const {
    struct Entry {
        fs::file_time_type used;
        uintmax_t bytes;
        fs::path path;
    };
    std::vector<Entry> entries;
    std::error_code ec;
    for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec)) {
        std::error_code fileError;
        if (!e.is_regular_file(fileError))
            continue;
        const auto used = e.last_write_time(fileError);
        const auto bytes = e.file_size(fileError);
        if (!fileError)
            entries.push_back({used, bytes, e.path()});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.used < b.used; });
    uintmax_t total = 0;
    for (const Entry& e : entries)
        total += e.bytes;
    size_t count = entries.size();
    for (const Entry& e : entries) {
        if (count <= kMaxFiles && total <= kMaxBytes)
            break;
        if (e.path == keep)
            continue;
        if (fs::remove(e.path, ec)) {
            --count;
            total -= e.bytes;
        }
    }
}

} // namespace zt4
