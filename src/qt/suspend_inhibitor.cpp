#include "qt/suspend_inhibitor.h"

#include "qt/portal_names.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <iostream>

namespace zt4::qt {

namespace {

const char* const kPowerService = "org.freedesktop.PowerManagement";
const char* const kPowerPath = "/org/freedesktop/PowerManagement/Inhibit";
const char* const kPowerInterface = "org.freedesktop.PowerManagement.Inhibit";
const char* const kReason = "音楽を再生中";
constexpr uint kSuspend = 4; // the portal's flags: 1 logout, 2 switch user, 4 suspend, 8 idle
constexpr int kQuitTimeoutMs = 1000;

} // namespace

SuspendInhibitor::SuspendInhibitor(QDBusConnection bus) : bus_(std::move(bus)) {}

SuspendInhibitor::~SuspendInhibitor() {
    letGo(true);
}

void SuspendInhibitor::hold() {
    wanted_ = true;
    if (!asking_ && held_ == Held::kNothing && bus_.isConnected())
        askPortal();
}

void SuspendInhibitor::release() {
    wanted_ = false;
    letGo(false);
}

void SuspendInhibitor::askPortal() {
    asking_ = true;
    const QString token = QStringLiteral("zt4_%1").arg(++token_);
    request_ = PortalRequestPath(bus_, token);
    bus_.connect(kPortalService, request_, kRequestInterface, "Response", this,
                 SLOT(portalResponse(uint, QVariantMap)));
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       "org.freedesktop.portal.Inhibit", "Inhibit");
    call << QString() << kSuspend
         << QVariantMap{{"handle_token", token}, {"reason", QString::fromUtf8(kReason)}};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            stopListening();
            askPowerManagement();
            return;
        }
        // An older portal makes up its own path.
        if (reply.value().path() != request_) {
            stopListening();
            request_ = reply.value().path();
            bus_.connect(kPortalService, request_, kRequestInterface, "Response", this,
                         SLOT(portalResponse(uint, QVariantMap)));
        }
        granted(Held::kPortal);
    });
}

void SuspendInhibitor::portalResponse(uint response, const QVariantMap&) {
    if (response == 0)
        return;
    // Refused: the request is over, nothing to close.
    stopListening();
    if (held_ == Held::kPortal)
        held_ = Held::kNothing;
    if (wanted_ && held_ == Held::kNothing) {
        asking_ = true;
        askPowerManagement();
    }
}

void SuspendInhibitor::stopListening() {
    bus_.disconnect(kPortalService, request_, kRequestInterface, "Response", this,
                    SLOT(portalResponse(uint, QVariantMap)));
}

void SuspendInhibitor::askPowerManagement() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPowerService, kPowerPath, kPowerInterface, "Inhibit");
    call << QStringLiteral("zt4") << QString::fromUtf8(kReason);
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (reply.isError()) {
            asking_ = false;
            if (!toldNoService_)
                std::cerr << "zt4: no desktop service answers to keep the machine awake while "
                             "playing\n";
            toldNoService_ = true;
            return;
        }
        cookie_ = reply.value();
        granted(Held::kPowerManagement);
    });
}

void SuspendInhibitor::granted(Held via) {
    asking_ = false;
    held_ = via;
    if (!wanted_)
        letGo(false);
}

void SuspendInhibitor::letGo(bool block) {
    if (held_ == Held::kNothing)
        return;
    QDBusMessage call;
    if (held_ == Held::kPortal) {
        stopListening();
        call = QDBusMessage::createMethodCall(kPortalService, request_, kRequestInterface, "Close");
    } else {
        call =
            QDBusMessage::createMethodCall(kPowerService, kPowerPath, kPowerInterface, "UnInhibit");
        call << cookie_;
    }
    held_ = Held::kNothing;
    if (block)
        bus_.call(call, QDBus::Block, kQuitTimeoutMs);
    else
        bus_.asyncCall(call);
}

} // namespace zt4::qt
