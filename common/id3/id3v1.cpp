#include "id3/id3v1.h"

#include "id3/tag_text.h"

namespace id3 {

namespace {

// A field is padded with NULs or spaces.
std::string FieldText(std::string_view tag, size_t offset, size_t width) {
    std::string_view raw = tag.substr(offset, width);
    raw = raw.substr(0, raw.find('\0'));
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    return UndeclaredText(raw);
}

void FillIfEmpty(std::string& field, std::string text) {
    if (field.empty())
        field = std::move(text);
}

} // namespace

void FillFromId3v1(std::string_view last128, Tags& tags) {
    if (last128.size() != kId3v1Bytes || last128.substr(0, 3) != "TAG")
        return;
    FillIfEmpty(tags.title, FieldText(last128, 3, 30));
    FillIfEmpty(tags.artist, FieldText(last128, 33, 30));
    FillIfEmpty(tags.album, FieldText(last128, 63, 30));
}

} // namespace id3
