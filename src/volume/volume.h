#pragma once
// The volume knob, its two buttons and the two timers that pass the volume on.

#include "core/app.h"

#include <cstdint>

namespace zt4 {

void LeftSide_Click(App& a);
void RightSide_Click(App& a);
void Timer2_Timer(App& a);
void MDrugTimer_Timer(App& a);
// Button: 1 left, 2 right, 4 middle (a move gets the mask of the buttons held). X and Y are
// twips from the grip's top-left corner.
void Volumeanalyze1_MouseDown(App& a, int16_t Button, int16_t Shift, float X, float Y);
void Volumeanalyze1_MouseMove(App& a, int16_t Button, int16_t Shift, float X, float Y);
void Volumeanalyze1_MouseUp(App& a, int16_t Button, int16_t Shift, float X, float Y);

// Moves the knob to the position nearest `fraction` (0 to 1) of the full level, within its
// track, and sends the level as the volume buttons do: on Timer2's next tick.
void MoveKnobToFraction(App& a, double fraction);

// Start-up places the knob for VolumeLevel (the inverse of the volume formula).
void PlaceKnobForLevel(App& a);

} // namespace zt4
