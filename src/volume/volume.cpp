#include "volume/volume.h"

#include <algorithm>
#include <cmath>

namespace zt4 {

namespace {

constexpr int16_t kKnobStep = 80;

// The knob's track starts at the right edge of the "小" button.
float TrackStart(const TopForm& Top) {
    return Top.LeftSide.Left + Top.LeftSide.Width;
}

// Floating-point values are stored into 16-bit integers rounded half to even
// (nearbyint in the default rounding mode).
int16_t RoundHalfEven(double v) {
    return static_cast<int16_t>(std::nearbyint(v));
}

// The knob's left edge relative to the track sets the volume; the span runs to RightSide's
// left edge, so the knob's right end gives 96, not 100.
void SendVolumeFromKnob(App& a) {
    TopForm& Top = a.Top;
    const double trackStart = TrackStart(Top);
    const double level =
        (Top.Volumeanalyze.Left - trackStart) * 100 / (Top.RightSide.Left - trackStart);
    Top.VolumeLevel = RoundHalfEven(level);
    a.lib.vbmp3_setVolume(Top.VolumeLevel, Top.VolumeLevel);
}

void MoveKnobTo(TopForm& Top, int16_t left) {
    Top.Volumeanalyze.Left = left;
    Top.Volumeanalyze1.Left = Top.Volumeanalyze.Left;
    Top.Timer2.Enabled = true;
}

} // namespace

void PlaceKnobForLevel(App& a) {
    TopForm& Top = a.Top;
    const double trackStart = TrackStart(Top);
    Top.Volumeanalyze.Left =
        static_cast<float>((Top.RightSide.Left - trackStart) * Top.VolumeLevel / 100 + trackStart);
    Top.Volumeanalyze1.Left = Top.Volumeanalyze.Left;
}

void MoveKnobToFraction(App& a, double fraction) {
    TopForm& Top = a.Top;
    const float trackStart = TrackStart(Top);
    const float knobLimit = Top.RightSide.Left - Top.Volumeanalyze.Width;
    const double f = std::isnan(fraction) ? 0 : std::clamp(fraction, 0.0, 1.0);
    const double left = trackStart + f * (Top.RightSide.Left - trackStart);
    MoveKnobTo(Top, RoundHalfEven(std::clamp<double>(left, trackStart, knobLimit)));
}

void LeftSide_Click(App& a) {
    TopForm& Top = a.Top;
    Top.KnobLeft = RoundHalfEven(Top.Volumeanalyze.Left);
    Top.KnobLeft -= kKnobStep;
    if (Top.KnobLeft < TrackStart(Top))
        Top.KnobLeft = RoundHalfEven(TrackStart(Top));
    MoveKnobTo(Top, Top.KnobLeft);
}

void RightSide_Click(App& a) {
    TopForm& Top = a.Top;
    Top.KnobLeft = RoundHalfEven(Top.Volumeanalyze.Left);
    Top.KnobLeft += kKnobStep;
    const float knobLimit = Top.RightSide.Left - Top.Volumeanalyze.Width;
    if (Top.KnobLeft > knobLimit)
        Top.KnobLeft = RoundHalfEven(knobLimit);
    MoveKnobTo(Top, Top.KnobLeft);
}

void Timer2_Timer(App& a) {
    SendVolumeFromKnob(a);
    a.Top.Timer2.Enabled = false;
}

void MDrugTimer_Timer(App& a) {
    SendVolumeFromKnob(a);
}

void Volumeanalyze1_MouseDown(App& a, int16_t Button, int16_t, float X, float) {
    TopForm& Top = a.Top;
    Top.MDrugTimer.Enabled = true;
    if (Button == 1 && Top.Dragging == kFalse) {
        Top.Dragging = kTrue;
        Top.DragStartX = X;
        Top.Volumeanalyze1.ZOrderRaises += 1;
    }
}

void Volumeanalyze1_MouseMove(App& a, int16_t Button, int16_t, float X, float) {
    TopForm& Top = a.Top;
    if (Button != 1 || Top.Dragging != kTrue)
        return;
    Top.Volumeanalyze1.Left = Top.Volumeanalyze1.Left + X - Top.DragStartX;
    const float left = Top.Volumeanalyze1.Left;
    const float knobLimit = Top.RightSide.Left - Top.Volumeanalyze1.Width;
    if (left >= TrackStart(Top) && left <= knobLimit)
        Top.Volumeanalyze.Left = Top.Volumeanalyze1.Left;
    else
        Top.Volumeanalyze1.Left = Top.Volumeanalyze.Left;
}

void Volumeanalyze1_MouseUp(App& a, int16_t, int16_t, float, float) {
    a.Top.MDrugTimer.Enabled = false;
    a.Top.Dragging = kFalse;
}

} // namespace zt4
