#include "qt/mpris_service.h"

#include "mpris/mpris_model.h"
#include "playlist/file_uri.h"
#include "playlist/playlist.h"
#include "qt/hand_over_adaptor.h"
#include "wiring/handlers.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>

#include <iostream>

namespace zt4::qt {

namespace {

const char* const kWellKnownName = "org.mpris.MediaPlayer2.zt4";
const char* const kObjectPath = "/org/mpris/MediaPlayer2";
const char* const kRootInterface = "org.mpris.MediaPlayer2";
const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";
// How long a second zt4 waits for the running one before it starts a player of its own.
constexpr int kHandOverWaitMs = 3000;

QVariantMap metadata(const MprisTrack& t) {
    QVariantMap m;
    if (t.slot < 0)
        return m;
    m["mpris:trackid"] =
        QVariant::fromValue(QDBusObjectPath(QString::fromStdString(MprisTrackId(t))));
    m["xesam:url"] = QString::fromStdString(FileUri(t.path));
    // A name that is not UTF-8 shows with U+FFFD for its stray bytes; the URL keeps them.
    m["xesam:title"] = QString::fromStdString(t.title);
    if (!t.artist.empty())
        m["xesam:artist"] = QStringList{QString::fromStdString(t.artist)};
    if (t.lengthUs > 0)
        m["mpris:length"] = qlonglong(t.lengthUs);
    return m;
}

// The signalled properties of the Player interface, by their D-Bus names.
QVariantMap playerProperties(const App& a) {
    const MprisState s = MprisRead(a);
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
    QString identity() const { return QString::fromStdString(service_->app().Top.Caption); }
    QString desktopEntry() const { return "zt4"; }
    QStringList uriSchemes() const { return {"file"}; }
    QStringList mimeTypes() const { return {"audio/mpeg"}; }

  public Q_SLOTS:
    void Raise() { service_->raise(); }
    void Quit() { service_->quitLater(); }

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
        service_->setLater(MprisService::kLoopStatus, [status = status.toStdString()](App& a) {
            MprisSetLoopStatus(a, status);
        });
    }
    double one() const { return 1.0; }
    QVariantMap metadataNow() const { return metadata(state().track); }
    double volume() const { return state().volume; }
    void setVolume(double volume) {
        service_->setLater(MprisService::kVolume, [volume](App& a) { MprisSetVolume(a, volume); });
    }
    qlonglong position() const { return service_->position(); }
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
    MprisState state() const { return MprisRead(service_->app()); }

    MprisService* service_;
};

MprisService::MprisService(App& app, Driver& driver, Hooks hooks)
    : app_(app), driver_(driver), hooks_(std::move(hooks)), bus_(QString()) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
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
    sent_ = playerProperties(app_);
    sentTrack_ = MprisRead(app_).track;
    return true;
}

void MprisService::changed() {
    if (busName_.isEmpty())
        return;
    const MprisTrack track = MprisRead(app_).track;
    const bool restarted = MprisRestarted(sentTrack_, track);
    sentTrack_ = track;
    const QVariantMap now = playerProperties(app_);
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
    // After the new track id, so that a client that reads the position on Seeked reads it
    // for the new one; the track started again from its beginning.
    if (restarted) {
        QDBusMessage seeked = QDBusMessage::createSignal(kObjectPath, kPlayerInterface, "Seeked");
        seeked << qlonglong(0);
        bus_.send(seeked);
    }
}

qlonglong MprisService::position() const {
    return MprisPositionUs(app_, driver_.now());
}

void MprisService::later(std::function<void(App&)> command) {
    if (waiting_ >= kMaxWaiting)
        return;
    ++waiting_;
    post([this, command = std::move(command)] {
        --waiting_;
        command(app_);
    });
}

void MprisService::setLater(Setting setting, std::function<void(App&)> command) {
    const bool waits = bool(settings_[setting]);
    settings_[setting] = std::move(command);
    if (waits)
        return;
    post([this, setting] {
        const std::function<void(App&)> newest = std::move(settings_[setting]);
        settings_[setting] = nullptr;
        newest(app_);
    });
}

void MprisService::quitLater() {
    post([this] { exit_Click(app_); });
}

void MprisService::post(std::function<void()> command) {
    QMetaObject::invokeMethod(
        this, [this, command = std::move(command)] { driver_.run(command); }, Qt::QueuedConnection);
}

void MprisService::openUri(const QString& uri) {
    if (std::optional<std::string> path = PathOfFileUri(uri.toStdString()))
        hooks_.addFiles({*path});
    else
        std::cerr << "zt4: not a local file, skipped: " << uri.toStdString() << '\n';
}

bool HandToRunningPlayer(QDBusConnection bus, const std::vector<std::string>& paths,
                         std::ostream& skipped) {
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kWellKnownName))
        return false;
    const auto call = [](const char* interface, const char* method) {
        return QDBusMessage::createMethodCall(kWellKnownName, kObjectPath, interface, method);
    };
    QStringList uris;
    for (const std::string& path : paths) {
        if (CheckAddable(path, skipped))
            uris << QString::fromStdString(FileUri(path));
    }
    // A player that is alive answers at once, also while a message box is open.
    const QDBusMessage handed =
        bus.call(call(kHandOverInterface, "OpenUris") << uris, QDBus::Block, kHandOverWaitMs);
    if (handed.type() != QDBusMessage::ReplyMessage) {
        skipped << "zt4: the running player did not answer within " << kHandOverWaitMs / 1000
                << " s (" << handed.errorName().toStdString() << "); starting a new one\n";
        return false;
    }
    bus.call(call(kRootInterface, "Raise"), QDBus::Block, kHandOverWaitMs);
    return true;
}

} // namespace zt4::qt

#include "mpris_service.moc"
