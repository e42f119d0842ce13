#pragma once
// The whole program's view wired together as main() runs it: the toolkit services, the
// event-loop driver, the dispatcher with the record it owns, the main window and the media
// controls. It is the dispatcher's observer: after every handler and before every modal
// window it mirrors the model in the window and on the bus. Tests build the same with a
// recording library and a clock of their own.

#include "playback/stay_awake.h"
#include "qt/driver.h"
#include "qt/mpris_service.h"
#include "qt/qt_ui.h"
#include "qt/suspend_inhibitor.h"
#include "qt/top_window.h"
#include "wiring/dispatcher.h"
#include "wiring/files_from_outside.h"

#include <QDBusConnection>

#include <memory>

namespace zt4::qt {

class Player final : private DispatchObserver {
  public:
    Player(Vbmp3Binding& library, Dispatcher::Clock clock);

    // Runs the load step, then shows the main window.
    void start();

    // Offers the player to the desktop's media controls on `bus`; false without a bus.
    bool publish(QDBusConnection bus);
    // Brings the main window to the front.
    void raise();

    QtUi ui;
    Driver driver; // built before the dispatcher, so that it outlives the dispatcher's wake-ups
    Dispatcher dispatcher;
    FilesFromOutside files;
    TopWindow top;
    std::unique_ptr<MprisService> mpris;
    StayAwake stayAwake;
    std::unique_ptr<SuspendInhibitor> inhibitor; // on the bus given to publish()

  private:
    void afterHandler() override;
    // Holds off suspend while a track plays.
    void keepAwakeWhilePlaying();
    void beforeModal() override { afterHandler(); }
    void wake() override { driver.wake(); }
};

} // namespace zt4::qt
