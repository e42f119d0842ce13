#include "qt/hand_over.h"

#include "qt/hand_over_adaptor.h"
#include "qt/mpris_names.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QStringList>

namespace zt4::qt {

namespace {

// How long a second zt4 waits for the running one before it starts a player of its own.
constexpr int kHandOverWaitMs = 3000;

} // namespace

bool PlayerOnBus(QDBusConnection bus) {
    return bus.isConnected() && bus.interface()->isServiceRegistered(kWellKnownName);
}

bool HandToRunningPlayer(QDBusConnection bus, const std::vector<std::string>& uris,
                         std::ostream& skipped) {
    const auto call = [](const char* interface, const char* method) {
        return QDBusMessage::createMethodCall(kWellKnownName, kObjectPath, interface, method);
    };
    QStringList list;
    for (const std::string& uri : uris)
        list << QString::fromStdString(uri);
    // A player that is alive answers at once, also while a message box is open.
    const QDBusMessage handed =
        bus.call(call(kHandOverInterface, "OpenUris") << list, QDBus::Block, kHandOverWaitMs);
    if (handed.type() != QDBusMessage::ReplyMessage) {
        skipped << "zt4: the running player did not answer within " << kHandOverWaitMs / 1000
                << " s (" << handed.errorName().toStdString() << "); starting a new one\n";
        return false;
    }
    bus.call(call(kRootInterface, "Raise"), QDBus::Block, kHandOverWaitMs);
    return true;
}

} // namespace zt4::qt
