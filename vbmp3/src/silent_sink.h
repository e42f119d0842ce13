// Silence paced in real time: where there is no device (or "null" was asked for), each block
// takes its playing time, so that commands and the end of a track work as with sound.
#pragma once

#include "sink.h"
#include "waker.h"

namespace vbmp3 {

class SilentSink final : public Sink {
  public:
    explicit SilentSink(Waker& waker) : waker_(waker) {}

    bool open(const StreamFormat& format) override;
    // Takes the whole block once the one before has had its time (0 when woken before).
    size_t write(const unsigned char* pcm, size_t bytes) override;
    bool drain() override;
    void pause() override {}
    // Goes on from now: what was left of the block at the pause is not waited for again.
    void resume() override { due_ = Clock::now(); }
    void flush() override {}
    void close() override {}
    bool set_volume(StereoLevel) override { return false; }
    bool failed() const override { return false; }
    void wait_until(Clock::time_point deadline) override { waker_.wait_until(deadline); }

    // `frames` more take their time before the next block: what a lost server held
    // unplayed, which nobody will hear now.
    void hold_for(size_t frames);

  private:
    // Waits until due_ or a wake: true once due.
    bool wait_due();

    Waker& waker_;
    long rate_ = 0;
    // When what was taken so far has had its time.
    Clock::time_point due_{};
};

} // namespace vbmp3
