#include "tag_writer.h"

namespace tag_writer {

std::string SyncSafe(uint32_t v) {
    std::string out(4, '\0');
    for (int i = 3; i >= 0; --i, v >>= 7)
        out[i] = static_cast<char>(v & 0x7f);
    return out;
}

std::string BigEndian(uint32_t v, int bytes) {
    std::string out(bytes, '\0');
    for (int i = bytes - 1; i >= 0; --i, v >>= 8)
        out[i] = static_cast<char>(v & 0xff);
    return out;
}

std::string Frame(int version, const std::string& id, const std::string& body, uint16_t flags) {
    if (version == 2)
        return id + BigEndian(body.size(), 3) + body;
    const std::string size = version == 4 ? SyncSafe(body.size()) : BigEndian(body.size(), 4);
    return id + size + BigEndian(flags, 2) + body;
}

std::string TextFrame(int version, const std::string& id, uint8_t encoding,
                      const std::string& text) {
    return Frame(version, id, std::string(1, static_cast<char>(encoding)) + text);
}

std::string PictureFrame(int version, uint8_t type, const std::string& data,
                         const std::string& description) {
    const std::string kind = version == 2 ? std::string("JPG") : std::string("image/jpeg") + '\0';
    const std::string body =
        std::string(1, '\0') + kind + static_cast<char>(type) + description + '\0' + data;
    return Frame(version, version == 2 ? "PIC" : "APIC", body);
}

std::string Tag(int version, const std::string& frames, uint8_t flags, size_t padding) {
    const std::string header = std::string("ID3") + static_cast<char>(version) + '\0' +
                               static_cast<char>(flags) + SyncSafe(frames.size() + padding);
    return header + frames + std::string(padding, '\0');
}

std::string Id3v1(const std::string& title, const std::string& artist, const std::string& album) {
    std::string tag = "TAG" + std::string(125, '\0');
    tag.replace(3, title.size(), title);
    tag.replace(33, artist.size(), artist);
    tag.replace(63, album.size(), album);
    return tag;
}

} // namespace tag_writer
