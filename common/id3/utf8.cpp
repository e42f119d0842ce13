#include "id3/utf8.h"

namespace id3 {

size_t Utf8SequenceLength(std::string_view s) {
    if (s.empty())
        return 0;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = byte(0);
    if (c < 0x80)
        return 1;
    const size_t len = c >= 0xc2 && c <= 0xdf   ? 2
                       : c >= 0xe0 && c <= 0xef ? 3
                       : c >= 0xf0 && c <= 0xf4 ? 4
                                                : 0;
    if (len == 0 || s.size() < len)
        return 0;
    // The lead byte narrows the range of the second.
    const unsigned char lo = c == 0xe0 ? 0xa0 : c == 0xf0 ? 0x90 : 0x80;
    const unsigned char hi = c == 0xed ? 0x9f : c == 0xf4 ? 0x8f : 0xbf;
    if (byte(1) < lo || byte(1) > hi)
        return 0;
    for (size_t k = 2; k < len; ++k) {
        if ((byte(k) & 0xc0) != 0x80)
            return 0;
    }
    return len;
}

bool IsUtf8(std::string_view s) {
    for (size_t i = 0, n; i < s.size(); i += n) {
        if ((n = Utf8SequenceLength(s.substr(i))) == 0)
            return false;
    }
    return true;
}

std::string ValidUtf8(std::string_view s) {
    std::string out;
    for (size_t i = 0, n; i < s.size(); i += n) {
        n = Utf8SequenceLength(s.substr(i));
        if (n == 0) {
            out += "\xef\xbf\xbd";
            n = 1;
        } else {
            out.append(s, i, n);
        }
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
}

} // namespace id3
