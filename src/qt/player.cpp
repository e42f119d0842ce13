#include "qt/player.h"

#include "qt/hand_over_adaptor.h"
#include "wiring/handlers.h"

#include <QGuiApplication>

#include <iostream>

namespace zt4::qt {

Player::Player(const std::string& library, Dispatcher::Clock clock)
    : binding(library), app(binding, ui), dispatcher(app, clock), driver(app, dispatcher, clock),
      top(app, driver) {
    ui.setMainWindow(&top);
    driver.setMirror([this] {
        top.sync();
        if (mpris)
            mpris->changed();
    });
    top.filesDropped = [this](std::vector<std::string> paths) { addFilesLater(std::move(paths)); };
    // Closing a window never ends the program by itself; only the shut-down command does.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void Player::start() {
    driver.run([this] { Form_Load(app); });
    if (!app.Ended)
        top.show();
}

bool Player::publish(QDBusConnection bus) {
    auto service =
        std::make_unique<MprisService>(app, driver,
                                       MprisService::Hooks{[this](std::vector<std::string> paths) {
                                                               addFilesLater(std::move(paths));
                                                           },
                                                           [this] { raise(); }});
    new HandOverAdaptor(
        service.get(), [this](std::vector<std::string> paths) { addFilesLater(std::move(paths)); });
    if (!service->publish(bus))
        return false;
    mpris = std::move(service);
    return true;
}

void Player::addFilesLater(std::vector<std::string> paths) {
    pendingFiles_.insert(pendingFiles_.end(), paths.begin(), paths.end());
    if (batchPosted_ || pendingFiles_.empty())
        return;
    batchPosted_ = true;
    // Posted, so that whoever hands the files over (a drop, a bus call) is answered before
    // a message box can open.
    QMetaObject::invokeMethod(
        &top,
        [this] {
            driver.run([this] {
                AddFiles(app, pendingFiles_, std::cerr);
                batchPosted_ = false;
            });
        },
        Qt::QueuedConnection);
}

void Player::raise() {
    if (app.Ended)
        return;
    top.setWindowState(top.windowState() & ~Qt::WindowMinimized);
    top.show();
    top.raise();
    top.activateWindow();
}

} // namespace zt4::qt
