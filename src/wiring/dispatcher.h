#pragma once
// Runs the handlers one at a time: a command (a click, a key, a request from outside the
// window) asked for while another handler runs waits until that one has ended. A modal
// window open inside a handler does not stop the player: while it is open, timer ticks and
// the steps of the library's events go on (each also a handler, one at a time), as a
// desktop event loop delivers them; commands still wait. None of those ticks and steps
// changes the playlist's slots, so a command suspended in a dialog or a box reads the same
// slots after it. A timer is not ticked again while its own tick waits on a modal window.
// After each handler, and before each modal window shows, the timers are re-read and the
// view is told to mirror the model.

#include "core/app.h"
#include "wiring/timer_scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>

namespace zt4 {

class Dispatcher {
  public:
    using Clock = std::function<int64_t()>; // milliseconds

    // Binds the five timers of Top to their tick handlers and Top's modal windows to this.
    Dispatcher(App& app, Clock clock);
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Runs a command now, or as soon as the running handler has ended.
    void run(std::function<void()> command);

    // Runs everything that may run now: waiting commands, the library's events, then each
    // due timer, one at a time; inside a modal window only the events and the ticks.
    void pump();

    // When the next timer is due (clock milliseconds), or -1 when none is to tick.
    int64_t nextDue() const { return scheduler_.nextDue(); }

    // True while a handler runs (also while it waits on a modal window).
    bool running() const { return running_ > 0; }

    // Called after every handler, and before every modal window shows while the handler
    // that opens it is half done (the view mirrors the model, re-arms its wake-up).
    std::function<void()> afterHandler;
    std::function<void()> beforeModal;

  private:
    void runNow(const std::function<void()>& handler);
    bool runOneWaiting(bool commands);
    void modal(const std::function<void()>& show);

    App& app_;
    Clock clock_;
    TimerScheduler scheduler_;
    std::deque<std::function<void()>> commands_;
    std::deque<LibraryEvent> events_;
    int running_ = 0;    // handlers started and not yet returned
    int modalDepth_ = 0; // of those, how many wait on a modal window
};

} // namespace zt4
