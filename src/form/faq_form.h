#pragma once
// The FAQ window "FaqText": a read-only view of FAQ.txt that fills its client area.

#include <cstdint>

namespace zt4 {

struct FaqForm {
    static constexpr const char* kName = "FaqText";
    static constexpr const char* kCaption = "FAQ";
    static constexpr float kClientWidth = 8475, kClientHeight = 9180; // when created
    // What the resize rule takes for the border and the title bar of the outer size.
    static constexpr float kFrameWidth = 100, kFrameHeight = 400;

    // Form_Resize: the text view FText1 at the top left, filling the window. The constants
    // stand for the border and the title bar; the size never goes below zero.
    struct Rect {
        float Left, Top, Width, Height;
    };
    static Rect Form_Resize(float outerWidth, float outerHeight);

    // Only the four arrow keys (37..40) keep their effect; every other key is cancelled.
    static void FText1_KeyDown(int16_t& KeyCode);
    // No typed character reaches the text.
    static void FText1_KeyPress(int16_t& KeyAscii);
};

} // namespace zt4
