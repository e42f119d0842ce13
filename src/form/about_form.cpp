#include "form/about_form.h"

namespace zt4 {

AboutForm::AboutForm() {
    struct Row {
        const char* text;
        float left, top, width, height, size;
        int weight;
    };
    const Row rows[5] = {
        {"zt4", 2400, 240, 1335, 495, 20.25, 700},
        {"Version " ZT4_VERSION, 2040, 720, 2055, 495, 11.25, 700},
        {"2026 zt4 developers", 1440, 1200, 3735, 495, 11.25, 400},
        {"メールアドレス：zt4@example.org", 1080, 1680, 3735, 495, 11.25, 400},
        {"URL：https://zt4.example.org/", 360, 2400, 5175, 855, 11.25, 400},
    };
    for (int i = 0; i < 5; ++i) {
        Control& c = Label1[i];
        c.Name = "Label1(" + std::to_string(i) + ")";
        c.Kind = ControlKind::Label;
        c.Caption = rows[i].text;
        c.Left = rows[i].left;
        c.Top = rows[i].top;
        c.Width = rows[i].width;
        c.Height = rows[i].height;
        c.Transparent = true;
        c.Font.Size = rows[i].size;
        c.Font.Weight = rows[i].weight;
    }
}

} // namespace zt4
