#include "failover.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace vbmp3 {

namespace {

constexpr auto kRetryInterval = std::chrono::milliseconds(300);
// A lost device is tried again after 50 ms, then twice as long each time up to a second;
// playback holds its place for this long before it goes on silently. Long enough for a
// sound server to restart, short enough that the track still ends in reasonable time.
constexpr auto kLostFirstBackoff = std::chrono::milliseconds(50);
constexpr auto kLostMaxBackoff = std::chrono::milliseconds(1000);
constexpr auto kLostHoldLimit = std::chrono::seconds(5);
// "pulse" is the Pulse server's own client; ALSA named explicitly: left to itself libout123
// may try JACK first.
constexpr const char* kDefaultDrivers = "pulse,alsa";
// Decoded at a time: 20 ms where pause and volume are heard after what was written, 250 ms
// (under the server's 64 KiB blocks) where the server does them.
constexpr long kBlocksPerSecond = 50;
constexpr long kServerBlocksPerSecond = 4;
constexpr long kLeastBlockFrames = 256;

std::atomic<bool> g_told_silent{false};

void tell_silent_once() {
    if (!g_told_silent.exchange(true)) {
        std::fputs("libvbmp3: no audio output device could be opened; playing silently\n", stderr);
    }
}

std::vector<std::string> split(const std::string& list) {
    std::vector<std::string> names;
    for (size_t from = 0;;) {
        const size_t comma = list.find(',', from);
        names.push_back(list.substr(from, comma - from));
        if (comma == std::string::npos) {
            return names;
        }
        from = comma + 1;
    }
}

} // namespace

void Failover::start(const std::string& wanted, const StreamFormat& format) {
    const size_t colon = wanted.find(':');
    if (!wanted_parsed_ || wanted != wanted_) {
        close_device();
        pulse_.disconnect();
        wanted_ = wanted;
        wanted_parsed_ = true;
        null_ = wanted == "null";
        drivers_ = split(wanted.empty() ? kDefaultDrivers : wanted.substr(0, colon));
    }
    format_ = format;
    format_.device = colon == std::string::npos ? "" : wanted.substr(colon + 1);
    failing_since_ = {};
    // What a lost server held of the track before belongs to no one now.
    pulse_.forget_unplayed();
    if (null_) {
        silent_.open(format_);
        sink_ = &silent_;
        state_ = State::kSilent;
        in_server_ = false;
        return;
    }
    if (Sink* sink = open_device()) {
        use(sink);
    } else {
        go_silent();
    }
}

Sink* Failover::open_device() {
    // Each stream tries the list from its start: a Pulse server that is back is played to
    // natively again, not through a fallback that took over while it was away.
    for (const std::string& driver : drivers_) {
        if (driver == "pulse") {
            if (pulse_.open(format_)) {
                out123_.unload();
                return &pulse_;
            }
        } else if (out123_.load(driver, format_.device)) {
            return start_out123();
        }
    }
    return nullptr;
}

Sink* Failover::start_out123() {
    if (!out123_.open(format_)) {
        return nullptr;
    }
    // What a lost Pulse server held cannot follow to another device.
    pulse_.forget_unplayed();
    return &out123_;
}

void Failover::use(Sink* sink) {
    sink_ = sink;
    state_ = State::kDevice;
    in_server_ = sink->set_volume(format_.volume);
}

void Failover::close_device() {
    if (state_ == State::kDevice && sink_ == &pulse_) {
        pulse_.flush();
    }
    out123_.unload();
    sink_ = nullptr;
    state_ = State::kIdle;
    in_server_ = false;
}

void Failover::go_silent() {
    tell_silent_once();
    silent_.open(format_);
    // What a lost server held takes its playing time too.
    silent_.hold_for(pulse_.forget_unplayed());
    sink_ = &silent_;
    state_ = State::kSilent;
    in_server_ = false;
    retry_at_ = Clock::now() + kRetryInterval;
}

void Failover::device_failed() {
    close_device();
    if (Sink* sink = open_device()) {
        use(sink);
        failing_since_ = {};
        return;
    }
    hold_place();
}

void Failover::hold_place() {
    state_ = State::kLost;
    sink_ = nullptr;
    in_server_ = false;
    const auto now = Clock::now();
    if (failing_since_ == Clock::time_point{}) {
        failing_since_ = now;
        lost_backoff_ = kLostFirstBackoff;
    }
    due_ = now + lost_backoff_;
}

void Failover::reconnect() {
    if (Sink* sink = open_device()) {
        use(sink);
        return;
    }
    const auto now = Clock::now();
    if (now - failing_since_ >= kLostHoldLimit) {
        // It is not coming back soon: go on silently, trying it now and then.
        failing_since_ = {};
        go_silent();
        return;
    }
    lost_backoff_ = std::min<Clock::duration>(lost_backoff_ * 2, kLostMaxBackoff);
    due_ = now + lost_backoff_;
}

void Failover::retry() {
    if (state_ != State::kSilent || null_ || Clock::now() < retry_at_) {
        return;
    }
    if (Sink* sink = open_device()) {
        use(sink);
    } else {
        retry_at_ = Clock::now() + kRetryInterval;
    }
}

size_t Failover::play(const unsigned char* pcm, size_t bytes) {
    if (state_ == State::kLost) {
        if (Clock::now() < due_) {
            waker_.wait_until(due_);
            return 0;
        }
        reconnect();
        if (state_ == State::kLost) {
            return 0;
        }
    }
    retry();
    if (!sink_) {
        return 0;
    }
    const size_t done = sink_->write(pcm, bytes);
    if (sink_->failed()) {
        device_failed();
    } else if (done > 0) {
        failing_since_ = {};
    }
    return done;
}

bool Failover::finish() {
    if (state_ == State::kLost) {
        if (Clock::now() < due_) {
            waker_.wait_until(due_);
            return false;
        }
        reconnect();
        if (state_ == State::kLost) {
            return false;
        }
    }
    if (sink_) {
        if (!sink_->drain()) {
            if (sink_->failed()) {
                device_failed();
            }
            return false;
        }
        sink_->close();
    }
    sink_ = nullptr;
    state_ = State::kIdle;
    in_server_ = false;
    failing_since_ = {};
    return true;
}

void Failover::abort() {
    if (sink_) {
        sink_->flush();
    }
    pulse_.forget_unplayed();
    sink_ = nullptr;
    state_ = State::kIdle;
    in_server_ = false;
    failing_since_ = {};
}

void Failover::pause() {
    if (sink_) {
        sink_->pause();
    }
}

void Failover::resume() {
    if (sink_) {
        sink_->resume();
    }
    due_ = Clock::now();
}

void Failover::set_volume(StereoLevel volume) {
    if (volume == format_.volume) {
        return;
    }
    format_.volume = volume;
    if (state_ == State::kDevice) {
        in_server_ = sink_->set_volume(volume);
    }
}

size_t Failover::block_bytes() const {
    const long per_second = in_server_ ? kServerBlocksPerSecond : kBlocksPerSecond;
    return static_cast<size_t>(std::max(format_.rate / per_second, kLeastBlockFrames)) *
           kFrameBytes;
}

void Failover::wait_until(Clock::time_point deadline) {
    if (sink_) {
        sink_->wait_until(deadline);
    } else {
        waker_.wait_until(deadline);
    }
}

} // namespace vbmp3
