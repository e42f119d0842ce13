#pragma once
// A text box whose typed characters pass a key filter first: the filter gets the character
// code a key types (control keys and Ctrl+letter their ASCII control codes) and may set it
// to 0, which drops the key. Keys that type nothing (arrows, Delete, Home…) pass unfiltered.

#include <QLineEdit>

#include <cstdint>
#include <functional>

namespace zt4::qt {

class KeyFilteredEdit : public QLineEdit {
  public:
    KeyFilteredEdit(std::function<void(int16_t& code)> keyPress, QWidget* parent);

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    std::function<void(int16_t& code)> keyPress_;
};

} // namespace zt4::qt
