#pragma once
// Keeping the machine from suspending while music plays: a desktop suspends an idle session
// even while a track plays unless the player asks it not to. Held while PlayState is
// playing; let go on pause, stop, the end of the list and quit. Only suspension is held off,
// never the screen saver.

#include <cstdint>

namespace zt4 {

class StayAwake {
  public:
    enum class Change { kNone, kHold, kRelease };

    // Told the play state after every handler; says whether the hold must now be taken or
    // let go.
    Change Follow(int16_t playState);
    bool holding() const { return holding_; }

  private:
    bool holding_ = false;
};

} // namespace zt4
