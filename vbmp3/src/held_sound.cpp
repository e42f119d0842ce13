#include "held_sound.h"

#include <algorithm>
#include <cstring>

namespace vbmp3 {

void HeldSound::start(size_t capacity) {
    recent_.assign(capacity, 0);
    recent_end_ = 0;
    recent_filled_ = 0;
}

void HeldSound::written(const unsigned char* pcm, size_t bytes) {
    const size_t size = recent_.size();
    if (size == 0) {
        return;
    }
    recent_filled_ = std::min(size, recent_filled_ + bytes);
    if (bytes >= size) {
        std::memcpy(recent_.data(), pcm + bytes - size, size);
        recent_end_ = 0;
        return;
    }
    const size_t first = std::min(bytes, size - recent_end_);
    std::memcpy(recent_.data() + recent_end_, pcm, first);
    std::memcpy(recent_.data(), pcm + first, bytes - first);
    recent_end_ = (recent_end_ + bytes) % size;
}

void HeldSound::keep_unplayed(uint64_t bytes) {
    const size_t size = recent_.size();
    const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, recent_filled_));
    std::vector<unsigned char> kept(n);
    for (size_t i = 0; i < n; ++i) {
        kept[i] = recent_[(recent_end_ + size - n + i) % size];
    }
    kept.insert(kept.end(), unplayed_.begin() + static_cast<std::ptrdiff_t>(replayed_),
                unplayed_.end());
    unplayed_ = std::move(kept);
    replayed_ = 0;
    // What is kept is no longer in a stream: it is not to be kept a second time.
    recent_filled_ = 0;
}

void HeldSound::replayed(size_t bytes) {
    replayed_ = std::min(unplayed_.size(), replayed_ + bytes);
    if (replayed_ == unplayed_.size()) {
        unplayed_.clear();
        replayed_ = 0;
    }
}

size_t HeldSound::forget_unplayed() {
    const size_t bytes = unplayed_size();
    unplayed_.clear();
    replayed_ = 0;
    return bytes;
}

} // namespace vbmp3
