#pragma once
// The volume knob's grip: a transparent label that takes the mouse. Qt grabs the mouse for
// the widget pressed on until the last button is released, which is the capture a drag past
// the ends of the track relies on. Positions go out in twips relative to the grip. Assistive
// technology sees it as a slider whose value is the volume level.

#include <QLabel>

#include <cstdint>
#include <functional>

namespace zt4::qt {

class Grip : public QLabel {
  public:
    // Button: 1 left, 2 right, 4 middle (a move gets the mask of the buttons held); shift:
    // 1 Shift, 2 Ctrl, 4 Alt.
    using MouseHandler = std::function<void(int16_t button, int16_t shift, float x, float y)>;
    struct Handlers {
        MouseHandler down, move, up;
        std::function<int()> level;                 // the volume level it stands for
        std::function<void(double level)> setLevel; // asked for by assistive technology
    };

    Grip(Handlers handlers, QWidget* parent);

    int level() const { return handlers_.level(); }
    void setLevel(double level) const { handlers_.setLevel(level); }

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    Handlers handlers_;
};

} // namespace zt4::qt
