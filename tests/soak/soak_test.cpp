// A thousand track changes through the player's logic and the real library: repeat-all
// over three short tracks, the library playing into its silent real-time output. Every
// play must end exactly once, and nothing may hang or leak (the sanitizer build checks).

#include "decoder/library_events.h"
#include "harness.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace zt4::test {
namespace {

int Changes() {
    const char* text = std::getenv("ZT4_SOAK_CHANGES");
    return text != nullptr ? std::atoi(text) : 1000;
}

TEST(Soak, RepeatAllThroughAThousandTrackChanges) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zt4-soak-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    for (const char* tone : {"440", "660", "880"}) {
        const std::string wav = (dir / "t.wav").string();
        const std::string mp3 = (dir / (std::string(tone) + ".mp3")).string();
        const std::string make = "sox -n -r 44100 -c 2 " + wav + " synth 0.3 sine " + tone +
                                 " && lame --quiet -b 128 " + wav + " " + mp3;
        ASSERT_EQ(std::system(make.c_str()), 0) << make;
    }
    ASSERT_EQ(chdir(dir.c_str()), 0);
    setenv("VBMP3_OUTPUT", "null", 1);

    Vbmp3Binding lib(REAL_VBMP3_PATH);
    TestUi ui;
    App app(lib, ui);
    int64_t now = 0;
    Dispatcher dispatcher(app, [&now] { return now; });
    std::mutex mutex;
    std::condition_variable arrived;
    int posted = 0;
    lib.events().setWake([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++posted;
        arrived.notify_all();
    });
    // The virtual clock runs every tick due on the way, as the program's event loop would.
    auto advance = [&](int64_t ms) {
        const int64_t target = now + ms;
        for (int64_t due; dispatcher.pump(), (due = dispatcher.nextDue()) >= 0 && due <= target;)
            now = std::max(now, due);
        now = target;
        dispatcher.pump();
    };
    auto click = [&](void (*handler)(App&)) { dispatcher.run([&app, handler] { handler(app); }); };

    click(Form_Load);
    for (const char* tone : {"440", "660", "880"}) {
        ui.dialogAnswers.push_back((dir / (std::string(tone) + ".mp3")).string());
        click(AddTrack);
    }
    app.Top.selectRepeatOption(0);
    dispatcher.run([&app] { RepeatOption_Click(app, 0); });
    click(MusicStart_Click);

    const int changes = Changes();
    for (int handled = 0; handled < changes; ++handled) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ASSERT_TRUE(
                arrived.wait_for(lock, std::chrono::seconds(10), [&] { return posted > handled; }))
                << "no end of track after change " << handled;
        }
        advance(1000); // the tick that starts the next slot
        ASSERT_EQ(app.Top.PlayState, 1);
        ASSERT_EQ(app.Top.Startm[(handled + 1) % 3].Caption, "●");
    }
    click(MusicStop_Click);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    {
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(posted, changes); // one end per play; the last play was stopped
    }
    EXPECT_TRUE(ui.messages.empty());
    click(exit_Click);
    lib.events().setWake(nullptr);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace zt4::test
