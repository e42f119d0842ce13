#pragma once
// The pictures the program draws itself: the five transport shapes and the window icon.

#include "ui/control.h"

#include <QIcon>
#include <QPixmap>

namespace zt4::qt {

// A solid black shape on a transparent background, width × height pixels.
QPixmap transportPicture(Picture picture, int width, int height);

// The program's 32 × 32, 16-colour icon, the same as the desktop entry's.
QIcon programIcon();

} // namespace zt4::qt
