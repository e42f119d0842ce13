// Sound output: a Pulse server (PulseAudio or PipeWire) through its own client library,
// else libout123's drivers (ALSA, files), with silent real-time playing when there is no
// device.
#pragma once

#include "pulse.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

struct out123_struct;

namespace vbmp3 {

using Clock = std::chrono::steady_clock;

// Used by the playback thread alone, but for wake(). Plays 16-bit stereo in the stream's own
// rate.
class Output {
  public:
    Output() = default;
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Any thread: makes the playback thread's wait in this output (in play(), finish() or
    // wait_until()), or its next one, return at once.
    void wake() { pulse_.wake(); }

    // Starts a stream on the output named by `wanted` (see VBMP3_OUTPUT in vbmp3.h; "" for the
    // default devices), named `name` where a sound server shows it, at the packed `volume`
    // (see set_volume). Without a device the stream plays silently.
    void start(const std::string& wanted, long rate, const std::string& name, uint32_t volume);
    // Plays whole frames and returns how many bytes it took. Blocks while the device is full,
    // except that on a Pulse server the wait ends at wake() with fewer bytes taken, maybe
    // none. If the device fails (server restarted, device unplugged), it is reopened and the
    // rest goes on from the frame it did not take, even what a server held unplayed when it
    // went; while it cannot be, fewer bytes are taken, and the caller offers the rest again at
    // due(). After a few seconds of that the output goes on silently.
    size_t play(const unsigned char* pcm, size_t bytes);
    void pause();
    void resume();
    // Plays out what the device holds, then ends the stream: true once done. False when a
    // Pulse server's drain was cut short by wake() or by a failing device; the caller then
    // calls it again (at due() while silent()).
    bool finish();
    // Drops what the device holds and ends the stream; on a Pulse server nothing of it sounds
    // after this returns, unless the server fails to confirm within 100 ms.
    void abort();
    // The volume, left level 0..100 in the low 16 bits and right in the high. On a Pulse server
    // it is the stream's volume there, heard at once, and the caller hands over samples at full
    // scale; elsewhere the caller scales the samples itself.
    void set_volume(uint32_t volume);
    bool volume_in_server() const { return started_ && pulse_mode_; }
    // How many bytes to decode at a time: small where pause and volume wait for what the
    // device holds, large where the server does them (fewer, bigger writes).
    size_t block_bytes() const;
    // Waits until `deadline` or wake(), serving a Pulse server's connection meanwhile.
    void wait_until(Clock::time_point deadline) { pulse_.wait_until(deadline); }

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

    // Tries the drivers of the list in turn ("pulse" is the Pulse server's own client).
    bool open_driver();
    // The device failed: reopen it at once (true), or hold the place and try again soon.
    bool lost_device();
    void hold_place();

    PulseOutput pulse_;
    bool pulse_mode_ = false; // the stream is on a Pulse server
    std::string name_;
    uint32_t volume_ = 100u | (100u << 16);
    out123_struct* ao_ = nullptr;
    std::string wanted_;
    bool wanted_parsed_ = false;
    std::string driver_;
    std::string device_;
    bool null_ = false;   // the "null" output: silent by choice, never retried
    bool opened_ = false; // libout123 driver loaded (out123_open)
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
