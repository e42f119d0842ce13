#pragma once
// Reads FAQ.txt: code page 932 text whose lines end in CR or CR LF (a lone LF is an
// ordinary character). The body is each line preceded by CR LF.

#include <optional>
#include <string>

namespace zt4 {

// The body in UTF-8, or nothing when the file is missing or cannot be read (a directory,
// no permission). Bytes that are not valid code page 932 become U+FFFD.
std::optional<std::string> ReadFaqBody(const std::string& path);

// The same from the file's bytes.
std::string FaqBodyFromBytes(const std::string& bytes);

} // namespace zt4
