#include "qt/driver.h"

#include <algorithm>
#include <climits>

namespace zt4::qt {

Driver::Driver(Dispatcher& dispatcher, Dispatcher::Clock clock)
    : dispatcher_(dispatcher), clock_(std::move(clock)) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { pump(); });
}

void Driver::pump() {
    // Inside a handler that is not waiting on a modal window, the handler's end pumps.
    dispatcher_.pump();
    rearm();
}

void Driver::wake() {
    QMetaObject::invokeMethod(
        &context_, [this] { pump(); }, Qt::QueuedConnection);
}

void Driver::rearm() {
    const int64_t due = dispatcher_.ended() ? -1 : dispatcher_.nextDue();
    if (due < 0) {
        timer_.stop();
        return;
    }
    timer_.start(static_cast<int>(std::clamp<int64_t>(due - clock_(), 0, INT_MAX)));
}

} // namespace zt4::qt
