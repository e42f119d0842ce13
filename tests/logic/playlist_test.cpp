#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

TEST(AddTrack, FillsTheNextFreeSlotWithThePathAsChosen) {
    Harness h;
    h.ui.dialogAnswers = {""}; // cancel
    h.run(FileAdd_Click);
    EXPECT_EQ(h.ui.filtersSeen, std::vector<std::string>{"MP3ファイル(*.mp3)|*.mp3"});
    EXPECT_EQ(h.app.TrackCount, 0);
    EXPECT_FALSE(h.Top.MusicStart.Enabled);

    const std::string odd = "/曲/my \"live\" set/it's\nodd\\name.mp3";
    h.ui.dialogAnswers = {odd, odd};
    h.run(MusicFileopen_Click);
    h.run(FileAdd_Click);
    EXPECT_EQ(h.app.TrackCount, 2);
    EXPECT_TRUE(h.Top.MusicStart.Enabled);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(h.Top.TrackPath[i], odd);
    EXPECT_EQ(h.Top.mpath[0].Caption, "★1★it's\nodd\\name.mp3");
    EXPECT_EQ(h.Top.mpath[1].Caption, "★2★it's\nodd\\name.mp3");
    EXPECT_EQ(h.Top.Dialog.FileName, "");
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
    EXPECT_EQ(h.Top.PlayState, 1);
    EXPECT_EQ(h.markedSlot(), 0);
    EXPECT_EQ(h.app.CurrentTrack, 0);
    EXPECT_TRUE(h.Top.MusicStart.Enabled);
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
    EXPECT_EQ(Top.PlayState, 0);
    EXPECT_EQ(h.app.TrackCount, 0);
    EXPECT_EQ(h.app.CurrentTrack, 0);
    EXPECT_EQ(h.app.NextTrackPending, 0);
    EXPECT_EQ(Top.BackTicks, 0);
    EXPECT_FALSE(Top.Timer1.Enabled);
    EXPECT_FALSE(Top.MusicBackTimer.Enabled);
    EXPECT_FALSE(Top.MusicStart.Enabled);
    EXPECT_EQ(Top.Text1.Caption, "");
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(Top.SecDigit[0] + Top.SecDigit[1] + Top.MinuteCount, 0);
    EXPECT_EQ(Top.Label1.Caption, TopForm::kInstruction);
    EXPECT_EQ(Top.selectedRepeatOption(), 2);
    EXPECT_EQ(Top.ROLabel[2].ForeColor, (Rgb{255, 185, 0}));
    EXPECT_EQ(Top.ROLabel[0].ForeColor, (Rgb{0, 230, 255}));
    EXPECT_EQ(Top.ROLabel[1].ForeColor, (Rgb{0, 230, 255}));
    EXPECT_EQ(h.markedSlot(), -1);
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
    struct Case {
        int tracks;
        std::vector<int> ticked;
        std::vector<std::string> left;
        size_t outOfRange; // "選曲範囲外です" messages
    };
    const Case cases[] = {
        {5, {1, 3}, {"a", "c", "e"}, 0}, {3, {0}, {"b", "c"}, 0},      {5, {0, 1, 2, 3, 4}, {}, 0},
        {3, {2, 15}, {"a", "b"}, 1},     {4, {0, 2, 3, 19}, {"b"}, 1},
    };
    for (const Case& c : cases) {
        Harness h;
        for (int i = 0; i < c.tracks; ++i)
            h.addTracks({std::string(1, char('a' + i))});
        for (int i : c.ticked)
            h.Top.SakujoCheck[i].Value = 1;
        h.run(Sakujo_Click);
        SCOPED_TRACE(::testing::Message() << c.tracks << " tracks, first tick " << c.ticked[0]);
        EXPECT_EQ(h.ui.messages, std::vector<std::string>(c.outOfRange, "選曲範囲外です"));
        ASSERT_EQ(h.app.TrackCount, int(c.left.size()));
        for (size_t i = 0; i < c.left.size(); ++i)
            EXPECT_EQ(h.Top.TrackPath[i], h.pathOf(c.left[i]));
        EXPECT_EQ(h.playlistProblem(false), "");
        EXPECT_EQ(h.app.CurrentTrack, 0);
    }
}

TEST(DeleteTracks, OnlyFreeSlotsOrNoTickLeavesTheListAlone) {
    Harness h;
    h.addTracks({"a", "b", "c"});
    h.Top.SakujoCheck[5].Value = 1;
    h.Top.SakujoCheck[19].Value = 1;
    h.run(Sakujo_Click);
    EXPECT_EQ(h.ui.messages, std::vector<std::string>(2, "選曲範囲外です"));
    h.ui.messages.clear();
    h.run(Sakujo_Click);
    EXPECT_EQ(h.ui.messages,
              std::vector<std::string>{"削除する曲をチェックボックスで選択してください"});
    EXPECT_EQ(h.app.TrackCount, 3);
    EXPECT_EQ(h.Top.TrackPath[2], h.pathOf("c"));
    EXPECT_EQ(h.playlistProblem(false), "");
}

} // namespace
} // namespace zt4::test
