#include "app/lifecycle.h"

#include "app/faq_file.h"
// Start-up places the knob for its volume level as the volume commands would.
#include "volume/volume.h"

#include <climits>
#include <unistd.h>

namespace zt4 {

namespace {

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string(".");
}

void LayOutRows(TopForm& Top) {
    Top.mpath[0].Height = 230;
    Top.mpath[0].Caption = "";
    Top.Startm[0].Height = Top.mpath[0].Height;
    Top.Startm[0].Top = Top.mpath[0].Top;
    Top.SakujoCheck[0].Width = 200;
    Top.SakujoCheck[0].Left = Top.mpath[0].Left - 300 - Top.SakujoCheck[0].Width;
    Top.SakujoCheck[0].Top = Top.mpath[0].Top;
    Top.SakujoCheck[0].Height = Top.mpath[0].Height;
    for (int i = 1; i < kRows; ++i) {
        Top.SakujoCheck[i].Width = Top.SakujoCheck[0].Width;
        Top.SakujoCheck[i].Height = Top.SakujoCheck[0].Height;
        Top.SakujoCheck[i].Left = Top.SakujoCheck[0].Left;
        Top.mpath[i].Left = Top.mpath[0].Left;
        Top.mpath[i].Height = Top.mpath[0].Height;
        Top.Startm[i].Left = Top.Startm[0].Left;
        Top.Startm[i].Height = Top.Startm[0].Height;
        Top.mpath[i].Top = Top.mpath[i - 1].Top + Top.mpath[i - 1].Height + 10;
        Top.Startm[i].Top = Top.Startm[i - 1].Top + Top.Startm[i - 1].Height + 10;
        Top.mpath[i].Caption = "";
        Top.SakujoCheck[i].Top = Top.mpath[i].Top;
    }
}

// Widgets that belong near the right and bottom edges follow the window's outer size.
void PlaceAtEdges(TopForm& Top) {
    Top.FileReset.Left = Top.Width - 1410;
    Top.MusicStart.Top = Top.Height - 1995;
    for (Control* c : {&Top.MusicStop, &Top.MusicPause, &Top.MusicFoward, &Top.MusicBack})
        c->Top = Top.MusicStart.Top;
    Top.Labelsec[0].Left = Top.Width - 675;
    Top.Labelsec[1].Left = Top.Width - 675 - 150;
    Top.Colon.Left = Top.Width - 675 - 150 - 150;
    Top.Labelmin.Left = Top.Width - 675 - 150 - 150 - 270;
    Top.LeftSide.Top = Top.Volumeanalyze.Top;
}

void ShutDown(App& a) {
    a.lib.vbmp3_close();
    a.lib.vbmp3_init();
    a.lib.vbmp3_free();
    a.Ended = true;
    a.ui.EndProgram();
}

} // namespace

void Form_Load(App& a) {
    TopForm& Top = a.Top;
    a.TrackCount = 0;
    a.CurrentTrack = 0;
    LayOutRows(Top);
    for (Control& option : Top.RepeatOption)
        option.BackColor = Top.BackColor;
    PlaceAtEdges(Top);
    Top.ROLabel[0].ForeColor = kOtherMode;
    Top.ROLabel[1].ForeColor = Top.RepeatOption[0].ForeColor;
    Top.ROLabel[2].ForeColor = kSelectedMode;
    Top.VolumeLevel = 60;
    PlaceKnobForLevel(a);
    a.NextTrackPending = 0;
    Top.PlayState = kIdle;
    Top.SecDigit = {0, 0};
    Top.MinuteCount = 0;
    Top.BackTicks = 0;
    if (std::optional<std::string> body = ReadFaqBody(CurrentFolder() + "/FAQ.txt")) {
        a.FaqBody = std::move(*body);
        Top.FaqFound = kTrue;
    } else {
        Top.FaqFound = kFalse;
    }
    a.lib.vbmp3_init();
}

void exit_Click(App& a) {
    ShutDown(a);
}

void Form_Unload(App& a) {
    ShutDown(a);
}

void faq_Click(App& a) {
    if (a.Top.FaqFound == kTrue)
        a.ui.ShowFaq(a.FaqBody);
    else
        a.ui.MsgBox("カレントフォルダにFAQ.txtがありません。");
}

void version_Click(App& a) {
    a.ui.ShowAbout();
}

} // namespace zt4
