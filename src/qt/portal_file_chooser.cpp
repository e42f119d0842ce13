#include "qt/portal_file_chooser.h"

#include "qt/portal_names.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QUrl>
#include <QWidget>

#include <iostream>

namespace {

// A filter as the portal takes it, a(sa(us)): its name and its patterns, kind 0 a glob.
struct PortalPattern {
    uint kind = 0;
    QString pattern;
};
struct PortalFilter {
    QString description;
    QList<PortalPattern> patterns;
};

QDBusArgument& operator<<(QDBusArgument& arg, const PortalPattern& p) {
    arg.beginStructure();
    arg << p.kind << p.pattern;
    arg.endStructure();
    return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, PortalPattern& p) {
    arg.beginStructure();
    arg >> p.kind >> p.pattern;
    arg.endStructure();
    return arg;
}
QDBusArgument& operator<<(QDBusArgument& arg, const PortalFilter& f) {
    arg.beginStructure();
    arg << f.description << f.patterns;
    arg.endStructure();
    return arg;
}
const QDBusArgument& operator>>(const QDBusArgument& arg, PortalFilter& f) {
    arg.beginStructure();
    arg >> f.description >> f.patterns;
    arg.endStructure();
    return arg;
}

} // namespace

Q_DECLARE_METATYPE(PortalPattern)
Q_DECLARE_METATYPE(PortalFilter)

namespace zt4::qt {

namespace {

const char* const kChooserInterface = "org.freedesktop.portal.FileChooser";
constexpr uint kChosen = 0, kCancelled = 1; // a Response's codes; 2 is "ended otherwise"

QList<PortalFilter> portalFilters(const std::vector<NameFilter>& filters) {
    qDBusRegisterMetaType<PortalPattern>();
    qDBusRegisterMetaType<QList<PortalPattern>>();
    qDBusRegisterMetaType<PortalFilter>();
    qDBusRegisterMetaType<QList<PortalFilter>>();
    QList<PortalFilter> shown;
    for (const NameFilter& f : filters) {
        PortalFilter filter{f.description, {}};
        for (const QString& p : f.patterns)
            filter.patterns << PortalPattern{0, p};
        shown << filter;
    }
    return shown;
}

// The window the chooser belongs to, as the portal names windows; none off X11.
QString parentHandle(QWidget* parent) {
    if (!parent || QGuiApplication::platformName() != QLatin1String("xcb"))
        return QString();
    return QStringLiteral("x11:%1").arg(parent->window()->winId(), 0, 16);
}

// Keeps the user's input from the player's windows, as a modal window of its own would.
// Closing a window is refused too: the chooser has to be answered first.
class InputBlock : public QObject {
  public:
    InputBlock() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputBlock() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

  protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Close:
            if (!target->isWindowType())
                return false;
            event->ignore();
            return true;
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            return target->isWidgetType() || target->isWindowType();
        default:
            return false;
        }
    }
};

} // namespace

std::optional<QByteArray> PortalFileChooser::openFile(QWidget* parent,
                                                      const std::vector<NameFilter>& filters) {
    if (!bus_.isConnected() || waiting_)
        return std::nullopt;
    const QString token = QStringLiteral("zt4_open_%1").arg(++token_);
    request_ = PortalRequestPath(bus_, token);
    bus_.connect(kPortalService, request_, kRequestInterface, "Response", this,
                 SLOT(response(uint, QVariantMap)));
    QDBusServiceWatcher watcher(kPortalService, bus_, QDBusServiceWatcher::WatchForUnregistration);
    connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &PortalFileChooser::portalGone);

    QVariantMap options{{"handle_token", token}, {"modal", true}, {"multiple", false}};
    const QList<PortalFilter> shown = portalFilters(filters);
    if (!shown.isEmpty()) {
        options.insert("filters", QVariant::fromValue(shown));
        options.insert("current_filter", QVariant::fromValue(shown.first()));
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortalService, kPortalPath, kChooserInterface, "OpenFile");
    // The title Qt's own dialog has: "開く".
    call << parentHandle(parent) << QCoreApplication::translate("QFileDialog", "Open") << options;
    auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    const QString asked = request_;
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, asked](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *w;
                if (!waiting_ || asked != request_)
                    return;
                if (reply.isError()) {
                    finish(Outcome::kNoChooser);
                } else if (reply.value().path() != request_) {
                    // An older portal makes up its own path.
                    stopListening();
                    request_ = reply.value().path();
                    bus_.connect(kPortalService, request_, kRequestInterface, "Response", this,
                                 SLOT(response(uint, QVariantMap)));
                }
            });

    QEventLoop loop;
    waiting_ = &loop;
    outcome_ = Outcome::kWaiting;
    file_.clear();
    {
        InputBlock block;
        loop.exec();
    }
    waiting_ = nullptr;
    stopListening();
    switch (outcome_) {
    case Outcome::kAnswered:
        return file_;
    case Outcome::kNoChooser:
        return std::nullopt;
    case Outcome::kWaiting:
        break;
    }
    // The program is ending while the chooser is open: take the chooser away with it.
    bus_.asyncCall(
        QDBusMessage::createMethodCall(kPortalService, request_, kRequestInterface, "Close"));
    return QByteArray();
}

void PortalFileChooser::response(uint code, const QVariantMap& results) {
    if (code == kCancelled) {
        finish(Outcome::kAnswered);
        return;
    }
    if (code != kChosen) {
        finish(Outcome::kNoChooser);
        return;
    }
    const QString uri = results.value("uris").toStringList().value(0);
    const QUrl url(uri);
    if (!url.isLocalFile()) {
        if (!uri.isEmpty())
            std::cerr << "zt4: the file chooser gave no local file: " << uri.toStdString() << '\n';
        finish(Outcome::kAnswered);
        return;
    }
    // The path's bytes as the URI encodes them, so that a name that is not UTF-8 keeps them.
    finish(Outcome::kAnswered,
           QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

void PortalFileChooser::portalGone() {
    finish(Outcome::kNoChooser);
}

void PortalFileChooser::finish(Outcome outcome, const QByteArray& file) {
    if (!waiting_ || outcome_ != Outcome::kWaiting)
        return;
    outcome_ = outcome;
    file_ = file;
    waiting_->quit();
}

void PortalFileChooser::stopListening() {
    bus_.disconnect(kPortalService, request_, kRequestInterface, "Response", this,
                    SLOT(response(uint, QVariantMap)));
}

} // namespace zt4::qt
