#include "playback/stepping.h"

#include "playback/track_start.h"

namespace zt4 {

namespace {

// The back button restarts the track once it has played more than ten ticks.
constexpr int16_t kRestartAfterTicks = 10;

void RestartCurrent(App& a) {
    TopForm& Top = a.Top;
    Top.Timer1.Enabled = true;
    StartBackCount(a);
    Top.PlayState = kPlaying;
    Top.MusicPause.Enabled = true;
    Top.Label1.Caption = "再生中";
    if (!OpenSlot(a, a.CurrentTrack))
        return;
    ShowClockZero(a);
    ResetClock(a, 0);
    StartPlayback(a);
}

void PlayPrevious(App& a) {
    TopForm& Top = a.Top;
    if (a.CurrentTrack < 1 || a.CurrentTrack > a.TrackCount - 1)
        return;
    a.Top.clearMark(a.CurrentTrack);
    a.CurrentTrack -= 1;
    a.Top.showMark(a.CurrentTrack);
    Top.Label1.Caption = "再生中";
    if (!OpenSlot(a, a.CurrentTrack))
        return;
    StartPlayback(a);
    Top.PlayState = kPlaying;
    StartBackCount(a);
    // Coming from pause, Timer1 is off; without it the clock and the end of track stall.
    Top.Timer1.Enabled = true;
    ShowClockZero(a);
    ResetClock(a, 0);
}

} // namespace

void MusicBackTimer_Timer(App& a) {
    TopForm& Top = a.Top;
    Top.BackTicks += 1;
    if (Top.BackTicks > kRestartAfterTicks)
        Top.MusicBackTimer.Enabled = false;
}

void MusicBack_Click(App& a) {
    const int16_t state = a.Top.PlayState;
    if (state != kPlaying && state != kPaused)
        return;
    if (a.Top.BackTicks > kRestartAfterTicks)
        RestartCurrent(a);
    else
        PlayPrevious(a);
}

void MusicFoward_Click(App& a) {
    if (a.CurrentTrack >= a.TrackCount - 1)
        return;
    a.Top.clearMark(a.CurrentTrack);
    a.CurrentTrack += 1;
    StartCurrentAfresh(a);
}

} // namespace zt4
