#pragma once
// Asks the desktop not to suspend: through the desktop portal (org.freedesktop.portal.Inhibit,
// flag Suspend only, so the screen still locks and blanks), else through
// org.freedesktop.PowerManagement.Inhibit, which KDE and Xfce serve. Never a logind block
// lock, which would also refuse a suspend the user asks for.
//
// A portal may answer the call and then refuse through its request's Response (the GTK
// backend outside GNOME can only hold off the screen saver): the power manager is asked then.
// Calls are asynchronous: a portal started on demand may take a while, and the player never
// waits for it. What is asked last wins: a release that comes while the request is on its
// way lets the hold go as soon as it is granted. The portal's request and the power
// manager's cookie end with the bus connection, so a crash releases them too.

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace zt4::qt {

class SuspendInhibitor : public QObject {
    Q_OBJECT

  public:
    explicit SuspendInhibitor(QDBusConnection bus);
    // Lets a held inhibition go, waiting for the answer at most a moment.
    ~SuspendInhibitor() override;

    void hold();
    void release();

  private slots:
    void portalResponse(uint response, const QVariantMap& results);

  private:
    enum class Held { kNothing, kPortal, kPowerManagement };
    void askPortal();
    void askPowerManagement();
    void granted(Held via);
    // Sends the message that ends what is held; `block` waits for it to be delivered.
    void letGo(bool block);
    void stopListening();

    QDBusConnection bus_;
    bool wanted_ = false;
    bool asking_ = false;
    Held held_ = Held::kNothing;
    QString request_; // the portal's request object, whose Response is listened to
    int token_ = 0;   // names each request, so that its path is known before the call
    uint cookie_ = 0; // the power manager's
    bool toldNoService_ = false;
};

} // namespace zt4::qt
