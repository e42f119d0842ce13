#include "wiring/timer_scheduler.h"

namespace zt4 {

void TimerScheduler::add(Timer& timer, std::function<void()> tick) {
    entries_.push_back({&timer, std::move(tick)});
}

void TimerScheduler::sync(int64_t nowMs) {
    for (Entry& e : entries_) {
        if (e.timer->Enabled && !e.running)
            e.due = nowMs + effectiveInterval(e.timer->Interval);
        e.running = e.timer->Enabled;
    }
}

int64_t TimerScheduler::nextDue() const {
    int64_t next = -1;
    for (const Entry& e : entries_) {
        if (e.running && !e.ticking && (next < 0 || e.due < next))
            next = e.due;
    }
    return next;
}

std::function<void()> TimerScheduler::takeDue(int64_t nowMs) {
    Entry* first = nullptr;
    for (Entry& e : entries_) {
        if (e.running && !e.ticking && e.due <= nowMs && (first == nullptr || e.due < first->due))
            first = &e;
    }
    if (first == nullptr)
        return {};
    const int64_t interval = effectiveInterval(first->timer->Interval);
    first->due += interval;
    if (first->due <= nowMs)
        first->due = nowMs + interval;
    return [first] {
        first->ticking = true;
        first->tick();
        first->ticking = false;
    };
}

} // namespace zt4
