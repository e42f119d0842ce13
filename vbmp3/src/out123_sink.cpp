#include "out123_sink.h"

#include <dlfcn.h>
#include <out123.h>

namespace vbmp3 {

namespace {

// Small, so that pause and volume are heard soon. Drivers that take a size honour it (ALSA).
constexpr double kDeviceBufferSeconds = 0.1;

// libasound reads its configuration once per load and frees it only when told to. A failed
// try of the ALSA driver unloads libasound with it, so every try while there is no device
// leaked the configuration (about 75 kB): once tried, libasound stays loaded.
void keep_libasound_loaded() {
    static void* const handle = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NODELETE);
    (void)handle;
}

} // namespace

Out123Sink::~Out123Sink() {
    unload();
    out123_del(ao_);
}

bool Out123Sink::load(const std::string& driver, const std::string& device) {
    if (loaded_ && driver == driver_ && device == device_) {
        return true;
    }
    unload();
    if (driver == "alsa") {
        keep_libasound_loaded();
    }
    if (!ao_) {
        ao_ = out123_new();
        if (!ao_) {
            return false;
        }
        out123_param_int(ao_, OUT123_ADD_FLAGS, OUT123_QUIET);
        out123_param_float(ao_, OUT123_DEVICEBUFFER, kDeviceBufferSeconds);
        out123_param_string(ao_, OUT123_NAME, "zt4");
    }
    loaded_ = out123_open(ao_, driver.c_str(), device.empty() ? nullptr : device.c_str()) == 0;
    driver_ = driver;
    device_ = device;
    return loaded_;
}

void Out123Sink::unload() {
    if (loaded_) {
        out123_drop(ao_);
        out123_close(ao_);
        loaded_ = false;
    }
}

bool Out123Sink::open(const StreamFormat& format) {
    failed_ = false;
    if (!loaded_ || out123_start(ao_, format.rate, 2, MPG123_ENC_SIGNED_16) != 0) {
        unload();
        return false;
    }
    return true;
}

size_t Out123Sink::write(const unsigned char* pcm, size_t bytes) {
    // out123_play takes no const buffer but does not write to it.
    const size_t done = out123_play(ao_, const_cast<unsigned char*>(pcm), bytes);
    if (done < bytes) {
        failed_ = true;
    }
    return done - done % kFrameBytes;
}

bool Out123Sink::drain() {
    out123_drain(ao_);
    return true;
}

void Out123Sink::pause() {
    out123_pause(ao_);
}

void Out123Sink::resume() {
    out123_continue(ao_);
}

void Out123Sink::flush() {
    out123_drop(ao_);
    out123_stop(ao_);
}

void Out123Sink::close() {
    out123_stop(ao_);
}

} // namespace vbmp3
