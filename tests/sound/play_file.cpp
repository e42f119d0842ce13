// play_file FILE [CLOSE_AFTER_MS]: plays FILE through libvbmp3 on the default output, as the
// player does, and prints "key value" lines: play and end, wall-clock ms (beside the
// script's `date`) when vbmp3_play returned and the first end event came; close_ms and
// free_ms, how long those calls took; ends, the end events counted 1 s after the close.
// Without CLOSE_AFTER_MS it closes 1 s after the end, waited for up to 60 s.
#include "vbmp3.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace std::chrono;

namespace {

std::atomic<int> ends{0};

long long now_ms() {
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void on_event(int32_t event, int32_t value) {
    if (event != VBMP3_EVENT_END || value != 0) {
        std::printf("odd_event %d %d\n", event, value);
    } else if (ends++ == 0) {
        std::printf("end %lld\n", now_ms());
    }
}

template <typename F> long long ms_taken(F f) {
    const auto begin = steady_clock::now();
    f();
    return duration_cast<milliseconds>(steady_clock::now() - begin).count();
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc < 2 || !vbmp3_init() || !vbmp3_open(argv[1], nullptr) || !vbmp3_callback(on_event) ||
        !vbmp3_play()) {
        std::fprintf(stderr, "usage: %s FILE [CLOSE_AFTER_MS]; could not play it\n", argv[0]);
        return 1;
    }
    std::printf("play %lld\n", now_ms());
    if (argc > 2) {
        std::this_thread::sleep_for(milliseconds(std::atoi(argv[2])));
    } else {
        for (int i = 0; i < 600 && ends == 0; ++i) {
            std::this_thread::sleep_for(100ms);
        }
        std::this_thread::sleep_for(1s); // time for a second end
    }
    std::printf("close_ms %lld\n", ms_taken([] { vbmp3_close(); }));
    std::this_thread::sleep_for(1s);
    std::printf("ends %d\n", ends.load());
    std::printf("free_ms %lld\n", ms_taken([] { vbmp3_free(); }));
}
