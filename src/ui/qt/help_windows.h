#pragma once
// The two help windows: "FaqText" shows the FAQ text read-only, "zt4ver" the about box.
// Both are modeless, ownerless and destroyed when the user closes them.

#include "ui/about_form.h"

#include <QWidget>

class QPlainTextEdit;

namespace zt4::qt {

class FaqWindow : public QWidget {
  public:
    FaqWindow();

    // Sets the text (CR LF line ends), scrolls to its start and brings the window up.
    void showText(const std::string& text);
    QPlainTextEdit* textView() const { return text_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QPlainTextEdit* text_;
};

class AboutWindow : public QWidget {
  public:
    explicit AboutWindow(const AboutForm& form);
};

} // namespace zt4::qt
