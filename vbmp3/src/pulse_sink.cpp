#include "pulse_sink.h"

#include "pulse_library.h"

#include <algorithm>
#include <cstring>

namespace vbmp3 {

namespace {

// Only called once the connection's event loop exists, which the library's loading comes
// before.
const PulseLibrary& pa() {
    return *pulse_library();
}

// What the server is asked to hold for the stream (tlength), and how much it asks for at a
// time (minreq). The server also keeps tlength - 2 * minreq, two seconds, in the sink
// (PulseAudio sizes the sink's own buffer so), and mixes that much at a time: then it asks for
// more and lets go of what it played in one go, every two seconds, and with the program's own
// clock tick the player wakes less than twice a second. Pause, flush and volume rewind what
// the sink holds, so none of it delays them.
constexpr pa_usec_t kTargetUsec = 5 * PA_USEC_PER_SEC;
constexpr pa_usec_t kRequestUsec = 3 * PA_USEC_PER_SEC / 2;
// The stream starts as soon as this much is in, not once the whole target is.
constexpr pa_usec_t kPrebufferUsec = 50 * PA_USEC_PER_MSEC;
// A server that takes longer than this to accept a connection or a stream is taken as absent.
constexpr auto kOpenTimeout = std::chrono::milliseconds(1000);
// How long flush() waits for the server to confirm it.
constexpr auto kFlushTimeout = std::chrono::milliseconds(100);
// A server that asks for nothing and answers nothing for this long while it should be
// playing has stopped (frozen): longer than a drain of all it holds takes.
constexpr auto kSilentLimit = std::chrono::seconds(6);
static_assert(kSilentLimit > std::chrono::microseconds(kTargetUsec));
// How many batches of events waiting on the connection are read before it is judged frozen.
constexpr int kMaxQueuedEvents = 64;
// The recent bytes kept for a lost server: what it holds, with room to spare.
constexpr pa_usec_t kKeptUsec = kTargetUsec + PA_USEC_PER_SEC;

constexpr const char* kApplicationName = "MP3音楽再生";
constexpr const char* kIconName = "zt4";

void forget(pa_operation* op) {
    if (op) {
        pa().operation_unref(op);
    }
}

// A timeout for the event loop, which counts in microseconds; -1 for none.
int usec_until(Clock::time_point t) {
    if (t == Clock::time_point::max()) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::microseconds>(t - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60LL * 1000 * 1000));
}

pa_cvolume stereo_volume(StereoLevel level) {
    pa_cvolume v;
    v.channels = 2;
    v.values[0] = pulse_volume_for_level(level.left);
    v.values[1] = pulse_volume_for_level(level.right);
    return v;
}

} // namespace

uint32_t pulse_volume_for_level(int32_t level) {
    level = std::clamp<int32_t>(level, zt4::kSilentLevel, zt4::kFullLevel);
    if (level == zt4::kSilentLevel) {
        return PA_VOLUME_MUTED;
    }
    return pa().sw_volume_from_dB(zt4::level_db(level));
}

PulseSink::PulseSink(Waker& waker) : waker_(waker) {}

bool PulseSink::start_loop() {
    if (!mainloop_ && pulse_library()) {
        mainloop_ = pa().mainloop_new();
        if (mainloop_ && waker_.fd() >= 0) {
            pa_mainloop_api* api = pa().mainloop_get_api(mainloop_);
            wake_event_ = api->io_new(api, waker_.fd(), PA_IO_EVENT_INPUT, on_wake, this);
        }
    }
    return mainloop_ && wake_event_;
}

PulseSink::~PulseSink() {
    close_connection();
    if (wake_event_) {
        pa_mainloop_api* api = pa().mainloop_get_api(mainloop_);
        api->io_free(wake_event_);
    }
    if (mainloop_) {
        pa().mainloop_free(mainloop_);
    }
}

void PulseSink::on_wake(pa_mainloop_api*, pa_io_event*, int, pa_io_event_flags_t, void* self) {
    auto* sink = static_cast<PulseSink*>(self);
    if (sink->waker_.take()) {
        sink->woken_ = true;
    }
}

void PulseSink::await(pa_operation* op, const bool& done, Clock::time_point deadline) {
    while (op && !done && Clock::now() < deadline &&
           pa().context_get_state(context_) == PA_CONTEXT_READY) {
        serve(usec_until(deadline));
    }
    if (op) {
        if (pa().operation_get_state(op) == PA_OPERATION_RUNNING) {
            pa().operation_cancel(op);
        }
        pa().operation_unref(op);
    }
}

bool PulseSink::serve(int timeout_us) {
    if (!mainloop_ || pa().mainloop_prepare(mainloop_, timeout_us) < 0) {
        return false;
    }
    if (pa().mainloop_poll(mainloop_) < 0) {
        return false;
    }
    return pa().mainloop_dispatch(mainloop_) > 0;
}

void PulseSink::serve_playing() {
    serve(stream_ && !corked_ ? usec_until(heard_ + kSilentLimit) : -1);
}

void PulseSink::wait_until(Clock::time_point deadline) {
    if (!woken_) {
        serve(usec_until(deadline));
    }
    woken_ = false;
}

bool PulseSink::connect() {
    if (context_) {
        // What the server said while nobody served the connection, its going among it.
        serve(0);
        if (pa().context_get_state(context_) == PA_CONTEXT_READY) {
            return true;
        }
        close_connection();
    }
    if (!start_loop()) {
        return false;
    }
    pa_proplist* props = pa().proplist_new();
    pa().proplist_sets(props, PA_PROP_APPLICATION_NAME, kApplicationName);
    pa().proplist_sets(props, PA_PROP_APPLICATION_ICON_NAME, kIconName);
    context_ =
        pa().context_new_with_proplist(pa().mainloop_get_api(mainloop_), kApplicationName, props);
    pa().proplist_free(props);
    if (!context_) {
        return false;
    }
    // Never start a server of our own: with none running, the library falls back to ALSA.
    if (pa().context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        close_connection();
        return false;
    }
    const auto deadline = Clock::now() + kOpenTimeout;
    for (;;) {
        const pa_context_state_t state = pa().context_get_state(context_);
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

void PulseSink::on_server_info(pa_context*, const pa_server_info* info, void* self) {
    auto* out = static_cast<PulseSink*>(self);
    out->cork_loses_ = info && info->server_name && std::strstr(info->server_name, "PipeWire");
    out->server_known_ = true;
}

void PulseSink::learn_server(Clock::time_point deadline) {
    server_known_ = false;
    cork_loses_ = false;
    await(pa().context_get_server_info(context_, on_server_info, this), server_known_, deadline);
}

bool PulseSink::open(const StreamFormat& format) {
    format_ = format;
    const bool reused = context_ != nullptr;
    // A connection kept from before may have lost its server without this thread seeing it
    // (nobody served it while nothing played): then the stream is tried once more on a new
    // connection.
    return open_stream(format) || (reused && open_stream(format));
}

bool PulseSink::open_stream(const StreamFormat& format) {
    release_stream();
    lost_ = false;
    parked_ = false;
    volume_ = format.volume;
    const long rate = format.rate;
    const std::string& name = format.name;
    const std::string& sink = format.device;
    if (!connect()) {
        return false;
    }
    const pa_sample_spec samples{PA_SAMPLE_S16LE, static_cast<uint32_t>(rate), 2};
    pa_channel_map map;
    pa().channel_map_init_stereo(&map);
    pa_proplist* props = pa().proplist_new();
    pa().proplist_sets(props, PA_PROP_MEDIA_ROLE, "music");
    stream_ = pa().stream_new_with_proplist(context_, name.empty() ? "?" : name.c_str(), &samples,
                                            &map, props);
    pa().proplist_free(props);
    if (!stream_) {
        close_connection();
        return false;
    }
    pa().stream_set_write_callback(stream_, on_write, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa().usec_to_bytes(kTargetUsec, &samples));
    attr.prebuf = static_cast<uint32_t>(pa().usec_to_bytes(kPrebufferUsec, &samples));
    attr.minreq = static_cast<uint32_t>(pa().usec_to_bytes(kRequestUsec, &samples));
    attr.fragsize = static_cast<uint32_t>(-1);
    const pa_cvolume initial = stereo_volume(volume_);
    rate_ = rate;
    written_ = 0;
    anchor_played_ = 0;
    corked_ = false;
    // Set here, as a sample may be handed over before the first request.
    anchor_time_ = heard_ = Clock::now();
    if (pa().stream_connect_playback(stream_, sink.empty() ? nullptr : sink.c_str(), &attr,
                                     PA_STREAM_NOFLAGS, &initial, nullptr) < 0) {
        close_connection();
        return false;
    }
    const auto deadline = Clock::now() + kOpenTimeout;
    for (;;) {
        const pa_stream_state_t state = pa().stream_get_state(stream_);
        if (state == PA_STREAM_READY) {
            break;
        }
        if (!PA_STREAM_IS_GOOD(state) || Clock::now() >= deadline) {
            close_connection();
            return false;
        }
        serve(usec_until(deadline));
    }
    const pa_buffer_attr* got = pa().stream_get_buffer_attr(stream_);
    const size_t keep =
        std::max<size_t>(pa().usec_to_bytes(kKeptUsec, &samples),
                         got ? got->tlength + pa().usec_to_bytes(PA_USEC_PER_SEC, &samples) : 0);
    held_.start(keep - keep % kFrameBytes);
    return true;
}

void PulseSink::on_write(pa_stream*, size_t requested, void* self) {
    static_cast<PulseSink*>(self)->on_request(requested);
}

void PulseSink::on_request(size_t requested) {
    const auto now = Clock::now();
    heard_ = now;
    if (corked_ || !stream_) {
        return;
    }
    const pa_buffer_attr* attr = pa().stream_get_buffer_attr(stream_);
    if (!attr) {
        return;
    }
    // Asked for `requested`, the server holds its target less that: the rest has played.
    const uint64_t held = attr->tlength > requested ? attr->tlength - requested : 0;
    const uint64_t played = written_ > held ? written_ - held : 0;
    anchor_played_ = std::max(anchor_played_, played - played % kFrameBytes);
    anchor_time_ = now;
}

uint64_t PulseSink::played_frames(Clock::time_point t) const {
    uint64_t played = anchor_played_ / kFrameBytes;
    if (!corked_ && t > anchor_time_) {
        const double seconds = std::chrono::duration<double>(t - anchor_time_).count();
        played += static_cast<uint64_t>(seconds * static_cast<double>(rate_));
    }
    return std::min<uint64_t>(played, written_ / kFrameBytes);
}

void PulseSink::put(const unsigned char* pcm, size_t bytes) {
    // pa_stream_write copies what it is given.
    if (pa().stream_write(stream_, pcm, bytes, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
        return;
    }
    written_ += bytes;
    held_.written(pcm, bytes);
}

bool PulseSink::check_lost() {
    if (lost_) {
        return true;
    }
    if (!stream_) {
        return false;
    }
    const auto failed = [this] {
        return pa().context_get_state(context_) != PA_CONTEXT_READY ||
               pa().stream_get_state(stream_) != PA_STREAM_READY;
    };
    const auto frozen = [this] { return !corked_ && Clock::now() - heard_ >= kSilentLimit; };
    // This thread may not have served the connection for a while (a slow read of the file,
    // the player stopped): what the server said meanwhile is read before it is judged.
    for (int i = 0; i < kMaxQueuedEvents && !failed() && frozen() && serve(0); ++i) {
    }
    if (!failed() && !frozen()) {
        return false;
    }
    held_.keep_unplayed(written_ - played_frames(Clock::now()) * kFrameBytes);
    close_connection();
    lost_ = true;
    return true;
}

size_t PulseSink::room() const {
    size_t room = pa().stream_writable_size(stream_);
    if (room == static_cast<size_t>(-1)) {
        return 0;
    }
    return room - room % kFrameBytes;
}

bool PulseSink::write_unplayed() {
    while (held_.unplayed_size() > 0) {
        const size_t room = this->room();
        if (room < kFrameBytes) {
            return false;
        }
        const size_t n = std::min(room, held_.unplayed_size());
        put(held_.unplayed(), n);
        held_.replayed(n);
    }
    return true;
}

size_t PulseSink::write(const unsigned char* pcm, size_t bytes) {
    for (;;) {
        if (!stream_ || check_lost()) {
            return 0;
        }
        if (write_unplayed()) {
            const size_t room = this->room();
            if (room >= kFrameBytes) {
                const size_t n = std::min(bytes, room);
                put(pcm, n);
                return n;
            }
        }
        if (woken_) {
            woken_ = false;
            return 0;
        }
        serve_playing();
    }
}

void PulseSink::on_drained(pa_stream*, int success, void* self) {
    auto* out = static_cast<PulseSink*>(self);
    out->drained_ = success;
    out->heard_ = Clock::now();
}

bool PulseSink::drain() {
    for (;;) {
        if (!stream_ || check_lost()) {
            return false;
        }
        if (write_unplayed()) {
            if (!drain_) {
                drained_ = -1;
                drain_ = pa().stream_drain(stream_, on_drained, this);
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
        serve_playing();
    }
}

void PulseSink::pause() {
    if (!stream_ || corked_) {
        return;
    }
    const auto now = Clock::now();
    anchor_played_ = played_frames(now) * kFrameBytes;
    anchor_time_ = now;
    corked_ = true;
    if (cork_loses_) {
        // A cork here would lose what the stream holds, or play it wrongly later: it is taken
        // back, and written again at the restart from where the server stopped reading, as
        // all it read goes on to be heard. Then the stream is let go, not corked: a corked
        // stream keeps PipeWire's graph and session manager waking several times a second.
        // resume() opens a new one, which starts with what was taken back.
        release_drain();
        flushed_ = false;
        await(pa().stream_flush(stream_, on_flushed, this), flushed_, now + kFlushTimeout);
        timed_ = false;
        await(pa().stream_update_timing_info(stream_, on_timed, this), timed_,
              Clock::now() + kFlushTimeout);
        const pa_timing_info* timing = timed_ ? pa().stream_get_timing_info(stream_) : nullptr;
        if (timing && !timing->read_index_corrupt && timing->read_index >= 0 &&
            static_cast<uint64_t>(timing->read_index) <= written_) {
            anchor_played_ = static_cast<uint64_t>(timing->read_index);
        }
        held_.keep_unplayed(written_ - anchor_played_);
        release_stream();
        parked_ = true;
        serve(0);
        return;
    }
    forget(pa().stream_cork(stream_, 1, nullptr, nullptr));
    serve(0);
}

void PulseSink::on_timed(pa_stream*, int, void* self) {
    static_cast<PulseSink*>(self)->timed_ = true;
}

void PulseSink::resume() {
    if (parked_) {
        StreamFormat format = format_;
        format.volume = volume_;
        // A server that cannot be had now is handled as one lost while playing: what was
        // taken back waits for the next stream.
        lost_ = !open(format);
        return;
    }
    if (!stream_ || !corked_) {
        return;
    }
    anchor_time_ = heard_ = Clock::now();
    corked_ = false;
    forget(pa().stream_cork(stream_, 0, nullptr, nullptr));
    serve(0);
}

bool PulseSink::set_volume(StereoLevel volume) {
    if (volume == volume_ || !stream_) {
        volume_ = volume;
        return true;
    }
    volume_ = volume;
    const pa_cvolume v = stereo_volume(volume);
    forget(pa().context_set_sink_input_volume(context_, pa().stream_get_index(stream_), &v, nullptr,
                                              nullptr));
    serve(0);
    return true;
}

void PulseSink::on_flushed(pa_stream*, int, void* self) {
    static_cast<PulseSink*>(self)->flushed_ = true;
}

void PulseSink::flush() {
    if (parked_) {
        // What the pause took back goes with the stream it came from.
        held_.forget_unplayed();
        parked_ = false;
    }
    if (!stream_) {
        return;
    }
    held_.forget_unplayed();
    flushed_ = false;
    if (!cork_loses_) {
        forget(pa().stream_cork(stream_, 1, nullptr, nullptr));
    }
    await(pa().stream_flush(stream_, on_flushed, this), flushed_, Clock::now() + kFlushTimeout);
    if (flushed_) {
        release_stream();
        serve(0);
    } else {
        // A server that does not confirm a flush at once is in trouble: start afresh.
        close_connection();
    }
}

void PulseSink::close() {
    release_stream();
    if (context_) {
        serve(0);
    }
}

void PulseSink::release_drain() {
    if (drain_) {
        if (pa().operation_get_state(drain_) == PA_OPERATION_RUNNING) {
            pa().operation_cancel(drain_);
        }
        pa().operation_unref(drain_);
        drain_ = nullptr;
    }
}

void PulseSink::release_stream() {
    release_drain();
    if (stream_) {
        pa().stream_set_write_callback(stream_, nullptr, nullptr);
        pa().stream_disconnect(stream_);
        pa().stream_unref(stream_);
        stream_ = nullptr;
    }
    corked_ = false;
}

void PulseSink::close_connection() {
    release_stream();
    parked_ = false;
    if (context_) {
        pa().context_disconnect(context_);
        pa().context_unref(context_);
        context_ = nullptr;
    }
}

size_t PulseSink::forget_unplayed() {
    return held_.forget_unplayed() / kFrameBytes;
}

void PulseSink::disconnect() {
    close_connection();
    held_.forget_unplayed();
    lost_ = false;
}

} // namespace vbmp3
