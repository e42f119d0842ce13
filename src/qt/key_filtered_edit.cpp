#include "qt/key_filtered_edit.h"

#include <QKeyEvent>

#include <optional>

namespace zt4::qt {

namespace {

// The character code a key press types, if it types one.
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

} // namespace

KeyFilteredEdit::KeyFilteredEdit(std::function<void(int16_t& code)> keyPress, QWidget* parent)
    : QLineEdit(parent), keyPress_(std::move(keyPress)) {}

void KeyFilteredEdit::keyPressEvent(QKeyEvent* e) {
    if (std::optional<int16_t> code = typedCode(e)) {
        keyPress_(*code);
        if (*code == 0) {
            e->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(e);
}

} // namespace zt4::qt
