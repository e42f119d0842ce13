#pragma once
// Carries the library's events from its playback thread to the UI thread, in order. Each
// event carries the binding's file generation at its arrival, so that the UI thread can
// drop the end of a file it has since replaced or closed.

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

namespace zt4 {

struct LibraryEvent {
    uint64_t generation;
    int32_t code;
};

class LibraryEvents {
  public:
    // Called on the UI thread. `wake` is called on the posting thread after each event and
    // must only schedule a drain on the UI thread (it must not call back into this queue);
    // nullptr for none. Once this returns, the wake-up it replaced is not called again.
    void setWake(std::function<void()> wake);

    void post(uint64_t generation, int32_t code); // any thread
    std::optional<LibraryEvent> takeOne();        // UI thread: the oldest, if any

  private:
    std::mutex mutex_;
    std::function<void()> wake_;
    std::deque<LibraryEvent> events_;
};

} // namespace zt4
