// Sound through a PulseAudio server, or PipeWire's, which speaks the same protocol, fed the
// way a desktop expects: seconds held in the server, so that the player and the server wake
// about once a second, and pause (cork), stop (flush) and volume done in the server,
// where they take effect at once.
//
// Threads: the client library's event loop is not a thread of its own. The playback thread
// runs it inside the calls below that wait, and it alone calls them. wake() is the one
// exception: any thread may call it, and it makes the wait in progress, or the next one,
// return at once, so that a command is seen without waiting for the server.
//
// A server that goes away (killed, restarted) or stops answering for several seconds while
// it should be playing is "lost": the connection is closed, and what it held but had not yet
// played is kept, so that the next stream, on the next connection, starts with it and
// playback goes on from the same sample.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <pulse/mainloop-api.h>
#include <string>
#include <vector>

struct pa_context;
struct pa_mainloop;
struct pa_operation;
struct pa_server_info;
struct pa_stream;

namespace vbmp3 {

// The stream's volume in the server, in software units of the Pulse API, for a level 0..100
// on the library's scale (100 is 0 dB, 1 is -45 dB, 0 is silence).
uint32_t pulse_volume_for_level(int32_t level);

class PulseOutput {
  public:
    using Clock = std::chrono::steady_clock;

    PulseOutput();
    // Ends the stream and the connection at once, whatever state the server is in.
    ~PulseOutput();
    PulseOutput(const PulseOutput&) = delete;
    PulseOutput& operator=(const PulseOutput&) = delete;

    // Any thread.
    void wake();

    // The rest: the playback thread only.

    // Connects unless connected, and opens a stream of 16-bit stereo at `rate` on `sink` (""
    // for the server's default), named `name` in the server's volume mixer, at the packed
    // `volume` (left level in the low 16 bits, right in the high). Nothing sounds before the
    // first write(). False when no server answers within about a second.
    bool open(long rate, const std::string& sink, const std::string& name, uint32_t volume);
    bool is_open() const { return stream_ != nullptr; }
    // Hands over up to `bytes` of whole frames, as many as the server has room for; when it
    // has none, serves the connection until it has, until the server is lost, or until
    // wake(), and returns 0.
    size_t write(const unsigned char* pcm, size_t bytes);
    // Waits until the server has played all it was given (true), or until the server is lost
    // or wake() (false). Called again, it goes on waiting for the same drain.
    bool drain();
    // Cork and uncork: the server holds the stream where it is, and goes on from there. Only
    // write() and drain() write again what a flush for a pause took back.
    void pause();
    void resume();
    void set_volume(uint32_t volume);
    // Drops what the server holds and closes the stream. Waits up to 100 ms for the server to
    // confirm the flush, so that nothing of the stream sounds after this returns.
    void drop();
    // Closes the stream once played out (after drain()).
    void close_stream();
    // Serves the connection until `deadline` or wake().
    void wait_until(Clock::time_point deadline);

    // The server was lost; the connection is closed.
    bool lost() const { return lost_; }
    // Gives up on what the lost server held unplayed; returns how many frames that was.
    size_t forget_unplayed();
    // Closes the connection and forgets what a lost server held.
    void disconnect();

  private:
    // Serves the connection once: waits for its events, wake() or `timeout_us` (-1: no
    // limit), and handles what came.
    void serve(int timeout_us);
    // Serves the connection until `done` is set by `op`'s reply, the deadline passes or the
    // connection is lost; then lets `op` go (cancelled if it has not finished).
    void await(pa_operation* op, const bool& done, Clock::time_point deadline);
    // Waits as serve() does, but no longer than the server may stay silent while playing.
    void serve_playing(Clock::time_point until);
    bool connect();
    // Asks which server it is, waiting no longer than `deadline`.
    void learn_server(Clock::time_point deadline);
    // The connection or the stream failed, or the server stopped answering: keeps what it
    // held unplayed and closes the connection.
    bool check_lost();
    void close_connection();
    void release_stream();
    // Keeps the last `bytes` written to be written first to the next stream.
    void keep_unplayed(uint64_t bytes);
    void release_drain();
    // Writes what a lost server held, as far as there is room. True once all of it is in.
    bool write_unplayed();
    void put(const unsigned char* pcm, size_t bytes);
    // Frames of the stream the server has played by `t`, as far as can be told here.
    uint64_t played_frames(Clock::time_point t) const;
    // A request for more data has come: the server holds its target less what it asked for.
    void on_request(size_t requested);

    static void on_wake(pa_mainloop_api*, pa_io_event*, int fd, pa_io_event_flags_t, void* self);
    static void on_write(pa_stream*, size_t requested, void* self);
    static void on_drained(pa_stream*, int success, void* self);
    static void on_flushed(pa_stream*, int success, void* self);
    static void on_server_info(pa_context*, const pa_server_info* info, void* self);

    pa_mainloop* mainloop_ = nullptr;
    int wake_fd_ = -1;
    pa_io_event* wake_event_ = nullptr;
    bool woken_ = false;

    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_operation* drain_ = nullptr;
    int drained_ = -1; // -1 while a drain is on its way, else its result
    bool flushed_ = false;
    bool corked_ = false;
    // PipeWire's Pulse server (0.3) lets go of what a corked stream held: uncorked, it goes
    // on past it. There pause() flushes the stream instead of corking it, and what was
    // unplayed is written again when playing goes on.
    bool cork_loses_ = false;
    bool server_known_ = false;
    bool lost_ = false;
    long rate_ = 0;
    uint32_t volume_ = 100u | (100u << 16);
    // When the server last showed that it works: a request, a reply, the stream starting.
    Clock::time_point heard_{};

    // What was written to the stream lately, as much as the server can hold unplayed: the
    // last bytes, in a ring, and how many bytes were written to the stream in all.
    std::vector<unsigned char> recent_;
    size_t recent_end_ = 0;
    uint64_t written_ = 0;
    // Where playing stood at anchor_time_, counted in bytes of the stream.
    uint64_t anchor_played_ = 0;
    Clock::time_point anchor_time_{};
    // What a lost server held unplayed, to be written first to the next stream.
    std::vector<unsigned char> unplayed_;
};

} // namespace vbmp3
