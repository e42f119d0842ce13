#pragma once
// The pictures the program draws itself: the five transport shapes and the window icon.

#include "form/control.h"

#include <QIcon>
#include <QPixmap>

namespace zt4::qt {

// A solid black shape on a transparent background, width × height logical pixels, drawn
// with `ratio` device pixels to a logical one.
QPixmap transportPicture(Picture picture, int width, int height, qreal ratio = 1);

// The shape for a button: drawn for screens of 1, 2 and 3 device pixels to a logical one,
// so that a scaled screen shows it sharp rather than a small picture enlarged.
QIcon transportIcon(Picture picture, int width, int height);

// The program's 32 × 32, 16-colour icon, the same as the desktop entry's.
QIcon programIcon();

} // namespace zt4::qt
