#pragma once
// Previous and next track by hand.

#include "core/app.h"

namespace zt4 {

void MusicBack_Click(App& a);
void MusicFoward_Click(App& a);
void MusicBackTimer_Timer(App& a);

} // namespace zt4
