#include "harness.h"

#include <fstream>
#include <gtest/gtest.h>

namespace zt4::test {
namespace {

TEST(StartUp, LaysOutTheWindowAndLeavesThePlayerIdle) {
    Harness h;
    const TopForm& Top = h.Top;
    EXPECT_EQ(Top.SakujoCheck[0].Left, 340);
    EXPECT_EQ(Top.SakujoCheck[0].Top, 1200);
    EXPECT_EQ(Top.SakujoCheck[0].Width, 200);
    EXPECT_EQ(Top.SakujoCheck[0].Height, 230);
    for (int i = 0; i < kRows; ++i) {
        EXPECT_EQ(Top.mpath[i].Top, 1200 + 240 * i);
        EXPECT_EQ(Top.Startm[i].Top, 1200 + 240 * i);
        EXPECT_EQ(Top.SakujoCheck[i].Top, 1200 + 240 * i);
        EXPECT_EQ(Top.SakujoCheck[i].Left, 340);
        EXPECT_EQ(Top.mpath[i].Caption, "");
    }
    EXPECT_EQ(Top.MusicStart.Top, 7560);
    EXPECT_EQ(Top.MusicBack.Top, 7560);
    EXPECT_EQ(Top.Labelsec[0].Left, 8580);
    EXPECT_EQ(Top.Labelsec[1].Left, 8430);
    EXPECT_EQ(Top.Colon.Left, 8280);
    EXPECT_EQ(Top.Labelmin.Left, 8010);
    EXPECT_EQ(Top.FileReset.Left, 7845);
    EXPECT_EQ(Top.Volumeanalyze.Left, 4734);
    EXPECT_EQ(Top.Volumeanalyze1.Left, 4734);
    EXPECT_EQ(Top.LeftSide.Top, 6240);
    EXPECT_EQ(Top.selectedRepeatOption(), 2);
    EXPECT_EQ(Top.ROLabel[0].ForeColor, (Rgb{0, 230, 255}));
    EXPECT_EQ(Top.ROLabel[1].ForeColor, (Rgb{0, 255, 255}));
    EXPECT_EQ(Top.ROLabel[2].ForeColor, (Rgb{255, 185, 0}));
    EXPECT_FALSE(Top.MusicStart.Enabled);
    EXPECT_EQ(Top.PlayState, 0);
    EXPECT_EQ(Top.VolumeLevel, 60);
    EXPECT_EQ(h.markedSlot(), -1);
    EXPECT_EQ(h.clock(), "0:00");
    EXPECT_EQ(h.calls(), std::vector<std::string>{"vbmp3_init()"});
}

TEST(StartUp, FirstTimer2TickSendsTheStartUpVolumeOnce) {
    Harness h;
    h.clearCalls();
    h.advance(1000);
    EXPECT_EQ(h.calls(), std::vector<std::string>{"vbmp3_setVolume(60,60)"});
    EXPECT_FALSE(h.Top.Timer2.Enabled);
}

TEST(ShutDown, ClosesInitsAndFreesTheLibraryOnceThenNothingRuns) {
    Harness h;
    h.advance(100);
    h.clearCalls();
    h.run(exit_Click);
    h.run(Form_Unload); // the close box after the program has ended
    h.advance(5000);
    EXPECT_EQ(h.calls(),
              (std::vector<std::string>{"vbmp3_close()", "vbmp3_init()", "vbmp3_free()"}));
    EXPECT_EQ(h.ui.ended, 1);
}

} // namespace
} // namespace zt4::test
