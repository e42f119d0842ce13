// What the user does in the main window reaches the commands, and what they change shows:
// buttons, the knob's drag, the track-number box, the repeat options and the check boxes.

#include "view_fixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>
#include <thread>

namespace zt4::test {
namespace {

using ViewInput = ViewTest;

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST_F(ViewInput, VolumeButtonMovesTheKnobAndOneTickSendsTheVolume) {
    start();
    advance(16); // the start-up volume
    clearCalls();
    QTest::mouseClick(widget("RightSide"), Qt::LeftButton);
    EXPECT_EQ(player->dispatcher.form().Volumeanalyze.Left, 4814);
    EXPECT_EQ(widget("Volumeanalyze")->x(), 321);
    EXPECT_EQ(widget("Volumeanalyze1")->x(), 321);
    advance(16);
    EXPECT_EQ(calls(), std::vector<std::string>{"vbmp3_setVolume(62,62)"});
}

TEST_F(ViewInput, DraggingTheGripMovesTheKnobAndTicksSendTheVolumeUntilRelease) {
    start();
    advance(16);
    clearCalls();
    QWindow* window = player->top.windowHandle();
    QWidget* grip = widget("Volumeanalyze1");
    const QPoint pressed = inWindow(grip, QPoint(4, 8));
    QTest::mousePress(window, Qt::LeftButton, {}, pressed);
    EXPECT_EQ(player->dispatcher.form().Dragging, kTrue);

    // 30 pixels to the right: 450 twips.
    QTest::mouseMove(window, pressed + QPoint(30, 0));
    EXPECT_FLOAT_EQ(player->dispatcher.form().Volumeanalyze.Left, 4734 + 450);
    EXPECT_EQ(widget("Volumeanalyze")->x(), 346);
    EXPECT_EQ(grip->x(), 346);
    advance(16);
    EXPECT_EQ(calls(), std::vector<std::string>{"vbmp3_setVolume(73,73)"});

    // Far past the right end, outside the grip: it still gets the move, the knob stays.
    QTest::mouseMove(window, pressed + QPoint(200, 40));
    EXPECT_EQ(player->dispatcher.form().Dragging, kTrue);
    EXPECT_FLOAT_EQ(player->dispatcher.form().Volumeanalyze.Left, 4734 + 450);
    EXPECT_EQ(grip->x(), 346);
    // Back inside the track, the knob follows again.
    QTest::mouseMove(window, pressed + QPoint(10, 40));
    EXPECT_FLOAT_EQ(player->dispatcher.form().Volumeanalyze.Left, 4734 + 450 - 20 * 15);

    QTest::mouseRelease(window, Qt::LeftButton, {}, pressed + QPoint(10, 40));
    EXPECT_EQ(player->dispatcher.form().Dragging, kFalse);
    clearCalls();
    advance(100);
    EXPECT_TRUE(calls().empty());
}

TEST_F(ViewInput, TimersSleepWhileNoneIsEnabled) {
    start();
    EXPECT_TRUE(player->driver.wakeTimer().isActive()); // Timer2 sends the start-up volume
    advance(16);
    EXPECT_FALSE(player->driver.wakeTimer().isActive());
    QTest::mouseClick(widget("LeftSide"), Qt::LeftButton);
    EXPECT_TRUE(player->driver.wakeTimer().isActive());
    advance(16);
    EXPECT_FALSE(player->driver.wakeTimer().isActive());
}

TEST_F(ViewInput, TrackNumberBoxTakesWhatItsKeyFilterLetThrough) {
    start();
    auto* box = widget<QLineEdit>("Text1");
    QTest::keyClicks(box, "a1x");
    EXPECT_EQ(box->text(), "1");
    QTest::keyClicks(box, "23");
    EXPECT_EQ(box->text(), "12"); // two characters at most
    EXPECT_EQ(player->dispatcher.form().Text1.Caption, "12");
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), "1");
    EXPECT_EQ(player->dispatcher.form().Text1.Caption, "1");
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier); // paste is a typed control code
    EXPECT_EQ(box->text(), "1");
    // A command that empties the box shows in it.
    QTest::mouseClick(widget("FileReset"), Qt::LeftButton);
    EXPECT_EQ(box->text(), "");
}

TEST_F(ViewInput, ClickingARepeatOptionSelectsItAndRecoloursTheCaptions) {
    start();
    QTest::mouseClick(widget("RepeatOption(0)"), Qt::LeftButton);
    EXPECT_EQ(player->dispatcher.form().selectedRepeatOption(), 0);
    EXPECT_TRUE(widget<QRadioButton>("RepeatOption(0)")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("RepeatOption(2)")->isChecked());
    EXPECT_EQ(widget("ROLabel(0)")->palette().color(QPalette::WindowText), QColor(255, 185, 0));
    EXPECT_EQ(widget("ROLabel(2)")->palette().color(QPalette::WindowText), QColor(0, 230, 255));

    // Reset selects the last mode again from the command side.
    QTest::mouseClick(widget("FileReset"), Qt::LeftButton);
    EXPECT_TRUE(widget<QRadioButton>("RepeatOption(2)")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("RepeatOption(0)")->isChecked());
}

TEST_F(ViewInput, CheckBoxesMarkRowsAndCommandsClearThem) {
    start();
    addFile("a.mp3");
    QTest::mouseClick(widget("SakujoCheck(3)"), Qt::LeftButton);
    EXPECT_EQ(player->dispatcher.form().SakujoCheck[3].Value, 1);
    // Deleting with nothing in row 3: the command says so and clears the mark.
    QTest::mouseClick(widget("Sakujo"), Qt::LeftButton);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), "選曲範囲外です");
    EXPECT_FALSE(widget<QCheckBox>("SakujoCheck(3)")->isChecked());
}

TEST_F(ViewInput, AddingAndPlayingShowsTheRowTheMarkAndTheStatus) {
    start();
    addFile("曲.mp3");
    EXPECT_EQ(widget<QLabel>("mpath(0)")->text(), "★1★曲.mp3");
    EXPECT_TRUE(widget("MusicStart")->isEnabled());

    clearCalls();
    QTest::mouseClick(widget("MusicStart"), Qt::LeftButton);
    EXPECT_TRUE(contains(calls(), "vbmp3_open(" + folder + "/曲.mp3)"));
    EXPECT_EQ(widget<QLabel>("Startm(0)")->text(), "●");
    EXPECT_EQ(widget<QLabel>("Label1")->text(), "再生中");
    advance(950 * 12);
    const TopForm& form = player->dispatcher.form();
    EXPECT_EQ(widget<QLabel>("Labelsec(1)")->text(), "1");
    EXPECT_EQ(widget<QLabel>("Labelsec(0)")->text().toStdString(), form.Labelsec[0].Caption);

    QTest::mouseClick(widget("MusicStop"), Qt::LeftButton);
    EXPECT_EQ(widget<QLabel>("Label1")->text(), "停止しました");
}

TEST_F(ViewInput, TheLibrarysEndOfTrackReachesTheWindowThroughTheEventLoop) {
    start();
    addFile("a.mp3");
    QTest::mouseClick(widget("MusicStart"), Qt::LeftButton);
    // From another thread, as the library's playback thread calls it.
    auto fire =
        reinterpret_cast<int32_t (*)(int32_t, int32_t)>(library->symbol("fake_fire_callback"));
    std::thread([fire] { fire(4, 0); }).join();
    QTest::qWait(20); // the queued wake-up; the repeat timer is then due
    advance(16);
    EXPECT_EQ(widget<QLabel>("Label1")->text(), "終了！");
}

} // namespace
} // namespace zt4::test
