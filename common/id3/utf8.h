#pragma once
// Checking and repairing UTF-8, as tags arrive with bytes of any kind.

#include <cstddef>
#include <string>
#include <string_view>

namespace id3 {

// The length of the well-formed UTF-8 sequence that `s` starts with, 0 when it starts with
// none: no overlong forms, surrogates or code points past U+10FFFF, which decoders reject.
size_t Utf8SequenceLength(std::string_view s);
bool IsUtf8(std::string_view s);
// `s` with each byte that is not part of a UTF-8 character replaced by U+FFFD, as a display
// would show it.
std::string ValidUtf8(std::string_view s);
// Appends the code point `c` (at most U+10FFFF) as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

} // namespace id3
