#include "wiring/dispatcher.h"

#include "wiring/handlers.h"

namespace zt4 {

Dispatcher::Dispatcher(App& app, Clock clock) : app_(app), clock_(std::move(clock)) {
    TopForm& Top = app_.Top;
    scheduler_.add(Top.Timer1, [this] { Timer1_Timer(app_); });
    scheduler_.add(Top.Timer2, [this] { Timer2_Timer(app_); });
    scheduler_.add(Top.RepeatTimer, [this] { RepeatTimer_Timer(app_); });
    scheduler_.add(Top.MusicBackTimer, [this] { MusicBackTimer_Timer(app_); });
    scheduler_.add(Top.MDrugTimer, [this] { MDrugTimer_Timer(app_); });
    scheduler_.sync(clock_());
    app_.ui.aroundModal = [this](const std::function<void()>& show) { modal(show); };
}

Dispatcher::~Dispatcher() {
    app_.ui.aroundModal = [](const std::function<void()>& show) { show(); };
}

void Dispatcher::run(std::function<void()> command) {
    if (running()) {
        commands_.push_back(std::move(command));
        return;
    }
    runNow(command);
    pump();
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
        std::function<void()> command = std::move(commands_.front());
        commands_.pop_front();
        runNow(command);
        return true;
    }
    for (const LibraryEvent& e : app_.lib.events().take())
        events_.push_back(e);
    if (!events_.empty()) {
        const LibraryEvent e = events_.front();
        events_.pop_front();
        // The end of a file that has since been replaced or closed is not acted on.
        if (e.generation == app_.lib.fileGeneration())
            runNow([this, &e] { PlaybackCallback_Steps(app_, e.code); });
        return true;
    }
    if (std::function<void()> tick = scheduler_.takeDue(clock_())) {
        runNow(tick);
        return true;
    }
    return false;
}

void Dispatcher::runNow(const std::function<void()>& handler) {
    if (app_.Ended)
        return;
    app_.Now = clock_();
    ++running_;
    handler();
    --running_;
    scheduler_.sync(clock_());
    if (afterHandler && !app_.Ended)
        afterHandler();
}

void Dispatcher::modal(const std::function<void()>& show) {
    scheduler_.sync(clock_());
    if (beforeModal)
        beforeModal();
    ++modalDepth_;
    show();
    --modalDepth_;
}

} // namespace zt4
