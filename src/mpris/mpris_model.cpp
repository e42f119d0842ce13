#include "mpris/mpris_model.h"

#include "playlist/file_uri.h"
#include "wiring/handlers.h"

#include <algorithm>
#include <cstring>

namespace zt4 {

namespace {

const char* const kLoopStatus[kRepeatOptions] = {"Playlist", "Track", "None"}; // by repeat option

int CurrentSlot(const App& a) {
    if (const int marked = a.Top.markedSlot(); marked >= 0 && marked < a.TrackCount)
        return marked;
    return a.CurrentTrack >= 0 && a.CurrentTrack < a.TrackCount ? a.CurrentTrack : -1;
}

MprisTrack ReadTrack(const App& a) {
    MprisTrack t;
    t.slot = CurrentSlot(a);
    if (t.slot < 0)
        return t;
    t.path = a.Top.TrackPath[t.slot];
    t.url = FileUri(t.path);
    t.title = FileNamePart(t.path);
    if (t.path == a.OpenedPath) {
        const vbmp3_fileinfo& info = a.OpenedInfo;
        const std::string title(info.title, strnlen(info.title, sizeof info.title));
        if (!title.empty())
            t.title = title;
        t.artist.assign(info.artist, strnlen(info.artist, sizeof info.artist));
        t.lengthUs = int64_t(std::max(info.length_ms, 0)) * 1000;
    }
    return t;
}

void ClickIfEnabled(App& a, const Control& button, void (*click)(App&)) {
    if (button.Enabled)
        click(a);
}

} // namespace

MprisState MprisRead(const App& a) {
    const TopForm& Top = a.Top;
    MprisState s;
    s.playbackStatus = Top.PlayState == kPlaying  ? "Playing"
                       : Top.PlayState == kPaused ? "Paused"
                                                  : "Stopped";
    const int option = Top.selectedRepeatOption();
    s.loopStatus = option >= 0 ? kLoopStatus[option] : "None";
    s.volume = Top.VolumeLevel / 100.0;
    s.canGoNext = Top.MusicFoward.Enabled;
    s.canGoPrevious = Top.MusicBack.Enabled;
    // 再生 is disabled while a track plays, but MPRIS clients read CanPlay as "there is a
    // track to play" (playerctl shows no metadata without it); Play then changes nothing.
    s.canPlay = Top.MusicStart.Enabled || Top.PlayState == kPlaying;
    s.canPause = Top.MusicPause.Enabled;
    s.track = ReadTrack(a);
    return s;
}

std::string MprisIdentity(const App& a) {
    return a.Top.Caption;
}

void MprisAddTags(MprisTrack& track, const App& a, TrackTagReader& tags) {
    if (track.slot < 0 || track.path != a.OpenedPath)
        return;
    const TrackTags& read = tags.Read(track.path);
    track.album = read.album;
    track.artUrl = read.artUrl;
}

int64_t MprisPositionUs(const App& a) {
    const TopForm& Top = a.Top;
    // The units digit is -1 between a start and the first tick, which shows 0:00.
    const int64_t seconds = int64_t(Top.MinuteCount) * 60 + Top.SecDigit[1] * 10 +
                            std::max<int16_t>(Top.SecDigit[0], 0);
    return seconds * 1000000;
}

void MprisPlay(App& a) {
    ClickIfEnabled(a, a.Top.MusicStart, MusicStart_Click);
}

void MprisPause(App& a) {
    ClickIfEnabled(a, a.Top.MusicPause, MusicPause_Click);
}

void MprisPlayPause(App& a) {
    if (a.Top.PlayState == kPlaying)
        MprisPause(a);
    else
        MprisPlay(a);
}

void MprisStop(App& a) {
    ClickIfEnabled(a, a.Top.MusicStop, MusicStop_Click);
}

void MprisNext(App& a) {
    ClickIfEnabled(a, a.Top.MusicFoward, MusicFoward_Click);
}

void MprisPrevious(App& a) {
    ClickIfEnabled(a, a.Top.MusicBack, MusicBack_Click);
}

void MprisSetLoopStatus(App& a, const std::string& status) {
    for (int option = 0; option < kRepeatOptions; ++option) {
        if (status == kLoopStatus[option] && a.Top.RepeatOption[option].Enabled) {
            a.Top.selectRepeatOption(option);
            RepeatOption_Click(a, option);
        }
    }
}

void MprisSetVolume(App& a, double volume) {
    MoveKnobToFraction(a, volume);
}

} // namespace zt4
