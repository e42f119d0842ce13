#include "playback/repeat.h"

#include "playback/track_start.h"

namespace zt4 {

namespace {

// A repeat that could not open its slot ends as a failed Start does: the slot stays the
// current one, Stop and Start work as usual, and RepeatTimer does not try again.
void RepeatFailed(App& a) {
    TopForm& Top = a.Top;
    Top.RepeatTimer.Enabled = false;
    Top.Timer1.Enabled = true;
    Top.MusicBackTimer.Enabled = true;
    Top.MusicStart.Enabled = false;
    Top.MusicPause.Enabled = true;
    a.NextTrackPending = 0;
    ResetClock(a, -1);
}

// Steps shared by repeat-one and repeat-all once their slot is open.
void RepeatPlay(App& a) {
    a.NextTrackPending = 0;
    StartPlayback(a);
    ResetClock(a, 0);
    a.Top.RepeatTimer.Enabled = false;
}

void EndOfList(App& a) {
    TopForm& Top = a.Top;
    a.lib.vbmp3_close();
    Top.Label1.Caption = "終了！";
    a.Top.clearMark(a.CurrentTrack - 1);
    Top.MusicBackTimer.Enabled = false;
    Top.MusicStart.Enabled = true;
    Top.PlayState = kFinished;
    a.CurrentTrack = 0;
    Top.RepeatTimer.Enabled = false;
}

void RepeatOne(App& a) {
    StartBackCount(a);
    ShowClockZero(a);
    a.CurrentTrack -= 1;
    if (!OpenSlot(a, a.CurrentTrack)) {
        RepeatFailed(a);
        return;
    }
    RepeatPlay(a);
}

void RepeatAll(App& a) {
    StartBackCount(a);
    ShowClockZero(a);
    a.Top.clearMark(a.CurrentTrack - 1);
    a.Top.showMark(0);
    a.CurrentTrack = 0;
    if (!OpenSlot(a, 0)) {
        RepeatFailed(a);
        return;
    }
    RepeatPlay(a);
}

} // namespace

void RepeatTimer_Timer(App& a) {
    const TopForm& Top = a.Top;
    // A command that opened or closed a file between the end and this tick (Stop, reset,
    // Start, back, forward) has taken over from the end; the end leaves CurrentTrack at 1
    // or more, so every mode's slot before it is a real one.
    if (a.lib.fileGeneration() != a.RepeatFileGeneration || a.CurrentTrack < 1) {
        a.Top.RepeatTimer.Enabled = false;
        return;
    }
    if (Top.isRepeatSelected(kNoRepeat))
        EndOfList(a);
    else if (Top.isRepeatSelected(kRepeatOne))
        RepeatOne(a);
    else if (Top.isRepeatSelected(kRepeatAll))
        RepeatAll(a);
    else
        a.Top.RepeatTimer.Enabled = false;
}

void RepeatOption_Click(App& a, int) {
    TopForm& Top = a.Top;
    for (int first = 0; first < kRepeatOptions; ++first) {
        if (!Top.isRepeatSelected(first))
            continue;
        for (int i = 0; i < kRepeatOptions; ++i)
            Top.ROLabel[i].ForeColor = i == first ? kSelectedMode : kOtherMode;
        return;
    }
}

} // namespace zt4
