// A message box shows over a window that already shows what the model holds.

#include "view_fixture.h"

#include "fake_vbmp3/fake_vbmp3.h"

#include <QCheckBox>
#include <QLabel>

namespace zt4::test {
namespace {

using ViewModal = ViewTest;

TEST_F(ViewModal, TheFailingTrackMessageShowsWithTheMarkGoneFromTheRowThatEnded) {
    start();
    for (const char* name : {"a.mp3", "bad.mp3", "c.mp3"})
        addFile(name);
    reinterpret_cast<fake_fail_paths_containing_fn>(library->symbol("fake_fail_paths_containing"))(
        "bad");
    QTest::mouseClick(widget("MusicStart"), Qt::LeftButton);
    ASSERT_EQ(widget<QLabel>("Startm(0)")->text(), "●");
    QStringList marksThen;
    player->ui.messageBox = [&](const QString& text) {
        messages.push_back(text);
        for (int i = 0; i < 3; ++i)
            marksThen << widget<QLabel>(qPrintable(QString("Startm(%1)").arg(i)))->text();
    };
    reinterpret_cast<fake_fire_callback_fn>(library->symbol("fake_fire_callback"))(4, 0);
    advance(1000);
    EXPECT_EQ(messages, std::vector<QString>{"ファイルを開けませんでした。"});
    EXPECT_EQ(marksThen, QStringList({"", "", ""}));
}

TEST_F(ViewModal, DeletesMessagesShowTheRowsAsTheModelHasThem) {
    start();
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        addFile(name);
    for (const char* box : {"SakujoCheck(0)", "SakujoCheck(5)"})
        QTest::mouseClick(widget(box), Qt::LeftButton);
    QStringList rowsThen;
    bool boxStillTicked = true;
    player->ui.messageBox = [&](const QString& text) {
        messages.push_back(text);
        for (int i = 0; i < 3; ++i)
            rowsThen << widget<QLabel>(qPrintable(QString("mpath(%1)").arg(i)))->text();
        boxStillTicked = widget<QCheckBox>("SakujoCheck(0)")->isChecked();
    };
    QTest::mouseClick(widget("Sakujo"), Qt::LeftButton);
    EXPECT_EQ(messages, std::vector<QString>{"選曲範囲外です"});
    // Slot 0 is already deleted; the others slide down only after the loop.
    EXPECT_EQ(rowsThen, QStringList({"", "★2★b.mp3", "★3★c.mp3"}));
    EXPECT_FALSE(boxStillTicked);
    EXPECT_EQ(widget<QLabel>("mpath(0)")->text(), "★1★b.mp3");
}

} // namespace
} // namespace zt4::test
