#include "volume.h"

#include "level_db.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace vbmp3 {

namespace {

using GainTable = std::array<int32_t, zt4::kFullLevel + 1>;

GainTable make_gain_table() {
    GainTable table{};
    for (int32_t level = zt4::kSilentLevel + 1; level <= zt4::kFullLevel; ++level) {
        const double db = zt4::level_db(level);
        table[level] = static_cast<int32_t>(std::lround(kUnityGain * std::pow(10.0, db / 20.0)));
    }
    return table;
}

int16_t scale(int16_t sample, int32_t gain) {
    // |sample * gain| < 2^30 and gain <= unity, so this neither overflows nor clips.
    return static_cast<int16_t>((sample * gain + (1 << 14)) >> 15);
}

} // namespace

int32_t gain_for_level(int32_t level) {
    static const GainTable table = make_gain_table();
    return table[std::clamp<int32_t>(level, zt4::kSilentLevel, zt4::kFullLevel)];
}

void apply_gain(int16_t* pcm, size_t frames, StereoGain from, StereoGain to) {
    const StereoGain unity{kUnityGain, kUnityGain};
    if (from == to) {
        if (to == unity) {
            return;
        }
        if (to == StereoGain{0, 0}) {
            std::memset(pcm, 0, frames * 2 * sizeof *pcm);
            return;
        }
        for (size_t i = 0; i < frames; ++i) {
            pcm[2 * i] = scale(pcm[2 * i], to.left);
            pcm[2 * i + 1] = scale(pcm[2 * i + 1], to.right);
        }
        return;
    }
    const auto n = static_cast<int64_t>(frames);
    for (int64_t i = 0; i < n; ++i) {
        // Reaches `to` on the last frame.
        const int64_t t = i + 1;
        const auto left = static_cast<int32_t>(from.left + (to.left - from.left) * t / n);
        const auto right = static_cast<int32_t>(from.right + (to.right - from.right) * t / n);
        pcm[2 * i] = scale(pcm[2 * i], left);
        pcm[2 * i + 1] = scale(pcm[2 * i + 1], right);
    }
}

} // namespace vbmp3
