#include "playback/track_start.h"

namespace zt4 {

bool OpenSlot(App& a, int slot, bool tell) {
    vbmp3_fileinfo info{};
    a.Played.clear();
    const bool filled = slot >= 0 && slot < a.TrackCount && !a.Top.TrackPath[slot].empty();
    if (!filled || !Vbmp3Binding::opened(a.lib.vbmp3_open(a.Top.TrackPath[slot], info))) {
        if (tell)
            a.ui.MsgBox("ファイルを開けませんでした。");
        return false;
    }
    a.OpenedPath = a.Top.TrackPath[slot];
    a.OpenedInfo = info;
    return true;
}

void StartPlayback(App& a) {
    a.lib.vbmp3_callback(PlaybackCallback);
    a.lib.vbmp3_play();
    a.Played.start(a.now());
    ++a.PlaysStarted;
}

void StartBackCount(App& a) {
    a.Top.MusicBackTimer.Enabled = true;
    a.Top.BackTicks = 0;
}

void StartCurrentAfresh(App& a) {
    TopForm& Top = a.Top;
    Top.Timer1.Enabled = true;
    StartBackCount(a);
    Top.MusicStart.Enabled = false;
    Top.MusicPause.Enabled = true;
    a.NextTrackPending = 0;
    ShowClockZero(a);
    ResetClock(a, -1);
    if (!OpenSlot(a, a.CurrentTrack))
        return;
    StartPlayback(a);
    a.Top.showMark(a.CurrentTrack);
    Top.PlayState = kPlaying;
    Top.Label1.Caption = "再生中";
}

void ShowClockZero(App& a) {
    a.Top.Labelmin.Caption = "0";
    a.Top.Labelsec[0].Caption = "0";
    a.Top.Labelsec[1].Caption = "0";
}

void ResetClock(App& a, int16_t units) {
    a.Top.SecDigit[0] = units;
    a.Top.SecDigit[1] = 0;
    a.Top.MinuteCount = 0;
}

} // namespace zt4
