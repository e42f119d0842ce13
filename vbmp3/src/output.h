// Sound output through libout123, with silent real-time playing when there is no device.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

struct out123_struct;

namespace vbmp3 {

using Clock = std::chrono::steady_clock;

// Used by the playback thread alone. Plays 16-bit stereo in the stream's own rate.
class Output {
  public:
    Output() = default;
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Starts a stream on the output named by `wanted` (see VBMP3_OUTPUT in vbmp3.h; "" for the
    // default devices). Without a device the stream plays silently.
    void start(const std::string& wanted, long rate);
    // Plays whole frames, blocking while the device is full, and returns how many bytes it
    // took. If the device fails (server restarted, device unplugged), it is reopened and the
    // rest goes on from the frame it did not take; while it cannot be, fewer bytes are
    // taken, and the caller offers the rest again at due(). After a few seconds of that the
    // output goes on silently.
    size_t play(const unsigned char* pcm, size_t bytes);
    void pause();
    void resume();
    // Plays out what the device holds, then ends the stream.
    void finish();
    // Drops what the device holds and ends the stream.
    void abort();

    // True while playing without a device, silently or holding on for a lost one: the
    // caller then waits until due() before it offers the next block, which paces silent
    // playback in real time and spaces the tries to reopen a lost device.
    bool silent() const { return !started_; }
    Clock::time_point due() const { return due_; }
    // While silent for want of a device, tries it again every so often.
    void retry();

  private:
    bool open_device();
    void close_device();
    void go_silent();
    // Tries a lost device again. After it, the device is back, or given up on (silent), or
    // still lost with the next try at due().
    void reconnect();

    out123_struct* ao_ = nullptr;
    std::string wanted_;
    bool wanted_parsed_ = false;
    std::string driver_;
    std::string device_;
    bool null_ = false;   // the "null" output: silent by choice, never retried
    bool opened_ = false; // driver loaded (out123_open)
    bool started_ = false;
    // A device that played has failed: playback holds its place while it is tried again.
    bool lost_ = false;
    // Since when writes have failed, without one that went through whole; {} while they
    // go through.
    Clock::time_point failing_since_{};
    Clock::duration lost_backoff_{};
    long rate_ = 0;
    Clock::time_point due_{};
    Clock::time_point retry_at_{};
};

} // namespace vbmp3
