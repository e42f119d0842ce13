#include "ui/qt/driver.h"

#include "decoder/library_events.h"

#include <algorithm>
#include <climits>

namespace zt4::qt {

Driver::Driver(App& app, Dispatcher& dispatcher, Dispatcher::Clock clock)
    : app_(app), dispatcher_(dispatcher), clock_(std::move(clock)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] {
        // Inside a handler the tick waits; that handler's end re-arms the timer.
        if (idle())
            pump();
    });
    dispatcher_.afterHandler = [this] {
        if (mirror_)
            mirror_();
        rearm();
    };
    LibraryEvents::instance().attach(&app_.lib, [this] {
        QMetaObject::invokeMethod(
            &context_,
            [this] {
                if (idle())
                    pump();
            },
            Qt::QueuedConnection);
    });
}

Driver::~Driver() {
    LibraryEvents::instance().detach();
    dispatcher_.afterHandler = nullptr;
}

void Driver::run(std::function<void()> handler) {
    ++depth_;
    dispatcher_.run(std::move(handler));
    --depth_;
}

void Driver::pump() {
    ++depth_;
    dispatcher_.pump();
    --depth_;
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
