#include "qt/platform_options.h"

#include <QByteArray>

namespace zt4::qt {

void setPlatformOptions() {
    // On X11 the window's pixels go to the server as plain requests, not through a shared
    // memory image: with one, each repaint (the clock's, at every Timer1 tick) first waits
    // for the server to have read the last one, a round trip that wakes two threads per
    // tick while playing. The window is small; copying it costs less. A setting of the
    // user's own stands.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", QByteArray("1"));
}

} // namespace zt4::qt
