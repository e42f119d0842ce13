#pragma once
// The repeat modes: what RepeatTimer's tick does after the end of a track, and the colours
// of the options' captions.

#include "core/app.h"

namespace zt4 {

void RepeatTimer_Timer(App& a);
void RepeatOption_Click(App& a, int Index);

} // namespace zt4
