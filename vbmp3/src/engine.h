// The player engine behind the C functions: shared state, and the playback thread.
#pragma once

#include "probe.h"
#include "sink.h"
#include "vbmp3.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vbmp3 {

class Failover;

class Engine {
  public:
    // The one engine of the process. It is never destroyed, so that a playback thread still
    // running at exit finds it intact and no joinable std::thread is ever destroyed.
    static Engine& instance();

    bool init();
    void free();
    bool open(const char* path, vbmp3_fileinfo* info);
    void set_callback(vbmp3_callback_fn fn);
    bool play();
    bool pause();
    bool restart();
    void close();
    void set_volume(int32_t left, int32_t right);

  private:
    Engine() = default;

    // The volume is kept packed, left level in the low 16 bits and right in the high, so that
    // one atomic holds both.
    static constexpr uint32_t pack(StereoLevel level) {
        return static_cast<uint32_t>(level.left) | (static_cast<uint32_t>(level.right) << 16);
    }
    static constexpr StereoLevel unpack(uint32_t packed) {
        return {static_cast<int32_t>(packed & 0xffffu), static_cast<int32_t>(packed >> 16)};
    }

    // Callers hold mutex_ for these.
    // Starts the playback thread unless it runs; false while vbmp3_free is ending it.
    bool start_thread_locked(std::unique_lock<std::mutex>& lock);
    void end_play_locked();
    void wait_for_callback_locked(std::unique_lock<std::mutex>& lock);
    // Ends any play and makes `track` (nullptr: none) the open one, also over what a
    // callback running meanwhile opens or plays; returns with the lock released.
    void replace_track_locked(std::unique_lock<std::mutex>& lock,
                              std::shared_ptr<const Track> track);
    // After end_play_locked: waits, a short while at most, for the playback thread to have
    // silenced the play it was in, so that nothing of it sounds once the caller returns.
    void wait_for_play_to_leave_locked(std::unique_lock<std::mutex>& lock);
    void wake_locked();

    // The playback thread; `generation` tells it from the ones started before it.
    void run(uint64_t generation);
    // What the playback loop of one play asks of the engine.
    class Commands;
    // Holds while paused. False once this play has been ended.
    bool hold_while_paused(uint64_t play_id, Failover& out);
    bool current(uint64_t play_id) const { return play_id == play_id_ && !quit_; }

    std::mutex mutex_;
    // The playback thread waits on it for commands while it plays nothing; while it plays, in
    // its output, which output_->wake() interrupts.
    std::condition_variable wake_;
    // Callers wait on it for the playback thread to leave an ended play.
    std::condition_variable play_left_;
    // Callers wait on it for a running callback to return.
    std::condition_variable callback_done_;
    // vbmp3_free waits on it for the playback thread to end.
    std::condition_variable thread_ended_;

    // Everything below up to volume_ is guarded by mutex_.
    std::thread thread_;
    std::thread::id thread_id_;
    bool quit_ = false;
    bool joining_ = false;           // a call is waiting for the thread to end
    uint64_t thread_generation_ = 0; // of the newest playback thread
    uint64_t ended_generation_ = 0;  // the newest of those that have ended
    // Counts every open, play, close and free. A play goes on only while this still has the
    // value it had at its start; an end event is sent only then. That is what stops an old
    // play's event once a call that replaces it has returned.
    uint64_t play_id_ = 0;
    std::shared_ptr<const Track> track_;
    // VBMP3_OUTPUT as it was at vbmp3_play.
    std::string output_name_;
    bool play_requested_ = false; // vbmp3_play not yet taken up by the thread
    bool playing_ = false;        // from vbmp3_play until the end, or open/close
    bool paused_ = false;
    // The generation of the thread whose callback is running (0: none).
    uint64_t in_callback_ = 0;
    vbmp3_callback_fn callback_ = nullptr;
    // The newest playback thread's output, and the play it is in (0: none). A thread that
    // vbmp3_free left behind clears only what it set itself.
    Failover* output_ = nullptr;
    uint64_t active_play_ = 0;

    // Read once per block.
    std::atomic<uint32_t> volume_{pack(kFullVolume)};
};

} // namespace vbmp3
