#pragma once
// Drives form timers from a clock in milliseconds: the program's clock is real time, the
// tests' is virtual. It only says which timer is due; the caller runs the tick as a
// handler. A timer whose tick is still running (a modal box is open inside it) is not due
// again until that tick has returned.

#include "form/control.h"

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

    // Every timer is added before the first takeDue.
    void add(Timer& timer, std::function<void()> tick);

    // Takes note of timers enabled or disabled since the last call: a timer just enabled
    // first ticks one interval from now.
    void sync(int64_t nowMs);

    // When the next enabled timer is due, or -1 when none is enabled (nothing to wake for).
    int64_t nextDue() const;

    // Takes the timer due first at nowMs, if any, and books its next tick. Missed ticks are
    // not made up: a late timer ticks once. Returns its tick, or an empty function; the
    // returned function must be called before the scheduler is destroyed.
    std::function<void()> takeDue(int64_t nowMs);

  private:
    struct Entry {
        Timer* timer;
        std::function<void()> tick;
        bool running = false; // enabled, as of the last sync
        bool ticking = false; // its tick has not returned yet
        int64_t due = 0;
    };
    std::vector<Entry> entries_;
};

} // namespace zt4
