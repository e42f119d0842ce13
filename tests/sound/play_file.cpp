// play_file FILE [CLOSE_AFTER_MS]: plays FILE through libvbmp3's C functions on the default
// output, as the player does, and reports on standard output, one "key value" a line:
//   play MS     wall-clock time (ms since the epoch) when vbmp3_play returned
//   end MS      when the end event came (only the first)
//   ends N      end events counted up to 1 s after the first, or after the close
//   close_ms N  how long vbmp3_close took; free_ms likewise for vbmp3_free
// Without CLOSE_AFTER_MS it waits up to 60 s for the end, else it closes after that long.
// The times are wall-clock so that a script can set them beside its own `date`.
#include "vbmp3.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono;

std::mutex mutex;
std::condition_variable ended;
int ends = 0;
long long first_end_ms = 0;

long long now_ms() {
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void on_event(int32_t event, int32_t value) {
    const long long at = now_ms();
    std::lock_guard lock(mutex);
    if (event != VBMP3_EVENT_END || value != 0) {
        std::printf("odd_event %d %d\n", event, value);
        return;
    }
    if (ends++ == 0) {
        first_end_ms = at;
    }
    ended.notify_all();
}

// Runs `f` and returns how long it took in ms.
template <typename F> long long timed(F f) {
    const auto begin = steady_clock::now();
    f();
    return duration_cast<milliseconds>(steady_clock::now() - begin).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [CLOSE_AFTER_MS]\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!vbmp3_init() || !vbmp3_open(argv[1], nullptr) || !vbmp3_callback(on_event) ||
        !vbmp3_play()) {
        std::fprintf(stderr, "play_file: could not start %s\n", argv[1]);
        return 1;
    }
    std::printf("play %lld\n", now_ms());

    if (argc == 3) {
        std::this_thread::sleep_for(milliseconds(std::atoi(argv[2])));
        std::printf("close_ms %lld\n", timed([] { vbmp3_close(); }));
        // Anything that comes now is an event after the close.
        std::this_thread::sleep_for(1s);
    } else {
        std::unique_lock lock(mutex);
        if (ended.wait_for(lock, 60s, [] { return ends > 0; })) {
            std::printf("end %lld\n", first_end_ms);
        }
        // A second end would come at once; give it time all the same.
        ended.wait_for(lock, 1s, [] { return ends > 1; });
        lock.unlock();
        std::printf("close_ms %lld\n", timed([] { vbmp3_close(); }));
    }
    {
        std::lock_guard lock(mutex);
        std::printf("ends %d\n", ends);
    }
    std::printf("free_ms %lld\n", timed([] { vbmp3_free(); }));
    return 0;
}
