#pragma once
// The main window "Top", built from its form model. It mirrors the model after every
// handler and turns the user's clicks, keys and drags into model updates and handler calls;
// it decides nothing itself.

#include "form/top_form.h"
#include "qt/driver.h"
#include "wiring/files_from_outside.h"

#include <QMainWindow>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QButtonGroup;

namespace zt4::qt {

class TopWindow : public QMainWindow {
  public:
    TopWindow(TopForm& form, Driver& driver, FilesFromOutside& files);

    // Brings every widget in line with the model, touching only what changed.
    void sync();

    // The widget drawn for a control of the model.
    QWidget* widgetFor(const Control& control) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

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

    void buildMenus();
    void buildControls(QWidget* client);
    QWidget* makeWidget(Control& c, QWidget* client);
    void apply(Bound& b, bool all);
    void applyItem(BoundItem& b, bool all);
    void onClick(Control& c, void (*handler)(App&));

    TopForm& form_;
    Driver& driver_;
    FilesFromOutside& files_;
    std::vector<Bound> bound_;
    std::vector<BoundItem> items_;
    QButtonGroup* repeatGroup_ = nullptr;
    std::vector<QWidget*> focusChain_;
    bool shownOnce_ = false;
    int16_t shownLevel_ = -1; // the volume level assistive technology was last told
};

} // namespace zt4::qt
