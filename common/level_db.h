// The volume scale the player and its library share: a level 0..100, linear in decibels.
// 100 is full volume (0 dB), each step down 45/99 dB, so 1 is -45 dB; 0 is silence, below
// any number of decibels. Toolkit-free, header only.
#pragma once

#include <cstdint>

namespace zt4 {

constexpr int32_t kSilentLevel = 0;
// Full volume: the sound as decoded.
constexpr int32_t kFullLevel = 100;
// Level 1, the quietest above silence, is this far under full volume.
constexpr double kLevelRangeDb = 45.0;

// Decibels under full volume for `level`, 1..100 (0 is silence, which has none).
constexpr double level_db(int32_t level) {
    return -kLevelRangeDb * (kFullLevel - level) / (kFullLevel - 1);
}

static_assert(level_db(kFullLevel) == 0.0);
static_assert(level_db(1) == -kLevelRangeDb);

} // namespace zt4
