// The main window as it opens: what stands where, in which colours and fonts, what is
// enabled, where the focus is and the menus. What assistive technology is told is checked
// over AT-SPI by the a11y test.

#include "view_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFontInfo>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTextLayout>

namespace zt4::test {
namespace {

using ViewStartup = ViewTest;

TEST_F(ViewStartup, WindowHasItsTitleClientSizeIconAndCannotBeResized) {
    start();
    qt::TopWindow& top = player->top;
    EXPECT_EQ(top.windowTitle(), "MP3音楽再生");
    EXPECT_EQ(top.centralWidget()->size(), QSize(609, 585));
    EXPECT_EQ(top.minimumSize(), top.maximumSize());
    EXPECT_EQ(top.mapToGlobal(top.centralWidget()->pos()), QPoint(127, 166));
    ASSERT_FALSE(top.windowIcon().isNull());
    EXPECT_EQ(top.windowIcon().pixmap(32, 32).size(), QSize(32, 32));
}

TEST_F(ViewStartup, WidgetsStandWhereTheLoadStepPutsThem) {
    start();
    const struct {
        const char* name;
        QRect rect;
    } expected[] = {
        {"Label1", {40, 24, 257, 89}},          {"Text1", {400, 40, 33, 25}},
        {"RepeatOption(2)", {472, 56, 17, 17}}, {"SakujoCheck(0)", {23, 80, 13, 15}},
        {"Startm(0)", {40, 80, 33, 15}},        {"mpath(0)", {56, 80, 465, 15}},
        {"mpath(19)", {56, 384, 465, 15}},      {"LeftSide", {160, 416, 17, 17}},
        {"Volumeanalyze", {316, 416, 9, 17}},   {"Volumeanalyze1", {316, 416, 9, 17}},
        {"RightSide", {408, 416, 17, 17}},      {"FileReset", {523, 424, 57, 33}},
        {"Labelmin", {534, 400, 17, 33}},       {"Colon", {552, 400, 33, 33}},
        {"Labelsec(1)", {562, 400, 25, 33}},    {"Labelsec(0)", {572, 400, 33, 33}},
        {"MusicBack", {96, 504, 57, 41}},       {"MusicStart", {368, 504, 81, 41}},
        {"MusicPause", {472, 504, 49, 41}},
    };
    for (const auto& e : expected)
        EXPECT_EQ(widget(e.name)->geometry(), e.rect) << e.name;
    // The rows follow each other 16 pixels apart.
    for (int i = 1; i < kRows; ++i) {
        const std::string row = "mpath(" + std::to_string(i) + ")";
        EXPECT_EQ(widget(row.c_str())->y(), 80 + 16 * i) << row;
    }
    // The grip lies above the knob, so it gets the mouse.
    EXPECT_EQ(player->top.centralWidget()->childAt(320, 424), widget("Volumeanalyze1"));
}

TEST_F(ViewStartup, ColoursShowAsDesigned) {
    start();
    const QImage image = player->top.centralWidget()->grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 300), QColor(0, 64, 0));        // window background
    EXPECT_EQ(image.pixelColor(300, 200), QColor(0, 0, 64));      // an empty playlist row
    EXPECT_EQ(image.pixelColor(320, 424), QColor(0, 0, 0));       // the knob
    EXPECT_EQ(image.pixelColor(280, 70), QColor(0, 64, 0));       // behind the status text
    EXPECT_EQ(image.pixelColor(250, 423), QColor(128, 128, 128)); // the knob's track

    const auto textColour = [this](const char* name) {
        return widget(name)->palette().color(QPalette::WindowText);
    };
    EXPECT_EQ(textColour("Label1"), QColor(255, 0, 0));
    EXPECT_EQ(textColour("ROLabel(0)"), QColor(0, 230, 255));
    EXPECT_EQ(textColour("ROLabel(1)"), QColor(0, 255, 255));
    EXPECT_EQ(textColour("ROLabel(2)"), QColor(255, 185, 0));
    EXPECT_EQ(textColour("mpath(4)"), QColor(255, 255, 0));
    EXPECT_EQ(textColour("Labelsec(0)"), QColor(255, 255, 255));
}

TEST_F(ViewStartup, FontsAreAJapaneseGothicAtTheDesignSizes) {
    start();
    const struct {
        const char* name;
        double points;
        bool bold;
    } expected[] = {{"Label1", 12, true},        {"Label2", 9.75, true}, {"Text1", 14.25, false},
                    {"ROLabel(1)", 11.25, true}, {"FileAdd", 9, true},   {"LeftSide", 5.25, true},
                    {"mpath(0)", 9, false},      {"Labelmin", 12, false}};
    for (const auto& e : expected) {
        const QFont font = widget(e.name)->font();
        EXPECT_DOUBLE_EQ(font.pointSizeF(), e.points) << e.name;
        EXPECT_EQ(font.bold(), e.bold) << e.name;
        const QString family = QFontInfo(font).family();
        EXPECT_TRUE(family.contains("Gothic") || family.contains("ゴシック") ||
                    family.contains("CJK"))
            << e.name << ": " << family.toStdString();
    }
}

TEST_F(ViewStartup, TextsShowAndWrapAsDesigned) {
    start();
    auto* status = widget<QLabel>("Label1");
    EXPECT_EQ(status->text().toStdString(), TopForm::kInstruction);
    EXPECT_TRUE(status->wordWrap());
    EXPECT_FALSE(widget<QLabel>("mpath(0)")->wordWrap());
    EXPECT_EQ(widget<QPushButton>("MusicBack")->iconSize(), QSize(45, 35));
    EXPECT_EQ(widget<QPushButton>("MusicPause")->iconSize(), QSize(36, 40));
    // A screen scaled by 2 gets the pictures drawn with twice the pixels, not enlarged.
    const QPixmap scaled = widget<QPushButton>("MusicBack")->icon().pixmap(QSize(45, 35), 2.0);
    EXPECT_EQ(scaled.size(), QSize(90, 70));
    EXPECT_EQ(scaled.devicePixelRatio(), 2.0);
}

TEST_F(ViewStartup, OnlyThePlayButtonIsDisabledAndTheLastModeIsSelected) {
    start();
    for (QPushButton* b : player->top.findChildren<QPushButton*>())
        EXPECT_EQ(b->isEnabled(), b->objectName() != "MusicStart") << b->objectName().toStdString();
    EXPECT_TRUE(widget<QRadioButton>("RepeatOption(2)")->isChecked());
    EXPECT_FALSE(widget<QRadioButton>("RepeatOption(0)")->isChecked());
    EXPECT_FALSE(widget<QCheckBox>("SakujoCheck(0)")->isChecked());
    auto* box = widget<QLineEdit>("Text1");
    EXPECT_EQ(box->maxLength(), 2);
    EXPECT_FALSE(box->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(ViewStartup, FocusStartsOnStopAndTabFollowsTheDesignOrder) {
    start();
    EXPECT_EQ(player->top.focusWidget(), widget("MusicStop"));

    QStringList expected = {"MusicStart",      "MusicStop",       "FileReset",       "LeftSide",
                            "RightSide",       "MusicPause",      "MusicFoward",     "MusicBack",
                            "RepeatOption(0)", "RepeatOption(1)", "RepeatOption(2)", "FileAdd",
                            "Sakujo"};
    for (int i = 0; i < kRows; ++i)
        expected << QString("SakujoCheck(%1)").arg(i);
    expected << "Text1";
    QStringList chain;
    QWidget* first = widget("MusicStart");
    for (QWidget* w = first; chain.size() < expected.size(); w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            chain << w->objectName();
    }
    EXPECT_EQ(chain, expected);
    for (QLabel* label : player->top.findChildren<QLabel*>())
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
}

TEST_F(ViewStartup, MenusCarryTheDesignNamesAndTexts) {
    start();
    QMenuBar* bar = player->top.menuBar();
    QStringList top;
    for (QAction* a : bar->actions())
        top << a->objectName() + "=" + a->text();
    EXPECT_EQ(top, QStringList({"file=ファイル", "help=ヘルプ"}));

    const auto items = [this](const char* menu) {
        QStringList list;
        for (QAction* a : widget<QMenu>(menu)->actions())
            list << a->objectName() + "=" + (a->isSeparator() ? "-" : a->text()) +
                        (a->isEnabled() && a->isVisible() ? "" : " (off)");
        return list;
    };
    EXPECT_EQ(items("file"),
              QStringList({"MusicFileopen=MP3ファイルを開く", "kugiri=-", "exit=終了"}));
    EXPECT_EQ(items("help"), QStringList({"faq=FAQ", "version=バージョン情報"}));
}

// The menus' own font lacks Japanese; its kana come from the face the window already uses,
// not from a second Gothic loaded for a few glyphs.
TEST_F(ViewStartup, MenusTakeTheirJapaneseFromTheWindowsGothic) {
    start();
    const QString gothic = QFontInfo(widget("mpath(0)")->font()).family();
    for (QWidget* w : {static_cast<QWidget*>(player->top.menuBar()), widget("file")}) {
        QTextLayout layout("ファイル", w->font());
        layout.beginLayout();
        layout.createLine();
        layout.endLayout();
        const QList<QGlyphRun> runs = layout.glyphRuns();
        ASSERT_FALSE(runs.isEmpty());
        for (const QGlyphRun& run : runs)
            EXPECT_EQ(run.rawFont().familyName().toStdString(), gothic.toStdString())
                << w->objectName().toStdString();
    }
}

} // namespace
} // namespace zt4::test
