#include "qt/driver.h"

#include <algorithm>
#include <climits>

namespace zt4::qt {

Driver::Driver(App& app, Dispatcher& dispatcher, Dispatcher::Clock clock)
    : app_(app), dispatcher_(dispatcher), clock_(std::move(clock)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { pump(); });
    dispatcher_.afterHandler = [this] {
        if (mirror_)
            mirror_();
        rearm();
    };
    dispatcher_.beforeModal = dispatcher_.afterHandler;
    app_.lib.events().setWake([this] {
        QMetaObject::invokeMethod(
            &context_, [this] { pump(); }, Qt::QueuedConnection);
    });
}

Driver::~Driver() {
    app_.lib.events().setWake(nullptr);
    dispatcher_.afterHandler = nullptr;
    dispatcher_.beforeModal = nullptr;
}

void Driver::run(std::function<void()> command) {
    dispatcher_.run(std::move(command));
}

void Driver::pump() {
    // Inside a handler that is not waiting on a modal window, the handler's end pumps.
    dispatcher_.pump();
    rearm();
}

void Driver::rearm() {
    const int64_t due = app_.Ended ? -1 : dispatcher_.nextDue();
    if (due < 0) {
        timer_.stop();
        return;
    }
    timer_.start(static_cast<int>(std::clamp<int64_t>(due - clock_(), 0, INT_MAX)));
}

} // namespace zt4::qt
