#include "qt/form_binder.h"

#include "qt/look.h"
#include "qt/pictures.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace zt4::qt {

namespace {

bool sameFont(const FontSpec& a, const FontSpec& b) {
    return a.Name == b.Name && a.Size == b.Size && a.Weight == b.Weight;
}

bool sameLook(const Control& a, const Control& b) {
    return a.ForeColor == b.ForeColor && a.BackColor == b.BackColor &&
           a.Transparent == b.Transparent;
}

void applyLook(QWidget* w, const Control& c) {
    QPalette pal = w->palette();
    const QColor fore = toQColor(c.ForeColor), back = toQColor(c.BackColor);
    switch (c.Kind) {
    case ControlKind::CommandButton:
    case ControlKind::PictureButton:
        pal.setColor(QPalette::Button, back);
        pal.setColor(QPalette::ButtonText, fore);
        break;
    case ControlKind::TextBox:
        pal.setColor(QPalette::Base, back);
        pal.setColor(QPalette::Text, fore);
        break;
    case ControlKind::Label:
    case ControlKind::OptionButton:
    case ControlKind::CheckBox:
        pal.setColor(QPalette::Window, back);
        pal.setColor(QPalette::WindowText, fore);
        w->setAutoFillBackground(!c.Transparent);
        break;
    }
    w->setPalette(pal);
}

} // namespace

FormBinder::FormBinder(Driver& driver, std::function<std::string(const Control&)> accessibleName)
    : driver_(driver), accessibleName_(std::move(accessibleName)) {}

QWidget* FormBinder::makeWidget(Control& c, QWidget* parent) {
    switch (c.Kind) {
    case ControlKind::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::CommandButton:
    case ControlKind::PictureButton:
        return new QPushButton(parent);
    case ControlKind::TextBox:
        return new QLineEdit(parent);
    case ControlKind::OptionButton:
        return new QRadioButton(parent);
    case ControlKind::CheckBox:
        return new QCheckBox(parent);
    }
    return nullptr;
}

QWidget* FormBinder::bind(Control& c, QWidget* parent, QWidget* widget) {
    QWidget* w = widget ? widget : makeWidget(c, parent);
    w->setObjectName(toQString(c.Name));
    w->setAccessibleDescription(w->objectName());
    Control* model = &c;
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setFrame(true);
        // Only ASCII goes in; no input method composes text here.
        edit->setAttribute(Qt::WA_InputMethodEnabled, false);
        edit->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
        QObject::connect(edit, &QLineEdit::textEdited, edit, [this, model](const QString& text) {
            driver_.run([model, text = text.toStdString()](App&) { model->Caption = text; });
        });
    } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        options_.addButton(radio);
    } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
        QObject::connect(box, &QCheckBox::clicked, box, [this, model](bool checked) {
            driver_.run([model, checked](App&) { model->Value = checked ? 1 : 0; });
        });
    }
    if (c.Kind != ControlKind::Label)
        focusChain_.push_back(w);
    bound_.push_back({model, w, c, {}});
    return w;
}

void FormBinder::bindItem(MenuItem& item, QAction* action) {
    action->setObjectName(toQString(item.Name));
    items_.push_back({&item, action, {}});
}

QWidget* FormBinder::widgetFor(const Control& control) const {
    for (const Bound& b : bound_) {
        if (b.model == &control)
            return b.widget;
    }
    return nullptr;
}

void FormBinder::sync(bool all) {
    for (Bound& b : bound_)
        apply(b, all);
    for (BoundItem& b : items_)
        applyItem(b, all);
}

void FormBinder::apply(Bound& b, bool all) {
    const Control& m = *b.model;
    Control& s = b.shown;
    QWidget* w = b.widget;
    if (all || m.Left != s.Left || m.Top != s.Top || m.Width != s.Width || m.Height != s.Height)
        w->setGeometry(pixelRect(m));
    if (all || !sameLook(m, s))
        applyLook(w, m);
    if (all || !sameFont(m.Font, s.Font))
        w->setFont(toQFont(m.Font));
    if (all || m.Enabled != s.Enabled)
        w->setEnabled(m.Enabled);
    if (m.ZOrderRaises != s.ZOrderRaises)
        w->raise();
    // A label keeps its text as its name: naming it would hide the text from readers.
    if (std::string name = accessibleName_(m); all || name != b.shownName) {
        if (!name.empty() || !b.shownName.empty())
            w->setAccessibleName(toQString(name));
        b.shownName = std::move(name);
    }

    const QString caption = toQString(m.Caption);
    switch (m.Kind) {
    case ControlKind::Label: {
        auto* label = static_cast<QLabel*>(w);
        if (all || m.Caption != s.Caption)
            label->setText(caption);
        if (all || m.WordWrap != s.WordWrap)
            label->setWordWrap(m.WordWrap);
        break;
    }
    case ControlKind::CommandButton:
        if (all || m.Caption != s.Caption)
            static_cast<QPushButton*>(w)->setText(caption);
        break;
    case ControlKind::PictureButton:
        if (all || m.Pic != s.Pic || m.PicWidth != s.PicWidth || m.PicHeight != s.PicHeight) {
            auto* button = static_cast<QPushButton*>(w);
            button->setIcon(transportIcon(m.Pic, m.PicWidth, m.PicHeight));
            button->setIconSize(QSize(m.PicWidth, m.PicHeight));
        }
        break;
    case ControlKind::TextBox: {
        // The user types into the box too: compare with what it holds, not what was set.
        auto* edit = static_cast<QLineEdit*>(w);
        if (edit->text() != caption)
            edit->setText(caption);
        if (all || m.MaxLength != s.MaxLength)
            edit->setMaxLength(m.MaxLength > 0 ? m.MaxLength : 32767);
        break;
    }
    case ControlKind::OptionButton: {
        auto* radio = static_cast<QRadioButton*>(w);
        if (radio->isChecked() != (m.Value != 0)) {
            // An exclusive group refuses to clear its checked button by itself.
            options_.setExclusive(false);
            radio->setChecked(m.Value != 0);
            options_.setExclusive(true);
        }
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = static_cast<QCheckBox*>(w);
        if (box->isChecked() != (m.Value != 0))
            box->setChecked(m.Value != 0);
        break;
    }
    }
    s = m;
}

void FormBinder::applyItem(BoundItem& b, bool all) {
    const MenuItem& m = *b.model;
    MenuItem& s = b.shown;
    if ((all || m.Caption != s.Caption) && !b.action->isSeparator())
        b.action->setText(toQString(m.Caption));
    if (all || m.Enabled != s.Enabled)
        b.action->setEnabled(m.Enabled);
    if (all || m.Visible != s.Visible)
        b.action->setVisible(m.Visible);
    s = m;
}

} // namespace zt4::qt
