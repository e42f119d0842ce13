// Sound through libout123: ALSA (named explicitly, as left to itself libout123 may try JACK
// first) and its file and test outputs ("wav", "raw", "test"). The driver stays loaded from
// one stream to the next; the device holds about 0.1 s, so pause and volume are heard soon.
#pragma once

#include "sink.h"
#include "waker.h"

#include <string>

struct out123_struct;

namespace vbmp3 {

class Out123Sink final : public Sink {
  public:
    explicit Out123Sink(Waker& waker) : waker_(waker) {}
    ~Out123Sink() override;
    Out123Sink(const Out123Sink&) = delete;
    Out123Sink& operator=(const Out123Sink&) = delete;

    // Loads libout123's `driver` for `device` ("" for its default), unless it is loaded.
    // False when it cannot be had.
    bool load(const std::string& driver, const std::string& device);
    bool loaded() const { return loaded_; }
    // Drops what the device holds and unloads the driver, so that the next try starts afresh
    // (a restarted server behind ALSA).
    void unload();

    // Starts the loaded driver at the stream's rate; `format.device` was given to load().
    bool open(const StreamFormat& format) override;
    // Blocks while the device is full; fewer bytes taken than offered means it failed.
    size_t write(const unsigned char* pcm, size_t bytes) override;
    bool drain() override;
    void pause() override;
    void resume() override;
    void flush() override;
    void close() override;
    // The caller scales the samples.
    bool set_volume(StereoLevel) override { return false; }
    bool failed() const override { return failed_; }
    void wait_until(Clock::time_point deadline) override { waker_.wait_until(deadline); }

  private:
    Waker& waker_;
    out123_struct* ao_ = nullptr;
    bool loaded_ = false;
    std::string driver_;
    std::string device_;
    bool failed_ = false;
};

} // namespace vbmp3
