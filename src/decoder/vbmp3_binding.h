#pragma once
// The player's side of libvbmp3: loads the library by name and looks each function up once,
// at its first call. If the library or a function is missing, the call fails (returns 0) and
// the loader's message goes to standard error once; the program goes on.
//
// The binding also owns the way back: PlaybackCallback, the function the player registers
// with vbmp3_callback, posts each event to the queue of the binding made last, stamped with
// its file generation.

#include "decoder/library_events.h"
#include "vbmp3.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace zt4 {

// Entered by the library on its playback thread; only posts the event (see above).
extern "C" void PlaybackCallback(int32_t code, int32_t value);

class Vbmp3Binding {
  public:
    // A bare name is found through the executable's run path; tests pass a full path.
    explicit Vbmp3Binding(std::string library = "libvbmp3.so");
    ~Vbmp3Binding();
    Vbmp3Binding(const Vbmp3Binding&) = delete;
    Vbmp3Binding& operator=(const Vbmp3Binding&) = delete;

    int32_t vbmp3_init();
    int32_t vbmp3_free();
    int32_t vbmp3_open(const std::string& path, vbmp3_fileinfo& info);
    int32_t vbmp3_callback(vbmp3_callback_fn fn);
    int32_t vbmp3_play();
    int32_t vbmp3_pause();
    int32_t vbmp3_restart();
    int32_t vbmp3_close();
    int32_t vbmp3_setVolume(int32_t left, int32_t right);

    // vbmp3_open's failure is 0 in the low 16 bits of its result.
    static bool opened(int32_t result) { return (result & 0xFFFF) != 0; }

    // Counts the opens and closes made so far. An end event stamped with an older count
    // belongs to a file that has since been replaced or closed.
    uint64_t fileGeneration() const { return generation_.load(std::memory_order_acquire); }

    // The events PlaybackCallback has posted, for the UI thread to take.
    LibraryEvents& events() { return events_; }

    // Looks a function up (loading the library first if need be); nullptr when missing.
    void* symbol(const char* name);

  private:
    enum Function { kInit, kFree, kOpen, kCallback, kPlay, kPause, kRestart, kClose, kVolume };
    template <typename Fn, typename... Args>
    int32_t call(Function which, const char* name, Args... args);

    std::string library_;
    void* handle_ = nullptr;
    bool loadFailed_ = false;
    std::array<void*, kVolume + 1> functions_{};
    std::array<bool, kVolume + 1> lookedUp_{};
    std::atomic<uint64_t> generation_{0};
    LibraryEvents events_;
};

} // namespace zt4
