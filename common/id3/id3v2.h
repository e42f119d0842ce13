#pragma once
// ID3v2 (versions 2.2, 2.3 and 2.4) at a file's start: the title, artist and album text
// frames and the embedded pictures. Damage ends the reading where it starts; what was read
// before it stays.

#include "id3/tags.h"

#include <optional>
#include <string_view>

namespace id3 {

constexpr size_t kId3v2HeaderBytes = 10;

// The whole tag's length in bytes (header, frames, padding and a 2.4 footer) when `header`
// starts with an ID3v2 header.
std::optional<size_t> Id3v2Length(std::string_view header);

// Fills the texts of `tags` from the tag that `tag` starts with (cut short is fine: the
// frames that fit are read), and its picture when `wantPicture`. A picture frame whose
// data is over kMaxPictureBytes, or that is damaged, is passed over.
void FillFromId3v2(std::string_view tag, Tags& tags, bool wantPicture);

} // namespace id3
