#include "qt/player.h"

#include "qt/hand_over_adaptor.h"
#include "wiring/handlers.h"

#include <QGuiApplication>

#include <iostream>

namespace zt4::qt {

Player::Player(Vbmp3Binding& library, Dispatcher::Clock clock)
    : driver(dispatcher, clock), dispatcher(library, ui, clock, *this),
      files(dispatcher, std::cerr), top(dispatcher.form(), driver, files) {
    ui.setMainWindow(&top);
    // Closing a window never ends the program by itself; only the shut-down command does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void Player::start() {
    driver.run(Form_Load);
    if (!driver.ended())
        top.show();
}

bool Player::publish(QDBusConnection bus) {
    inhibitor = std::make_unique<SuspendInhibitor>(bus);
    ui.useDesktopChooser(bus);
    auto service =
        std::make_unique<MprisService>(driver, dispatcher.app(), files, [this] { raise(); });
    new HandOverAdaptor(service.get(), files);
    if (!service->publish(bus))
        return false;
    mpris = std::move(service);
    return true;
}

void Player::afterHandler() {
    top.sync();
    if (mpris)
        mpris->changed();
    keepAwakeWhilePlaying();
    driver.rearm();
}

void Player::keepAwakeWhilePlaying() {
    const StayAwake::Change change = stayAwake.Follow(dispatcher.form().PlayState);
    if (inhibitor && change == StayAwake::Change::kHold)
        inhibitor->hold();
    else if (inhibitor && change == StayAwake::Change::kRelease)
        inhibitor->release();
}

void Player::raise() {
    if (driver.ended())
        return;
    top.setWindowState(top.windowState() & ~Qt::WindowMinimized);
    top.show();
    top.raise();
    top.activateWindow();
}

} // namespace zt4::qt
