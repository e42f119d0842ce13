#pragma once
// Where the player stands on the session bus, for its service and for a second zt4 that
// hands files over to it.

namespace zt4::qt {

inline const char* const kWellKnownName = "org.mpris.MediaPlayer2.zt4";
inline const char* const kObjectPath = "/org/mpris/MediaPlayer2";
inline const char* const kRootInterface = "org.mpris.MediaPlayer2";
inline const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";

} // namespace zt4::qt
