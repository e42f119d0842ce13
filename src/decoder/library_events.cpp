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

std::vector<LibraryEvent> LibraryEvents::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<LibraryEvent> taken;
    taken.swap(events_);
    return taken;
}

} // namespace zt4
