#include "qt/look.h"

namespace zt4::qt {

void installFontSubstitutes() {
    // Proportional Japanese Gothic faces, the closest first; fontconfig's own fallback
    // still finds glyphs should none of them be installed.
    const QStringList gothic = {"IPAPGothic",   "IPA Pゴシック",    "VL PGothic",
                                "TakaoPGothic", "Noto Sans CJK JP", "Source Han Sans JP",
                                "IPAexGothic",  "IPAGothic"};
    QFont::insertSubstitutions("ＭＳ Ｐゴシック", gothic);
}

QFont toQFont(const FontSpec& f) {
    QFont font(toQString(f.Name));
    font.setPointSizeF(f.Size);
    font.setWeight(static_cast<QFont::Weight>(f.Weight));
    return font;
}

} // namespace zt4::qt
