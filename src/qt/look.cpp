#include "qt/look.h"

#include <QFontInfo>
#include <QGuiApplication>

namespace zt4::qt {

void installFontSubstitutes() {
    // Proportional Japanese Gothic faces, the closest first; fontconfig's own fallback
    // still finds glyphs should none of them be installed.
    const QStringList gothic = {"IPAPGothic",   "IPA Pゴシック",    "VL PGothic",
                                "TakaoPGothic", "Noto Sans CJK JP", "Source Han Sans JP",
                                "IPAexGothic",  "IPAGothic"};
    QFont::insertSubstitutions("ＭＳ Ｐゴシック", gothic);
    // The default font (menus, message boxes, Qt's dialogs) keeps its own family and size,
    // but takes the Japanese it lacks from the Gothic the window already shows: left to
    // fontconfig, that is often another face, a few megabytes mapped for a menu's kana.
    QFont base = QGuiApplication::font();
    const QString stand = QFontInfo(QFont(QString::fromUtf8("ＭＳ Ｐゴシック"))).family();
    if (!base.families().contains(stand)) {
        base.setFamilies({base.family(), stand});
        QGuiApplication::setFont(base);
    }
}

QFont toQFont(const FontSpec& f) {
    QFont font(toQString(f.Name));
    font.setPointSizeF(f.Size);
    font.setWeight(static_cast<QFont::Weight>(f.Weight));
    return font;
}

} // namespace zt4::qt
