// The FAQ and about windows: one of each, what they show, the FAQ's key filter and resize
// rule, and that both go when the program ends.

#include "view_fixture.h"

#include "qt/qt_ui.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>

namespace zt4::test {
namespace {

using ViewHelp = ViewTest;

int windowsNamed(const char* name) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->objectName() == name && w->isVisible();
    return n;
}

void trigger(qt::TopWindow& top, const char* item) {
    top.findChild<QAction*>(item)->trigger();
}

TEST_F(ViewHelp, FaqShowsTheFileInOneWindowThatTheTextFillsAndIsMadeAnewAfterClosing) {
    start();
    trigger(player->top, "faq");
    trigger(player->top, "faq");
    EXPECT_EQ(windowsNamed("FaqText"), 1);
    qt::FaqWindow* faq = player->ui.faqWindow();
    ASSERT_NE(faq, nullptr);
    EXPECT_EQ(faq->windowTitle(), "FAQ");
    EXPECT_FALSE(faq->windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(faq->size(), QSize(565, 612));
    EXPECT_EQ(faq->textView()->toPlainText(), "\nQ. first\nテスト\nA. last");
    faq->resize(300, 200);
    EXPECT_EQ(faq->textView()->geometry(), QRect(0, 0, 300, 200));
    EXPECT_TRUE(messages.empty());

    faq->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(player->ui.faqWindow(), nullptr);
    trigger(player->top, "faq");
    ASSERT_NE(player->ui.faqWindow(), nullptr);
    EXPECT_TRUE(player->ui.faqWindow()->isVisible());
}

TEST_F(ViewHelp, FaqWithoutTheFileShowsTheMessageInstead) {
    start(false);
    trigger(player->top, "faq");
    EXPECT_EQ(messages, std::vector<QString>{"カレントフォルダにFAQ.txtがありません。"});
    EXPECT_EQ(player->ui.faqWindow(), nullptr);
}

TEST_F(ViewHelp, FaqKeysOnlyMoveTheCaret) {
    start();
    trigger(player->top, "faq");
    QPlainTextEdit* text = player->ui.faqWindow()->textView();
    const QString before = text->toPlainText();
    for (int key : {int(Qt::Key_A), int(Qt::Key_Backspace), int(Qt::Key_Delete),
                    int(Qt::Key_Return), int(Qt::Key_Space), int(Qt::Key_End)})
        QTest::keyClick(text, Qt::Key(key));
    QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text->toPlainText(), before);
    EXPECT_EQ(text->textCursor().position(), 0);

    QTest::keyClick(text, Qt::Key_Down);
    EXPECT_EQ(text->textCursor().blockNumber(), 1);
    QTest::keyClick(text, Qt::Key_Right);
    EXPECT_EQ(text->textCursor().positionInBlock(), 1);
    QTest::keyClick(text, Qt::Key_Up);
    QTest::keyClick(text, Qt::Key_Left);
    EXPECT_EQ(text->textCursor().position(), 0);
}

TEST_F(ViewHelp, FaqAgainScrollsBackToTheTop) {
    std::string body;
    for (int i = 0; i < 500; ++i)
        body += "\r\nline " + std::to_string(i);
    start();
    player->dispatcher.app().FaqBody = body;
    trigger(player->top, "faq");
    QPlainTextEdit* text = player->ui.faqWindow()->textView();
    text->verticalScrollBar()->setValue(200);
    QTest::keyClick(text, Qt::Key_Down);
    trigger(player->top, "faq");
    EXPECT_EQ(text->verticalScrollBar()->value(), 0);
    EXPECT_EQ(text->textCursor().position(), 0);
}

TEST_F(ViewHelp, BigFaqTextOpensAtOnceAndNeverStallsTheEventLoop) {
    std::string body;
    const std::string line = "\r\n" + std::string(40, 'x') + "　全角の文字も混ぜた一行です。";
    int lines = 0;
    for (; body.size() < 50u * 1024 * 1024; ++lines)
        body += line;
    start();
    player->dispatcher.app().FaqBody = std::move(body);
    trigger(player->top, "faq");

    // The window opens with the first piece only, and each turn of the event loop adds one
    // more: no turn waits for the whole text, however slow the machine.
    qt::FaqWindow* faq = player->ui.faqWindow();
    EXPECT_TRUE(faq->stillFilling());
    QTextDocument* document = faq->textView()->document();
    const std::size_t mostPerTurn = qt::FaqWindow::kPieceBytes + line.size();
    std::size_t longestPiece = std::size_t(document->characterCount());
    while (faq->stillFilling()) {
        const int before = document->characterCount();
        QCoreApplication::processEvents();
        longestPiece = std::max(longestPiece, std::size_t(document->characterCount() - before));
    }
    EXPECT_LE(longestPiece, mostPerTurn);
    EXPECT_EQ(faq->textView()->blockCount(), lines + 1);
    EXPECT_EQ(faq->textView()->textCursor().position(), 0);
}

TEST_F(ViewHelp, AboutWindowIsOneFixedWindowWithItsFiveLabels) {
    start();
    trigger(player->top, "version");
    trigger(player->top, "version");
    EXPECT_EQ(windowsNamed("zt4ver"), 1);
    qt::AboutWindow* about = player->ui.aboutWindow();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "zt4バージョン情報");
    EXPECT_EQ(about->size(), QSize(381, 261));
    EXPECT_EQ(about->minimumSize(), about->maximumSize());
    auto* name = about->findChild<QLabel*>("Label1(0)");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "zt4");
    EXPECT_EQ(about->findChild<QLabel*>("Label1(1)")->text(), "Version 1.45");
    EXPECT_TRUE(about->findChild<QLabel*>("Label1(3)")->text().startsWith("メールアドレス："));
}

TEST_F(ViewHelp, ExitOrTheCloseBoxClosesEveryWindowAndEndsTheProgramOnce) {
    for (bool closeBox : {false, true}) {
        start();
        trigger(player->top, "faq");
        trigger(player->top, "version");
        clearCalls();
        if (closeBox)
            EXPECT_TRUE(player->top.close());
        else
            trigger(player->top, "exit");
        EXPECT_EQ(player->ui.faqWindow(), nullptr);
        EXPECT_EQ(player->ui.aboutWindow(), nullptr);
        EXPECT_FALSE(player->top.isVisible());
        EXPECT_EQ(calls(),
                  (std::vector<std::string>{"vbmp3_close()", "vbmp3_init()", "vbmp3_free()"}));

        // Nothing runs after the end: no close handler, no click, no timer.
        player->top.close();
        QTest::mouseClick(widget("RightSide"), Qt::LeftButton);
        advance(100);
        EXPECT_EQ(calls().size(), 3u);
        EXPECT_FALSE(player->driver.wakeTimer().isActive());
        EXPECT_EQ(quits, closeBox ? 2 : 1);
    }
}

} // namespace
} // namespace zt4::test
