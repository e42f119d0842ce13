#include "ui/qt/suspend_inhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include <iostream>

namespace zt4::qt {

namespace {

const char* const kPortalService = "org.freedesktop.portal.Desktop";
const char* const kPortalPath = "/org/freedesktop/portal/desktop";
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
    QDBusMessage call = QDBusMessage::createMethodCall(kPortalService, kPortalPath,
                                                       "org.freedesktop.portal.Inhibit", "Inhibit");
    call << QString() << kSuspend << QVariantMap{{"reason", QString::fromUtf8(kReason)}};
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (reply.isError()) {
            askPowerManagement();
            return;
        }
        request_ = reply.value();
        granted(Held::kPortal);
    });
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
        call = QDBusMessage::createMethodCall(kPortalService, request_.path(),
                                              "org.freedesktop.portal.Request", "Close");
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
