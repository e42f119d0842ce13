#pragma once
// The client side of the hand-over: `zt4 FILE...` started while another zt4 runs in the
// session gives that one the files and exits.

#include <QDBusConnection>

#include <ostream>
#include <string>
#include <vector>

namespace zt4::qt {

// True when a zt4 holds the player's name on `bus`.
bool PlayerOnBus(QDBusConnection bus);

// Hands file URIs to the zt4 on `bus` in one OpenUris call (org.example.zt4.HandOver), so
// that it adds them as one batch, then raises its window. False when that player does not
// answer within 3 s (said on `skipped`), so that this process starts a player itself.
bool HandToRunningPlayer(QDBusConnection bus, const std::vector<std::string>& uris,
                         std::ostream& skipped);

} // namespace zt4::qt
