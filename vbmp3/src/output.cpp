#include "output.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <out123.h>

namespace vbmp3 {

namespace {

constexpr int kFrameBytes = 4; // 16-bit stereo
constexpr auto kRetryInterval = std::chrono::milliseconds(300);
// A lost device is tried again after 50 ms, then twice as long each time up to a second;
// playback holds its place for this long before it goes on silently. Long enough for a
// sound server to restart, short enough that the track still ends in reasonable time.
constexpr auto kLostFirstBackoff = std::chrono::milliseconds(50);
constexpr auto kLostMaxBackoff = std::chrono::milliseconds(1000);
constexpr auto kLostHoldLimit = std::chrono::seconds(5);
// Small, so that pause and volume are heard soon. Drivers that take a size honour it (ALSA).
constexpr double kDeviceBufferSeconds = 0.1;
// "pulse" is the Pulse server's own client; ALSA named explicitly: left to itself libout123
// may try JACK first.
constexpr const char* kDefaultDrivers = "pulse,alsa";
// Decoded at a time: 20 ms where pause and volume are heard after what was written, 250 ms
// (under the server's 64 KiB blocks) where the server does them.
constexpr long kBlocksPerSecond = 50;
constexpr long kServerBlocksPerSecond = 4;

std::atomic<bool> g_told_silent{false};

void tell_silent_once() {
    if (!g_told_silent.exchange(true)) {
        std::fputs("libvbmp3: no audio output device could be opened; playing silently\n", stderr);
    }
}

// libasound reads its configuration once per load and frees it only when told to. A failed
// try of the ALSA driver unloads libasound with it, so every try while there is no device
// leaked the configuration (about 75 kB): once tried, libasound stays loaded.
void keep_libasound_loaded() {
    static void* const handle = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NODELETE);
    (void)handle;
}

} // namespace

Output::~Output() {
    close_device();
    out123_del(ao_);
}

void Output::start(const std::string& wanted, long rate, const std::string& name, uint32_t volume) {
    if (!wanted_parsed_ || wanted != wanted_) {
        close_device();
        pulse_.disconnect();
        wanted_ = wanted;
        wanted_parsed_ = true;
        null_ = wanted == "null";
        const size_t colon = wanted.find(':');
        driver_ = wanted.empty() ? kDefaultDrivers : wanted.substr(0, colon);
        device_ = colon == std::string::npos ? "" : wanted.substr(colon + 1);
    }
    rate_ = rate;
    name_ = name;
    volume_ = volume;
    due_ = Clock::now();
    lost_ = false;
    failing_since_ = {};
    // What a lost server held of the track before belongs to no one now.
    pulse_.forget_unplayed();
    if (null_) {
        return;
    }
    if (!open_device()) {
        go_silent();
    }
}

bool Output::open_device() {
    if (!opened_ && !open_driver()) {
        return false;
    }
    if (pulse_mode_) {
        started_ = true;
        return true;
    }
    if (out123_start(ao_, rate_, 2, MPG123_ENC_SIGNED_16) != 0) {
        // Unload the driver too, so that the next try starts afresh (a restarted server).
        close_device();
        return false;
    }
    // What a lost Pulse server held cannot follow to another device.
    pulse_.forget_unplayed();
    started_ = true;
    return true;
}

bool Output::open_driver() {
    pulse_mode_ = false;
    for (size_t from = 0;;) {
        const size_t comma = driver_.find(',', from);
        const std::string name = driver_.substr(from, comma - from);
        if (name == "pulse") {
            if (pulse_.open(rate_, device_, name_, volume_)) {
                pulse_mode_ = true;
                return true;
            }
        } else {
            if (name == "alsa") {
                keep_libasound_loaded();
            }
            if (!ao_) {
                ao_ = out123_new();
                if (!ao_) {
                    return false;
                }
                out123_param_int(ao_, OUT123_ADD_FLAGS, OUT123_QUIET);
                out123_param_float(ao_, OUT123_DEVICEBUFFER, kDeviceBufferSeconds);
                out123_param_string(ao_, OUT123_NAME, "zt4");
            }
            if (out123_open(ao_, name.c_str(), device_.empty() ? nullptr : device_.c_str()) == 0) {
                opened_ = true;
                return true;
            }
        }
        if (comma == std::string::npos) {
            return false;
        }
        from = comma + 1;
    }
}

void Output::close_device() {
    if (pulse_mode_) {
        pulse_.drop();
    } else if (opened_) {
        out123_drop(ao_);
        out123_close(ao_);
    }
    pulse_mode_ = false;
    opened_ = false;
    started_ = false;
}

void Output::go_silent() {
    tell_silent_once();
    started_ = false;
    // What a lost server held takes its playing time too.
    const size_t frames = pulse_.forget_unplayed();
    due_ = std::max(due_, Clock::now()) +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
               static_cast<double>(frames) / static_cast<double>(rate_)));
    retry_at_ = Clock::now() + kRetryInterval;
}

bool Output::lost_device() {
    close_device();
    if (open_device()) {
        failing_since_ = {};
        return true;
    }
    hold_place();
    return false;
}

void Output::hold_place() {
    lost_ = true;
    const auto now = Clock::now();
    if (failing_since_ == Clock::time_point{}) {
        failing_since_ = now;
        lost_backoff_ = kLostFirstBackoff;
    }
    due_ = now + lost_backoff_;
}

size_t Output::play(const unsigned char* pcm, size_t bytes) {
    if (lost_) {
        reconnect();
        if (lost_) {
            return 0;
        }
    }
    if (started_ && pulse_mode_) {
        const size_t done = pulse_.write(pcm, bytes);
        if (pulse_.lost()) {
            lost_device();
        } else if (done > 0) {
            failing_since_ = {};
        }
        return done;
    }
    if (started_) {
        // out123_play takes no const buffer but does not write to it.
        auto* data = const_cast<unsigned char*>(pcm);
        size_t done = out123_play(ao_, data, bytes);
        if (done == bytes) {
            failing_since_ = {};
            return bytes;
        }
        // The device failed: reopen it at once, for a server that is already back, and go
        // on from the frame it did not take.
        done -= done % kFrameBytes;
        if (lost_device() && !pulse_mode_) {
            const size_t more = out123_play(ao_, data + done, bytes - done);
            if (more == bytes - done) {
                return bytes;
            }
            done += more - more % kFrameBytes;
            close_device();
            hold_place();
        }
        return done;
    }
    // Silent: the block takes its playing time, counted from when the previous one ended.
    const auto frames = static_cast<long long>(bytes / kFrameBytes);
    due_ = std::max(due_, Clock::now()) +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
               static_cast<double>(frames) / static_cast<double>(rate_)));
    return bytes;
}

void Output::reconnect() {
    if (open_device()) {
        lost_ = false;
        return;
    }
    const auto now = Clock::now();
    if (now - failing_since_ >= kLostHoldLimit) {
        // It is not coming back soon: go on silently, trying it now and then.
        lost_ = false;
        failing_since_ = {};
        go_silent();
        return;
    }
    lost_backoff_ = std::min<Clock::duration>(lost_backoff_ * 2, kLostMaxBackoff);
    due_ = now + lost_backoff_;
}

void Output::retry() {
    if (started_ || lost_ || null_ || rate_ == 0 || Clock::now() < retry_at_) {
        return;
    }
    if (!open_device()) {
        retry_at_ = Clock::now() + kRetryInterval;
    }
}

void Output::pause() {
    if (started_ && pulse_mode_) {
        pulse_.pause();
    } else if (started_) {
        out123_pause(ao_);
    }
}

void Output::resume() {
    if (started_ && pulse_mode_) {
        pulse_.resume();
    } else if (started_) {
        out123_continue(ao_);
    }
    due_ = Clock::now();
}

void Output::set_volume(uint32_t volume) {
    if (volume == volume_) {
        return;
    }
    volume_ = volume;
    if (started_ && pulse_mode_) {
        pulse_.set_volume(volume);
    }
}

size_t Output::block_bytes() const {
    const long per_second = volume_in_server() ? kServerBlocksPerSecond : kBlocksPerSecond;
    return static_cast<size_t>(std::max(rate_ / per_second, 256L)) * kFrameBytes;
}

bool Output::finish() {
    if (lost_) {
        reconnect();
        if (lost_) {
            return false;
        }
    }
    if (started_ && pulse_mode_) {
        if (!pulse_.drain()) {
            if (pulse_.lost()) {
                lost_device();
            }
            return false;
        }
        pulse_.close_stream();
        started_ = false;
        pulse_mode_ = false;
    } else if (started_) {
        out123_drain(ao_);
        out123_stop(ao_);
        started_ = false;
    }
    rate_ = 0;
    lost_ = false;
    failing_since_ = {};
    return true;
}

void Output::abort() {
    if (started_ && pulse_mode_) {
        pulse_.drop();
        started_ = false;
        pulse_mode_ = false;
    } else if (started_) {
        out123_drop(ao_);
        out123_stop(ao_);
        started_ = false;
    }
    pulse_.forget_unplayed();
    rate_ = 0;
    lost_ = false;
    failing_since_ = {};
}

} // namespace vbmp3
