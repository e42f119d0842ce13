#pragma once
// The about window "zt4ver": five labels on a fixed-size window.

#include "form/control.h"

#include <array>

namespace zt4 {

struct AboutForm {
    AboutForm();

    std::string Name = "zt4ver";
    std::string Caption = "zt4バージョン情報";
    float ClientWidth = 5715, ClientHeight = 3915;
    std::array<Control, 5> Label1;
};

} // namespace zt4
