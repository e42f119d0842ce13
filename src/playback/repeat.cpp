#include "playback/repeat.h"

#include "playback/track_start.h"

#include <string>

namespace zt4 {

namespace {

bool Selected(const TopForm& Top, int index) {
    return Top.RepeatOption[index].Value != 0;
}

void AdvanceClock(TopForm& Top) {
    Top.SecDigit[0] += 1;
    if (Top.SecDigit[0] == 10) {
        Top.SecDigit[1] += 1;
        Top.SecDigit[0] = 0;
    }
    if (Top.SecDigit[1] == 6) {
        Top.MinuteCount += 1;
        Top.SecDigit[1] = 0;
    }
    Top.Labelsec[0].Caption = std::to_string(Top.SecDigit[0]);
    Top.Labelsec[1].Caption = std::to_string(Top.SecDigit[1]);
    Top.Labelmin.Caption = std::to_string(Top.MinuteCount);
}

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
    a.Played.clear();
    Top.Label1.Caption = "終了！";
    a.Top.clearMark(a.CurrentTrack - 1);
    Top.MusicBackTimer.Enabled = false;
    Top.MusicStart.Enabled = true;
    Top.PlayState = kFinished;
    a.CurrentTrack = 0;
    Top.RepeatTimer.Enabled = false;
}

void RepeatOne(App& a) {
    TopForm& Top = a.Top;
    Top.MusicBackTimer.Enabled = true;
    Top.BackTicks = 0;
    ShowClockZero(a);
    a.CurrentTrack -= 1;
    if (!OpenSlot(a, a.CurrentTrack)) {
        RepeatFailed(a);
        return;
    }
    RepeatPlay(a);
}

void RepeatAll(App& a) {
    TopForm& Top = a.Top;
    Top.MusicBackTimer.Enabled = true;
    Top.BackTicks = 0;
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

void PlaybackCallback_Steps(App& a, int32_t code) {
    if (code != VBMP3_EVENT_END)
        return;
    // The library reports the end once the last sound has been heard.
    a.Played.hold(a.Now);
    a.CurrentTrack += 1;
    if (a.CurrentTrack < a.TrackCount) {
        if (Selected(a.Top, kRepeatOne)) {
            a.Top.RepeatTimer.Enabled = true;
            a.RepeatFileGeneration = a.lib.fileGeneration();
        } else {
            a.NextTrackPending = 1;
            a.Timer1FailedSlot = -1;
        }
    } else {
        a.Top.RepeatTimer.Enabled = true;
        a.RepeatFileGeneration = a.lib.fileGeneration();
    }
}

void Timer1_Timer(App& a) {
    TopForm& Top = a.Top;
    if (Top.PlayState != kPlaying)
        return;
    if (a.NextTrackPending == 1) {
        ShowClockZero(a);
        ResetClock(a, 0);
        a.Top.clearMark(a.CurrentTrack - 1);
        // The tick retries a slot that fails to open; the message is shown once for it.
        const int16_t slot = a.CurrentTrack;
        if (!OpenSlot(a, slot, a.Timer1FailedSlot != slot)) {
            a.Timer1FailedSlot = slot;
            return;
        }
        a.Timer1FailedSlot = -1;
        a.Top.showMark(a.CurrentTrack);
        StartPlayback(a);
        Top.MusicBackTimer.Enabled = true;
        Top.BackTicks = 0;
        a.NextTrackPending = 0;
    }
    AdvanceClock(Top);
}

void RepeatTimer_Timer(App& a) {
    const TopForm& Top = a.Top;
    // A command that opened or closed a file between the end and this tick (Stop, reset,
    // Start, back, forward) has taken over from the end; the end leaves CurrentTrack at 1
    // or more, so every mode's slot before it is a real one.
    if (a.lib.fileGeneration() != a.RepeatFileGeneration || a.CurrentTrack < 1) {
        a.Top.RepeatTimer.Enabled = false;
        return;
    }
    if (Selected(Top, kNoRepeat))
        EndOfList(a);
    else if (Selected(Top, kRepeatOne))
        RepeatOne(a);
    else if (Selected(Top, kRepeatAll))
        RepeatAll(a);
    else
        a.Top.RepeatTimer.Enabled = false;
}

void RepeatOption_Click(App& a, int) {
    TopForm& Top = a.Top;
    for (int first = 0; first < 3; ++first) {
        if (!Selected(Top, first))
            continue;
        for (int i = 0; i < 3; ++i)
            Top.ROLabel[i].ForeColor = i == first ? kSelectedMode : kOtherMode;
        return;
    }
}

} // namespace zt4
