#pragma once
// The desktop's own file chooser, asked through the desktop portal
// (org.freedesktop.portal.FileChooser.OpenFile). The desktop draws it in its own process, so
// the player keeps none of the chooser's code or memory once it closes, and it looks like
// every other program's.
//
// It is modal as Qt's dialog is: until it answers, the player's windows take no input, while
// timers, the library's events and the media controls go on.

#include "qt/name_filters.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <optional>

class QEventLoop;
class QWidget;

namespace zt4::qt {

class PortalFileChooser : public QObject {
    Q_OBJECT

  public:
    explicit PortalFileChooser(QDBusConnection bus) : bus_(std::move(bus)) {}

    // The chosen file as the file system's bytes, "" when the user cancelled. Nothing when
    // no chooser answers (no portal, or one without a file chooser, or it went away), so
    // that the caller shows a dialog of its own.
    std::optional<QByteArray> openFile(QWidget* parent, const std::vector<NameFilter>& filters);

  private slots:
    void response(uint code, const QVariantMap& results);
    void portalGone();

  private:
    enum class Outcome { kWaiting, kAnswered, kNoChooser };
    void finish(Outcome outcome, const QByteArray& file = QByteArray());
    void stopListening();

    QDBusConnection bus_;
    int token_ = 0;   // names each request, so that its path is known before the call
    QString request_; // the request object of the chooser asked last
    QEventLoop* waiting_ = nullptr;
    Outcome outcome_ = Outcome::kWaiting;
    QByteArray file_;
};

} // namespace zt4::qt
