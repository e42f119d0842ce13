#include "silent_sink.h"

#include <algorithm>

namespace vbmp3 {

bool SilentSink::open(const StreamFormat& format) {
    rate_ = format.rate;
    due_ = Clock::now();
    return true;
}

void SilentSink::hold_for(size_t frames) {
    due_ = std::max(due_, Clock::now()) +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
               static_cast<double>(frames) / static_cast<double>(rate_)));
}

bool SilentSink::wait_due() {
    if (Clock::now() < due_) {
        waker_.wait_until(due_);
    }
    return Clock::now() >= due_;
}

size_t SilentSink::write(const unsigned char*, size_t bytes) {
    if (!wait_due()) {
        return 0;
    }
    hold_for(bytes / kFrameBytes);
    return bytes;
}

bool SilentSink::drain() {
    return wait_due();
}

} // namespace vbmp3
