// The add command through Qt's real open-file dialog, and the filter it is given.

#include "view_fixture.h"

#include "qt/qt_ui.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTimer>

#include <fstream>

namespace zt4::test {
namespace {

using ViewFileDialog = ViewTest;

QFileDialog* openDialog() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(w); dialog && dialog->isVisible())
            return dialog;
    }
    return nullptr;
}

// What the dialog's file list shows once it has read its folder.
QStringList listedFiles(QFileDialog* dialog) {
    auto* list = dialog->findChild<QListView*>("listView");
    QStringList names;
    if (!list)
        return names;
    if (!QTest::qWaitFor([&] { return list->model()->rowCount(list->rootIndex()) > 0; }, 5000))
        return names;
    for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row)
        names << list->model()->index(row, 0, list->rootIndex()).data().toString();
    names.sort();
    return names;
}

TEST_F(ViewFileDialog, ListsMp3FilesInAnyLetterCaseAndAddsTheChosenOne) {
    start();
    const std::string path = folder + "/Loud Song.MP3";
    for (const char* name : {"Loud Song.MP3", "quiet.mp3", "notes.txt"})
        std::ofstream(folder + "/" + name) << "";
    QString filterShown;
    QStringList listed;
    bool answered = false;
    QTimer::singleShot(0, [&] {
        QFileDialog* dialog = openDialog();
        ASSERT_NE(dialog, nullptr);
        filterShown = dialog->selectedNameFilter();
        dialog->setDirectory(QString::fromStdString(folder));
        listed = listedFiles(dialog);
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromStdString(path));
        QMetaObject::invokeMethod(dialog, "accept");
        answered = true;
    });
    QTest::mouseClick(widget("FileAdd"), Qt::LeftButton);
    EXPECT_TRUE(answered);
    EXPECT_EQ(filterShown, "MP3ファイル(*.mp3)");
    EXPECT_EQ(listed, QStringList({"Loud Song.MP3", "quiet.mp3"}));
    EXPECT_EQ(widget<QLabel>("mpath(0)")->text(), "★1★Loud Song.MP3");
    EXPECT_EQ(player->dispatcher.form().TrackPath[0], path);
    EXPECT_TRUE(widget("MusicStart")->isEnabled());
}

TEST_F(ViewFileDialog, CancelledDialogAddsNothing) {
    start();
    QTimer::singleShot(0, [] {
        if (QFileDialog* dialog = openDialog())
            dialog->reject();
    });
    QTest::mouseClick(widget("FileAdd"), Qt::LeftButton);
    EXPECT_EQ(widget<QLabel>("mpath(0)")->text(), "");
    EXPECT_FALSE(widget("MusicStart")->isEnabled());
}

TEST(NameFilters, EveryLetterCaseOfAPatternIsListed) {
    EXPECT_EQ(qt::qtNameFilters(qt::ReadNameFilters("MP3ファイル(*.mp3)|*.mp3")),
              "MP3ファイル(*.mp3) (*.mp3 *.mP3 *.Mp3 *.MP3)");
    EXPECT_EQ(qt::qtNameFilters(qt::ReadNameFilters("Audio|*.mp3;*.wav|All|*.*")),
              "Audio (*.mp3 *.mP3 *.Mp3 *.MP3 *.wav *.waV *.wAv *.wAV *.Wav *.WaV *.WAv *.WAV);;"
              "All (*.*)");
}

} // namespace
} // namespace zt4::test
