#include "id3/tag_text.h"

#include "id3/utf8.h"

#include <cerrno>
#include <iconv.h>

namespace id3 {

namespace {

bool IsAscii(std::string_view s) {
    for (const char c : s) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

std::string Latin1(std::string_view s) {
    std::string out;
    for (const char c : s)
        AppendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

// CP932 to UTF-8 through iconv; empty when iconv does not know CP932 or refuses a byte.
std::string FromCp932(std::string_view s) {
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string in(s);
    std::string out(s.size() * 3 / 2 + 4, '\0'); // a CP932 character grows to 3 bytes at most
    char* inp = in.data();
    size_t inleft = in.size();
    char* outp = out.data();
    size_t outleft = out.size();
    const size_t r = iconv(cd, &inp, &inleft, &outp, &outleft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inleft != 0)
        return {};
    out.resize(out.size() - outleft);
    return out;
}

std::string_view UpToNul(std::string_view s) {
    return s.substr(0, s.find('\0'));
}

std::string Utf16(std::string_view s, bool bigEndian) {
    std::string out;
    const auto unit = [&](size_t i) {
        const auto a = static_cast<unsigned char>(s[i]);
        const auto b = static_cast<unsigned char>(s[i + 1]);
        return static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    size_t i = 0;
    if (s.size() >= 2 && (unit(0) == 0xfeff || unit(0) == 0xfffe)) {
        bigEndian = unit(0) == 0xfeff ? bigEndian : !bigEndian;
        i = 2;
    }
    for (; i + 1 < s.size(); i += 2) {
        const char16_t u = unit(i);
        if (u == 0)
            break;
        if (u >= 0xd800 && u <= 0xdbff && i + 3 < s.size()) {
            const char16_t low = unit(i + 2);
            if (low >= 0xdc00 && low <= 0xdfff) {
                AppendUtf8(out, 0x10000 + ((u - 0xd800) << 10) + (low - 0xdc00));
                i += 2;
                continue;
            }
        }
        AppendUtf8(out, u >= 0xd800 && u <= 0xdfff ? 0xfffd : u);
    }
    return out;
}

} // namespace

bool IsJapaneseCp932(std::string_view s) {
    bool japanese = false;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80 || (lead >= 0xa1 && lead <= 0xdf))
            continue; // ASCII, half-width katakana
        const bool leadByte = (lead >= 0x81 && lead <= 0x9f) || (lead >= 0xe0 && lead <= 0xef) ||
                              (lead >= 0xfa && lead <= 0xfc);
        if (!leadByte || i + 1 == s.size())
            return false; // 0x80, 0xa0, the user-defined leads 0xf0–0xf9, 0xfd–0xff, a cut pair
        const auto trail = static_cast<unsigned char>(s[++i]);
        if (trail < 0x40 || trail == 0x7f || trail > 0xfc)
            return false;
        japanese = japanese || lead <= 0x9f || trail >= 0x80;
    }
    return japanese && !FromCp932(s).empty();
}

std::string UndeclaredText(std::string_view bytes) {
    const std::string_view s = UpToNul(bytes);
    if (IsAscii(s) || IsUtf8(s))
        return std::string(s);
    if (IsJapaneseCp932(s))
        return FromCp932(s);
    return Latin1(s);
}

std::string FrameText(uint8_t encoding, std::string_view bytes) {
    switch (static_cast<TextEncoding>(encoding)) {
    case TextEncoding::kUtf16:
        return Utf16(bytes, false);
    case TextEncoding::kUtf16Be:
        return Utf16(bytes, true);
    case TextEncoding::kUtf8:
        return ValidUtf8(UpToNul(bytes));
    case TextEncoding::kLatin1:
        break;
    }
    return UndeclaredText(bytes);
}

} // namespace id3
