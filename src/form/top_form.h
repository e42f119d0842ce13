#pragma once
// The main window "Top" as a plain object: its widgets with their design values, its menus,
// its five timers and the state it holds for the commands. The Qt view draws this; the
// commands read and change it.

#include "form/control.h"

#include <array>
#include <cstdint>
#include <string>

namespace zt4 {

constexpr int kRows = 20;     // playlist rows, 0 to 19
constexpr int16_t kTrue = -1; // 16-bit booleans: -1 true, 0 false
constexpr int16_t kFalse = 0;

// PlayState's values.
constexpr int16_t kIdle = 0;
constexpr int16_t kPlaying = 1;
constexpr int16_t kPaused = 2;
constexpr int16_t kFinished = 3; // the last slot ended with no repeat
constexpr int16_t kStopped = 4;

// The repeat options, by index.
constexpr int kRepeatOptions = 3;
constexpr int kRepeatAll = 0;
constexpr int kRepeatOne = 1;
constexpr int kNoRepeat = 2;

// The repeat captions' colours: the selected mode's and the two others'.
constexpr Rgb kSelectedMode{255, 185, 0};
constexpr Rgb kOtherMode{0, 230, 255};

// The client area plus the menu bar and a nominal frame, before the window is first shown.
constexpr float kOuterExtraWidth = 120;
constexpr float kOuterExtraHeight = 780;

struct TopForm {
    TopForm();

    // The window itself.
    std::string Name = "Top";
    std::string Caption = "MP3音楽再生";
    float ClientWidth = 9135, ClientHeight = 8775;
    float ScreenLeft = 1905, ScreenTop = 2490;    // client area's corner on the screen
    float Width = ClientWidth + kOuterExtraWidth; // outer size read by the load step
    float Height = ClientHeight + kOuterExtraHeight;
    Rgb BackColor{0, 64, 0};
    FontSpec Font;

    // Widgets outside the playlist.
    Control Label1, Label2, Text1;
    std::array<Control, kRepeatOptions> RepeatOption, ROLabel;
    Control Labelmin, Colon;
    std::array<Control, 2> Labelsec;
    Control FileAdd, Sakujo, LeftSide, Volumeanalyze, Volumeanalyze1, RightSide, FileReset;
    Control MusicBack, MusicStop, MusicFoward, MusicStart, MusicPause;
    Line Line1, Line2;
    CommonDialog Dialog;

    // The playlist rows.
    std::array<Control, kRows> SakujoCheck, Startm, mpath;

    // Menus.
    MenuItem file, MusicFileopen, kugiri, exit, help, faq, version;

    // Timers.
    Timer Timer1, Timer2, RepeatTimer, MusicBackTimer, MDrugTimer;

    // State held by the window for the commands.
    int16_t PlayState = kIdle;
    std::array<std::string, kRows + 1> TrackPath; // full path per slot, "" = free; 20 unused
    std::array<int16_t, 2> SecDigit{};            // units and tens of the elapsed seconds
    int16_t MinuteCount = 0;
    int16_t BackTicks = 0;   // MusicBackTimer ticks since the current track started
    int16_t VolumeLevel = 0; // 0..100
    int16_t KnobLeft = 0;    // working knob position of the volume buttons
    int16_t Dragging = kFalse;
    float DragStartX = 0;
    int16_t FaqFound = kFalse;

    // The text label default: the status instruction shown at start-up and after a reset.
    static const char* const kInstruction;

    // Every control, in the keyboard focus order first and the rest after it.
    template <typename F> void forEachControl(F&& f);
    // Whether the repeat option `index` is selected.
    bool isRepeatSelected(int index) const { return RepeatOption[index].Value != 0; }
    // The index of the selected repeat option, or -1 when none is.
    int selectedRepeatOption() const;
    // Selects one repeat option and clears the two others, as the option group does.
    void selectRepeatOption(int index);
    // The play mark "●" beside a slot, on one slot at most: showing it on a slot takes it
    // off any other.
    void showMark(int slot);
    void clearMark(int slot);
    // Also in the moment between a track's end and the tick that acts on it, when the mark
    // still stands on the slot that ended and CurrentTrack already names the next one.
    void clearEveryMark();
    // The slot that carries the play mark, or -1 when none does.
    int markedSlot() const { return markedSlot_; }
    // What a screen reader names a control: its AccessibleName; for a delete mark, the row
    // it marks, with the row's file name while the row holds a track.
    std::string accessibleName(const Control& c) const;

  private:
    int markedSlot_ = -1;
};

template <typename F> void TopForm::forEachControl(F&& f) {
    for (Control* c :
         {&MusicStart, &MusicStop, &FileReset, &LeftSide, &RightSide, &MusicPause, &MusicFoward,
          &MusicBack, &RepeatOption[0], &RepeatOption[1], &RepeatOption[2], &FileAdd, &Sakujo})
        f(*c);
    for (Control& c : SakujoCheck)
        f(c);
    for (Control* c : {&Text1, &Label1, &Label2, &ROLabel[0], &ROLabel[1], &ROLabel[2], &Labelmin,
                       &Colon, &Labelsec[1], &Labelsec[0], &Volumeanalyze, &Volumeanalyze1})
        f(*c);
    for (Control& c : Startm)
        f(c);
    for (Control& c : mpath)
        f(c);
}

} // namespace zt4
