// Wakes the playback thread from a wait in its sink: any thread may call wake(), and the wait
// in progress, or the next one, returns at once. An eventfd, so that the Pulse sink's event
// loop can watch it beside the server's socket.
#pragma once

#include "sink.h"

namespace vbmp3 {

class Waker {
  public:
    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    // Any thread.
    void wake();

    // The playback thread: the descriptor that is readable while a wake is pending (-1 if
    // none could be made), and take() to consume it: true if there was one.
    int fd() const { return fd_; }
    bool take();
    // Waits until `deadline` or a wake, which it consumes.
    void wait_until(Clock::time_point deadline);

  private:
    int fd_ = -1;
};

} // namespace vbmp3
