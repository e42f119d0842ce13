#include "qt/knob_grip.h"

#include "qt/look.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QMouseEvent>

namespace zt4::qt {

namespace {

int16_t buttonCode(Qt::MouseButtons buttons) {
    int16_t code = 0;
    if (buttons & Qt::LeftButton)
        code |= 1;
    if (buttons & Qt::RightButton)
        code |= 2;
    if (buttons & Qt::MiddleButton)
        code |= 4;
    return code;
}

int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    int16_t code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= 1;
    if (modifiers & Qt::ControlModifier)
        code |= 2;
    if (modifiers & Qt::AltModifier)
        code |= 4;
    return code;
}

void send(const Grip::MouseHandler& h, int16_t button, QMouseEvent* e) {
    const QPointF at = e->position() * kTwipsPerPixel;
    h(button, shiftCode(e->modifiers()), float(at.x()), float(at.y()));
}

class GripAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
  public:
    explicit GripAccessible(Grip* grip)
        : QAccessibleWidget(grip, QAccessible::Slider), grip_(grip) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QVariant currentValue() const override { return grip_->level(); }
    void setCurrentValue(const QVariant& value) override { grip_->setLevel(value.toDouble()); }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

  private:
    Grip* grip_;
};

QAccessibleInterface* gripAccessible(const QString&, QObject* object) {
    auto* grip = dynamic_cast<Grip*>(object);
    return grip ? new GripAccessible(grip) : nullptr;
}

} // namespace

Grip::Grip(Handlers handlers, QWidget* parent) : QLabel(parent), handlers_(std::move(handlers)) {
    static const bool factoryInstalled = (QAccessible::installFactory(gripAccessible), true);
    Q_UNUSED(factoryInstalled);
}

void Grip::mousePressEvent(QMouseEvent* e) {
    send(handlers_.down, buttonCode(e->button()), e);
}

void Grip::mouseMoveEvent(QMouseEvent* e) {
    send(handlers_.move, buttonCode(e->buttons()), e);
}

void Grip::mouseReleaseEvent(QMouseEvent* e) {
    send(handlers_.up, buttonCode(e->button()), e);
}

} // namespace zt4::qt
