#pragma once
// Reading a file's ID3 tags: ID3v2 at its start, ID3v1 in its last 128 bytes for what the
// first does not say.

#include "id3/tags.h"

#include <string>

namespace id3 {

// At most this much of an ID3v2 tag is read: room for the largest picture zt4 keeps and
// the frames around it. A frame past it counts as cut off.
constexpr size_t kMaxTagBytes = kMaxPictureBytes + 1024 * 1024;

// The tags of the open file `fd`, read with pread (its offset stays). Empty when it has
// none or cannot be read.
Tags ReadTags(int fd, bool wantPicture);
Tags ReadTagsOfFile(const std::string& path, bool wantPicture);

// The tags of a file of which the caller already holds the ID3v2 tag and the last 128
// bytes (either may be empty).
Tags TagsFromBytes(std::string_view id3v2, std::string_view last128, bool wantPicture);

} // namespace id3
