#pragma once
// The main window "Top", built from its form model through the binder. It mirrors the model
// after every handler and turns the user's clicks, keys, drags and drops into handler calls;
// it decides nothing itself.

#include "form/top_form.h"
#include "qt/driver.h"
#include "qt/form_binder.h"
#include "wiring/files_from_outside.h"

#include <QMainWindow>

namespace zt4::qt {

class TopWindow : public QMainWindow {
  public:
    TopWindow(TopForm& form, Driver& driver, FilesFromOutside& files);

    // Brings every widget in line with the model, touching only what changed.
    void sync();

    // The widget drawn for a control of the model.
    QWidget* widgetFor(const Control& control) const { return binder_.widgetFor(control); }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildMenus();
    void buildControls(QWidget* client);
    // The widget of a control that draws or filters its input itself, else nullptr.
    QWidget* ownWidget(const Control& c, QWidget* client);
    void onClick(Control& c, void (*handler)(App&));

    TopForm& form_;
    Driver& driver_;
    FilesFromOutside& files_;
    FormBinder binder_;
    bool shownOnce_ = false;
    int16_t shownLevel_ = -1; // the volume level assistive technology was last told
};

} // namespace zt4::qt
