// Which sink plays, and what happens when it fails. The output named by VBMP3_OUTPUT (see
// vbmp3.h) is tried first: a Pulse server, else libout123's drivers in the order named, else
// silence in real time. A device that fails under a stream is reopened at once; while it
// cannot be, playback holds its place and tries again with a growing pause, keeping what a
// lost server held unplayed; after a few seconds it goes on silently, and while silent it
// tries the device now and then and goes back to it as soon as it answers.
#pragma once

#include "out123_sink.h"
#include "pulse_sink.h"
#include "silent_sink.h"
#include "waker.h"

#include <string>
#include <vector>

namespace vbmp3 {

// Used by the playback thread alone, but for wake().
class Failover {
  public:
    // Any thread: makes the playback thread's wait in this output (in play(), finish() or
    // wait_until()), or its next one, return at once.
    void wake() { waker_.wake(); }

    // Starts a stream on the output named by `wanted` ("" for the default devices).
    void start(const std::string& wanted, const StreamFormat& format);
    // Plays whole frames and returns how many bytes it took. Waits while the device is full
    // or while it holds its place for a lost device, until wake(), and may then take none;
    // the caller offers the rest again.
    size_t play(const unsigned char* pcm, size_t bytes);
    void pause();
    void resume();
    // Plays out what the device holds, then ends the stream: true once done. False when cut
    // short by wake() or by a failing device; the caller then calls it again.
    bool finish();
    // Drops what the device holds and ends the stream; on a Pulse server nothing of it sounds
    // after this returns, unless the server fails to confirm within 100 ms.
    void abort();
    void set_volume(StereoLevel volume);
    // Whether the device applies the volume, the caller then handing over samples at full
    // scale; otherwise the caller scales the samples itself.
    bool volume_in_server() const { return in_server_; }
    // How many bytes to decode at a time: small where pause and volume wait for what the
    // device holds, large where the server does them (fewer, bigger writes).
    size_t block_bytes() const;
    // Waits until `deadline` or wake(), serving a Pulse server's connection meanwhile.
    void wait_until(Clock::time_point deadline);

  private:
    enum class State {
        kIdle,   // no stream
        kDevice, // a device plays the stream
        kLost,   // its device failed: holding the place while it is tried again
        kSilent, // no device: silence in real time
    };

    // Opens the stream on the first sink of the list that takes it; null if none does.
    Sink* open_device();
    Sink* start_out123();
    void use(Sink* sink);
    void close_device();
    void go_silent();
    // The device failed: reopen it at once, or hold the place and try again soon.
    void device_failed();
    void hold_place();
    // Tries a lost device again: it is back, or given up on (silent), or still lost.
    void reconnect();
    // While silent for want of a device, tries it again every so often.
    void retry();

    Waker waker_;
    PulseSink pulse_{waker_};
    Out123Sink out123_{waker_};
    SilentSink silent_{waker_};

    State state_ = State::kIdle;
    // The stream's sink while kDevice or kSilent.
    Sink* sink_ = nullptr;
    bool in_server_ = false;
    StreamFormat format_;
    // VBMP3_OUTPUT as last parsed: its drivers in order ("pulse" is the Pulse server's own
    // client), and "null", silent by choice, never retried.
    std::string wanted_;
    bool wanted_parsed_ = false;
    std::vector<std::string> drivers_;
    bool null_ = false;
    // Since when the device has failed, without a write that went through; {} while they go
    // through.
    Clock::time_point failing_since_{};
    Clock::duration lost_backoff_{};
    // When a lost device is tried next.
    Clock::time_point due_{};
    // When a silent output tries its device next.
    Clock::time_point retry_at_{};
};

} // namespace vbmp3
