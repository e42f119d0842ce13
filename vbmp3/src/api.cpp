// The nine C functions of libvbmp3. No exception crosses into the caller.
#include "engine.h"
#include "vbmp3.h"

#include <cstddef>

static_assert(sizeof(vbmp3_fileinfo) == 272);
static_assert(offsetof(vbmp3_fileinfo, title) == 0);
static_assert(offsetof(vbmp3_fileinfo, artist) == 128);
static_assert(offsetof(vbmp3_fileinfo, sample_rate) == 256);
static_assert(offsetof(vbmp3_fileinfo, channels) == 260);
static_assert(offsetof(vbmp3_fileinfo, bitrate) == 264);
static_assert(offsetof(vbmp3_fileinfo, length_ms) == 268);

namespace {

template <typename F> int32_t guarded(F&& f) {
    try {
        return f() ? 1 : 0;
    } catch (...) {
        // Out of memory or no thread to be had: the call fails, the caller carries on.
        return 0;
    }
}

vbmp3::Engine& engine() {
    return vbmp3::Engine::instance();
}

} // namespace

extern "C" {

int32_t vbmp3_init(void) {
    return guarded([] { return engine().init(); });
}

int32_t vbmp3_free(void) {
    return guarded([] {
        engine().free();
        return true;
    });
}

int32_t vbmp3_open(const char* path, vbmp3_fileinfo* info) {
    return guarded([&] { return engine().open(path, info); });
}

int32_t vbmp3_callback(vbmp3_callback_fn fn) {
    return guarded([&] {
        engine().set_callback(fn);
        return true;
    });
}

int32_t vbmp3_play(void) {
    return guarded([] { return engine().play(); });
}

int32_t vbmp3_pause(void) {
    return guarded([] { return engine().pause(); });
}

int32_t vbmp3_restart(void) {
    return guarded([] { return engine().restart(); });
}

int32_t vbmp3_close(void) {
    return guarded([] {
        engine().close();
        return true;
    });
}

int32_t vbmp3_setVolume(int32_t left, int32_t right) {
    return guarded([&] {
        engine().set_volume(left, right);
        return true;
    });
}

} // extern "C"
