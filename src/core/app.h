#pragma once
// Everything the commands work on: the main window's model, the program-wide variables,
// the decoder library and the toolkit services.

#include "core/dialogs.h"
#include "core/played_time.h"
#include "decoder/vbmp3_binding.h"
#include "form/top_form.h"

#include <cstdint>
#include <functional>
#include <string>

namespace zt4 {

struct App {
    using Clock = std::function<int64_t()>; // milliseconds, monotonic

    App(Vbmp3Binding& library, UiServices& services, ModalBracket& modal, Clock clock)
        : lib(library), ui(services, modal), now(std::move(clock)) {}

    TopForm Top;

    // Program-wide variables.
    int16_t CurrentTrack = 0;     // slot that plays or plays next
    int16_t TrackCount = 0;       // filled slots, 0..20; they are 0..TrackCount-1
    int16_t NextTrackPending = 0; // 1: the next Timer1 tick starts slot CurrentTrack
    std::string FaqBody;          // FAQ.txt, each line preceded by CR LF

    // The slot a Timer1 tick last failed to open, so that its retries do not repeat the
    // message; -1 when none.
    int16_t Timer1FailedSlot = -1;

    // What the library told of the file it last opened (title, artist, length), for the
    // desktop's media controls; OpenedPath is "" before the first open.
    std::string OpenedPath;
    vbmp3_fileinfo OpenedInfo{};

    // The library's file generation when an end of track enabled RepeatTimer.
    uint64_t RepeatFileGeneration = 0;

    // How long the current file has played, for the desktop's media controls.
    PlayedTime Played;
    // Playbacks started from a file's beginning so far; each one is a new track for the
    // desktop's media controls, also when it is the same file again.
    uint32_t PlaysStarted = 0;

    Vbmp3Binding& lib;
    Dialogs ui;
    // The program's clock, read where a handler talks to the library, so that the time the
    // sound started is not taken before a slow open; a test's virtual clock makes it exact.
    const Clock now;
    bool Ended = false; // set by the shut-down; no handler runs afterwards
};

} // namespace zt4
