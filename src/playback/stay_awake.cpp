#include "playback/stay_awake.h"

#include "form/top_form.h"

namespace zt4 {

StayAwake::Change StayAwake::Follow(int16_t playState) {
    const bool playing = playState == kPlaying;
    if (playing == holding_)
        return Change::kNone;
    holding_ = playing;
    return playing ? Change::kHold : Change::kRelease;
}

} // namespace zt4
