#pragma once
// The two help windows: "FaqText" shows the FAQ text read-only, "zt4ver" the about box.
// Both are modeless, ownerless and destroyed when the user closes them.

#include "form/about_form.h"

#include <QTimer>
#include <QWidget>

#include <string>

class QPlainTextEdit;

namespace zt4::qt {

class FaqWindow : public QWidget {
  public:
    FaqWindow();

    // At most this much text (and the rest of its last line) goes in per event-loop turn,
    // which keeps each turn short.
    static constexpr std::size_t kPieceBytes = 256 * 1024;

    // Sets the text (CR LF line ends), scrolls to its start and brings the window up.
    // A big text goes in a piece at a time between events: the window shows its start at
    // once and stays responsive while the rest is added.
    void showText(const std::string& text);
    QPlainTextEdit* textView() const { return text_; }
    bool stillFilling() const { return filler_.isActive(); }

  protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString nextPiece();
    void appendPiece();

    QPlainTextEdit* text_;
    std::string pending_;  // the text with LF line ends, UTF-8
    std::size_t done_ = 0; // bytes of it already in the view
    QTimer filler_;
};

class AboutWindow : public QWidget {
  public:
    explicit AboutWindow(const AboutForm& form);
};

} // namespace zt4::qt
