#pragma once
// The steps every command shares to open a slot, play it and show it.

#include "core/app.h"

namespace zt4 {

// Opens TrackPath(slot) with the library. On failure shows "ファイルを開けませんでした。"
// (unless `tell` is false) and returns false; a slot outside the filled ones fails without
// asking the library.
bool OpenSlot(App& a, int slot, bool tell = true);
// Registers the end-of-track callback, then plays the opened file.
void StartPlayback(App& a);

// The back button's count starts again: MusicBackTimer on, BackTicks 0.
void StartBackCount(App& a);

// Start and forward start CurrentTrack afresh: both timers on, the back counter and the
// clock from zero, the pause button ready; then open, play and mark the slot and say
// "再生中". A failed open stops there, with the timers already on.
void StartCurrentAfresh(App& a);

// The three clock labels show 0.
void ShowClockZero(App& a);
// The clock counters start again; the units start at -1 where the first Timer1 tick is
// to show 0:00.
void ResetClock(App& a, int16_t units);

} // namespace zt4
