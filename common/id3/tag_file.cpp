#include "id3/tag_file.h"

#include "id3/id3v1.h"
#include "id3/id3v2.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace id3 {

namespace {

// Up to `count` bytes at `offset`; fewer at the end of the file or on an error.
std::string ReadAt(int fd, off_t offset, size_t count) {
    std::string out(count, '\0');
    size_t done = 0;
    while (done < count) {
        const ssize_t n = pread(fd, out.data() + done, count - done, offset + done);
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    return out;
}

} // namespace

Tags TagsFromBytes(std::string_view id3v2, std::string_view last128, bool wantPicture) {
    Tags tags;
    FillFromId3v2(id3v2, tags, wantPicture);
    FillFromId3v1(last128, tags);
    return tags;
}

Tags ReadTags(int fd, bool wantPicture) {
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    std::string v2 = ReadAt(fd, 0, kId3v2HeaderBytes);
    if (const std::optional<size_t> length = Id3v2Length(v2))
        v2 = ReadAt(fd, 0, std::min({*length, kMaxTagBytes, static_cast<size_t>(st.st_size)}));
    const std::string v1 = st.st_size >= static_cast<off_t>(kId3v1Bytes)
                               ? ReadAt(fd, st.st_size - kId3v1Bytes, kId3v1Bytes)
                               : std::string();
    return TagsFromBytes(v2, v1, wantPicture);
}

Tags ReadTagsOfFile(const std::string& path, bool wantPicture) {
    // O_NONBLOCK: a FIFO must not hold the reader until a writer comes.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {};
    Tags tags = ReadTags(fd, wantPicture);
    close(fd);
    return tags;
}

} // namespace id3
