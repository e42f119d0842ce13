#include "harness.h"

#include <gtest/gtest.h>

namespace zt4::test {
namespace {

using Calls = std::vector<std::string>;

Calls Sends(int level, size_t times = 1) {
    const std::string n = std::to_string(level);
    return Calls(times, "vbmp3_setVolume(" + n + "," + n + ")");
}

// A click on a volume button and the Timer2 tick after it; returns what reached the library.
Calls Click(Harness& h, void (*button)(App&)) {
    EXPECT_TRUE(h.callsOf(button).empty()); // the click itself sends nothing
    EXPECT_EQ(h.Top.Volumeanalyze1.Left, h.Top.Volumeanalyze.Left);
    h.advance(100);
    return h.calls();
}

void Mouse(Harness& h, void (*event)(App&, int16_t, int16_t, float, float), int16_t button,
           float x) {
    h.run([=](App& a) { event(a, button, 0, x, 100); });
}

TEST(VolumeButtons, StepTheKnobByEightyTwipsWithinTheTrackAndSendTheLevelOnce) {
    Harness h;
    h.advance(16);
    EXPECT_EQ(h.calls(), (Calls{"vbmp3_init()", Sends(60)[0]}));
    EXPECT_EQ(Click(h, RightSide_Click), Sends(62));
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 4814);
    EXPECT_EQ(Click(h, LeftSide_Click), Sends(60));
    EXPECT_EQ(Click(h, LeftSide_Click), Sends(58));
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 4654);
    for (int i = 0; i < 25; ++i)
        Click(h, LeftSide_Click);
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 2655);
    EXPECT_EQ(Click(h, LeftSide_Click), Sends(0));
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 2655);
    for (int i = 0; i < 40; ++i)
        Click(h, RightSide_Click);
    EXPECT_EQ(Click(h, RightSide_Click), Sends(95));
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 5935);
    EXPECT_EQ(Click(h, RightSide_Click), Sends(96));
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 5985);
    EXPECT_EQ(Click(h, RightSide_Click), Sends(96));
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 5985);
}

TEST(KnobDrag, FollowsTheMouseOnlyWhileInsideTheTrack) {
    Harness h;
    h.advance(16);
    h.clearCalls();
    const TopForm& Top = h.Top;
    auto knobAt = [&Top](float left) {
        EXPECT_EQ(Top.Volumeanalyze.Left, left);
        EXPECT_EQ(Top.Volumeanalyze1.Left, left);
    };
    Mouse(h, Volumeanalyze1_MouseDown, 1, 60);
    EXPECT_TRUE(Top.MDrugTimer.Enabled);
    EXPECT_EQ(Top.Dragging, kTrue);
    EXPECT_EQ(Top.Volumeanalyze1.ZOrderRaises, 1);
    Mouse(h, Volumeanalyze1_MouseMove, 1, 160);
    knobAt(4834);
    EXPECT_TRUE(h.calls().empty()); // only the timer sends
    h.advance(48);
    EXPECT_EQ(h.calls(), Sends(63, 3));

    // Past either end the knob stays where it was; mask 3 has a second button held.
    const struct {
        int16_t mask;
        float x, knob;
    } moves[] = {{1, 60 - 5000, 4834}, {1, 60 + 2655 - 4834, 2655}, {1, 59, 2655}, {1, 70, 2665},
                 {3, 500, 2665},       {1, 60 + 5985 - 2665, 5985}, {1, 61, 5985}};
    for (const auto& move : moves) {
        Mouse(h, Volumeanalyze1_MouseMove, move.mask, move.x);
        knobAt(move.knob);
    }

    Mouse(h, Volumeanalyze1_MouseUp, 2, 0); // any button's release ends the drag
    EXPECT_EQ(Top.Dragging, kFalse);
    EXPECT_FALSE(Top.MDrugTimer.Enabled);
    Mouse(h, Volumeanalyze1_MouseMove, 1, 0);
    knobAt(5985);
    h.clearCalls();
    h.advance(100);
    EXPECT_TRUE(h.calls().empty());
}

TEST(KnobDrag, HoldingTheRightButtonResendsTheLevelWithoutMoving) {
    Harness h;
    h.advance(16);
    h.clearCalls();
    Mouse(h, Volumeanalyze1_MouseDown, 2, 60);
    EXPECT_EQ(h.Top.Dragging, kFalse);
    Mouse(h, Volumeanalyze1_MouseMove, 2, 500);
    Mouse(h, Volumeanalyze1_MouseMove, 1, 500);
    EXPECT_EQ(h.Top.Volumeanalyze.Left, 4734);
    h.advance(160);
    EXPECT_EQ(h.calls(), Sends(60, 10));
    Mouse(h, Volumeanalyze1_MouseUp, 2, 60);
    h.clearCalls();
    h.advance(100);
    EXPECT_TRUE(h.calls().empty());
}

} // namespace
} // namespace zt4::test
