#include "decoder/library_events.h"

namespace zt4 {

LibraryEvents& LibraryEvents::instance() {
    static LibraryEvents events;
    return events;
}

void LibraryEvents::attach(const Vbmp3Binding* binding, std::function<void()> wake) {
    std::lock_guard<std::mutex> lock(mutex_);
    binding_ = binding;
    wake_ = std::move(wake);
    events_.clear();
}

void LibraryEvents::detach() {
    std::lock_guard<std::mutex> lock(mutex_);
    binding_ = nullptr;
    wake_ = nullptr;
    events_.clear();
}

void LibraryEvents::post(int32_t code, int32_t value) {
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (binding_ == nullptr)
            return;
        events_.push_back({binding_->fileGeneration(), code, value});
        wake = wake_;
    }
    if (wake)
        wake();
}

std::vector<LibraryEvent> LibraryEvents::take() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<LibraryEvent> taken;
    taken.swap(events_);
    return taken;
}

} // namespace zt4
