#pragma once
// The end of a track, the repeat modes and the elapsed-time clock.

#include "app/app.h"

#include <cstdint>

namespace zt4 {

// Entered by the library on its playback thread: it only posts the event to the UI thread.
extern "C" void PlaybackCallback(int32_t code, int32_t value);
// The callback's steps, run on the UI thread.
void PlaybackCallback_Steps(App& a, int32_t code);

void Timer1_Timer(App& a);
void RepeatTimer_Timer(App& a);
void RepeatOption_Click(App& a, int Index);

} // namespace zt4
