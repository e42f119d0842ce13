#pragma once
// What zt4 reads from a file's ID3 tags.

#include <cstddef>
#include <cstdint>
#include <string>

namespace id3 {

// A picture of more than this is skipped: no cover is worth holding so much in memory.
constexpr size_t kMaxPictureBytes = 16 * 1024 * 1024;

// An embedded picture (APIC, or PIC in ID3v2.2).
struct Picture {
    static constexpr uint8_t kFrontCover = 3;
    std::string mime; // as the tag says: "image/jpeg", "image/png", … (may be empty)
    uint8_t type = 0; // the tag's picture type: 3 is the front cover
    std::string data; // the picture's bytes; empty when there is none
};

// The texts, always valid UTF-8, empty when the tags have none.
struct Tags {
    std::string title, artist, album;
    // The first front cover, else the first picture; only read when asked for.
    Picture picture;
};

} // namespace id3
