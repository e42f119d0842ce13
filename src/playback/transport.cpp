#include "playback/transport.h"

#include "playback/track_start.h"

#include <string>

namespace zt4 {

namespace {

// The box's text as a slot number: -1 when it is not a plain decimal number (pasted text
// can be anything); large numbers stop growing past the 16-bit range.
int BoxNumber(const std::string& text) {
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return -1;
        if (n < 100000)
            n = n * 10 + (c - '0');
    }
    return n;
}

void Resume(App& a) {
    TopForm& Top = a.Top;
    Top.Label1.Caption = "再生中";
    a.lib.vbmp3_restart();
    a.Played.resume(a.now());
    Top.Timer1.Enabled = true;
    Top.MusicBackTimer.Enabled = true;
    Top.PlayState = kPlaying;
    Top.MusicStart.Enabled = false;
}

// Takes the slot from Text1; false when the box's number is refused.
bool ChooseSlot(App& a) {
    TopForm& Top = a.Top;
    const std::string text = Top.Text1.Caption;
    if (text.empty())
        return true;
    const int n = BoxNumber(text);
    if (text[0] == '0' || n < 0) {
        a.ui.MsgBox("不適な数字です");
        Top.Text1.Caption = "";
        return false;
    }
    if (n > a.TrackCount) {
        a.ui.MsgBox("選曲範囲外です");
        Top.Text1.Caption = "";
        return false;
    }
    a.Top.clearMark(a.CurrentTrack);
    a.CurrentTrack = static_cast<int16_t>(n - 1);
    return true;
}

} // namespace

void MusicStart_Click(App& a) {
    TopForm& Top = a.Top;
    if (Top.PlayState == kPaused) {
        Resume(a);
        return;
    }
    if (!ChooseSlot(a))
        return;
    StartCurrentAfresh(a);
}

void MusicPause_Click(App& a) {
    TopForm& Top = a.Top;
    if (Top.PlayState != kPlaying)
        return;
    Top.Label1.Caption = "一時停止";
    a.lib.vbmp3_pause();
    a.Played.hold(a.now());
    Top.Timer1.Enabled = false;
    Top.MusicBackTimer.Enabled = false;
    Top.PlayState = kPaused;
    Top.MusicStart.Enabled = true;
}

void MusicStop_Click(App& a) {
    TopForm& Top = a.Top;
    if (a.TrackCount <= 0)
        return;
    Top.Timer1.Enabled = false;
    Top.MusicBackTimer.Enabled = false;
    ShowClockZero(a);
    a.Top.clearEveryMark();
    Top.Label1.Caption = "停止しました";
    a.lib.vbmp3_close();
    a.Played.clear();
    Top.PlayState = kStopped;
    ResetClock(a, 0);
    a.NextTrackPending = 0;
    a.CurrentTrack = 0;
    Top.MusicStart.Enabled = true;
}

void Text1_KeyPress(App&, int16_t& KeyAscii) {
    const bool backspace = KeyAscii == 8;
    const bool digit = KeyAscii >= '0' && KeyAscii <= '9';
    if (!backspace && !digit)
        KeyAscii = 0;
}

} // namespace zt4
