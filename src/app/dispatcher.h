#pragma once
// Runs the handlers one at a time. A handler asked for while another runs (a modal box is
// open inside it) waits until that one has ended; so do timer ticks and library events.
// After each handler the timers are re-read and the view is told to mirror the model.

#include "app/app.h"
#include "ui/timer_scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>

namespace zt4 {

class Dispatcher {
  public:
    using Clock = std::function<int64_t()>; // milliseconds

    // Binds the five timers of Top to their tick handlers.
    Dispatcher(App& app, Clock clock);

    // Runs a handler now, or as soon as the running one has ended.
    void run(std::function<void()> handler);

    // Runs everything that is waiting: library events, then each due timer, one at a time.
    void pump();

    // When the next timer is due (clock milliseconds), or -1 when no timer is enabled.
    int64_t nextDue() const { return scheduler_.nextDue(); }

    // Called after every handler (the view mirrors the model, re-arms its wake-up).
    std::function<void()> afterHandler;

  private:
    void runNow(const std::function<void()>& handler);
    bool runOneWaiting();

    App& app_;
    Clock clock_;
    TimerScheduler scheduler_;
    std::deque<std::function<void()>> waiting_;
    bool busy_ = false;
};

} // namespace zt4
