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

    // Starts a stream on the output named by `spec` (see VBMP3_OUTPUT in vbmp3.h; "" for the
    // default devices). Without a device the stream plays silently.
    void start(const std::string& spec, long rate);
    // Plays whole frames, blocking while the device is full. If the device fails, reopens
    // it and goes on from the same frame, or else goes on silently.
    void play(unsigned char* pcm, size_t bytes);
    void pause();
    void resume();
    // Plays out what the device holds, then ends the stream.
    void finish();
    // Drops what the device holds and ends the stream.
    void abort();

    // True while playing without a device: the caller then waits until due() before the
    // next block, which paces playback in real time.
    bool silent() const { return !started_; }
    Clock::time_point due() const { return due_; }
    // While silent for want of a device, tries it again every so often.
    void retry();

  private:
    bool open_device();
    void close_device();
    void go_silent();

    out123_struct* ao_ = nullptr;
    std::string spec_;
    bool spec_parsed_ = false;
    std::string driver_;
    std::string device_;
    bool null_ = false;   // the "null" output: silent by choice, never retried
    bool opened_ = false; // driver loaded (out123_open)
    bool started_ = false;
    long rate_ = 0;
    Clock::time_point due_{};
    Clock::time_point retry_at_{};
};

} // namespace vbmp3
