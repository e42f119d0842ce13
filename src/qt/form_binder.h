#pragma once
// Binds a form model to Qt widgets: a widget for each control (a label, a push button, a
// text box, an option button, a check box, by its kind) or one the form makes itself, an
// action for each menu item. It mirrors the model into them, touching only what changed,
// and passes what the user edits in a text box or ticks in a check box back to the model
// through the dispatcher. What a click means is the form's to connect.

#include "form/control.h"
#include "qt/driver.h"

#include <QButtonGroup>

#include <functional>
#include <string>
#include <vector>

class QAction;

namespace zt4::qt {

class FormBinder {
  public:
    // `accessibleName` names a control for a screen reader.
    FormBinder(Driver& driver, std::function<std::string(const Control&)> accessibleName);

    // Binds `c` to a new widget of its kind on `parent`, or to `widget` when the form
    // makes its own; returns the widget. The keyboard focus follows the order of binding.
    QWidget* bind(Control& c, QWidget* parent, QWidget* widget = nullptr);
    void bindItem(MenuItem& item, QAction* action);

    // Brings every widget and action in line with the model: all of it, or what changed.
    void sync(bool all);

    // The widget drawn for a control of the model.
    QWidget* widgetFor(const Control& control) const;
    // The widgets that take the keyboard focus, in tab order.
    const std::vector<QWidget*>& focusChain() const { return focusChain_; }

  private:
    struct Bound {
        Control* model;
        QWidget* widget;
        Control shown;         // what the widget shows, to touch only what changed
        std::string shownName; // the accessible name it has
    };
    struct BoundItem {
        MenuItem* model;
        QAction* action;
        MenuItem shown;
    };

    QWidget* makeWidget(Control& c, QWidget* parent);
    void apply(Bound& b, bool all);
    void applyItem(BoundItem& b, bool all);

    Driver& driver_;
    std::function<std::string(const Control&)> accessibleName_;
    std::vector<Bound> bound_;
    std::vector<BoundItem> items_;
    QButtonGroup options_; // the option buttons of a form are one group
    std::vector<QWidget*> focusChain_;
};

} // namespace zt4::qt
