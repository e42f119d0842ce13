#pragma once
// Adding tracks, resetting the list and deleting ticked tracks.

#include "core/app.h"

#include <string>

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

// What follows the path's last separator; the whole path when it has none.
std::string FileNamePart(const std::string& path);
// The row caption: "★" + (slot + 1) + "★" + file name.
std::string RowCaption(int slot, const std::string& path);

} // namespace zt4
