#include "waker.h"

#include <algorithm>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace vbmp3 {

Waker::Waker() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Waker::~Waker() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void Waker::wake() {
    const uint64_t one = 1;
    if (fd_ >= 0) {
        // Cannot fail short of the counter's overflow, which take() prevents.
        (void)!::write(fd_, &one, sizeof one);
    }
}

bool Waker::take() {
    uint64_t count = 0;
    return fd_ >= 0 && ::read(fd_, &count, sizeof count) == sizeof count && count > 0;
}

void Waker::wait_until(Clock::time_point deadline) {
    if (fd_ < 0) {
        // No eventfd to be had: a plain sleep, which commands cannot cut short.
        std::this_thread::sleep_until(
            std::min(deadline, Clock::now() + std::chrono::milliseconds(20)));
        return;
    }
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (deadline != Clock::time_point::max() && left.count() <= 0) {
            return;
        }
        pollfd p{fd_, POLLIN, 0};
        const int timeout = deadline == Clock::time_point::max()
                                ? -1
                                : static_cast<int>(std::min<long long>(left.count(), 60'000));
        if (poll(&p, 1, timeout) > 0 && take()) {
            return;
        }
    }
}

} // namespace vbmp3
