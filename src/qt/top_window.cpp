#include "qt/top_window.h"

#include "qt/look.h"
#include "qt/pictures.h"
#include "wiring/handlers.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

#include <iostream>
#include <optional>

namespace zt4::qt {

namespace {

// The client area: the form's background and its two lines, under every widget.
class ClientArea : public QWidget {
  public:
    explicit ClientArea(const TopForm& form) : form_(form) { setAutoFillBackground(true); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        for (const Line* line : {&form_.Line1, &form_.Line2}) {
            const QColor color =
                line->SystemShadowColor ? palette().color(QPalette::Dark) : toQColor(line->Color);
            p.setPen(QPen(color, line->PixelWidth, Qt::SolidLine, Qt::FlatCap));
            // Lines run to 1000000 twips; keep the pixel coordinates in a sane range.
            const auto clampX = [this](float x) { return qBound(-1, pixels(x), width() + 1); };
            p.drawLine(clampX(line->X1), pixels(line->Y1), clampX(line->X2), pixels(line->Y2));
        }
    }

  private:
    const TopForm& form_;
};

using MouseHandler = std::function<void(int16_t button, int16_t shift, float x, float y)>;

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

// The knob's grip: a transparent label that takes the mouse. Qt grabs the mouse for the
// widget pressed on until the last button is released, which is the capture a drag past
// the ends of the track relies on. Positions go out in twips relative to the grip.
class Grip : public QLabel {
  public:
    MouseHandler down, move, up;
    // The volume level it stands for, and a level asked for by assistive technology.
    std::function<int()> level;
    std::function<void(double level)> setLevel;

  protected:
    void mousePressEvent(QMouseEvent* e) override { send(down, buttonCode(e->button()), e); }
    void mouseMoveEvent(QMouseEvent* e) override { send(move, buttonCode(e->buttons()), e); }
    void mouseReleaseEvent(QMouseEvent* e) override { send(up, buttonCode(e->button()), e); }

  private:
    static void send(const MouseHandler& h, int16_t button, QMouseEvent* e) {
        const QPointF at = e->position() * kTwipsPerPixel;
        if (h)
            h(button, shiftCode(e->modifiers()), float(at.x()), float(at.y()));
    }
};

// The grip as assistive technology sees it: a slider whose value is the volume level.
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

// The character code a key press types, if it types one: control keys and Ctrl+letter
// give their ASCII control codes, other keys (arrows, Delete, Home…) type nothing.
std::optional<int16_t> typedCode(const QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Delete:
        return std::nullopt;
    default:
        break;
    }
    const QString text = e->text();
    if (text.isEmpty() || text.at(0) == QChar(0x7f))
        return std::nullopt;
    return static_cast<int16_t>(text.at(0).unicode());
}

// A text box whose typed characters pass a key filter first; a code set to 0 drops the key.
class FilteredLineEdit : public QLineEdit {
  public:
    std::function<void(int16_t& code)> keyPress;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (std::optional<int16_t> code = typedCode(e); code && keyPress) {
            keyPress(*code);
            if (*code == 0) {
                e->accept();
                return;
            }
        }
        QLineEdit::keyPressEvent(e);
    }
};

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

TopWindow::TopWindow(TopForm& form, Driver& driver, FilesFromOutside& files)
    : form_(form), driver_(driver), files_(files) {
    setObjectName(toQString(form.Name));
    setAccessibleDescription(objectName());
    setWindowIcon(programIcon());
    setAcceptDrops(true);
    static const bool gripFactoryInstalled = (QAccessible::installFactory(gripAccessible), true);
    Q_UNUSED(gripFactoryInstalled);

    auto* client = new ClientArea(form);
    client->setFixedSize(pixels(form.ClientWidth), pixels(form.ClientHeight));
    setCentralWidget(client);
    buildMenus();
    buildControls(client);
    sync();
    setFixedSize(sizeHint());

    // The model places the client area's corner; the menu bar sits above it.
    const QPoint clientCorner(pixels(form.ScreenLeft), pixels(form.ScreenTop));
    setGeometry(QRect(clientCorner - QPoint(0, menuBar()->sizeHint().height()), size()));
}

void TopWindow::buildMenus() {
    TopForm& form = form_;
    const auto addItem = [this](QMenu* menu, MenuItem& item, void (*handler)(App&)) {
        QAction* action = item.Caption == "-" ? menu->addSeparator() : menu->addAction(QString());
        action->setObjectName(toQString(item.Name));
        if (handler)
            connect(action, &QAction::triggered, this, [this, handler] { driver_.run(handler); });
        items_.push_back({&item, action, {}});
    };
    const auto addMenu = [this](MenuItem& item) {
        QMenu* menu = menuBar()->addMenu(QString());
        menu->setObjectName(toQString(item.Name));
        menu->menuAction()->setObjectName(menu->objectName());
        items_.push_back({&item, menu->menuAction(), {}});
        return menu;
    };
    QMenu* file = addMenu(form.file);
    addItem(file, form.MusicFileopen, MusicFileopen_Click);
    addItem(file, form.kugiri, nullptr);
    addItem(file, form.exit, exit_Click);
    QMenu* help = addMenu(form.help);
    addItem(help, form.faq, faq_Click);
    addItem(help, form.version, version_Click);
}

QWidget* TopWindow::makeWidget(Control& c, QWidget* client) {
    switch (c.Kind) {
    case ControlKind::Label: {
        if (&c == &form_.Volumeanalyze1) {
            auto* grip = new Grip;
            grip->down = [this](int16_t b, int16_t s, float x, float y) {
                driver_.run([=](App& a) { Volumeanalyze1_MouseDown(a, b, s, x, y); });
            };
            grip->move = [this](int16_t b, int16_t s, float x, float y) {
                driver_.run([=](App& a) { Volumeanalyze1_MouseMove(a, b, s, x, y); });
            };
            grip->up = [this](int16_t b, int16_t s, float x, float y) {
                driver_.run([=](App& a) { Volumeanalyze1_MouseUp(a, b, s, x, y); });
            };
            grip->level = [this] { return int(form_.VolumeLevel); };
            grip->setLevel = [this](double level) {
                driver_.run([=](App& a) { MoveKnobToFraction(a, level / 100); });
            };
            grip->setParent(client);
            return grip;
        }
        auto* label = new QLabel(client);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    case ControlKind::CommandButton:
    case ControlKind::PictureButton:
        return new QPushButton(client);
    case ControlKind::TextBox: {
        auto* edit = new FilteredLineEdit;
        edit->setParent(client);
        edit->setFrame(true);
        edit->keyPress = [this](int16_t& code) {
            // A key typed while a handler waits on a modal box cannot be filtered: drop it.
            if (!driver_.idle()) {
                code = 0;
                return;
            }
            driver_.run([&code](App& a) { Text1_KeyPress(a, code); });
        };
        Control* model = &c;
        connect(edit, &QLineEdit::textEdited, this, [this, model](const QString& text) {
            driver_.run([model, text = text.toStdString()](App&) { model->Caption = text; });
        });
        return edit;
    }
    case ControlKind::OptionButton: {
        auto* radio = new QRadioButton(client);
        if (!repeatGroup_)
            repeatGroup_ = new QButtonGroup(this);
        const int index = static_cast<int>(repeatGroup_->buttons().size());
        repeatGroup_->addButton(radio, index);
        connect(radio, &QRadioButton::clicked, this, [this, index] {
            driver_.run([index](App& a) {
                a.Top.selectRepeatOption(index);
                RepeatOption_Click(a, index);
            });
        });
        return radio;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(client);
        Control* model = &c;
        connect(box, &QCheckBox::clicked, this, [this, model](bool checked) {
            driver_.run([model, checked](App&) { model->Value = checked ? 1 : 0; });
        });
        return box;
    }
    }
    return nullptr;
}

void TopWindow::buildControls(QWidget* client) {
    form_.forEachControl([&](Control& c) {
        QWidget* w = makeWidget(c, client);
        w->setObjectName(toQString(c.Name));
        w->setAccessibleDescription(w->objectName());
        if (c.Kind == ControlKind::TextBox) {
            // Only ASCII goes in; no input method composes text here.
            w->setAttribute(Qt::WA_InputMethodEnabled, false);
            w->setInputMethodHints(Qt::ImhPreferNumbers | Qt::ImhNoPredictiveText);
        }
        if (c.Kind != ControlKind::Label)
            focusChain_.push_back(w);
        bound_.push_back({&c, w, c, {}});
    });
    for (std::size_t i = 1; i < focusChain_.size(); ++i)
        setTabOrder(focusChain_[i - 1], focusChain_[i]);

    TopForm& form = form_;
    onClick(form.FileAdd, FileAdd_Click);
    onClick(form.Sakujo, Sakujo_Click);
    onClick(form.FileReset, FileReset_Click);
    onClick(form.MusicStart, MusicStart_Click);
    onClick(form.MusicPause, MusicPause_Click);
    onClick(form.MusicStop, MusicStop_Click);
    onClick(form.MusicBack, MusicBack_Click);
    onClick(form.MusicFoward, MusicFoward_Click);
    onClick(form.LeftSide, LeftSide_Click);
    onClick(form.RightSide, RightSide_Click);

    // The grip lies above the knob it moves.
    widgetFor(form.Volumeanalyze1)->raise();
    for (Bound& b : bound_)
        apply(b, true);
    for (BoundItem& b : items_)
        applyItem(b, true);
}

void TopWindow::onClick(Control& c, void (*handler)(App&)) {
    auto* button = static_cast<QPushButton*>(widgetFor(c));
    connect(button, &QPushButton::clicked, this, [this, handler] { driver_.run(handler); });
}

QWidget* TopWindow::widgetFor(const Control& control) const {
    for (const Bound& b : bound_) {
        if (b.model == &control)
            return b.widget;
    }
    return nullptr;
}

void TopWindow::apply(Bound& b, bool all) {
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
    if (std::string name = form_.accessibleName(m); all || name != b.shownName) {
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
            repeatGroup_->setExclusive(false);
            radio->setChecked(m.Value != 0);
            repeatGroup_->setExclusive(true);
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

void TopWindow::applyItem(BoundItem& b, bool all) {
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

void TopWindow::sync() {
    const TopForm& form = form_;
    if (windowTitle() != toQString(form.Caption))
        setWindowTitle(toQString(form.Caption));
    QWidget* client = centralWidget();
    if (client->palette().color(QPalette::Window) != toQColor(form.BackColor)) {
        QPalette pal = client->palette();
        pal.setColor(QPalette::Window, toQColor(form.BackColor));
        client->setPalette(pal);
    }
    for (Bound& b : bound_)
        apply(b, false);
    for (BoundItem& b : items_)
        applyItem(b, false);
    if (form.VolumeLevel != shownLevel_) {
        shownLevel_ = form.VolumeLevel;
        QAccessibleValueChangeEvent event(widgetFor(form.Volumeanalyze1), int(shownLevel_));
        QAccessible::updateAccessibility(&event);
    }
}

void TopWindow::closeEvent(QCloseEvent* event) {
    if (!driver_.ended())
        driver_.run(Form_Unload);
    // The program ends only through its shut-down command, which the handler runs.
    event->setAccepted(driver_.ended());
}

void TopWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat("text/uri-list"))
        event->acceptProposedAction();
}

void TopWindow::dropEvent(QDropEvent* event) {
    // The list's own bytes, not QUrl's reading of them: a name that is not UTF-8 arrives
    // percent-encoded and is decoded back to the same bytes.
    const QByteArray list = event->mimeData()->data("text/uri-list");
    files_.addUriList(list.toStdString());
    event->acceptProposedAction();
}

void TopWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // The first enabled widget in tab order takes the focus, as the window opens.
    for (QWidget* w : focusChain_) {
        if (w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

} // namespace zt4::qt
