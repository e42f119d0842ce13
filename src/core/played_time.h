#pragma once
// How long the current track has actually played: counted from the moment its playback
// started, held while it is paused or once it has ended, nothing after it is closed. Times
// are the dispatcher's clock in milliseconds, so that a test's virtual clock makes it exact.
// The elapsed-time labels cannot tell this: they move in whole seconds, one per 950 ms tick.

#include <cstdint>

namespace zt4 {

class PlayedTime {
  public:
    // The file starts playing from its beginning.
    void start(int64_t now) {
        since_ = now;
        running_ = true;
        begun_ = true;
    }
    // Paused, or played to its end: the count stands still.
    void hold(int64_t now) {
        if (running_)
            held_ = at(now);
        running_ = false;
    }
    // Plays on from where it was held.
    void resume(int64_t now) {
        if (!running_)
            since_ = now - held_;
        running_ = true;
    }
    // The file is closed or replaced: nothing has played of what comes next.
    void clear() {
        held_ = 0;
        running_ = false;
        begun_ = false;
    }
    int64_t at(int64_t now) const { return running_ ? now - since_ : held_; }
    // True once the file has started playing, until it is closed or replaced.
    bool begun() const { return begun_; }

  private:
    int64_t since_ = 0; // while running: the clock when the count was 0
    int64_t held_ = 0;  // while not running: the count
    bool running_ = false;
    bool begun_ = false;
};

} // namespace zt4
