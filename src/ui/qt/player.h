#pragma once
// The whole program wired together as main() runs it: the library binding, the toolkit
// services, the commands' state, the dispatcher, the event-loop driver and the main window.
// Tests build the same with a recording library and a clock of their own.

#include "core/app.h"
#include "decoder/vbmp3_binding.h"
#include "ui/qt/driver.h"
#include "ui/qt/qt_ui.h"
#include "ui/qt/top_window.h"
#include "wiring/dispatcher.h"

#include <string>

namespace zt4::qt {

struct Player {
    Player(const std::string& library, Dispatcher::Clock clock);

    // Runs the load step, then shows the main window.
    void start();

    Vbmp3Binding binding;
    QtUi ui;
    App app;
    Dispatcher dispatcher;
    Driver driver;
    TopWindow top;
};

} // namespace zt4::qt
