#pragma once
// The end of a track and Timer1: the library's end event names the next slot, or leaves the
// list's end to the repeat modes; Timer1's tick starts the named slot and counts the
// elapsed-time clock.

#include "core/app.h"

#include <cstdint>

namespace zt4 {

// The steps of the library's callback (PlaybackCallback), run on the UI thread.
void PlaybackCallback_Steps(App& a, int32_t code);

void Timer1_Timer(App& a);

} // namespace zt4
