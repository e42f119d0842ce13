#include "id3/id3v2.h"

#include "id3/tag_text.h"

#include <cstdint>

namespace id3 {

namespace {

constexpr uint8_t kUnsynchronised = 0x80; // header flag, all versions
constexpr uint8_t kExtendedHeader = 0x40; // header flag in 2.3 and 2.4 (compression in 2.2)
constexpr uint8_t kFooter = 0x10;         // header flag in 2.4

uint8_t Byte(std::string_view s, size_t i) {
    return static_cast<uint8_t>(s[i]);
}

uint32_t BigEndian(std::string_view s, size_t at, size_t count) {
    uint32_t v = 0;
    for (size_t i = 0; i < count; ++i)
        v = v << 8 | Byte(s, at + i);
    return v;
}

// Four bytes of seven bits each; nothing when a high bit is set.
std::optional<uint32_t> SyncSafe(std::string_view s, size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) {
        if (Byte(s, at + i) & 0x80)
            return std::nullopt;
        v = v << 7 | Byte(s, at + i);
    }
    return v;
}

// Undoes unsynchronisation: a writer put 0x00 after each 0xFF.
std::string Resynchronised(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        out += s[i];
        if (Byte(s, i) == 0xff && i + 1 < s.size() && s[i + 1] == '\0')
            ++i;
    }
    return out;
}

// The frame names in one version: 2.2 has names of three letters.
struct FrameNames {
    std::string_view title, artist, album, picture;
};
constexpr FrameNames kNames22{"TT2", "TP1", "TAL", "PIC"};
constexpr FrameNames kNames{"TIT2", "TPE1", "TALB", "APIC"};

// Where a text ends in `encoding` and the next field begins: after one NUL, or after two
// aligned on a pair for UTF-16.
std::optional<size_t> AfterTerminator(std::string_view s, size_t from, uint8_t encoding) {
    if (encoding == 1 || encoding == 2) {
        for (size_t i = from; i + 1 < s.size(); i += 2) {
            if (s[i] == '\0' && s[i + 1] == '\0')
                return i + 2;
        }
        return std::nullopt;
    }
    const size_t nul = s.find('\0', from);
    return nul == std::string_view::npos ? std::nullopt : std::optional<size_t>(nul + 1);
}

std::string MimeOfFormat(std::string_view format) {
    if (format == "JPG")
        return "image/jpeg";
    if (format == "PNG")
        return "image/png";
    return {};
}

// An APIC body (encoding, MIME type up to a NUL, type, description, data) or, in 2.2, a PIC
// body (encoding, a format of three letters, type, description, data).
std::optional<Picture> ReadPicture(std::string_view body, bool v22) {
    if (body.size() < 2)
        return std::nullopt;
    const uint8_t encoding = Byte(body, 0);
    Picture p;
    size_t at = 1;
    if (v22) {
        if (body.size() < 5)
            return std::nullopt;
        p.mime = MimeOfFormat(body.substr(1, 3));
        at = 4;
    } else {
        const std::optional<size_t> afterMime = AfterTerminator(body, 1, 0);
        if (!afterMime)
            return std::nullopt;
        p.mime = UndeclaredText(body.substr(1, *afterMime - 2));
        at = *afterMime;
    }
    if (at >= body.size())
        return std::nullopt;
    p.type = Byte(body, at);
    const std::optional<size_t> afterDescription = AfterTerminator(body, at + 1, encoding);
    if (!afterDescription || *afterDescription >= body.size())
        return std::nullopt;
    p.data = std::string(body.substr(*afterDescription));
    return p;
}

class TagReader {
  public:
    TagReader(uint8_t version, Tags& tags, bool wantPicture)
        : version_(version), names_(version == 2 ? kNames22 : kNames), tags_(tags),
          wantPicture_(wantPicture) {}

    // Reads the frames of `frames` (the tag after its header), up to padding or damage.
    void ReadFrames(std::string_view frames, bool allUnsynchronised) {
        const size_t idBytes = version_ == 2 ? 3 : 4;
        const size_t headerBytes = version_ == 2 ? 6 : 10;
        size_t at = 0;
        while (at + headerBytes <= frames.size()) {
            const std::string_view id = frames.substr(at, idBytes);
            if (!ValidId(id))
                return; // padding, or damage
            const std::optional<size_t> size = FrameSize(frames, at + idBytes);
            const size_t start = at + headerBytes;
            if (!size || *size > frames.size() - start)
                return;
            const uint16_t flags = version_ == 2 ? 0 : BigEndian(frames, at + 8, 2);
            Frame(id, frames.substr(start, *size), flags, allUnsynchronised);
            at = start + *size;
        }
    }

  private:
    static bool ValidId(std::string_view id) {
        for (const char c : id) {
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
                return false;
        }
        return true;
    }

    std::optional<size_t> FrameSize(std::string_view frames, size_t at) const {
        if (version_ == 2)
            return BigEndian(frames, at, 3);
        if (version_ == 3)
            return BigEndian(frames, at, 4);
        // Some 2.4 writers put plain sizes; a size with a high bit set can only be one.
        const std::optional<uint32_t> safe = SyncSafe(frames, at);
        return safe ? *safe : BigEndian(frames, at, 4);
    }

    // The frame's content, with what its flags add taken off; nothing when it is
    // compressed or encrypted, which zt4 does not read. A view into `body`, or into
    // `storage` when it must be resynchronised: a cover can be megabytes.
    std::optional<std::string_view> Content(std::string_view body, uint16_t flags,
                                            bool allUnsynchronised, std::string& storage) const {
        size_t skip = 0;
        bool unsynchronised = false;
        if (version_ == 3) {
            if (flags & 0x00c0)
                return std::nullopt;
            skip += (flags & 0x0020) ? 1 : 0; // group
        } else if (version_ == 4) {
            if (flags & 0x000c)
                return std::nullopt;
            skip += (flags & 0x0040) ? 1 : 0; // group
            skip += (flags & 0x0001) ? 4 : 0; // data length
            unsynchronised = allUnsynchronised || (flags & 0x0002);
        }
        if (skip > body.size())
            return std::nullopt;
        body.remove_prefix(skip);
        if (!unsynchronised)
            return body;
        storage = Resynchronised(body);
        return std::string_view(storage);
    }

    void Frame(std::string_view id, std::string_view body, uint16_t flags, bool allUnsynchronised) {
        std::string* text = id == names_.title    ? &tags_.title
                            : id == names_.artist ? &tags_.artist
                            : id == names_.album  ? &tags_.album
                                                  : nullptr;
        const bool picture = id == names_.picture && wantPicture_ && !haveFrontCover_ &&
                             body.size() <= kMaxPictureBytes + 1024;
        if ((!text || !text->empty()) && !picture)
            return;
        std::string storage;
        const std::optional<std::string_view> content =
            Content(body, flags, allUnsynchronised, storage);
        if (!content || content->empty())
            return;
        if (text) {
            *text = FrameText(Byte(*content, 0), content->substr(1));
            return;
        }
        std::optional<Picture> p = ReadPicture(*content, version_ == 2);
        if (!p || p->data.size() > kMaxPictureBytes)
            return;
        if (tags_.picture.data.empty() || p->type == Picture::kFrontCover) {
            haveFrontCover_ = p->type == Picture::kFrontCover;
            tags_.picture = std::move(*p);
        }
    }

    uint8_t version_;
    FrameNames names_;
    Tags& tags_;
    bool wantPicture_;
    bool haveFrontCover_ = false;
};

} // namespace

std::optional<size_t> Id3v2Length(std::string_view header) {
    if (header.size() < kId3v2HeaderBytes || header.substr(0, 3) != "ID3" || Byte(header, 3) < 2 ||
        Byte(header, 3) > 4 || Byte(header, 4) == 0xff)
        return std::nullopt;
    const std::optional<uint32_t> size = SyncSafe(header, 6);
    if (!size)
        return std::nullopt;
    const bool footer = Byte(header, 3) == 4 && (Byte(header, 5) & kFooter);
    return kId3v2HeaderBytes + *size + (footer ? kId3v2HeaderBytes : 0);
}

void FillFromId3v2(std::string_view tag, Tags& tags, bool wantPicture) {
    const std::optional<size_t> length = Id3v2Length(tag);
    if (!length)
        return;
    const uint8_t version = Byte(tag, 3);
    const uint8_t flags = Byte(tag, 5);
    if (version == 2 && (flags & kExtendedHeader))
        return; // 2.2's compression, which no one defined
    const size_t size = *SyncSafe(tag, 6);
    std::string_view frames = tag.substr(kId3v2HeaderBytes, size);
    // Before 2.4 unsynchronisation covers the whole tag, extended header included.
    std::string resynchronised;
    if (version < 4 && (flags & kUnsynchronised)) {
        resynchronised = Resynchronised(frames);
        frames = resynchronised;
    }
    if (flags & kExtendedHeader) {
        if (frames.size() < 4)
            return;
        // 2.3 counts the size's own four bytes out, 2.4 (sync-safe) in.
        const std::optional<size_t> extended =
            version == 3 ? std::optional<size_t>(BigEndian(frames, 0, 4) + 4)
                         : std::optional<size_t>(SyncSafe(frames, 0));
        if (!extended || *extended > frames.size())
            return;
        frames.remove_prefix(*extended);
    }
    TagReader(version, tags, wantPicture)
        .ReadFrames(frames, version == 4 && (flags & kUnsynchronised));
}

} // namespace id3
