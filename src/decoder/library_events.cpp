#include "decoder/library_events.h"

namespace zt4 {

void LibraryEvents::setWake(std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_ = std::move(wake);
}

void LibraryEvents::post(uint64_t generation, int32_t code) {
    // Woken under the lock, so that once setWake has replaced a wake-up it is never called
    // again (its owner may be gone).
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back({generation, code});
    if (wake_)
        wake_();
}

std::optional<LibraryEvent> LibraryEvents::takeOne() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.empty())
        return std::nullopt;
    const LibraryEvent oldest = events_.front();
    events_.pop_front();
    return oldest;
}

} // namespace zt4
