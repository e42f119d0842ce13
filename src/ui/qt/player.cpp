#include "ui/qt/player.h"

#include "wiring/handlers.h"

#include <QGuiApplication>

namespace zt4::qt {

Player::Player(const std::string& library, Dispatcher::Clock clock)
    : binding(library), app(binding, ui), dispatcher(app, clock), driver(app, dispatcher, clock),
      top(app, driver) {
    ui.setMainWindow(&top);
    driver.setMirror([this] { top.sync(); });
    // Closing a window never ends the program by itself; only the shut-down command does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void Player::start() {
    driver.run([this] { Form_Load(app); });
    if (!app.Ended)
        top.show();
}

} // namespace zt4::qt
