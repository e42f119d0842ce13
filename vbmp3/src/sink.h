// One sound device as the playback thread sees it: a stream of 16-bit stereo frames at the
// track's rate. Each kind of device is a sink of its own (pulse_sink.h, out123_sink.h,
// silent_sink.h); which one plays, and what happens when it fails, is failover.h's choice.
#pragma once

#include "level_db.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vbmp3 {

using Clock = std::chrono::steady_clock;

// Every sink plays 16-bit stereo: a frame is two samples of two bytes.
constexpr size_t kFrameBytes = 4;

// The volume of each channel, a level on the scale of common/level_db.h.
struct StereoLevel {
    int32_t left;
    int32_t right;
    bool operator==(const StereoLevel& o) const { return left == o.left && right == o.right; }
    bool operator!=(const StereoLevel& o) const { return !(*this == o); }
};

constexpr StereoLevel kFullVolume{zt4::kFullLevel, zt4::kFullLevel};

// What a stream is opened with.
struct StreamFormat {
    long rate = 0;
    // The device within the driver ("" for its default): a Pulse sink's name, an ALSA device,
    // a file's path.
    std::string device;
    // What a sound server's mixer shows for the stream: the track's title, or its file name.
    std::string name;
    StereoLevel volume = kFullVolume;
};

// Used by the playback thread alone. Waits in a sink end at the shared Waker's wake().
class Sink {
  public:
    virtual ~Sink() = default;

    // Starts a stream. False when the device cannot be had now.
    virtual bool open(const StreamFormat& format) = 0;
    // Hands over whole frames and returns how many bytes were taken. While the device is full
    // it waits, until there is room or until wake(), and may then take none. Fewer than
    // offered may also mean the device failed (failed()).
    virtual size_t write(const unsigned char* pcm, size_t bytes) = 0;
    // Waits until the device has played all it was given: true once done; false when cut short
    // by wake() or by a failure, and called again, it goes on waiting.
    virtual bool drain() = 0;
    // Holds the stream where it is; resume() goes on from the same sample.
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Drops what the device holds and ends the stream: nothing of it sounds after this.
    virtual void flush() = 0;
    // Ends a stream once drained.
    virtual void close() = 0;
    // Sets the stream's volume. True when the device applies it itself (the samples then go
    // at full scale); false when the caller scales the samples.
    virtual bool set_volume(StereoLevel volume) = 0;
    // The device failed under the stream, which is gone: open() tries it again.
    virtual bool failed() const = 0;
    // Waits until `deadline` or wake(), serving the device meanwhile where it needs it.
    virtual void wait_until(Clock::time_point deadline) = 0;
};

} // namespace vbmp3
