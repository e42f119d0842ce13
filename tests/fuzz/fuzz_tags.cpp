// Arbitrary bytes as a file's tags: the bytes as the ID3v2 tag at its start, their last 128
// as its ID3v1 tag, and as text in each encoding a frame may declare. Every text must come
// out valid UTF-8, and a picture no larger than the limit nor than the tag that held it.
#include "id3/tag_file.h"
#include "id3/tag_text.h"
#include "id3/utf8.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_tags: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view last128 = size >= 128 ? bytes.substr(size - 128) : std::string_view();
    const id3::Tags tags = id3::TagsFromBytes(bytes, last128, true);
    Check(id3::IsUtf8(tags.title) && id3::IsUtf8(tags.artist) && id3::IsUtf8(tags.album),
          "a text is not UTF-8");
    Check(id3::IsUtf8(tags.picture.mime), "the picture's type is not UTF-8");
    Check(tags.picture.data.size() <= id3::kMaxPictureBytes &&
              (tags.picture.data.empty() || tags.picture.data.size() < size),
          "a picture larger than the limit or its tag");
    for (uint8_t encoding = 0; encoding <= 4; ++encoding)
        Check(id3::IsUtf8(id3::FrameText(encoding, bytes)), "a frame's text is not UTF-8");
    return 0;
}
