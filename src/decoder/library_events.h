#pragma once
// Carries the library's events from its playback thread to the UI thread, in order. Each
// event carries the binding's file generation at its arrival, so that the UI thread can
// drop the end of a file it has since replaced or closed.

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

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
    std::vector<LibraryEvent> take();             // UI thread

  private:
    std::mutex mutex_;
    std::function<void()> wake_;
    std::vector<LibraryEvent> events_;
};

} // namespace zt4
