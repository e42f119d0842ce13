#include "app/dispatcher.h"

#include "app/handlers.h"
#include "decoder/library_events.h"

namespace zt4 {

Dispatcher::Dispatcher(App& app, Clock clock) : app_(app), clock_(std::move(clock)) {
    TopForm& Top = app_.Top;
    scheduler_.add(Top.Timer1, [this] { Timer1_Timer(app_); });
    scheduler_.add(Top.Timer2, [this] { Timer2_Timer(app_); });
    scheduler_.add(Top.RepeatTimer, [this] { RepeatTimer_Timer(app_); });
    scheduler_.add(Top.MusicBackTimer, [this] { MusicBackTimer_Timer(app_); });
    scheduler_.add(Top.MDrugTimer, [this] { MDrugTimer_Timer(app_); });
    scheduler_.sync(clock_());
}

void Dispatcher::run(std::function<void()> handler) {
    if (busy_) {
        waiting_.push_back(std::move(handler));
        return;
    }
    runNow(handler);
    pump();
}

void Dispatcher::pump() {
    if (busy_)
        return;
    while (!app_.Ended && runOneWaiting()) {
    }
}

bool Dispatcher::runOneWaiting() {
    if (!waiting_.empty()) {
        std::function<void()> handler = std::move(waiting_.front());
        waiting_.pop_front();
        runNow(handler);
        return true;
    }
    std::vector<LibraryEvent> events = LibraryEvents::instance().take();
    if (!events.empty()) {
        for (const LibraryEvent& e : events) {
            // The end of a file that has since been replaced or closed is not acted on.
            if (e.generation == app_.lib.fileGeneration())
                waiting_.push_back([this, code = e.code] { PlaybackCallback_Steps(app_, code); });
        }
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
    busy_ = true;
    handler();
    busy_ = false;
    scheduler_.sync(clock_());
    if (afterHandler && !app_.Ended)
        afterHandler();
}

} // namespace zt4
