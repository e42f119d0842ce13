// A long random sequence of clicks, keys, mouse events, timer ticks and library events,
// with the rules that must always hold checked after every handler.

#include "harness.h"

#include <gtest/gtest.h>
#include <random>

namespace zt4::test {
namespace {

class Monkey {
  public:
    explicit Monkey(Harness& h) : h_(h) {
        h_.failPathsContaining("bad");
        h_.view.afterEachHandler = [this] { check(); };
    }
    ~Monkey() { h_.view.afterEachHandler = nullptr; }

    // One random step; false once a rule has been broken.
    bool step(int number) {
        static const char* const files[] = {"a.mp3", "曲 b.mp3", "c \"q\".mp3", "bad.mp3"};
        static const char* const pasted[] = {"", "1", "3", "9", "19", "20", "21", "0", "05", "a1"};
        static const int16_t buttons[] = {1, 1, 2, 4};
        step_ = number;
        TopForm& Top = h_.Top;
        const int mode = pick(3);
        const float x = float(pick(8000)) - 4000;
        switch (pick(18)) {
        case 0:
            h_.ui.dialogAnswers = {pick(5) == 0 ? "" : h_.pathOf(files[pick(4)])};
            h_.run(pick(2) ? FileAdd_Click : MusicFileopen_Click);
            break;
        case 1:
            h_.run(pick(8) == 0 ? FileReset_Click : Sakujo_Click);
            break;
        case 2:
            if (Top.MusicStart.Enabled) // the only button that is ever disabled
                h_.run(MusicStart_Click);
            break;
        case 3:
            h_.run(pick(2) ? MusicPause_Click : MusicStop_Click);
            break;
        case 4:
            h_.run(pick(2) ? MusicBack_Click : MusicFoward_Click);
            break;
        case 5:
            Top.selectRepeatOption(mode);
            h_.run([mode](App& a) { RepeatOption_Click(a, mode); });
            break;
        case 6:
            typeKey();
            break;
        case 7:
            Top.Text1.Caption = pasted[pick(10)];
            break;
        case 8:
            Top.SakujoCheck[pick(kRows)].Value ^= 1;
            break;
        case 9:
            h_.run([b = buttons[pick(4)], x](App& a) { Volumeanalyze1_MouseDown(a, b, 0, x, 0); });
            break;
        case 10:
            h_.run([m = int16_t(pick(4) ? 1 : pick(4)), x](App& a) {
                Volumeanalyze1_MouseMove(a, m, 0, x, 0);
            });
            break;
        case 11:
            h_.run([b = buttons[pick(4)]](App& a) { Volumeanalyze1_MouseUp(a, b, 0, 0, 0); });
            break;
        case 12:
            h_.run(pick(2) ? LeftSide_Click : RightSide_Click);
            break;
        case 13:
            endOfTrack();
            break;
        case 14:
            if (pick(10) == 0)
                h_.failNextOpen();
            else
                h_.run(pick(2) ? faq_Click : version_Click);
            break;
        default:
            h_.advance(pick(4) == 0 ? 1 + pick(2000) : 1 + pick(100));
            break;
        }
        h_.ui.messages.clear();
        statesSeen_ |= 1 << Top.PlayState;
        return problem_.empty();
    }

    const std::string& problem() const { return problem_; }
    int statesSeen() const { return statesSeen_; }

  private:
    int pick(int n) { return int(rng_() % unsigned(n)); }

    // The text box as the view runs it: the key filter first, then at most two characters.
    void typeKey() {
        int16_t key = int16_t(pick(3) == 0 ? pick(128) : pick(2) ? '0' + pick(10) : 8);
        h_.run([&key](App& a) { Text1_KeyPress(a, key); });
        std::string& text = h_.Top.Text1.Caption;
        if (key == 8 && !text.empty())
            text.pop_back();
        else if (key != 0 && key != 8 && text.size() < 2)
            text += char(key);
    }

    // The library ends a file once, after playing it; now and then it sends another code.
    void endOfTrack() {
        const int32_t code = pick(8) == 0 ? pick(6) : 4;
        if (code == 4 && !playing_)
            return;
        playing_ = playing_ && code != 4;
        pick(2) ? h_.endOfTrack(code) : h_.postEndOfTrack(code);
    }

    void fail(const std::string& what) {
        if (problem_.empty())
            problem_ = "step " + std::to_string(step_) + ": " + what;
    }

    void check() {
        const App& a = h_.app;
        const TopForm& Top = h_.Top;
        for (const std::string& call : h_.calls()) {
            if (call.rfind("vbmp3_open(", 0) == 0) {
                const std::string path = call.substr(11, call.size() - 12);
                if (a.CurrentTrack < 0 || a.CurrentTrack >= a.TrackCount ||
                    Top.TrackPath[a.CurrentTrack] != path)
                    fail("opened " + path + " as slot " + std::to_string(a.CurrentTrack));
            }
            if (call.rfind("vbmp3_open(", 0) == 0 || call == "vbmp3_close()")
                playing_ = false;
            else if (call == "vbmp3_play()")
                playing_ = true;
        }
        h_.clearCalls();
        if (h_.markedSlot() == -2)
            fail("more than one mark");
        else if (h_.markedSlot() != Top.markedSlot())
            fail("the mark shows on " + std::to_string(h_.markedSlot()) + ", the form says " +
                 std::to_string(Top.markedSlot()));
        if (Top.PlayState < 0 || Top.PlayState > 4 || a.CurrentTrack < 0 || a.CurrentTrack > kRows)
            fail("PlayState " + std::to_string(Top.PlayState) + ", CurrentTrack " +
                 std::to_string(a.CurrentTrack));
        const std::string playlist = h_.playlistProblem();
        if (!playlist.empty())
            fail(playlist);
        if (Top.Volumeanalyze.Left < 2655 || Top.Volumeanalyze.Left > 5985 ||
            Top.Volumeanalyze1.Left != Top.Volumeanalyze.Left)
            fail("knob at " + std::to_string(Top.Volumeanalyze1.Left));
    }

    Harness& h_;
    std::mt19937 rng_{20240611};
    bool playing_ = false;
    int step_ = 0;
    int statesSeen_ = 0;
    std::string problem_;
};

TEST(Monkey, RandomCommandsKeepThePlayerConsistent) {
    Harness h;
    Monkey monkey(h);
    for (int i = 0; i < 100000 && monkey.step(i); ++i) {
    }
    EXPECT_EQ(monkey.problem(), "");
    EXPECT_EQ(monkey.statesSeen(), 0x1F); // every play state was reached
}

} // namespace
} // namespace zt4::test
