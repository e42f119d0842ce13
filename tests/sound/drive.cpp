// drive COMMAND...: drives libvbmp3 on its default output through a list of commands, as the
// player would, and prints "COMMAND T" for each, T the CLOCK_MONOTONIC seconds when its call
// returned, and "end T" for each end event. Commands: open:PATH (and registers the callback),
// play, pause, restart, close, vol:LEFT:RIGHT, sleep:MS, wait_end (for the next end event, up
// to 30 s), await:PATH (until the file PATH exists, up to 60 s: the test has seen what it
// waited for). Exits 1 when a call that should succeed fails.
#include "vbmp3.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <time.h>
#include <unistd.h>

namespace {

std::mutex mutex;
std::condition_variable ended;
int ends = 0;

double now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void on_event(int32_t event, int32_t) {
    std::printf("end %.6f\n", now());
    if (event == VBMP3_EVENT_END) {
        std::lock_guard lock(mutex);
        ++ends;
        ended.notify_all();
    }
}

bool run(const std::string& command) {
    const auto arg = [&](size_t n) {
        size_t at = 0;
        for (size_t i = 0; i < n; ++i) {
            at = command.find(':', at) + 1;
        }
        return command.substr(at, command.find(':', at) - at);
    };
    if (command.rfind("open:", 0) == 0) {
        return vbmp3_open(command.substr(5).c_str(), nullptr) && vbmp3_callback(on_event);
    }
    if (command.rfind("vol:", 0) == 0) {
        return vbmp3_setVolume(std::atoi(arg(1).c_str()), std::atoi(arg(2).c_str()));
    }
    if (command.rfind("sleep:", 0) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(arg(1).c_str())));
        return true;
    }
    if (command == "wait_end") {
        std::unique_lock lock(mutex);
        const int seen = ends;
        return ended.wait_for(lock, std::chrono::seconds(30), [&] { return ends > seen; });
    }
    if (command.rfind("await:", 0) == 0) {
        const std::string path = command.substr(6);
        for (int i = 0; i < 6000; ++i) {
            if (access(path.c_str(), F_OK) == 0) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    if (command == "play") {
        return vbmp3_play();
    }
    if (command == "pause") {
        return vbmp3_pause();
    }
    if (command == "restart") {
        return vbmp3_restart();
    }
    if (command == "close") {
        return vbmp3_close();
    }
    std::fprintf(stderr, "drive: unknown command %s\n", command.c_str());
    return false;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    vbmp3_init();
    int status = 0;
    for (int i = 1; i < argc && status == 0; ++i) {
        if (!run(argv[i])) {
            std::fprintf(stderr, "drive: %s failed\n", argv[i]);
            status = 1;
        } else if (std::string(argv[i]).rfind("sleep:", 0) != 0 &&
                   std::string(argv[i]).rfind("await:", 0) != 0) {
            std::printf("%s %.6f\n", argv[i], now());
        }
    }
    vbmp3_close();
    vbmp3_free();
    return status;
}
