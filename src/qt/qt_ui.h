#pragma once
// The toolkit services the commands call, done with Qt: message box, open-file dialog, the
// help windows and the end of the program.

#include "form/about_form.h"
#include "form/ui_services.h"
#include "qt/help_windows.h"
#include "qt/portal_file_chooser.h"

#include <QDBusConnection>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

namespace zt4::qt {

class QtUi : public UiServices {
  public:
    QtUi();
    ~QtUi() override;
    QtUi(const QtUi&) = delete;
    QtUi& operator=(const QtUi&) = delete;

    // The window the modal boxes belong to, hidden at the end of the program.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    // Files are chosen with the desktop's own chooser where the portal on `bus` offers one,
    // else with `openFile`.
    void useDesktopChooser(QDBusConnection bus);

    void ShowFaq(const std::string& text) override;
    void ShowAbout() override;
    void EndProgram() override;

    FaqWindow* faqWindow() const { return faq_; }
    AboutWindow* aboutWindow() const { return about_; }

    // The real modal boxes and the end of the event loop by default; tests answer the
    // boxes in their place and keep their event loop.
    std::function<void(const QString& text)> messageBox;
    std::function<QString(const QString& nameFilters)> openFile; // "" when cancelled
    std::function<void()> quit;

  private:
    void showMessage(const std::string& text) override;
    void showOpenDialog(CommonDialog& dialog) override;

    AboutForm aboutForm_;
    QPointer<QWidget> mainWindow_;
    QPointer<FaqWindow> faq_;
    QPointer<AboutWindow> about_;
    std::unique_ptr<PortalFileChooser> chooser_;
};

} // namespace zt4::qt
