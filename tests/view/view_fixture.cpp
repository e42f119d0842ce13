#include "view_fixture.h"

#include "fake_vbmp3/fake_vbmp3.h"

#include <QCoreApplication>

#include <climits>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace zt4::test {

void ViewTest::SetUp() {
    char buffer[PATH_MAX];
    oldFolder_ = getcwd(buffer, sizeof buffer) ? buffer : "/";
    folder = tempFolder_.emplace().dir();
    ASSERT_EQ(chdir(folder.c_str()), 0);
}

void ViewTest::TearDown() {
    player.reset();
    library.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(chdir(oldFolder_.c_str()), 0);
    tempFolder_.reset();
}

void ViewTest::start(bool withFaq) {
    if (withFaq) {
        // Three lines in code page 932: "Q. first", "テスト", "A. last".
        std::ofstream(folder + "/FAQ.txt", std::ios::binary)
            << "Q. first\r\n\x83\x65\x83\x58\x83\x67\r\nA. last\r\n";
    }
    player.reset(); // a test may start the program again
    library = std::make_unique<Vbmp3Binding>(FAKE_VBMP3_PATH);
    player = std::make_unique<qt::Player>(*library, [this] { return now; });
    reinterpret_cast<fake_reset_fn>(library->symbol("fake_reset"))();
    player->ui.messageBox = [this](const QString& text) { messages.push_back(text); };
    player->ui.quit = [this] { ++quits; };
    player->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&player->top));
}

void ViewTest::addFile(const std::string& name) {
    const QString path = QString::fromStdString(folder + "/" + name);
    player->ui.openFile = [path](const QString&) { return path; };
    QTest::mouseClick(widget("FileAdd"), Qt::LeftButton);
}

void ViewTest::advance(int64_t ms) {
    const int64_t target = now + ms;
    // After the end nothing runs, so due timers stay due.
    for (int64_t due = player->dispatcher.nextDue();
         due >= 0 && due <= target && !player->driver.ended(); due = player->dispatcher.nextDue()) {
        now = std::max(now, due);
        player->driver.pump();
    }
    now = target;
    player->driver.pump();
}

std::vector<std::string> ViewTest::calls() {
    const char* text = reinterpret_cast<fake_calls_fn>(library->symbol("fake_calls"))();
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void ViewTest::clearCalls() {
    reinterpret_cast<fake_clear_calls_fn>(library->symbol("fake_clear_calls"))();
}

QPoint ViewTest::inWindow(QWidget* w, QPoint local) const {
    return w->mapTo(&player->top, local);
}

} // namespace zt4::test
