#pragma once
// Where the desktop portal stands on the session bus, and the path of the request object a
// call of ours makes: known from our name and the call's token before the call, so that the
// request's Response is listened to before it can come.

#include <QDBusConnection>
#include <QString>

namespace zt4::qt {

inline const char* const kPortalService = "org.freedesktop.portal.Desktop";
inline const char* const kPortalPath = "/org/freedesktop/portal/desktop";
inline const char* const kRequestInterface = "org.freedesktop.portal.Request";

inline QString PortalRequestPath(const QDBusConnection& bus, const QString& token) {
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
        .arg(bus.baseService().mid(1).replace('.', '_'), token);
}

} // namespace zt4::qt
