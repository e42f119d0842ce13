#include "playback/end_of_track.h"

#include "playback/track_start.h"

#include <string>

namespace zt4 {

namespace {

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

} // namespace

void PlaybackCallback_Steps(App& a, int32_t code) {
    if (code != VBMP3_EVENT_END)
        return;
    // The library reports the end once the last sound has been heard.
    a.Played.hold(a.now());
    a.CurrentTrack += 1;
    if (a.CurrentTrack < a.TrackCount) {
        if (a.Top.isRepeatSelected(kRepeatOne)) {
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
        Top.clearMark(a.CurrentTrack - 1);
        // The tick retries a slot that fails to open; the message is shown once for it.
        const int16_t slot = a.CurrentTrack;
        if (!OpenSlot(a, slot, a.Timer1FailedSlot != slot)) {
            a.Timer1FailedSlot = slot;
            return;
        }
        a.Timer1FailedSlot = -1;
        Top.showMark(a.CurrentTrack);
        StartPlayback(a);
        StartBackCount(a);
        a.NextTrackPending = 0;
    }
    AdvanceClock(Top);
}

} // namespace zt4
