#pragma once
// The whole program wired together as main() runs it: the library binding, the toolkit
// services, the commands' state, the dispatcher, the event-loop driver and the main window.
// Tests build the same with a recording library and a clock of their own.

#include "core/app.h"
#include "decoder/vbmp3_binding.h"
#include "qt/driver.h"
#include "qt/mpris_service.h"
#include "qt/qt_ui.h"
#include "qt/top_window.h"
#include "wiring/dispatcher.h"

#include <QDBusConnection>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace zt4::qt {

struct Player {
    Player(const std::string& library, Dispatcher::Clock clock);

    // Runs the load step, then shows the main window.
    void start();

    // Offers the player to the desktop's media controls on `bus`; false without a bus.
    bool publish(QDBusConnection bus);
    // Adds files given from outside the window once the event loop runs them, through the
    // dispatcher; files that arrive before the batch is done join it.
    void addFilesLater(std::vector<std::string> paths);
    // Brings the main window to the front.
    void raise();

    Vbmp3Binding binding;
    QtUi ui;
    App app;
    Dispatcher dispatcher;
    Driver driver;
    TopWindow top;
    std::unique_ptr<MprisService> mpris;

  private:
    std::deque<std::string> pendingFiles_;
    bool batchPosted_ = false; // a batch is posted, waiting or running
};

} // namespace zt4::qt
