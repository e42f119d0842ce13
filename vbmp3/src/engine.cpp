#include "engine.h"

#include "failover.h"
#include "playback.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

namespace vbmp3 {

namespace {

// How long vbmp3_free waits for the playback thread to end; it ends within a block unless
// the sound server holds it.
constexpr auto kThreadEndTimeout = std::chrono::seconds(2);
// How long a call that ends a play waits for the playback thread to silence it: a server's
// flush, confirmed, takes a millisecond; one that does not answer is given up on after 100 ms.
constexpr auto kPlayLeaveTimeout = std::chrono::milliseconds(300);

} // namespace

class Engine::Commands final : public PlayCommands {
  public:
    Commands(Engine& engine, uint64_t play_id) : engine_(engine), play_id_(play_id) {}
    bool go_on(Failover& out) override { return engine_.hold_while_paused(play_id_, out); }
    StereoLevel volume() const override {
        return unpack(engine_.volume_.load(std::memory_order_relaxed));
    }

  private:
    Engine& engine_;
    uint64_t play_id_;
};

Engine& Engine::instance() {
    static Engine* const engine = new Engine;
    return *engine;
}

bool Engine::start_thread_locked(std::unique_lock<std::mutex>& lock) {
    if (joining_) {
        // vbmp3_free on another thread is waiting for this thread to end: keep it ending.
        return false;
    }
    if (thread_.joinable()) {
        if (!quit_) {
            return true;
        }
        if (std::this_thread::get_id() == thread_id_) {
            // vbmp3_free, then a call that needs the thread, both from inside the callback:
            // the thread simply goes on.
            quit_ = false;
            return true;
        }
        // Told to quit from inside its own callback and not yet joined.
        std::thread old = std::move(thread_);
        joining_ = true;
        lock.unlock();
        old.join();
        lock.lock();
        joining_ = false;
        if (thread_.joinable()) {
            return !quit_;
        }
    }
    quit_ = false;
    const uint64_t generation = ++thread_generation_;
    thread_ = std::thread([this, generation] { run(generation); });
    thread_id_ = thread_.get_id();
    return true;
}

void Engine::end_play_locked() {
    ++play_id_;
    play_requested_ = false;
    playing_ = false;
    paused_ = false;
    wake_locked();
}

void Engine::wake_locked() {
    wake_.notify_all();
    if (output_) {
        output_->wake();
    }
}

void Engine::wait_for_play_to_leave_locked(std::unique_lock<std::mutex>& lock) {
    if (std::this_thread::get_id() != thread_id_) {
        play_left_.wait_for(lock, kPlayLeaveTimeout, [this] { return active_play_ == 0; });
    }
}

void Engine::wait_for_callback_locked(std::unique_lock<std::mutex>& lock) {
    // On the playback thread the callback is the caller itself, and returns after this.
    if (std::this_thread::get_id() != thread_id_) {
        callback_done_.wait(lock, [this] { return in_callback_ == 0; });
    }
}

bool Engine::init() {
    std::unique_lock lock(mutex_);
    return start_thread_locked(lock);
}

void Engine::free() {
    std::unique_lock lock(mutex_);
    end_play_locked();
    std::shared_ptr<const Track> old_track = std::move(track_);
    quit_ = true;
    if (joining_ || !thread_.joinable() || std::this_thread::get_id() == thread_id_) {
        // Nothing to join, or another call joins it, or this is the thread itself (inside
        // the callback): it ends when the callback returns.
        return;
    }
    std::thread old = std::move(thread_);
    const uint64_t generation = thread_generation_;
    joining_ = true;
    // A thread held in a write to a sound server that has frozen may never come back: after
    // a while it is left to end by itself whenever it does, so that the player can quit.
    const bool ended = thread_ended_.wait_for(lock, kThreadEndTimeout,
                                              [&] { return ended_generation_ >= generation; });
    lock.unlock();
    if (ended) {
        old.join();
    } else {
        old.detach();
    }
    lock.lock();
    joining_ = false;
    if (!ended) {
        // Its play and callback are over for everyone else: a later init must not wait for them.
        if (in_callback_ == generation) {
            in_callback_ = 0;
            callback_done_.notify_all();
        }
        active_play_ = 0;
    }
}

bool Engine::open(const char* path, vbmp3_fileinfo* info) {
    // Probed before the old file stops, so that it plays on meanwhile.
    std::shared_ptr<const Track> track = probe_file(path, info);
    const bool opened = track != nullptr;
    std::unique_lock lock(mutex_);
    replace_track_locked(lock, std::move(track));
    return opened;
}

void Engine::replace_track_locked(std::unique_lock<std::mutex>& lock,
                                  std::shared_ptr<const Track> track) {
    // The old tracks are let go after the lock: closing their files need not hold anyone up.
    std::vector<std::shared_ptr<const Track>> old;
    // A callback running meanwhile may open or play a file of its own while this call waits
    // for it; this call is the later one, so it ends that too.
    do {
        end_play_locked();
        old.push_back(std::exchange(track_, track));
        wait_for_callback_locked(lock);
        wait_for_play_to_leave_locked(lock);
    } while (track_ != track || playing_);
    lock.unlock();
}

void Engine::set_callback(vbmp3_callback_fn fn) {
    std::lock_guard lock(mutex_);
    callback_ = fn;
}

bool Engine::play() {
    const char* wanted = std::getenv("VBMP3_OUTPUT");
    std::unique_lock lock(mutex_);
    if (!start_thread_locked(lock) || !track_) {
        return false;
    }
    end_play_locked();
    wait_for_callback_locked(lock);
    wait_for_play_to_leave_locked(lock);
    // Asked for after the wait, which lets go of the lock: the thread takes up this play, not
    // a second one of a call that raced with it.
    if (!track_) {
        return false;
    }
    output_name_ = wanted ? wanted : "";
    play_requested_ = true;
    playing_ = true;
    wake_.notify_all();
    return true;
}

bool Engine::pause() {
    std::lock_guard lock(mutex_);
    if (!playing_ || paused_) {
        return false;
    }
    paused_ = true;
    wake_locked();
    return true;
}

bool Engine::restart() {
    std::lock_guard lock(mutex_);
    if (!paused_) {
        return false;
    }
    paused_ = false;
    wake_locked();
    return true;
}

void Engine::close() {
    std::unique_lock lock(mutex_);
    replace_track_locked(lock, nullptr);
}

void Engine::set_volume(int32_t left, int32_t right) {
    const auto level = [](int32_t l) {
        return std::clamp<int32_t>(l, zt4::kSilentLevel, zt4::kFullLevel);
    };
    volume_.store(pack({level(left), level(right)}), std::memory_order_relaxed);
    std::lock_guard lock(mutex_);
    if (output_) {
        output_->wake();
    }
}

void Engine::run(uint64_t generation) {
    Failover out;
    std::unique_lock lock(mutex_);
    // A thread that vbmp3_free left behind ends too when a newer one has started since.
    const auto ending = [&] { return quit_ || generation != thread_generation_; };
    if (!ending()) {
        output_ = &out;
    }
    for (;;) {
        wake_.wait(lock, [&] { return ending() || play_requested_; });
        if (ending()) {
            if (output_ == &out) {
                output_ = nullptr;
            }
            ended_generation_ = std::max(ended_generation_, generation);
            thread_ended_.notify_all();
            return;
        }
        play_requested_ = false;
        const uint64_t play_id = play_id_;
        const std::shared_ptr<const Track> track = track_;
        const std::string output = output_name_;
        active_play_ = play_id;
        lock.unlock();
        Commands commands(*this, play_id);
        const bool ended = play_track(*track, output, out, commands);
        lock.lock();
        if (active_play_ == play_id) {
            active_play_ = 0;
            play_left_.notify_all();
        }
        if (!ended || !current(play_id)) {
            continue;
        }
        playing_ = false;
        paused_ = false;
        const vbmp3_callback_fn fn = callback_;
        if (fn) {
            in_callback_ = generation;
            lock.unlock();
            fn(VBMP3_EVENT_END, 0);
            lock.lock();
            if (in_callback_ == generation) {
                in_callback_ = 0;
                callback_done_.notify_all();
            }
        }
    }
}

bool Engine::hold_while_paused(uint64_t play_id, Failover& out) {
    std::unique_lock lock(mutex_);
    if (!current(play_id)) {
        return false;
    }
    if (!paused_) {
        return true;
    }
    lock.unlock();
    out.pause();
    lock.lock();
    while (current(play_id) && paused_) {
        lock.unlock();
        // A volume set while paused is in place when playing goes on.
        out.set_volume(unpack(volume_.load(std::memory_order_relaxed)));
        out.wait_until(std::chrono::steady_clock::time_point::max());
        lock.lock();
    }
    if (!current(play_id)) {
        return false;
    }
    lock.unlock();
    out.resume();
    return true;
}

} // namespace vbmp3
