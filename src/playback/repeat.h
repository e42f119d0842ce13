#pragma once
// The end of a track, the repeat modes and the elapsed-time clock.

#include "core/app.h"

#include <cstdint>

namespace zt4 {

// The steps of the library's callback (PlaybackCallback), run on the UI thread.
void PlaybackCallback_Steps(App& a, int32_t code);

void Timer1_Timer(App& a);
void RepeatTimer_Timer(App& a);
void RepeatOption_Click(App& a, int Index);

} // namespace zt4
