#include "fake_vbmp3.h"

#include "vbmp3.h"

#include <cstring>
#include <mutex>
#include <string>

namespace {

std::mutex mutex;
std::string calls;
std::string callsCopy;
std::string failPart;
bool failNext = false;
vbmp3_callback_fn callback = nullptr;

void record(const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex);
    calls += line;
    calls += '\n';
}

} // namespace

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

FAKE_EXPORT int32_t vbmp3_init(void) {
    record("vbmp3_init()");
    return 1;
}

FAKE_EXPORT int32_t vbmp3_free(void) {
    record("vbmp3_free()");
    return 1;
}

FAKE_EXPORT int32_t vbmp3_open(const char* path, vbmp3_fileinfo* info) {
    record(std::string("vbmp3_open(") + path + ")");
    std::lock_guard<std::mutex> lock(mutex);
    const bool fail = failNext || (!failPart.empty() && std::strstr(path, failPart.c_str()));
    failNext = false;
    if (fail)
        return 0x10000; // non-zero, but 0 in its low 16 bits: still a failure
    if (info != nullptr) {
        std::memset(info, 0, sizeof *info);
        std::strncpy(info->title, "fake", sizeof info->title - 1);
        info->sample_rate = 44100;
        info->channels = 2;
    }
    return 1;
}

FAKE_EXPORT int32_t vbmp3_callback(vbmp3_callback_fn fn) {
    record(fn != nullptr ? "vbmp3_callback(fn)" : "vbmp3_callback(null)");
    std::lock_guard<std::mutex> lock(mutex);
    callback = fn;
    return 1;
}

FAKE_EXPORT int32_t vbmp3_play(void) {
    record("vbmp3_play()");
    return 1;
}

FAKE_EXPORT int32_t vbmp3_pause(void) {
    record("vbmp3_pause()");
    return 1;
}

FAKE_EXPORT int32_t vbmp3_restart(void) {
    record("vbmp3_restart()");
    return 1;
}

FAKE_EXPORT int32_t vbmp3_close(void) {
    record("vbmp3_close()");
    return 1;
}

FAKE_EXPORT int32_t vbmp3_setVolume(int32_t left, int32_t right) {
    record("vbmp3_setVolume(" + std::to_string(left) + "," + std::to_string(right) + ")");
    return 1;
}

FAKE_EXPORT void fake_reset(void) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
    failPart.clear();
    failNext = false;
    callback = nullptr;
}

FAKE_EXPORT void fake_clear_calls(void) {
    std::lock_guard<std::mutex> lock(mutex);
    calls.clear();
}

FAKE_EXPORT const char* fake_calls(void) {
    std::lock_guard<std::mutex> lock(mutex);
    callsCopy = calls;
    return callsCopy.c_str();
}

FAKE_EXPORT void fake_fail_next_open(void) {
    std::lock_guard<std::mutex> lock(mutex);
    failNext = true;
}

FAKE_EXPORT void fake_fail_paths_containing(const char* part) {
    std::lock_guard<std::mutex> lock(mutex);
    failPart = part != nullptr ? part : "";
}

FAKE_EXPORT int32_t fake_fire_callback(int32_t code, int32_t value) {
    vbmp3_callback_fn fn;
    {
        std::lock_guard<std::mutex> lock(mutex);
        fn = callback;
    }
    if (fn == nullptr)
        return 0;
    fn(code, value);
    return 1;
}
