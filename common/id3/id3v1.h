#pragma once
// ID3v1: the 128 bytes at a file's end, starting "TAG", fields of fixed width.

#include "id3/tags.h"

#include <string_view>

namespace id3 {

constexpr size_t kId3v1Bytes = 128;

// Fills the title, artist and album of `tags` that are still empty from `last128`, the
// file's last 128 bytes, when they are an ID3v1 tag.
void FillFromId3v1(std::string_view last128, Tags& tags);

} // namespace id3
