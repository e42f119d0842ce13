#pragma once
// The player on the session bus as an MPRIS 2 media player (org.mpris.MediaPlayer2.zt4,
// or org.mpris.MediaPlayer2.zt4.instance<PID> when another zt4 holds that name), so media
// keys, desktop panels and playerctl reach it.
//
// Threading and order: Qt delivers the bus's calls on the UI thread, in its event loop
// (also the loop of a modal window). Every call that acts is answered at once and its
// action posted to run afterwards through the dispatcher, one handler at a time like a
// click; while a modal window is open inside a handler it waits in the dispatcher's
// queue. So a client never waits on a message box. PropertiesChanged is sent from
// changed(), which the view calls after every handler, for the values that differ from
// those last sent; nothing is sent on a timer, so an idle player stays asleep. Position is
// read on demand.

#include "core/app.h"
#include "qt/driver.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace zt4::qt {

class MprisService : public QObject {
    Q_OBJECT

  public:
    struct Hooks {
        std::function<void(std::vector<std::string> paths)> addFiles; // from OpenUri
        std::function<void()> raise;                                  // shows the main window
    };

    MprisService(App& app, Driver& driver, Hooks hooks);

    // Takes the player's bus name and publishes the object; false when no session bus
    // answers (the player then runs without it).
    bool publish(QDBusConnection bus);

    // Sends PropertiesChanged for what changed since the last call.
    void changed();

    // The requests, each posted to run later through the dispatcher.
    void later(std::function<void(App&)> command);
    void openUri(const QString& uri);
    void raise() { hooks_.raise(); }

    App& app() { return app_; }

  private:
    App& app_;
    Driver& driver_;
    Hooks hooks_;
    QDBusConnection bus_;
    QString busName_;
    QVariantMap sent_; // the player's properties as last signalled
};

// Hands files to a zt4 already on the session bus: each existing MP3 file by OpenUri (the
// others named on `skipped`), then raises its window. False when no player holds the name
// or none of the calls got through, so that this process starts a player itself.
bool HandToRunningPlayer(QDBusConnection bus, const std::vector<std::string>& paths,
                         std::ostream& skipped);

} // namespace zt4::qt
