#pragma once
// Feeds the dispatcher from Qt's event loop (also the loop of a modal window open inside a
// handler). User input comes in through run(); the form timers are served by one
// single-shot timer armed for the dispatcher's next due time and stopped while no form timer
// is enabled, so an idle player never wakes up; a wake-up from any thread (the library's
// playback thread too) only queues a pump to the UI thread.

#include "wiring/dispatcher.h"

#include <QObject>
#include <QTimer>

namespace zt4::qt {

class Driver {
  public:
    // Only keeps `dispatcher`, which may be built after the driver.
    Driver(Dispatcher& dispatcher, Dispatcher::Clock clock);
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Runs a command now, or after the running handler if a modal box is open inside it.
    void run(Dispatcher::Command command) { dispatcher_.run(std::move(command)); }
    // Runs a command once the caller has returned to the event loop.
    void post(Dispatcher::Command command) { dispatcher_.post(std::move(command)); }
    // Runs the due timer ticks, the waiting commands and the library's events.
    void pump();
    // Queues a pump to the UI thread; any thread.
    void wake();
    // Arms the wake-up timer for the dispatcher's next due time.
    void rearm();
    // The clock's reading now (milliseconds).
    int64_t now() const { return clock_(); }
    // False while a handler runs (also while it waits on a modal box).
    bool idle() const { return !dispatcher_.running(); }
    // True once the shut-down has run.
    bool ended() const { return dispatcher_.ended(); }
    // The wake-up timer, for tests that check it sleeps.
    const QTimer& wakeTimer() const { return timer_; }

  private:
    Dispatcher& dispatcher_;
    Dispatcher::Clock clock_;
    QObject context_; // wake-ups from other threads are queued to it
    QTimer timer_;
};

} // namespace zt4::qt
