#pragma once
// What the desktop's media controls (MPRIS 2) see of the player and what their requests do,
// without D-Bus: the Qt adaptor publishes these values and calls these commands through
// the dispatcher, one handler at a time like clicks.

#include "core/app.h"
#include "mpris/track_tags.h"

#include <cstdint>
#include <string>

namespace zt4 {

// The current track: the slot that carries the play mark, else CurrentTrack if it is filled.
struct MprisTrack {
    int slot = -1; // -1: no track (then the other fields are empty)
    std::string path;
    std::string url;      // the path as a file URI
    std::string title;    // the tag's title, else the file name
    std::string artist;   // the tag's artist, "" when none
    int64_t lengthUs = 0; // the library's length; 0 when the file has not been opened
    std::string album;    // the tag's album, "" when none (see MprisAddTags)
    std::string artUrl;   // file:// URL of its cover in the cache, "" when it has none
    bool operator==(const MprisTrack& o) const {
        return slot == o.slot && path == o.path && url == o.url && title == o.title &&
               artist == o.artist && lengthUs == o.lengthUs && album == o.album &&
               artUrl == o.artUrl;
    }
    bool operator!=(const MprisTrack& o) const { return !(*this == o); }
};

// The properties the player signals when they change (Position is read on demand).
struct MprisState {
    std::string playbackStatus; // "Playing", "Paused" or "Stopped"
    std::string loopStatus;     // "Playlist", "Track" or "None"
    double volume = 0;          // VolumeLevel as a fraction of 100
    // The buttons' enabled states; CanPlay also while a track plays.
    bool canGoNext = false, canGoPrevious = false, canPlay = false, canPause = false;
    MprisTrack track;
};

MprisState MprisRead(const App& a);
// Adds the album and the cover of `track` from its file's tags once the file has been
// opened, as its title and artist come then; nothing before.
void MprisAddTags(MprisTrack& track, const App& a, TrackTagReader& tags);
// The player's name as the desktop shows it.
std::string MprisIdentity(const App& a);
// The elapsed-time clock in microseconds.
int64_t MprisPositionUs(const App& a);

// Each is a click on the matching button, made only when that button is enabled.
void MprisPlay(App& a);      // 再生
void MprisPause(App& a);     // 一時停止
void MprisPlayPause(App& a); // 一時停止 while playing, else 再生
void MprisStop(App& a);      // 停止
void MprisNext(App& a);      // 次へ
void MprisPrevious(App& a);  // 戻る
// Selects the repeat option for "Playlist", "Track" or "None" as a click would; any other
// value changes nothing.
void MprisSetLoopStatus(App& a, const std::string& status);
// Moves the knob to the nearest position and sends the level the usual way.
void MprisSetVolume(App& a, double volume);

} // namespace zt4
