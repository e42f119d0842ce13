#pragma once
// Toolkit-free models of the widgets a form is built from. Positions and sizes are twips
// (15 twips = 1 logical pixel); they are single-precision floats as the knob formulas
// compute and compare them that way.

#include <cstdint>
#include <string>

namespace zt4 {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};

// The stand-in for "ＭＳ Ｐゴシック" is chosen by the view; the model keeps the design name.
struct FontSpec {
    std::string Name = "ＭＳ Ｐゴシック";
    double Size = 9.75; // points
    int Weight = 700;   // 400 regular, 700 bold
};

enum class ControlKind { Label, CommandButton, PictureButton, TextBox, OptionButton, CheckBox };

// The five transport pictures: solid black shapes drawn in the middle of their buttons.
enum class Picture { None, Back, Stop, Forward, Start, Pause };

struct Control {
    std::string Name; // "Label1", or "mpath(3)" for a member of a group
    ControlKind Kind = ControlKind::Label;
    std::string Caption; // a label's or button's caption, a text box's text (UTF-8)
    float Left = 0, Top = 0, Width = 0, Height = 0;
    Rgb ForeColor{0, 0, 0};
    Rgb BackColor{0, 64, 0};
    bool Transparent = false; // a transparent label draws only its text
    bool WordWrap = false;    // a label whose text wraps inside its box
    FontSpec Font;
    bool Enabled = true;
    int16_t Value = 0; // check box: 1 ticked, 0 clear; option button: 1 selected
    int MaxLength = 0; // text box: most characters it takes (0 = no limit)
    Picture Pic = Picture::None;
    int PicWidth = 0, PicHeight = 0; // picture size in pixels
    std::string AccessibleName;      // what a screen reader calls a control without a caption
    int ZOrderRaises = 0;            // bumped each time the control is brought to the front
};

// A straight line drawn on the form.
struct Line {
    std::string Name;
    float X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    Rgb Color{0, 0, 0};
    bool SystemShadowColor = false; // drawn in the system's button-shadow colour
    int PixelWidth = 1;
};

struct MenuItem {
    std::string Name;
    std::string Caption; // "-" is a separator line
    bool Enabled = true;
    bool Visible = true;
};

// A form timer. The scheduler ticks it every Interval ms while Enabled; an interval of 1 ms
// asks for the shortest one the platform offers.
struct Timer {
    std::string Name;
    int Interval = 0;
    bool Enabled = false;
};

// The window's common file dialog: the filter is set before it is shown and the chosen
// file name is read afterwards ("" when the user cancelled).
struct CommonDialog {
    std::string Filter;
    std::string FileName;
};

} // namespace zt4
