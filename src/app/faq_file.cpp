#include "app/faq_file.h"

#include <cerrno>
#include <fstream>
#include <iconv.h>
#include <sys/stat.h>

namespace zt4 {

namespace {

const char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD in UTF-8

// Code page 932 to UTF-8; a byte that starts no valid character becomes U+FFFD.
std::string Cp932ToUtf8(const std::string& in) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return in;
    std::string out;
    out.reserve(in.size() * 3 / 2 + 16);
    char buffer[65536];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        const size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            out += kReplacement; // EILSEQ or a character cut off by the end of the file
            ++src;
            --left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string FaqBodyFromBytes(const std::string& bytes) {
    const std::string text = Cp932ToUtf8(bytes);
    std::string body;
    body.reserve(text.size() + text.size() / 16);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\r', pos);
        if (end == std::string::npos)
            end = text.size();
        body += "\r\n";
        body.append(text, pos, end - pos);
        pos = end + 1;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return body;
}

std::optional<std::string> ReadFaqBody(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    // Read in blocks: a character at a time takes seconds for a large file.
    std::string bytes;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char block[65536];
    while (file.read(block, sizeof block) || file.gcount() > 0)
        bytes.append(block, static_cast<size_t>(file.gcount()));
    if (file.bad())
        return std::nullopt;
    return FaqBodyFromBytes(bytes);
}

} // namespace zt4
