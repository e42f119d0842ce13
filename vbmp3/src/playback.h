// Playing one track: decode a block, bring it to the volume, hand it to the output, until the
// track's end has been played out or a command ends the play.
#pragma once

#include "failover.h"
#include "probe.h"

#include <string>

namespace vbmp3 {

// What the loop asks of the engine between blocks.
class PlayCommands {
  public:
    // Holds while the play is paused (pausing and resuming `out`); false once it has been
    // ended.
    virtual bool go_on(Failover& out) = 0;
    virtual StereoLevel volume() const = 0;

  protected:
    ~PlayCommands() = default;
};

// Plays `track` on the output named `output_name` (VBMP3_OUTPUT): true once its end has been
// played out, false when `commands` ended the play (what the output holds is then dropped).
bool play_track(const Track& track, const std::string& output_name, Failover& out,
                PlayCommands& commands);

} // namespace vbmp3
