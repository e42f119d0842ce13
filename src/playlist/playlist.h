#pragma once
// Adding tracks, resetting the list and deleting ticked tracks.

#include "core/app.h"

#include <deque>
#include <ostream>
#include <string>
#include <vector>

namespace zt4 {

void AddTrack(App& a); // one command behind FileAdd and the menu item MusicFileopen
inline void FileAdd_Click(App& a) {
    AddTrack(a);
}
inline void MusicFileopen_Click(App& a) {
    AddTrack(a);
}
void FileReset_Click(App& a);
void Sakujo_Click(App& a);

// Files given from outside the window (the command line, a drop, the desktop's media
// controls): each goes through the add command's steps with the dialog answering it, in
// order, into the next free slots. A name that is not an existing regular file ending in
// ".mp3" (any letter case) is named on `skipped` and left out. Once the list is full the
// full-list message shows, once for the whole batch, and the rest is not added. Names keep
// their bytes, also when they are not UTF-8.
// The files are taken from the front of `paths`, which ends empty. Files that join it while
// the full-list message is open belong to the same batch (a hand-over of many files arrives
// one call at a time) and are not added either.
void AddFiles(App& a, std::deque<std::string>& paths, std::ostream& skipped);

// The files handed over from outside and not yet added: the batch AddFiles takes them from.
class FileBatch {
  public:
    // Adds `paths` to the batch; true when no batch was waiting or being added, so that
    // the caller is to have add() run once for all of them.
    bool join(const std::vector<std::string>& paths);
    // AddFiles over the batch; files that join while it runs belong to it.
    void add(App& a, std::ostream& skipped);

  private:
    std::deque<std::string> paths_;
    bool waiting_ = false; // join asked for an add() that has not yet returned
};
// True for a file AddFiles takes; otherwise names it on `skipped` and returns false.
bool CheckAddable(const std::string& path, std::ostream& skipped);

// What follows the path's last separator; the whole path when it has none.
std::string FileNamePart(const std::string& path);
// The row caption: "★" + (slot + 1) + "★" + file name.
std::string RowCaption(int slot, const std::string& path);

} // namespace zt4
