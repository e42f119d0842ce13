#include "qt/hand_over.h"

#include "qt/mpris_names.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCall>

namespace zt4::qt {

bool PlayerOnBus(QDBusConnection bus) {
    return bus.isConnected() && bus.interface()->isServiceRegistered(kWellKnownName);
}

bool HandToRunningPlayer(QDBusConnection bus, const std::vector<std::string>& uris,
                         std::ostream& skipped) {
    const auto call = [](const char* interface, const char* method) {
        return QDBusMessage::createMethodCall(kWellKnownName, kObjectPath, interface, method);
    };
    // All sent before any answer is awaited, so that the player takes them as one batch
    // where it can.
    std::vector<QDBusPendingCall> pending;
    for (const std::string& uri : uris)
        pending.push_back(
            bus.asyncCall(call(kPlayerInterface, "OpenUri") << QString::fromStdString(uri)));
    bool reached = false;
    for (QDBusPendingCall& p : pending) {
        p.waitForFinished();
        if (p.isError())
            skipped << "zt4: the running player did not answer: "
                    << p.error().message().toStdString() << '\n';
        else
            reached = true;
    }
    const QDBusMessage raised = bus.call(call(kRootInterface, "Raise"));
    return reached || raised.type() == QDBusMessage::ReplyMessage;
}

} // namespace zt4::qt
