#include "harness.h"

#include "fake_vbmp3/fake_vbmp3.h"

#include <climits>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace zt4::test {

namespace {

std::string CurrentFolder() {
    char buffer[PATH_MAX];
    return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "/";
}

} // namespace

void TestUi::showOpenDialog(CommonDialog& dialog) {
    filtersSeen.push_back(dialog.Filter);
    if (duringDialog)
        duringDialog();
    if (dialogAnswers.empty())
        return;
    if (!dialogAnswers.front().empty())
        dialog.FileName = dialogAnswers.front();
    dialogAnswers.pop_front();
}

Harness::Harness(const std::string& dir, const std::string& library)
    : folder(dir.empty() ? ownFolder_.emplace().dir() : dir), lib(library),
      dispatcher(
          lib, ui, [this] { return now; }, view),
      app(dispatcher.app()), Top(app.Top) {
    oldFolder_ = CurrentFolder();
    if (chdir(folder.c_str()) != 0)
        throw std::runtime_error("cannot enter " + folder);
    if (library == FAKE_VBMP3_PATH)
        reinterpret_cast<fake_reset_fn>(lib.symbol("fake_reset"))();
    run(Form_Load);
}

Harness::~Harness() {
    if (chdir(oldFolder_.c_str()) != 0)
        std::abort();
}

void Harness::run(const std::function<void(App&)>& handler) {
    dispatcher.run(handler);
}

void Harness::advance(int64_t ms) {
    const int64_t target = now + ms;
    for (;;) {
        dispatcher.pump();
        const int64_t due = dispatcher.nextDue();
        if (due < 0 || due > target)
            break;
        now = due > now ? due : now;
    }
    now = target;
    dispatcher.pump();
}

void Harness::endOfTrack(int32_t code) {
    reinterpret_cast<fake_fire_callback_fn>(lib.symbol("fake_fire_callback"))(code, 0);
    dispatcher.pump();
}

void Harness::addTracks(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        ui.dialogAnswers.push_back(pathOf(name));
        run(AddTrack);
    }
}

void Harness::postEndOfTrack(int32_t code) {
    reinterpret_cast<fake_fire_callback_fn>(lib.symbol("fake_fire_callback"))(code, 0);
}

std::vector<std::string> Harness::calls() const {
    const char* text =
        reinterpret_cast<fake_calls_fn>(const_cast<Vbmp3Binding&>(lib).symbol("fake_calls"))();
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void Harness::clearCalls() {
    reinterpret_cast<fake_clear_calls_fn>(lib.symbol("fake_clear_calls"))();
}

void Harness::failNextOpen() {
    reinterpret_cast<fake_fail_next_open_fn>(lib.symbol("fake_fail_next_open"))();
}

void Harness::failPathsContaining(const std::string& part) {
    reinterpret_cast<fake_fail_paths_containing_fn>(lib.symbol("fake_fail_paths_containing"))(
        part.c_str());
}

int Harness::markedSlot() const {
    int found = -1;
    for (int i = 0; i < kRows; ++i) {
        if (Top.Startm[i].Caption == "●")
            found = found == -1 ? i : -2;
    }
    return found;
}

std::string Harness::clock() const {
    return Top.Labelmin.Caption + ":" + Top.Labelsec[1].Caption + Top.Labelsec[0].Caption;
}

std::string Harness::status() const {
    const int mark = markedSlot();
    std::string s = std::to_string(Top.PlayState) + " " + Top.Label1.Caption + " ●" +
                    (mark == -1 ? "-" : std::to_string(mark)) + " ";
    for (bool on : {Top.MusicStart.Enabled, Top.MusicPause.Enabled, Top.Timer1.Enabled,
                    Top.MusicBackTimer.Enabled})
        s += on ? '1' : '0';
    return s;
}

std::string Harness::playlistProblem(bool boxesMayBeTicked) const {
    if (app.TrackCount < 0 || app.TrackCount > kRows)
        return "TrackCount " + std::to_string(app.TrackCount);
    if (!Top.TrackPath[kRows].empty())
        return "TrackPath(20) is used";
    for (int i = 0; i < kRows; ++i) {
        const bool filled = i < app.TrackCount;
        const std::string slot = "slot " + std::to_string(i);
        if (Top.TrackPath[i].empty() == filled)
            return slot + (filled ? " is free" : " is filled");
        const std::string caption = filled ? RowCaption(i, Top.TrackPath[i]) : "";
        if (Top.mpath[i].Caption != caption)
            return slot + " shows " + Top.mpath[i].Caption;
        if (!boxesMayBeTicked && Top.SakujoCheck[i].Value != 0)
            return slot + " is still ticked";
    }
    return "";
}

} // namespace zt4::test
