#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

TEST(AddTrack, FillsTheNextFreeSlotWithThePathAsChosen) {
    Harness h;
    h.ui.dialogAnswers = {""}; // cancel
    h.run(FileAdd_Click);
    EXPECT_EQ(h.ui.filtersSeen, std::vector<std::string>{"MP3ファイル(*.mp3)|*.mp3"});
    EXPECT_FALSE(h.Top.MusicStart.Enabled);

    // The same odd file twice, into the slot the cancelled dialog would have filled.
    const std::string odd = "/曲/my \"live\" set/it's\nodd\\name.mp3";
    h.ui.dialogAnswers = {odd, odd};
    h.run(MusicFileopen_Click);
    h.run(FileAdd_Click);
    EXPECT_EQ(h.app.TrackCount, 2);
    EXPECT_TRUE(h.Top.MusicStart.Enabled);
    EXPECT_EQ(h.Top.TrackPath[0], odd);
    EXPECT_EQ(h.Top.TrackPath[1], odd);
    EXPECT_EQ(h.Top.mpath[1].Caption, "★2★it's\nodd\\name.mp3");
    EXPECT_EQ(h.playlistProblem(), "");
    EXPECT_TRUE(h.ui.messages.empty());
    EXPECT_EQ(h.calls(), std::vector<std::string>{"vbmp3_init()"});
}

TEST(AddTrack, TheTwentyFirstIsRefusedWithoutShowingTheDialog) {
    Harness h;
    for (int i = 0; i < 20; ++i)
        h.addTracks({"t" + std::to_string(i) + ".mp3"});
    EXPECT_EQ(h.Top.mpath[19].Caption, "★20★t19.mp3");
    h.ui.dialogAnswers = {h.pathOf("late.mp3")};
    h.run(FileAdd_Click);
    EXPECT_EQ(h.ui.messages, std::vector<std::string>{"選曲数は20以内でお願いします"});
    EXPECT_EQ(h.ui.filtersSeen.size(), 20u);
    EXPECT_EQ(h.ui.dialogAnswers.size(), 1u);
    EXPECT_EQ(h.app.TrackCount, 20);
    EXPECT_EQ(h.playlistProblem(), "");
}

TEST(AddTrack, WhilePlayingLeavesPlaybackAloneButEnablesStart) {
    Harness h;
    h.addTracks({"a.mp3", "b.mp3"});
    h.run(MusicStart_Click);
    h.clearCalls();
    h.addTracks({"c.mp3"});
    EXPECT_TRUE(h.calls().empty());
    EXPECT_EQ(h.status(), "1 再生中 ●0 1111");
    EXPECT_EQ(h.app.CurrentTrack, 0);
}

TEST(ResetList, EmptiesTheListAndPutsThePlayerBackToIdle) {
    Harness h;
    h.addTracks({"a.mp3", "b.mp3", "c.mp3"});
    h.Top.Text1.Caption = "2";
    h.run(MusicStart_Click);
    h.Top.selectRepeatOption(0);
    h.run([](App& a) { RepeatOption_Click(a, 0); });
    h.Top.SakujoCheck[0].Value = 1;
    h.Top.SakujoCheck[7].Value = 1;
    h.advance(3000);
    h.run(FileReset_Click);

    const TopForm& Top = h.Top;
    EXPECT_EQ(h.status(), std::string("0 ") + TopForm::kInstruction + " ●- 0100");
    EXPECT_EQ(h.app.CurrentTrack, 0);
    EXPECT_EQ(Top.BackTicks, 0);
    EXPECT_EQ(Top.Text1.Caption, "");
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(Top.selectedRepeatOption(), 2);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Top.ROLabel[i].ForeColor, i == 2 ? (Rgb{255, 185, 0}) : (Rgb{0, 230, 255}));
    EXPECT_EQ(h.playlistProblem(false), "");
    EXPECT_EQ(h.calls().back(), "vbmp3_close()");

    // The play button is disabled now, so deleting is refused.
    h.run(Sakujo_Click);
    EXPECT_EQ(h.ui.messages,
              std::vector<std::string>{"停止ボタンを押してから削除処理を行ってください"});
}

TEST(DeleteTracks, RefusedUnlessStoppedWithThePlayButtonEnabled) {
    Harness h;
    h.run(Sakujo_Click); // nothing added yet: the play button is disabled
    h.addTracks({"a.mp3", "b.mp3"});
    h.Top.SakujoCheck[0].Value = 1;
    h.run(MusicStart_Click);
    h.run(Sakujo_Click);
    h.run(MusicPause_Click);
    h.run(Sakujo_Click);
    EXPECT_EQ(h.ui.messages,
              std::vector<std::string>(3, "停止ボタンを押してから削除処理を行ってください"));
    EXPECT_EQ(h.app.TrackCount, 2);
    EXPECT_EQ(h.Top.SakujoCheck[0].Value, 1);

    h.run(MusicStop_Click);
    h.run(Sakujo_Click);
    EXPECT_EQ(h.ui.messages.size(), 3u);
    EXPECT_EQ(h.app.TrackCount, 1);
    EXPECT_EQ(h.Top.TrackPath[0], h.pathOf("b.mp3"));
}

TEST(DeleteTracks, RemovesTheTickedTracksAndClosesTheGaps) {
    const std::string outside = "選曲範囲外です";
    struct Case {
        int tracks;
        std::vector<int> ticked;
        std::vector<std::string> left, messages;
    };
    const Case cases[] = {
        {5, {1, 3}, {"a", "c", "e"}, {}},
        {3, {0}, {"b", "c"}, {}},
        {5, {0, 1, 2, 3, 4}, {}, {}},
        {3, {2, 15}, {"a", "b"}, {outside}},
        {4, {0, 2, 3, 19}, {"b"}, {outside}},
        {3, {5, 19}, {"a", "b", "c"}, {outside, outside}}, // only free slots
        {3, {}, {"a", "b", "c"}, {"削除する曲をチェックボックスで選択してください"}},
    };
    for (const Case& c : cases) {
        Harness h;
        for (int i = 0; i < c.tracks; ++i)
            h.addTracks({std::string(1, char('a' + i))});
        for (int i : c.ticked)
            h.Top.SakujoCheck[i].Value = 1;
        h.run(Sakujo_Click);
        SCOPED_TRACE(::testing::Message() << "case " << &c - cases);
        EXPECT_EQ(h.ui.messages, c.messages);
        ASSERT_EQ(h.app.TrackCount, int(c.left.size()));
        for (size_t i = 0; i < c.left.size(); ++i)
            EXPECT_EQ(h.Top.TrackPath[i], h.pathOf(c.left[i]));
        EXPECT_EQ(h.playlistProblem(false), "");
    }
}

} // namespace
} // namespace zt4::test
