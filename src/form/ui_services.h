#pragma once
// What the commands need from the toolkit beyond the form model: modal boxes, the
// open-file dialog, the help windows and the end of the program. The Qt view implements
// it; tests answer it. The commands open the modal windows through Dialogs, which lets the
// dispatcher bracket them.

#include "form/control.h"

#include <string>

namespace zt4 {

class UiServices {
  public:
    virtual ~UiServices() = default;

    // A modal message box: the text, an OK button only, no icon, the caption "ZT4".
    virtual void showMessage(const std::string& text) = 0;
    // The modal open-file dialog with dialog.Filter ("description|pattern"); sets
    // dialog.FileName to the chosen path, or leaves it as it is when the user cancels.
    virtual void showOpenDialog(CommonDialog& dialog) = 0;
    // The FAQ window: created on first use, given `text`, scrolled to the top, shown
    // modeless without an owner and brought to the front.
    virtual void ShowFaq(const std::string& text) = 0;
    // The about window: created on first use, shown modeless and brought to the front.
    virtual void ShowAbout() = 0;
    // Closes every window of the program and ends it; no handler runs afterwards.
    virtual void EndProgram() = 0;
};

} // namespace zt4
