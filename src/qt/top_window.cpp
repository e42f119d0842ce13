#include "qt/top_window.h"

#include "qt/key_filtered_edit.h"
#include "qt/knob_grip.h"
#include "qt/look.h"
#include "qt/pictures.h"
#include "wiring/handlers.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QDropEvent>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>

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

} // namespace

TopWindow::TopWindow(TopForm& form, Driver& driver, FilesFromOutside& files)
    : form_(form), driver_(driver), files_(files),
      binder_(driver, [&form](const Control& c) { return form.accessibleName(c); }) {
    setObjectName(toQString(form.Name));
    setAccessibleDescription(objectName());
    setWindowIcon(programIcon());
    setAcceptDrops(true);

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
    const auto addItem = [this](QMenu* menu, MenuItem& item, void (*handler)(App&)) {
        QAction* action = item.Caption == "-" ? menu->addSeparator() : menu->addAction(QString());
        if (handler)
            connect(action, &QAction::triggered, this, [this, handler] { driver_.run(handler); });
        binder_.bindItem(item, action);
    };
    const auto addMenu = [this](MenuItem& item) {
        QMenu* menu = menuBar()->addMenu(QString());
        menu->setObjectName(toQString(item.Name));
        binder_.bindItem(item, menu->menuAction());
        return menu;
    };
    QMenu* file = addMenu(form_.file);
    addItem(file, form_.MusicFileopen, MusicFileopen_Click);
    addItem(file, form_.kugiri, nullptr);
    addItem(file, form_.exit, exit_Click);
    QMenu* help = addMenu(form_.help);
    addItem(help, form_.faq, faq_Click);
    addItem(help, form_.version, version_Click);
}

QWidget* TopWindow::ownWidget(const Control& c, QWidget* client) {
    if (&c == &form_.Volumeanalyze1) {
        Grip::Handlers grip;
        grip.down = [this](int16_t b, int16_t s, float x, float y) {
            driver_.run([=](App& a) { Volumeanalyze1_MouseDown(a, b, s, x, y); });
        };
        grip.move = [this](int16_t b, int16_t s, float x, float y) {
            driver_.run([=](App& a) { Volumeanalyze1_MouseMove(a, b, s, x, y); });
        };
        grip.up = [this](int16_t b, int16_t s, float x, float y) {
            driver_.run([=](App& a) { Volumeanalyze1_MouseUp(a, b, s, x, y); });
        };
        grip.level = [this] { return int(form_.VolumeLevel); };
        grip.setLevel = [this](double level) {
            driver_.run([=](App& a) { MoveKnobToFraction(a, level / 100); });
        };
        return new Grip(std::move(grip), client);
    }
    if (&c == &form_.Text1) {
        return new KeyFilteredEdit(
            [this](int16_t& code) {
                // A key typed while a handler waits on a modal box cannot be filtered: drop it.
                if (!driver_.idle()) {
                    code = 0;
                    return;
                }
                driver_.run([&code](App& a) { Text1_KeyPress(a, code); });
            },
            client);
    }
    return nullptr;
}

void TopWindow::buildControls(QWidget* client) {
    form_.forEachControl([&](Control& c) { binder_.bind(c, client, ownWidget(c, client)); });
    const std::vector<QWidget*>& focusChain = binder_.focusChain();
    for (std::size_t i = 1; i < focusChain.size(); ++i)
        setTabOrder(focusChain[i - 1], focusChain[i]);

    onClick(form_.FileAdd, FileAdd_Click);
    onClick(form_.Sakujo, Sakujo_Click);
    onClick(form_.FileReset, FileReset_Click);
    onClick(form_.MusicStart, MusicStart_Click);
    onClick(form_.MusicPause, MusicPause_Click);
    onClick(form_.MusicStop, MusicStop_Click);
    onClick(form_.MusicBack, MusicBack_Click);
    onClick(form_.MusicFoward, MusicFoward_Click);
    onClick(form_.LeftSide, LeftSide_Click);
    onClick(form_.RightSide, RightSide_Click);
    for (int index = 0; index < kRepeatOptions; ++index) {
        auto* radio = static_cast<QRadioButton*>(widgetFor(form_.RepeatOption[index]));
        connect(radio, &QRadioButton::clicked, this, [this, index] {
            driver_.run([index](App& a) {
                a.Top.selectRepeatOption(index);
                RepeatOption_Click(a, index);
            });
        });
    }

    // The grip lies above the knob it moves.
    widgetFor(form_.Volumeanalyze1)->raise();
    binder_.sync(true);
}

void TopWindow::onClick(Control& c, void (*handler)(App&)) {
    auto* button = static_cast<QPushButton*>(widgetFor(c));
    connect(button, &QPushButton::clicked, this, [this, handler] { driver_.run(handler); });
}

void TopWindow::sync() {
    if (windowTitle() != toQString(form_.Caption))
        setWindowTitle(toQString(form_.Caption));
    QWidget* client = centralWidget();
    if (client->palette().color(QPalette::Window) != toQColor(form_.BackColor)) {
        QPalette pal = client->palette();
        pal.setColor(QPalette::Window, toQColor(form_.BackColor));
        client->setPalette(pal);
    }
    binder_.sync(false);
    if (form_.VolumeLevel != shownLevel_) {
        shownLevel_ = form_.VolumeLevel;
        QAccessibleValueChangeEvent event(widgetFor(form_.Volumeanalyze1), int(shownLevel_));
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
    for (QWidget* w : binder_.focusChain()) {
        if (w->isEnabled()) {
            w->setFocus(Qt::TabFocusReason);
            break;
        }
    }
}

} // namespace zt4::qt
