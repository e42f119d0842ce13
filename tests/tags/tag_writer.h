#pragma once
// A small ID3 writer for tests: tags byte by byte as taggers write them, damage included.

#include <cstdint>
#include <string>

namespace tag_writer {

// Four bytes of seven bits.
std::string SyncSafe(uint32_t v);
std::string BigEndian(uint32_t v, int bytes);
// A frame of ID3v2.`version` (2, 3 or 4) with `body` after its header.
std::string Frame(int version, const std::string& id, const std::string& body, uint16_t flags = 0);
// A text frame: the encoding byte, then `text` as given (already in that encoding).
std::string TextFrame(int version, const std::string& id, uint8_t encoding,
                      const std::string& text);
// An APIC frame (PIC in 2.2) with a Latin-1 description.
std::string PictureFrame(int version, uint8_t type, const std::string& data,
                         const std::string& description = "");
// A whole ID3v2 tag around `frames`, with `padding` NULs after them.
std::string Tag(int version, const std::string& frames, uint8_t flags = 0, size_t padding = 0);
// An ID3v1 tag of 128 bytes.
std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album);

} // namespace tag_writer
