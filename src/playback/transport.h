#pragma once
// Start, pause and stop, and the track-number box.

#include "core/app.h"

#include <cstdint>

namespace zt4 {

void MusicStart_Click(App& a);
void MusicPause_Click(App& a);
void MusicStop_Click(App& a);
// Lets digits and Backspace into Text1; any other key's code becomes 0.
void Text1_KeyPress(App& a, int16_t& KeyAscii);

} // namespace zt4
