#include "qt/mpris_service.h"

#include "mpris/mpris_model.h"
#include "qt/mpris_names.h"
#include "wiring/handlers.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

#include <cstdlib>

namespace zt4::qt {

namespace {

QVariantMap metadata(const MprisTrack& t) {
    QVariantMap m;
    if (t.slot < 0)
        return m;
    m["mpris:trackid"] =
        QVariant::fromValue(QDBusObjectPath("/org/zt4/track/" + QString::number(t.slot + 1)));
    m["xesam:url"] = QString::fromStdString(t.url);
    // A name that is not UTF-8 shows with U+FFFD for its stray bytes; the URL keeps them.
    m["xesam:title"] = QString::fromStdString(t.title);
    if (!t.artist.empty())
        m["xesam:artist"] = QStringList{QString::fromStdString(t.artist)};
    if (t.lengthUs > 0)
        m["mpris:length"] = qlonglong(t.lengthUs);
    if (!t.album.empty())
        m["xesam:album"] = QString::fromStdString(t.album);
    if (!t.artUrl.empty())
        m["mpris:artUrl"] = QString::fromStdString(t.artUrl);
    return m;
}

// The signalled properties of the Player interface, by their D-Bus names.
QVariantMap playerProperties(const MprisState& s) {
    return {
        {"PlaybackStatus", QString::fromStdString(s.playbackStatus)},
        {"LoopStatus", QString::fromStdString(s.loopStatus)},
        {"Volume", s.volume},
        {"Metadata", metadata(s.track)},
        {"CanGoNext", s.canGoNext},
        {"CanGoPrevious", s.canGoPrevious},
        {"CanPlay", s.canPlay},
        {"CanPause", s.canPause},
    };
}

} // namespace

// org.mpris.MediaPlayer2: who the player is.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)

  public:
    explicit MprisRootAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QString::fromStdString(MprisIdentity(service_->record())); }
    QString desktopEntry() const { return "zt4"; }
    QStringList uriSchemes() const { return {"file"}; }
    QStringList mimeTypes() const { return {"audio/mpeg"}; }

  public Q_SLOTS:
    void Raise() { service_->raise(); }
    void Quit() { service_->later(exit_Click); }

  private:
    MprisService* service_;
};

// org.mpris.MediaPlayer2.Player: the transport buttons, the repeat options and the knob.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadataNow)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)

  public:
    explicit MprisPlayerAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

    QString playbackStatus() const { return QString::fromStdString(state().playbackStatus); }
    QString loopStatus() const { return QString::fromStdString(state().loopStatus); }
    void setLoopStatus(const QString& status) {
        service_->later([status = status.toStdString()](App& a) { MprisSetLoopStatus(a, status); });
    }
    double one() const { return 1.0; }
    QVariantMap metadataNow() const { return metadata(state().track); }
    double volume() const { return state().volume; }
    void setVolume(double volume) {
        service_->later([volume](App& a) { MprisSetVolume(a, volume); });
    }
    qlonglong position() const { return MprisPositionUs(service_->record()); }
    bool canGoNext() const { return state().canGoNext; }
    bool canGoPrevious() const { return state().canGoPrevious; }
    bool canPlay() const { return state().canPlay; }
    bool canPause() const { return state().canPause; }
    bool yes() const { return true; }
    bool no() const { return false; }

  public Q_SLOTS:
    void Next() { service_->later(MprisNext); }
    void Previous() { service_->later(MprisPrevious); }
    void Pause() { service_->later(MprisPause); }
    void PlayPause() { service_->later(MprisPlayPause); }
    void Stop() { service_->later(MprisStop); }
    void Play() { service_->later(MprisPlay); }
    // The player cannot seek (CanSeek is false): these two do nothing, as MPRIS asks.
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString& uri) { service_->openUri(uri); }

  private:
    MprisState state() const { return service_->read(); }

    MprisService* service_;
};

MprisService::MprisService(Driver& driver, const App& record, FilesFromOutside& files,
                           std::function<void()> raise)
    : driver_(driver), record_(record), files_(files), raise_(std::move(raise)), bus_(QString()),
      tags_(CoverArtCache(
          CoverArtCache::DefaultFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME")))) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisState MprisService::read() {
    MprisState s = MprisRead(record_);
    MprisAddTags(s.track, record_, tags_);
    return s;
}

bool MprisService::publish(QDBusConnection bus) {
    if (!bus.isConnected())
        return false;
    QString name = kWellKnownName;
    if (!bus.registerService(name)) {
        name += ".instance" + QString::number(QCoreApplication::applicationPid());
        if (!bus.registerService(name))
            return false;
    }
    if (!bus.registerObject(kObjectPath, this)) {
        bus.unregisterService(name);
        return false;
    }
    bus_ = bus;
    busName_ = name;
    sent_ = playerProperties(read());
    return true;
}

void MprisService::changed() {
    if (busName_.isEmpty())
        return;
    const QVariantMap now = playerProperties(read());
    QVariantMap differ;
    for (auto it = now.begin(); it != now.end(); ++it) {
        if (sent_.value(it.key()) != it.value())
            differ.insert(it.key(), it.value());
    }
    if (differ.isEmpty())
        return;
    sent_ = now;
    QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, "org.freedesktop.DBus.Properties",
                                                     "PropertiesChanged");
    signal << QString(kPlayerInterface) << differ << QStringList();
    bus_.send(signal);
}

} // namespace zt4::qt

#include "mpris_service.moc"
