#include "playlist/playlist.h"

// Reset puts the clock and the repeat mode back as Stop and a click on リピートしない do.
#include "playback/repeat.h"
#include "playback/track_start.h"

#include <sys/stat.h>

namespace zt4 {

namespace {

const char* const kMp3Filter = "MP3ファイル(*.mp3)|*.mp3";

// The delete command's tally: a ticked free slot adds 1, a ticked track 30.
constexpr int kTallyFreeSlot = 1;
constexpr int kTallyTrack = 30;

// The add command's step 2: with all slots filled, says so and refuses.
bool RefuseWhenFull(App& a) {
    if (a.TrackCount <= kRows - 1)
        return false;
    a.ui.MsgBox("選曲数は" + std::to_string(kRows) + "以内でお願いします");
    return true;
}

// The add command's steps 6 to 10: the chosen file into the next free slot.
void PutInNextSlot(App& a, const std::string& path) {
    TopForm& Top = a.Top;
    const int16_t n = a.TrackCount;
    Top.TrackPath[n] = path;
    Top.MusicStart.Enabled = true;
    Top.mpath[n].Caption = RowCaption(n, Top.TrackPath[n]);
    a.TrackCount = n + 1;
}

bool EndsWithMp3(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return end == ".mp3";
}

} // namespace

std::string FileNamePart(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string RowCaption(int slot, const std::string& path) {
    return "★" + std::to_string(slot + 1) + "★" + FileNamePart(path);
}

void AddTrack(App& a) {
    TopForm& Top = a.Top;
    if (RefuseWhenFull(a))
        return;
    Top.Dialog.Filter = kMp3Filter;
    a.ui.ShowOpen(Top.Dialog);
    if (Top.Dialog.FileName.empty())
        return;
    PutInNextSlot(a, Top.Dialog.FileName);
    Top.Dialog.FileName = "";
}

bool CheckAddable(const std::string& path, std::ostream& skipped) {
    struct stat info {};
    if (EndsWithMp3(path) && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode))
        return true;
    skipped << "zt4: not an MP3 file, skipped: " << path << '\n';
    return false;
}

void AddFiles(App& a, std::deque<std::string>& paths, std::ostream& skipped) {
    while (!paths.empty()) {
        const std::string path = std::move(paths.front());
        paths.pop_front();
        if (!CheckAddable(path, skipped))
            continue;
        if (RefuseWhenFull(a)) {
            paths.clear();
            return;
        }
        PutInNextSlot(a, path);
    }
}

bool FileBatch::join(const std::vector<std::string>& paths) {
    paths_.insert(paths_.end(), paths.begin(), paths.end());
    if (waiting_ || paths_.empty())
        return false;
    waiting_ = true;
    return true;
}

void FileBatch::add(App& a, std::ostream& skipped) {
    AddFiles(a, paths_, skipped);
    waiting_ = false;
}

void FileReset_Click(App& a) {
    TopForm& Top = a.Top;
    Top.Timer1.Enabled = false;
    Top.MusicStart.Enabled = false;
    Top.Text1.Caption = "";
    Top.MusicBackTimer.Enabled = false;
    ShowClockZero(a);
    Top.Label1.Caption = TopForm::kInstruction;
    Top.selectRepeatOption(kNoRepeat);
    RepeatOption_Click(a, kNoRepeat);
    a.NextTrackPending = 0;
    Top.PlayState = kIdle;
    ResetClock(a, 0);
    Top.BackTicks = 0;
    a.Top.clearEveryMark();
    a.TrackCount = 0;
    a.CurrentTrack = 0;
    for (int i = 0; i < kRows; ++i) {
        Top.TrackPath[i].clear();
        Top.mpath[i].Caption = "";
        Top.SakujoCheck[i].Value = 0;
    }
    a.lib.vbmp3_close();
}

void Sakujo_Click(App& a) {
    TopForm& Top = a.Top;
    const int16_t state = Top.PlayState;
    const bool stopped = state == kIdle || state == kFinished || state == kStopped;
    if (!stopped || !Top.MusicStart.Enabled) {
        a.ui.MsgBox("停止ボタンを押してから削除処理を行ってください");
        return;
    }

    int tally = 0;
    int16_t deleted = 0;
    for (int i = 0; i < kRows; ++i) {
        if (Top.SakujoCheck[i].Value != 1)
            continue;
        if (Top.TrackPath[i].empty()) {
            tally += kTallyFreeSlot;
            a.ui.MsgBox("選曲範囲外です");
            Top.SakujoCheck[i].Value = 0;
        } else {
            tally += kTallyTrack;
            Top.TrackPath[i].clear();
            Top.mpath[i].Caption = "";
            Top.SakujoCheck[i].Value = 0;
            deleted += 1;
        }
    }
    if (tally == 0) {
        a.ui.MsgBox("削除する曲をチェックボックスで選択してください");
        return;
    }
    if (tally < kTallyTrack)
        return;

    // Each remaining track slides down into the free slots below it, keeping the order.
    if (deleted != a.TrackCount) {
        for (int k = 1; k <= a.TrackCount - 1; ++k) {
            if (Top.TrackPath[k].empty())
                continue;
            for (int j = k; j > 0 && Top.TrackPath[j - 1].empty(); --j) {
                Top.TrackPath[j - 1] = std::move(Top.TrackPath[j]);
                Top.TrackPath[j].clear();
                Top.mpath[j - 1].Caption = RowCaption(j - 1, Top.TrackPath[j - 1]);
                Top.mpath[j].Caption = "";
            }
        }
    }
    a.TrackCount -= deleted;
}

} // namespace zt4
