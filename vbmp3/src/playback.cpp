#include "playback.h"

#include "decoder.h"
#include "volume.h"

#include <vector>

namespace vbmp3 {

namespace {

StereoGain gain_of(StereoLevel level) {
    return {gain_for_level(level.left), gain_for_level(level.right)};
}

} // namespace

bool play_track(const Track& track, const std::string& output_name, Failover& out,
                PlayCommands& commands) {
    const Decoder mh = open_for_playing(track);
    if (!mh) {
        // Unreadable now (gone, or out of memory): the track is over.
        return true;
    }
    StreamFormat format;
    format.rate = track.rate();
    format.name = track.name();
    format.volume = commands.volume();
    out.start(output_name, format);
    std::vector<unsigned char> block;
    StereoGain gain = gain_of(format.volume);
    AudioReader reader(mh.get());
    // The part of `block` that the output has not taken yet: it is offered again, so that
    // playback goes on from the same sample when a lost device comes back.
    size_t pending_from = 0;
    size_t pending = 0;
    bool at_end = false;
    for (;;) {
        if (!commands.go_on(out)) {
            out.abort();
            return false;
        }
        const StereoLevel volume = commands.volume();
        out.set_volume(volume);
        if (pending > 0) {
            const size_t taken = out.play(block.data() + pending_from, pending);
            pending_from += taken;
            pending -= taken;
            continue;
        }
        if (at_end) {
            if (out.finish()) {
                return true;
            }
            continue;
        }
        block.resize(out.block_bytes());
        const size_t done = reader.read(block.data(), block.size());
        if (done > 0) {
            // Where the server sets the volume, the samples go at full scale.
            const StereoGain target =
                out.volume_in_server() ? StereoGain{kUnityGain, kUnityGain} : gain_of(volume);
            apply_gain(reinterpret_cast<int16_t*>(block.data()), done / kFrameBytes, gain, target);
            gain = target;
            pending_from = 0;
            pending = done;
        }
        at_end = reader.ended();
    }
}

} // namespace vbmp3
