#pragma once
// Carries the library's events from its playback thread to the UI thread, in order. Each
// event is stamped with the binding's file generation when it arrives, so that the UI
// thread can drop the end of a file it has since replaced or closed.

#include "decoder/vbmp3_binding.h"

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace zt4 {

struct LibraryEvent {
    uint64_t generation;
    int32_t code;
    int32_t value;
};

class LibraryEvents {
  public:
    // The library's callback has no context argument, so there is one queue per process.
    static LibraryEvents& instance();

    // Called on the UI thread. `wake` is called on the posting thread after each event and
    // must only schedule a drain on the UI thread.
    void attach(const Vbmp3Binding* binding, std::function<void()> wake);
    void detach();

    void post(int32_t code, int32_t value); // any thread
    std::vector<LibraryEvent> take();       // UI thread

  private:
    std::mutex mutex_;
    const Vbmp3Binding* binding_ = nullptr;
    std::function<void()> wake_;
    std::vector<LibraryEvent> events_;
};

} // namespace zt4
