#include "wiring/dispatcher.h"

#include "wiring/handlers.h"

namespace zt4 {

Dispatcher::Dispatcher(Vbmp3Binding& library, UiServices& ui, Clock clock,
                       DispatchObserver& observer)
    : app_(library, ui, *this, clock), clock_(std::move(clock)), observer_(observer) {
    scheduler_.add(app_.Top.Timer1, [this] { Timer1_Timer(app_); });
    scheduler_.add(app_.Top.Timer2, [this] { Timer2_Timer(app_); });
    scheduler_.add(app_.Top.RepeatTimer, [this] { RepeatTimer_Timer(app_); });
    scheduler_.add(app_.Top.MusicBackTimer, [this] { MusicBackTimer_Timer(app_); });
    scheduler_.add(app_.Top.MDrugTimer, [this] { MDrugTimer_Timer(app_); });
    scheduler_.sync(clock_());
    app_.lib.events().setWake([this] { observer_.wake(); });
}

Dispatcher::~Dispatcher() {
    app_.lib.events().setWake(nullptr);
}

void Dispatcher::run(Command command) {
    if (running()) {
        commands_.push_back(std::move(command));
        return;
    }
    runNow(command);
    pump();
}

void Dispatcher::post(Command command) {
    commands_.push_back(std::move(command));
    observer_.wake();
}

void Dispatcher::pump() {
    // Inside a handler only a modal window lets anything through, and then not commands.
    if (running_ != modalDepth_)
        return;
    const bool commands = !running();
    while (!app_.Ended && runOneWaiting(commands)) {
    }
}

bool Dispatcher::runOneWaiting(bool commands) {
    if (commands && !commands_.empty()) {
        const Command command = std::move(commands_.front());
        commands_.pop_front();
        runNow(command);
        return true;
    }
    if (const std::optional<LibraryEvent> e = app_.lib.events().takeOne()) {
        // The end of a file that has since been replaced or closed is not acted on.
        if (e->generation == app_.lib.fileGeneration())
            runNow([code = e->code](App& a) { PlaybackCallback_Steps(a, code); });
        return true;
    }
    if (std::function<void()> tick = scheduler_.takeDue(clock_())) {
        runNow([&tick](App&) { tick(); });
        return true;
    }
    return false;
}

void Dispatcher::runNow(const Command& handler) {
    if (app_.Ended)
        return;
    ++running_;
    handler(app_);
    --running_;
    scheduler_.sync(clock_());
    if (!app_.Ended)
        observer_.afterHandler();
}

void Dispatcher::aroundModal(const std::function<void()>& show) {
    scheduler_.sync(clock_());
    observer_.beforeModal();
    ++modalDepth_;
    show();
    --modalDepth_;
}

} // namespace zt4
