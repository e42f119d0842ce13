#pragma once
// The player's logic with everything around it made controllable: the recording fake
// library (loaded through the real binding), a virtual clock, and answers for the
// message boxes and the open-file dialog.

#include "core/app.h"
#include "temp_folder.h"
#include "wiring/dispatcher.h"
#include "wiring/handlers.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zt4::test {

class TestUi : public UiServices {
  public:
    void ShowFaq(const std::string& text) override { faqShown.push_back(text); }
    void ShowAbout() override { ++aboutShown; }
    void EndProgram() override { ++ended; }

    std::vector<std::string> messages;     // every message box, in order
    std::deque<std::string> dialogAnswers; // what the next dialogs return ("" = cancel)
    std::vector<std::string> filtersSeen;  // the filter of each dialog shown
    std::vector<std::string> faqShown;
    int aboutShown = 0;
    int ended = 0;
    // Run while a message box or the dialog is open: what the program does meanwhile.
    std::function<void()> duringMessage;
    std::function<void()> duringDialog;

  private:
    void showMessage(const std::string& text) override {
        messages.push_back(text);
        if (duringMessage)
            duringMessage();
    }
    void showOpenDialog(CommonDialog& dialog) override;
};

// The logic tests pump the dispatcher themselves and look at the model, not at a view; a
// test may check the model after every handler.
class TestView : public DispatchObserver {
  public:
    std::function<void()> afterEachHandler;
    int wakes = 0; // how often the dispatcher asked for a pump

  private:
    void afterHandler() override {
        if (afterEachHandler)
            afterEachHandler();
    }
    void beforeModal() override {}
    void wake() override { ++wakes; }
};

class Harness {
  public:
    // Starts the program (Form_Load) with `folder` as the current folder, "" for a fresh
    // empty temporary one, on the recording fake library unless another is named.
    explicit Harness(const std::string& folder = "", const std::string& library = FAKE_VBMP3_PATH);
    ~Harness();

    // Runs a handler through the dispatcher, as a click would.
    void run(const std::function<void(App&)>& handler);
    // Moves the virtual clock on, firing every timer tick due on the way.
    void advance(int64_t ms);
    // The library reports the end of the playing file (code 4 unless told otherwise).
    void endOfTrack(int32_t code = 4);
    // The same, but the event waits in the queue until the next handler or advance() pumps
    // it; a file opened or closed in between makes it stale.
    void postEndOfTrack(int32_t code = 4);

    // Adds tracks through the add command: "<folder>/<name>" for each name.
    void addTracks(const std::vector<std::string>& names);
    std::string pathOf(const std::string& name) const { return folder + "/" + name; }
    // The calls that open and play "<folder>/<name>".
    std::vector<std::string> playCalls(const std::string& name) const {
        return {"vbmp3_open(" + pathOf(name) + ")", "vbmp3_callback(fn)", "vbmp3_play()"};
    }

    // The library calls since the last clearCalls().
    std::vector<std::string> calls() const;
    void clearCalls();
    // The library calls a handler makes, or the ticks of the next `ms` milliseconds.
    std::vector<std::string> callsOf(const std::function<void(App&)>& handler) {
        clearCalls();
        run(handler);
        return calls();
    }
    std::vector<std::string> callsWithin(int64_t ms) {
        clearCalls();
        advance(ms);
        return calls();
    }
    void failNextOpen();
    void failPathsContaining(const std::string& part);

    // The index of the slot that shows "●", -1 for none, -2 for more than one.
    int markedSlot() const;
    // "m:ss" as the clock labels show it.
    std::string clock() const;
    // PlayState, Label1, the marked slot and which of MusicStart, MusicPause, Timer1 and
    // MusicBackTimer are enabled: "1 再生中 ●2 0111" ("●-" for no mark).
    std::string status() const;
    // The first broken playlist rule, "" when all hold: the filled slots are exactly
    // 0..TrackCount-1, each captioned "★n★name", every other row empty, no box ticked
    // unless `boxesMayBeTicked`.
    std::string playlistProblem(bool boxesMayBeTicked = true) const;

  private:
    // The fresh folder made when none was given: made first and removed last, around
    // everything that works in it.
    std::optional<TempFolder> ownFolder_;

  public:
    std::string folder;
    Vbmp3Binding lib;
    TestUi ui;
    TestView view;
    int64_t now = 0;
    Dispatcher dispatcher;
    App& app;
    TopForm& Top;

  private:
    std::string oldFolder_;
};

} // namespace zt4::test
