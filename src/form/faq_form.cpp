#include "form/faq_form.h"

#include <algorithm>

namespace zt4 {

FaqForm::Rect FaqForm::Form_Resize(float outerWidth, float outerHeight) {
    return {0, 0, std::max(0.0f, outerWidth - kFrameWidth),
            std::max(0.0f, outerHeight - kFrameHeight)};
}

void FaqForm::FText1_KeyDown(int16_t& KeyCode) {
    if (KeyCode < 37 || KeyCode > 40)
        KeyCode = 0;
}

void FaqForm::FText1_KeyPress(int16_t& KeyAscii) {
    KeyAscii = 0;
}

} // namespace zt4
