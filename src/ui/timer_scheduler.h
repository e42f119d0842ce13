#pragma once
// Drives form timers from a clock in milliseconds: the program's clock is real time, the
// tests' is virtual. It only says which timer is due; the caller runs the tick as a
// handler, so ticks never overlap other handlers.

#include "ui/control.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace zt4 {

class TimerScheduler {
  public:
    // The shortest interval the platform's timers offer; 1 ms asks for it.
    static constexpr int kResolutionMs = 16;
    static int effectiveInterval(int interval) {
        return interval < kResolutionMs ? kResolutionMs : interval;
    }

    void add(Timer& timer, std::function<void()> tick);

    // Takes note of timers enabled or disabled since the last call: a timer just enabled
    // first ticks one interval from now.
    void sync(int64_t nowMs);

    // When the next enabled timer is due, or -1 when none is enabled (nothing to wake for).
    int64_t nextDue() const;

    // Takes the timer due first at nowMs, if any, and books its next tick. Missed ticks are
    // not made up: a late timer ticks once. Returns its tick, or an empty function.
    std::function<void()> takeDue(int64_t nowMs);

  private:
    struct Entry {
        Timer* timer;
        std::function<void()> tick;
        bool running = false;
        int64_t due = 0;
    };
    std::vector<Entry> entries_;
};

} // namespace zt4
