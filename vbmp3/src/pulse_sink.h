// Sound through a PulseAudio server, or PipeWire's, which speaks the same protocol, fed the
// way a desktop expects: seconds held in the server, so that the player and the server wake
// seldom, and pause (cork), flush and volume done in the server, where they take effect at
// once.
//
// Threads: the client library's event loop is not a thread of its own. The playback thread
// runs it inside the calls that wait, and it alone calls them; the shared Waker's descriptor
// is watched beside the server's socket, so that a command is seen without waiting for the
// server.
//
// A server that goes away (killed, restarted) or stops answering for several seconds while
// it should be playing has failed: the connection is closed, and what it held but had not yet
// played is kept, so that the next stream, on the next connection, starts with it and
// playback goes on from the same sample.
#pragma once

#include "held_sound.h"
#include "sink.h"
#include "waker.h"

#include <pulse/mainloop-api.h>

struct pa_context;
struct pa_mainloop;
struct pa_operation;
struct pa_server_info;
struct pa_stream;

namespace vbmp3 {

// The stream's volume in the server, in software units of the Pulse API, for a level on the
// library's scale.
uint32_t pulse_volume_for_level(int32_t level);

class PulseSink final : public Sink {
  public:
    explicit PulseSink(Waker& waker);
    // Ends the stream and the connection at once, whatever state the server is in.
    ~PulseSink() override;
    PulseSink(const PulseSink&) = delete;
    PulseSink& operator=(const PulseSink&) = delete;

    // Connects unless connected, and opens a stream on the Pulse sink `format.device` ("" for
    // the server's default). Nothing sounds before the first write(). False when no server
    // answers within about a second.
    bool open(const StreamFormat& format) override;
    // Hands over what a lost server held first.
    size_t write(const unsigned char* pcm, size_t bytes) override;
    bool drain() override;
    // Cork and uncork; on PipeWire, the stream is let go in the pause and resume() opens a new
    // one. Only write() and drain() write again what a flush for a pause took back.
    void pause() override;
    void resume() override;
    // Waits up to 100 ms for the server to confirm the flush; a server that does not is given
    // up on (the connection is closed).
    void flush() override;
    void close() override;
    bool set_volume(StereoLevel volume) override;
    bool failed() const override { return lost_; }
    void wait_until(Clock::time_point deadline) override;

    // Gives up on what a lost server held unplayed; returns how many frames that was.
    size_t forget_unplayed();
    // Closes the connection and forgets what a lost server held.
    void disconnect();

  private:
    // Serves the connection once: waits for its events, wake() or `timeout_us` (-1: no
    // limit), and handles what came. True if anything came.
    bool serve(int timeout_us);
    // Serves the connection until `done` is set by `op`'s reply, the deadline passes or the
    // connection is lost; then lets `op` go (cancelled if it has not finished).
    void await(pa_operation* op, const bool& done, Clock::time_point deadline);
    // Waits for the server, but no longer than it may stay silent while playing.
    void serve_playing();
    bool open_stream(const StreamFormat& format);
    // Loads libpulse and makes the connection's event loop, once. False if either fails.
    bool start_loop();
    // Connects unless connected to a server that is still there.
    bool connect();
    // Asks which server it is, waiting no longer than `deadline`.
    void learn_server(Clock::time_point deadline);
    // The connection or the stream failed, or the server stopped answering: keeps what it
    // held unplayed and closes the connection.
    bool check_lost();
    void close_connection();
    void release_stream();
    void release_drain();
    // Writes what a lost server held, as far as there is room. True once all of it is in.
    bool write_unplayed();
    // How much may be written now, in whole frames.
    size_t room() const;
    // Hands `bytes` to the stream, and keeps them until the server has played them.
    void put(const unsigned char* pcm, size_t bytes);
    // Frames of the stream the server has played by `t`, as far as can be told here.
    uint64_t played_frames(Clock::time_point t) const;
    // A request for more data has come: the server holds its target less what it asked for.
    void on_request(size_t requested);

    static void on_wake(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self);
    static void on_write(pa_stream*, size_t requested, void* self);
    static void on_drained(pa_stream*, int success, void* self);
    static void on_flushed(pa_stream*, int success, void* self);
    static void on_timed(pa_stream*, int success, void* self);
    static void on_server_info(pa_context*, const pa_server_info* info, void* self);

    Waker& waker_;
    pa_mainloop* mainloop_ = nullptr;
    pa_io_event* wake_event_ = nullptr;
    bool woken_ = false;

    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    int drained_ = -1; // -1 while a drain is on its way, else its result
    bool flushed_ = false;
    bool timed_ = false;
    bool corked_ = false;
    // PipeWire's Pulse server (0.3) lets go of what a corked stream held: uncorked, it goes
    // on past it. There pause() flushes the stream and lets it go, and flush() does not cork
    // it first; what was unplayed is written again when playing goes on.
    bool cork_loses_ = false;
    // The stream was let go for a pause; resume() opens one with format_.
    bool parked_ = false;
    StreamFormat format_;
    bool server_known_ = false;
    bool lost_ = false;
    long rate_ = 0;
    StereoLevel volume_ = kFullVolume;
    // When the server last showed that it works: a request, a reply, the stream starting.
    Clock::time_point heard_{};

    // What was written to the stream lately and what a lost server held unplayed.
    HeldSound held_;
    // Bytes written to the stream in all.
    uint64_t written_ = 0;
    // Where playing stood at anchor_time_, counted in bytes of the stream.
    uint64_t anchor_played_ = 0;
    Clock::time_point anchor_time_{};
};

} // namespace vbmp3
