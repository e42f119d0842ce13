#include "qt/help_windows.h"

#include "form/faq_form.h"
#include "qt/look.h"
#include "qt/pictures.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace zt4::qt {

namespace {

std::string withLineFeeds(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t crlf; (crlf = text.find("\r\n", from)) != std::string::npos; from = crlf + 1)
        out.append(text, from, crlf - from);
    out.append(text, from, std::string::npos);
    return out;
}

// A title bar with a close button only: no minimise or maximise button.
constexpr Qt::WindowFlags kHelpWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                             Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                             Qt::WindowCloseButtonHint;

// The Windows virtual-key code of a key, as the FAQ's key filter knows them.
int16_t virtualKeyCode(int key) {
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        return static_cast<int16_t>(key); // Qt uses the same codes for these
    return 255;                           // a key without a code of its own here
}

} // namespace

FaqWindow::FaqWindow() : text_(new QPlainTextEdit(this)) {
    setObjectName(FaqForm::kName);
    setAccessibleDescription(objectName());
    setWindowTitle(FaqForm::kCaption);
    setWindowIcon(programIcon());
    setWindowFlags(kHelpWindowFlags);
    setAttribute(Qt::WA_DeleteOnClose);

    text_->setObjectName("FText1");
    text_->setAccessibleDescription(text_->objectName());
    text_->setReadOnly(true);
    // Read-only, yet the caret still shows and the arrow keys move it through the text.
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setFont(toQFont(FontSpec{"ＭＳ Ｐゴシック", 9, 400}));
    text_->installEventFilter(this);
    filler_.setInterval(0);
    connect(&filler_, &QTimer::timeout, this, [this] { appendPiece(); });
    resize(pixels(FaqForm::kClientWidth), pixels(FaqForm::kClientHeight));
}

void FaqWindow::showText(const std::string& text) {
    pending_ = withLineFeeds(text);
    done_ = 0;
    text_->setPlainText(nextPiece());
    text_->moveCursor(QTextCursor::Start);
    text_->verticalScrollBar()->setValue(0);
    if (done_ < pending_.size())
        filler_.start();
    else
        filler_.stop();
    show();
    raise();
    activateWindow();
}

// The next piece, cut just before a line break so that it starts a new line of the view.
QString FaqWindow::nextPiece() {
    std::size_t end = done_ + kPieceBytes;
    end = end < pending_.size() ? pending_.find('\n', end) : std::string::npos;
    if (end == std::string::npos)
        end = pending_.size();
    const QString piece = QString::fromUtf8(pending_.data() + done_, qsizetype(end - done_));
    done_ = end;
    return piece;
}

void FaqWindow::appendPiece() {
    QTextCursor end(text_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(nextPiece());
    if (done_ == pending_.size()) {
        filler_.stop();
        pending_ = std::string();
        done_ = 0;
    }
}

void FaqWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The form's resize rule works on the outer size; Qt gives the client area.
    const FaqForm::Rect r =
        FaqForm::Form_Resize(float(width() * kTwipsPerPixel) + FaqForm::kFrameWidth,
                             float(height() * kTwipsPerPixel) + FaqForm::kFrameHeight);
    text_->setGeometry(pixelRect(r.Left, r.Top, r.Width, r.Height));
}

bool FaqWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != text_ || event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    // A key cancelled by either handler never reaches the text.
    int16_t code = virtualKeyCode(key->key());
    FaqForm::FText1_KeyDown(code);
    if (code == 0)
        return true;
    if (key->text().isEmpty())
        return false;
    int16_t typed = static_cast<int16_t>(key->text().at(0).unicode());
    FaqForm::FText1_KeyPress(typed);
    return typed == 0;
}

AboutWindow::AboutWindow(const AboutForm& form) {
    setObjectName(toQString(form.Name));
    setAccessibleDescription(objectName());
    setWindowTitle(toQString(form.Caption));
    setWindowIcon(programIcon());
    setWindowFlags(kHelpWindowFlags);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(pixels(form.ClientWidth), pixels(form.ClientHeight));
    for (const Control& c : form.Label1) {
        auto* label = new QLabel(toQString(c.Caption), this);
        label->setObjectName(toQString(c.Name));
        label->setAccessibleDescription(label->objectName());
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setGeometry(pixelRect(c));
        label->setFont(toQFont(c.Font));
        QPalette pal = label->palette();
        pal.setColor(QPalette::WindowText, toQColor(c.ForeColor));
        label->setPalette(pal);
    }
}

} // namespace zt4::qt
