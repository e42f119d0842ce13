// The sound a server has been given and may not have played yet: the last bytes written to
// its stream, in a ring as large as the server can hold, and what a lost server held
// unplayed, taken out of the ring to be written first to the next stream, so that playback
// goes on from the same sample. Counts bytes of whole frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vbmp3 {

class HeldSound {
  public:
    // A new stream that may hold up to `capacity` bytes unplayed; what is kept unplayed from
    // an earlier one stays.
    void start(size_t capacity);
    // `bytes` were written to the stream.
    void written(const unsigned char* pcm, size_t bytes);
    // The stream is ending with its last `bytes` unplayed (at most the ring's size): they are
    // kept, in order, before what is already kept from an earlier stream.
    void keep_unplayed(uint64_t bytes);

    // What is kept, oldest first, and how much of it has been written to a new stream since.
    const unsigned char* unplayed() const { return unplayed_.data() + replayed_; }
    size_t unplayed_size() const { return unplayed_.size() - replayed_; }
    void replayed(size_t bytes);
    // Gives up what is kept (a flush, a close, another device); returns how many bytes.
    size_t forget_unplayed();

  private:
    std::vector<unsigned char> recent_;
    size_t recent_end_ = 0;
    // Bytes in the ring that were written (the ring starts empty).
    size_t recent_filled_ = 0;
    std::vector<unsigned char> unplayed_;
    size_t replayed_ = 0;
};

} // namespace vbmp3
