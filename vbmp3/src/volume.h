// Software volume, applied by the playback thread to the 16-bit samples it writes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vbmp3 {

// Unity gain in the Q15 fixed point used below.
constexpr int32_t kUnityGain = 1 << 15;

// The gain for a volume level (clamped) on the scale of common/level_db.h.
int32_t gain_for_level(int32_t level);

struct StereoGain {
    int32_t left;
    int32_t right;
    bool operator==(const StereoGain& o) const { return left == o.left && right == o.right; }
};

// Scales interleaved stereo frames, moving linearly from `from` to `to` across the block so
// that a change of volume does not click.
void apply_gain(int16_t* pcm, size_t frames, StereoGain from, StereoGain to);

} // namespace vbmp3
