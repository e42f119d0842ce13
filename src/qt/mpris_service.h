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

#include "mpris/mpris_model.h"
#include "mpris/track_tags.h"
#include "qt/driver.h"
#include "wiring/files_from_outside.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace zt4::qt {

class MprisService : public QObject {
    Q_OBJECT

  public:
    // `record` is what the media-control model reads; `raise` shows the main window.
    MprisService(Driver& driver, const App& record, FilesFromOutside& files,
                 std::function<void()> raise);

    // Takes the player's bus name and publishes the object; false when no session bus
    // answers (the player then runs without it).
    bool publish(QDBusConnection bus);

    // Sends PropertiesChanged for what changed since the last call.
    void changed();

    // The requests, each posted to run later through the dispatcher.
    void later(Dispatcher::Command command) { driver_.post(std::move(command)); }
    void openUri(const QString& uri) { files_.addUri(uri.toStdString()); }
    void raise() { raise_(); }

    const App& record() const { return record_; }
    // What the media controls see now, the track's album and cover included.
    MprisState read();

  private:
    Driver& driver_;
    const App& record_;
    FilesFromOutside& files_;
    std::function<void()> raise_;
    QDBusConnection bus_;
    QString busName_;
    QVariantMap sent_; // the player's properties as last signalled
    TrackTagReader tags_;
};

} // namespace zt4::qt
