#pragma once
// How the form models' units, colours and fonts become Qt's.

#include "form/control.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

namespace zt4::qt {

constexpr int kTwipsPerPixel = 15;

inline int pixels(float twips) {
    return qRound(twips / kTwipsPerPixel);
}
inline QRect pixelRect(float left, float top, float width, float height) {
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}
inline QRect pixelRect(const Control& c) {
    return pixelRect(c.Left, c.Top, c.Width, c.Height);
}

inline QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}
inline QString toQString(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

// Tells Qt which installed fonts stand in for the design's Windows font names, and lets the
// default font take its Japanese glyphs from the same face. Call once QApplication exists.
void installFontSubstitutes();

QFont toQFont(const FontSpec& f);

} // namespace zt4::qt
