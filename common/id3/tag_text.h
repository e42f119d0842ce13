#pragma once
// The text of a tag as UTF-8. Japanese MP3s often carry Shift-JIS (code page 932) in ID3v1
// fields and in ID3v2 frames that say ISO-8859-1; taken as Latin-1 their titles become
// mojibake, so such bytes are read as CP932 when they can only be Japanese.

#include <cstdint>
#include <string>
#include <string_view>

namespace id3 {

// What an ID3v2 text frame's first byte says of the rest.
enum class TextEncoding : uint8_t { kLatin1 = 0, kUtf16 = 1, kUtf16Be = 2, kUtf8 = 3 };

// Bytes in no declared encoding (an ID3v1 field) or declared Latin-1, up to the first NUL:
// kept as they are when they are UTF-8; CP932 when they are valid CP932 and hold a two-byte
// character that Latin-1 text would not (see IsJapaneseCp932); otherwise Latin-1.
std::string UndeclaredText(std::string_view bytes);

// True when `bytes` decode as CP932 to no user-defined character, and hold at least one
// two-byte character that is either led by 0x81–0x9F (control codes in Latin-1) or made of
// two bytes of 0x80 and above. A Latin-1 letter such as "é" followed by an ASCII letter is
// also a valid CP932 pair (a rare kanji): alone it is no sign of Japanese, or "Décembre"
// would lose its accent.
bool IsJapaneseCp932(std::string_view bytes);

// The first string of a frame's text in `encoding` (a value 0–3; any other is taken as
// Latin-1), always valid UTF-8: a UTF-16 text without a byte-order mark is little-endian,
// a lone surrogate and a byte that is not UTF-8 become U+FFFD.
std::string FrameText(uint8_t encoding, std::string_view bytes);

} // namespace id3
