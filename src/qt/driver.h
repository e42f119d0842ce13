#pragma once
// Feeds the dispatcher from Qt's event loop (also the loop of a modal window open inside a
// handler). User input comes in through run(); the form timers are served by one
// single-shot timer armed for the dispatcher's next due time and stopped while no form timer
// is enabled, so an idle player never wakes up; the library's thread only posts a wake-up,
// and the UI thread drains its events.

#include "wiring/dispatcher.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace zt4::qt {

class Driver {
  public:
    Driver(App& app, Dispatcher& dispatcher, Dispatcher::Clock clock);
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // Runs a command now, or after the running handler if a modal box is open inside it.
    void run(std::function<void()> command);
    // Runs the due timer ticks and the library's events.
    void pump();
    // The clock's reading now (milliseconds).
    int64_t now() const { return clock_(); }
    // False while a handler runs (also while it waits on a modal box).
    bool idle() const { return !dispatcher_.running(); }
    // Called after every handler and before every modal window, before the timer is
    // re-armed.
    void setMirror(std::function<void()> mirror) { mirror_ = std::move(mirror); }
    // The wake-up timer, for tests that check it sleeps.
    const QTimer& wakeTimer() const { return timer_; }

  private:
    void rearm();

    App& app_;
    Dispatcher& dispatcher_;
    Dispatcher::Clock clock_;
    std::function<void()> mirror_;
    QObject context_; // wake-ups from the library's thread are queued to it
    QTimer timer_;
};

} // namespace zt4::qt
