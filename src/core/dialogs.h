#pragma once
// The toolkit's services as the commands call them: each modal window opens inside the
// bracket the dispatcher puts around it, which brings the view up to date first and lets
// the player go on while the window is open.

#include "form/ui_services.h"

#include <functional>
#include <string>

namespace zt4 {

class ModalBracket {
  public:
    // Runs `show`, which opens a modal window and returns once it is closed.
    virtual void aroundModal(const std::function<void()>& show) = 0;

  protected:
    ~ModalBracket() = default;
};

class Dialogs {
  public:
    Dialogs(UiServices& services, ModalBracket& bracket) : services_(services), bracket_(bracket) {}

    void MsgBox(const std::string& text) {
        bracket_.aroundModal([&] { services_.showMessage(text); });
    }
    void ShowOpen(CommonDialog& dialog) {
        bracket_.aroundModal([&] { services_.showOpenDialog(dialog); });
    }
    void ShowFaq(const std::string& text) { services_.ShowFaq(text); }
    void ShowAbout() { services_.ShowAbout(); }
    void EndProgram() { services_.EndProgram(); }

  private:
    UiServices& services_;
    ModalBracket& bracket_;
};

} // namespace zt4
