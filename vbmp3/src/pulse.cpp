#include "pulse.h"

#include <algorithm>
#include <cstring>
#include <pulse/pulseaudio.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace vbmp3 {

namespace {

constexpr int kFrameBytes = 4; // 16-bit stereo
// What the server is asked to hold for the stream (tlength), and how much it asks for at a
// time (minreq). The server also keeps tlength - 2 * minreq, a second, in the sink (PulseAudio
// sizes the sink's own buffer so): the sink, the server and the player each wake about once
// a second. Pause, flush and volume rewind what the sink holds, so none of it delays them.
constexpr pa_usec_t kTargetUsec = 3 * PA_USEC_PER_SEC;
constexpr pa_usec_t kRequestUsec = 1 * PA_USEC_PER_SEC;
// The stream starts as soon as this much is in, not once the whole target is.
constexpr pa_usec_t kPrebufferUsec = 50 * PA_USEC_PER_MSEC;
// A server that takes longer than this to accept a connection or a stream is taken as absent.
constexpr auto kOpenTimeout = std::chrono::milliseconds(1000);
// How long drop() waits for the server to confirm the flush.
constexpr auto kFlushTimeout = std::chrono::milliseconds(100);
// A server that asks for nothing and answers nothing for this long while it should be
// playing has stopped (frozen): longer than a drain of all it holds takes.
constexpr auto kSilentLimit = std::chrono::seconds(6);
// The recent bytes kept for a lost server: what it holds, with room to spare.
constexpr pa_usec_t kKeptUsec = kTargetUsec + PA_USEC_PER_SEC;

constexpr const char* kApplicationName = "MP3音楽再生";
constexpr const char* kIconName = "zt4";

constexpr double kRangeDb = 45.0;

void forget(pa_operation* op) {
    if (op) {
        pa_operation_unref(op);
    }
}

// A timeout for the event loop, which counts in microseconds; -1 for none.
int usec_until(PulseOutput::Clock::time_point t) {
    if (t == PulseOutput::Clock::time_point::max()) {
        return -1;
    }
    const auto left =
        std::chrono::ceil<std::chrono::microseconds>(t - PulseOutput::Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60LL * 1000 * 1000));
}

pa_cvolume stereo_volume(uint32_t packed) {
    pa_cvolume v;
    v.channels = 2;
    v.values[0] = pulse_volume_for_level(static_cast<int32_t>(packed & 0xffffu));
    v.values[1] = pulse_volume_for_level(static_cast<int32_t>(packed >> 16));
    return v;
}

} // namespace

uint32_t pulse_volume_for_level(int32_t level) {
    level = std::clamp<int32_t>(level, 0, 100);
    if (level == 0) {
        return PA_VOLUME_MUTED;
    }
    return pa_sw_volume_from_dB(-kRangeDb * (100 - level) / 99.0);
}

PulseOutput::PulseOutput() {
    mainloop_ = pa_mainloop_new();
    wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (mainloop_ && wake_fd_ >= 0) {
        pa_mainloop_api* api = pa_mainloop_get_api(mainloop_);
        wake_event_ = api->io_new(api, wake_fd_, PA_IO_EVENT_INPUT, on_wake, this);
    }
}

PulseOutput::~PulseOutput() {
    close_connection();
    if (wake_event_) {
        pa_mainloop_api* api = pa_mainloop_get_api(mainloop_);
        api->io_free(wake_event_);
    }
    if (mainloop_) {
        pa_mainloop_free(mainloop_);
    }
    if (wake_fd_ >= 0) {
        close(wake_fd_);
    }
}

void PulseOutput::wake() {
    const uint64_t one = 1;
    if (wake_fd_ >= 0) {
        // Cannot fail short of the counter's overflow, which the reader prevents.
        (void)!::write(wake_fd_, &one, sizeof one);
    }
}

void PulseOutput::on_wake(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self) {
    uint64_t count;
    (void)!::read(fd, &count, sizeof count);
    static_cast<PulseOutput*>(self)->woken_ = true;
}

void PulseOutput::await(pa_operation* op, const bool& done, Clock::time_point deadline) {
    while (op && !done && Clock::now() < deadline &&
           pa_context_get_state(context_) == PA_CONTEXT_READY) {
        serve(usec_until(deadline));
    }
    if (op) {
        if (pa_operation_get_state(op) == PA_OPERATION_RUNNING) {
            pa_operation_cancel(op);
        }
        pa_operation_unref(op);
    }
}

void PulseOutput::serve(int timeout_us) {
    if (!mainloop_ || pa_mainloop_prepare(mainloop_, timeout_us) < 0) {
        return;
    }
    if (pa_mainloop_poll(mainloop_) >= 0) {
        pa_mainloop_dispatch(mainloop_);
    }
}

void PulseOutput::serve_playing(Clock::time_point until) {
    if (stream_ && !corked_) {
        until = std::min(until, heard_ + kSilentLimit);
    }
    serve(usec_until(until));
}

void PulseOutput::wait_until(Clock::time_point deadline) {
    if (!woken_) {
        serve(usec_until(deadline));
    }
    woken_ = false;
}

bool PulseOutput::connect() {
    if (context_) {
        return true;
    }
    if (!mainloop_ || !wake_event_) {
        return false;
    }
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, kApplicationName);
    pa_proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, kIconName);
    context_ =
        pa_context_new_with_proplist(pa_mainloop_get_api(mainloop_), kApplicationName, props);
    pa_proplist_free(props);
    if (!context_) {
        return false;
    }
    // Never start a server of our own: with none running, the library falls back to ALSA.
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        close_connection();
        return false;
    }
    const auto deadline = Clock::now() + kOpenTimeout;
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) {
            learn_server(deadline);
            return true;
        }
        if (!PA_CONTEXT_IS_GOOD(state) || Clock::now() >= deadline) {
            close_connection();
            return false;
        }
        serve(usec_until(deadline));
    }
}

void PulseOutput::on_server_info(pa_context*, const pa_server_info* info, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    out->cork_loses_ = info && info->server_name && std::strstr(info->server_name, "PipeWire");
    out->server_known_ = true;
}

void PulseOutput::learn_server(Clock::time_point deadline) {
    server_known_ = false;
    cork_loses_ = false;
    await(pa_context_get_server_info(context_, on_server_info, this), server_known_, deadline);
}

bool PulseOutput::open(long rate, const std::string& sink, const std::string& name,
                       uint32_t volume) {
    release_stream();
    lost_ = false;
    volume_ = volume;
    if (!connect()) {
        return false;
    }
    const pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(rate), 2};
    pa_channel_map map;
    pa_channel_map_init_stereo(&map);
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    stream_ = pa_stream_new_with_proplist(context_, name.empty() ? "?" : name.c_str(), &format,
                                          &map, props);
    pa_proplist_free(props);
    if (!stream_) {
        close_connection();
        return false;
    }
    pa_stream_set_write_callback(stream_, on_write, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(kTargetUsec, &format));
    attr.prebuf = static_cast<uint32_t>(pa_usec_to_bytes(kPrebufferUsec, &format));
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(kRequestUsec, &format));
    attr.fragsize = static_cast<uint32_t>(-1);
    const pa_cvolume initial = stereo_volume(volume);
    rate_ = rate;
    written_ = 0;
    anchor_played_ = 0;
    corked_ = false;
    // Set here, as a sample may be handed over before the first request.
    anchor_time_ = heard_ = Clock::now();
    if (pa_stream_connect_playback(stream_, sink.empty() ? nullptr : sink.c_str(), &attr,
                                   PA_STREAM_NOFLAGS, &initial, nullptr) < 0) {
        close_connection();
        return false;
    }
    const auto deadline = Clock::now() + kOpenTimeout;
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        if (state == PA_STREAM_READY) {
            break;
        }
        if (!PA_STREAM_IS_GOOD(state) || Clock::now() >= deadline) {
            close_connection();
            return false;
        }
        serve(usec_until(deadline));
    }
    const pa_buffer_attr* got = pa_stream_get_buffer_attr(stream_);
    const size_t keep =
        std::max<size_t>(pa_usec_to_bytes(kKeptUsec, &format),
                         got ? got->tlength + pa_usec_to_bytes(PA_USEC_PER_SEC, &format) : 0);
    recent_.assign(keep - keep % kFrameBytes, 0);
    recent_end_ = 0;
    return true;
}

void PulseOutput::on_write(pa_stream*, size_t requested, void* self) {
    static_cast<PulseOutput*>(self)->on_request(requested);
}

void PulseOutput::on_request(size_t requested) {
    const auto now = Clock::now();
    heard_ = now;
    if (corked_ || !stream_) {
        return;
    }
    const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_);
    if (!attr) {
        return;
    }
    // Asked for `requested`, the server holds its target less that: the rest has played.
    const uint64_t held = attr->tlength > requested ? attr->tlength - requested : 0;
    const uint64_t played = written_ > held ? written_ - held : 0;
    anchor_played_ = std::max(anchor_played_, played - played % kFrameBytes);
    anchor_time_ = now;
}

uint64_t PulseOutput::played_frames(Clock::time_point t) const {
    uint64_t played = anchor_played_ / kFrameBytes;
    if (!corked_ && t > anchor_time_) {
        const double seconds = std::chrono::duration<double>(t - anchor_time_).count();
        played += static_cast<uint64_t>(seconds * static_cast<double>(rate_));
    }
    return std::min<uint64_t>(played, written_ / kFrameBytes);
}

void PulseOutput::put(const unsigned char* pcm, size_t bytes) {
    // pa_stream_write copies what it is given.
    if (pa_stream_write(stream_, pcm, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        return;
    }
    written_ += bytes;
    const size_t size = recent_.size();
    if (size == 0) {
        return;
    }
    if (bytes >= size) {
        std::memcpy(recent_.data(), pcm + bytes - size, size);
        recent_end_ = 0;
        return;
    }
    const size_t first = std::min(bytes, size - recent_end_);
    std::memcpy(recent_.data() + recent_end_, pcm, first);
    std::memcpy(recent_.data(), pcm + first, bytes - first);
    recent_end_ = (recent_end_ + bytes) % size;
}

bool PulseOutput::check_lost() {
    if (lost_) {
        return true;
    }
    if (!stream_) {
        return false;
    }
    const auto now = Clock::now();
    const bool failed = pa_context_get_state(context_) != PA_CONTEXT_READY ||
                        pa_stream_get_state(stream_) != PA_STREAM_READY;
    const bool frozen = !corked_ && now - heard_ >= kSilentLimit;
    if (!failed && !frozen) {
        return false;
    }
    keep_unplayed(written_ - played_frames(now) * kFrameBytes);
    close_connection();
    lost_ = true;
    return true;
}

void PulseOutput::keep_unplayed(uint64_t bytes) {
    // The last `bytes` written, before what an earlier server held and this one never got.
    const size_t size = recent_.size();
    const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, size));
    std::vector<unsigned char> kept(n);
    for (size_t i = 0; i < n; ++i) {
        kept[i] = recent_[(recent_end_ + size - n + i) % size];
    }
    kept.insert(kept.end(), unplayed_.begin(), unplayed_.end());
    unplayed_ = std::move(kept);
}

bool PulseOutput::write_unplayed() {
    while (!unplayed_.empty()) {
        const size_t room = pa_stream_writable_size(stream_);
        if (room == static_cast<size_t>(-1) || room < kFrameBytes) {
            return false;
        }
        const size_t n = std::min(room - room % kFrameBytes, unplayed_.size());
        put(unplayed_.data(), n);
        unplayed_.erase(unplayed_.begin(), unplayed_.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return true;
}

size_t PulseOutput::write(const unsigned char* pcm, size_t bytes) {
    for (;;) {
        if (!stream_ || check_lost()) {
            return 0;
        }
        if (write_unplayed()) {
            const size_t room = pa_stream_writable_size(stream_);
            if (room != static_cast<size_t>(-1) && room >= kFrameBytes) {
                const size_t n = std::min(bytes, room - room % kFrameBytes);
                put(pcm, n);
                return n;
            }
        }
        if (woken_) {
            woken_ = false;
            return 0;
        }
        serve_playing(Clock::time_point::max());
    }
}

void PulseOutput::on_drained(pa_stream*, int success, void* self) {
    auto* out = static_cast<PulseOutput*>(self);
    out->drained_ = success;
    out->heard_ = Clock::now();
}

bool PulseOutput::drain() {
    for (;;) {
        if (!stream_ || check_lost()) {
            return false;
        }
        if (write_unplayed()) {
            if (!drain_) {
                drained_ = -1;
                drain_ = pa_stream_drain(stream_, on_drained, this);
            }
            if (drain_ && drained_ >= 0) {
                forget(drain_);
                drain_ = nullptr;
                // A drain that failed with the stream: lost, and the rest goes to the next.
                return !check_lost();
            }
        }
        if (woken_) {
            woken_ = false;
            return false;
        }
        serve_playing(Clock::time_point::max());
    }
}

void PulseOutput::pause() {
    if (!stream_ || corked_) {
        return;
    }
    const auto now = Clock::now();
    anchor_played_ = played_frames(now) * kFrameBytes;
    anchor_time_ = now;
    corked_ = true;
    if (cork_loses_) {
        // The stream runs on, empty: what was unplayed is written again at the restart.
        release_drain();
        keep_unplayed(written_ - anchor_played_);
        forget(pa_stream_flush(stream_, nullptr, nullptr));
        anchor_played_ = written_;
    } else {
        forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
    }
    serve(0);
}

void PulseOutput::resume() {
    if (!stream_ || !corked_) {
        return;
    }
    anchor_time_ = heard_ = Clock::now();
    corked_ = false;
    if (!cork_loses_) {
        forget(pa_stream_cork(stream_, 0, nullptr, nullptr));
        serve(0);
    }
}

void PulseOutput::set_volume(uint32_t volume) {
    volume_ = volume;
    if (!stream_) {
        return;
    }
    const pa_cvolume v = stereo_volume(volume);
    forget(pa_context_set_sink_input_volume(context_, pa_stream_get_index(stream_), &v, nullptr,
                                            nullptr));
    serve(0);
}

void PulseOutput::on_flushed(pa_stream*, int, void* self) {
    static_cast<PulseOutput*>(self)->flushed_ = true;
}

void PulseOutput::drop() {
    if (!stream_) {
        return;
    }
    unplayed_.clear();
    flushed_ = false;
    forget(pa_stream_cork(stream_, 1, nullptr, nullptr));
    await(pa_stream_flush(stream_, on_flushed, this), flushed_, Clock::now() + kFlushTimeout);
    if (flushed_) {
        release_stream();
        serve(0);
    } else {
        // A server that does not confirm a flush at once is in trouble: start afresh.
        close_connection();
    }
}

void PulseOutput::close_stream() {
    release_stream();
    if (context_) {
        serve(0);
    }
}

void PulseOutput::release_drain() {
    if (drain_) {
        if (pa_operation_get_state(drain_) == PA_OPERATION_RUNNING) {
            pa_operation_cancel(drain_);
        }
        pa_operation_unref(drain_);
        drain_ = nullptr;
    }
}

void PulseOutput::release_stream() {
    release_drain();
    if (stream_) {
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    corked_ = false;
}

void PulseOutput::close_connection() {
    release_stream();
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
}

size_t PulseOutput::forget_unplayed() {
    const size_t frames = unplayed_.size() / kFrameBytes;
    unplayed_.clear();
    return frames;
}

void PulseOutput::disconnect() {
    close_connection();
    unplayed_.clear();
    lost_ = false;
}

} // namespace vbmp3
