#pragma once
// What the dispatcher tells the one who shows the model (the Qt view; nobody in the logic
// tests): given to the dispatcher when it is made, never replaced.

namespace zt4 {

class DispatchObserver {
  public:
    // After every handler: the view mirrors the model and re-arms its wake-up.
    virtual void afterHandler() = 0;
    // Before a modal window shows while the handler that opens it is half done: the same,
    // so that the window opens over an up-to-date view.
    virtual void beforeModal() = 0;
    // Something waits to be run (a posted command, an event of the library): pump() is to
    // be called soon on the UI thread. Called on any thread, also the library's playback
    // thread; it must only schedule the pump, never call back into the dispatcher.
    virtual void wake() = 0;

  protected:
    ~DispatchObserver() = default;
};

} // namespace zt4
