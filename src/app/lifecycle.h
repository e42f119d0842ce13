#pragma once
// Start-up and shut-down of the main window.

#include "core/app.h"

namespace zt4 {

void Form_Load(App& a);   // once, before the main window is first shown
void exit_Click(App& a);  // menu item "終了"
void Form_Unload(App& a); // the window's close box

// The help menu.
void faq_Click(App& a);
void version_Click(App& a);

} // namespace zt4
