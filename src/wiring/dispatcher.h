#pragma once
// Runs the handlers one at a time: a command (a click, a key, a request from outside the
// window) asked for while another handler runs waits until that one has ended. A modal
// window open inside a handler does not stop the player: while it is open, timer ticks and
// the steps of the library's events go on (each also a handler, one at a time), as a
// desktop event loop delivers them; commands still wait. None of those ticks and steps
// changes the playlist's slots, so a command suspended in a dialog or a box reads the same
// slots after it. A timer is not ticked again while its own tick waits on a modal window.
// After each handler, and before each modal window shows, the timers are re-read and the
// observer is told.
//
// The dispatcher owns the record every handler works on, so that the record's modal
// windows open inside its bracket from the start.

#include "core/app.h"
#include "wiring/dispatch_observer.h"
#include "wiring/timer_scheduler.h"

#include <cstdint>
#include <deque>
#include <functional>

namespace zt4 {

class Dispatcher : private ModalBracket {
  public:
    using Clock = std::function<int64_t()>; // milliseconds
    using Command = std::function<void(App&)>;

    // Binds the five timers of Top to their tick handlers and takes the library's events,
    // waking `observer` when one arrives.
    Dispatcher(Vbmp3Binding& library, UiServices& ui, Clock clock, DispatchObserver& observer);
    ~Dispatcher();
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;

    // Runs a command now, or as soon as the running handler has ended.
    void run(Command command);
    // Runs a command at the next pump, once whoever asks for it has returned (a bus call is
    // answered, a drop accepted, before the command can open a message box).
    void post(Command command);

    // Runs everything that may run now: waiting commands, the library's events, then each
    // due timer, one at a time; inside a modal window only the events and the ticks.
    void pump();

    // When the next timer is due (clock milliseconds), or -1 when none is to tick.
    int64_t nextDue() const { return scheduler_.nextDue(); }

    // True while a handler runs (also while it waits on a modal window).
    bool running() const { return running_ > 0; }
    // True once the shut-down has run: nothing runs afterwards.
    bool ended() const { return app_.Ended; }

    App& app() { return app_; }
    TopForm& form() { return app_.Top; }
    const App& app() const { return app_; }

  private:
    void runNow(const Command& handler);
    bool runOneWaiting(bool commands);
    void aroundModal(const std::function<void()>& show) override;

    App app_;
    Clock clock_;
    DispatchObserver& observer_;
    TimerScheduler scheduler_;
    std::deque<Command> commands_;
    int running_ = 0;    // handlers started and not yet returned
    int modalDepth_ = 0; // of those, how many wait on a modal window
};

} // namespace zt4
