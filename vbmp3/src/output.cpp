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
// Named explicitly: left to itself libout123 may try JACK first.
constexpr const char* kDefaultDrivers = "pulse,alsa";

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

// out123_open over a list of drivers, one at a time, as libout123 itself would try them.
bool open_first_driver(out123_struct* ao, const std::string& drivers, const char* device) {
    for (size_t from = 0;;) {
        const size_t comma = drivers.find(',', from);
        const std::string name = drivers.substr(from, comma - from);
        if (name == "alsa") {
            keep_libasound_loaded();
        }
        if (out123_open(ao, name.c_str(), device) == 0) {
            return true;
        }
        if (comma == std::string::npos) {
            return false;
        }
        from = comma + 1;
    }
}

} // namespace

Output::~Output() {
    close_device();
    out123_del(ao_);
}

void Output::start(const std::string& wanted, long rate) {
    if (!wanted_parsed_ || wanted != wanted_) {
        close_device();
        wanted_ = wanted;
        wanted_parsed_ = true;
        null_ = wanted == "null";
        const size_t colon = wanted.find(':');
        driver_ = wanted.empty() ? kDefaultDrivers : wanted.substr(0, colon);
        device_ = colon == std::string::npos ? "" : wanted.substr(colon + 1);
    }
    rate_ = rate;
    due_ = Clock::now();
    lost_ = false;
    failing_since_ = {};
    if (null_) {
        return;
    }
    if (!open_device()) {
        go_silent();
    }
}

bool Output::open_device() {
    if (!ao_) {
        ao_ = out123_new();
        if (!ao_) {
            return false;
        }
        out123_param_int(ao_, OUT123_ADD_FLAGS, OUT123_QUIET);
        out123_param_float(ao_, OUT123_DEVICEBUFFER, kDeviceBufferSeconds);
        out123_param_string(ao_, OUT123_NAME, "zt4");
    }
    if (!opened_) {
        if (!open_first_driver(ao_, driver_, device_.empty() ? nullptr : device_.c_str())) {
            return false;
        }
        opened_ = true;
    }
    if (out123_start(ao_, rate_, 2, MPG123_ENC_SIGNED_16) != 0) {
        // Unload the driver too, so that the next try starts afresh (a restarted server).
        close_device();
        return false;
    }
    started_ = true;
    return true;
}

void Output::close_device() {
    if (opened_) {
        out123_drop(ao_);
        out123_close(ao_);
    }
    opened_ = false;
    started_ = false;
}

void Output::go_silent() {
    tell_silent_once();
    started_ = false;
    due_ = std::max(due_, Clock::now());
    retry_at_ = Clock::now() + kRetryInterval;
}

size_t Output::play(const unsigned char* pcm, size_t bytes) {
    if (lost_) {
        reconnect();
        if (lost_) {
            return 0;
        }
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
        close_device();
        if (open_device()) {
            const size_t more = out123_play(ao_, data + done, bytes - done);
            if (more == bytes - done) {
                failing_since_ = {};
                return bytes;
            }
            done += more - more % kFrameBytes;
            close_device();
        }
        // Else hold the place and try again soon.
        lost_ = true;
        const auto now = Clock::now();
        if (failing_since_ == Clock::time_point{}) {
            failing_since_ = now;
            lost_backoff_ = kLostFirstBackoff;
        }
        due_ = now + lost_backoff_;
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
    if (started_) {
        out123_pause(ao_);
    }
}

void Output::resume() {
    if (started_) {
        out123_continue(ao_);
    }
    due_ = Clock::now();
}

void Output::finish() {
    if (started_) {
        out123_drain(ao_);
        out123_stop(ao_);
        started_ = false;
    }
    rate_ = 0;
    lost_ = false;
    failing_since_ = {};
}

void Output::abort() {
    if (started_) {
        out123_drop(ao_);
        out123_stop(ao_);
        started_ = false;
    }
    rate_ = 0;
    lost_ = false;
    failing_since_ = {};
}

} // namespace vbmp3
