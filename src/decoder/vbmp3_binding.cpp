#include "decoder/vbmp3_binding.h"

#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <set>

namespace zt4 {

namespace {

// The library's callback has no context argument, so one binding at a time receives it.
std::mutex receiverMutex;
Vbmp3Binding* receiver = nullptr;

// Each missing piece is reported once, however often it is called.
void reportOnce(const std::string& what) {
    static std::mutex mutex;
    static std::set<std::string> seen;
    std::lock_guard<std::mutex> lock(mutex);
    if (seen.insert(what).second)
        std::fprintf(stderr, "zt4: %s\n", what.c_str());
}

} // namespace

extern "C" void PlaybackCallback(int32_t code, int32_t) {
    std::lock_guard<std::mutex> lock(receiverMutex);
    if (receiver != nullptr)
        receiver->events().post(receiver->fileGeneration(), code);
}

Vbmp3Binding::Vbmp3Binding(std::string library) : library_(std::move(library)) {
    std::lock_guard<std::mutex> lock(receiverMutex);
    receiver = this;
}

Vbmp3Binding::~Vbmp3Binding() {
    // The library's playback thread may still call PlaybackCallback, so the library is never
    // unloaded; from here on the call reaches nobody.
    std::lock_guard<std::mutex> lock(receiverMutex);
    if (receiver == this)
        receiver = nullptr;
}

void* Vbmp3Binding::symbol(const char* name) {
    if (handle_ == nullptr && !loadFailed_) {
        handle_ = dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            loadFailed_ = true;
            const char* err = dlerror();
            reportOnce(err != nullptr ? err : ("cannot load " + library_));
        }
    }
    if (handle_ == nullptr)
        return nullptr;
    dlerror();
    void* fn = dlsym(handle_, name);
    if (fn == nullptr) {
        const char* err = dlerror();
        reportOnce(err != nullptr ? err : (library_ + ": no " + name));
    }
    return fn;
}

template <typename Fn, typename... Args>
int32_t Vbmp3Binding::call(Function which, const char* name, Args... args) {
    if (!lookedUp_[which]) {
        functions_[which] = symbol(name);
        lookedUp_[which] = true;
    }
    auto fn = reinterpret_cast<Fn>(functions_[which]);
    return fn != nullptr ? fn(args...) : 0;
}

int32_t Vbmp3Binding::vbmp3_init() {
    return call<decltype(&::vbmp3_init)>(kInit, "vbmp3_init");
}
int32_t Vbmp3Binding::vbmp3_free() {
    return call<decltype(&::vbmp3_free)>(kFree, "vbmp3_free");
}

int32_t Vbmp3Binding::vbmp3_open(const std::string& path, vbmp3_fileinfo& info) {
    const int32_t result = call<decltype(&::vbmp3_open)>(kOpen, "vbmp3_open", path.c_str(), &info);
    // Counted after the call: the old file may still end while the library replaces it.
    generation_.fetch_add(1, std::memory_order_acq_rel);
    return result;
}

int32_t Vbmp3Binding::vbmp3_callback(vbmp3_callback_fn fn) {
    return call<decltype(&::vbmp3_callback)>(kCallback, "vbmp3_callback", fn);
}

int32_t Vbmp3Binding::vbmp3_play() {
    return call<decltype(&::vbmp3_play)>(kPlay, "vbmp3_play");
}
int32_t Vbmp3Binding::vbmp3_pause() {
    return call<decltype(&::vbmp3_pause)>(kPause, "vbmp3_pause");
}
int32_t Vbmp3Binding::vbmp3_restart() {
    return call<decltype(&::vbmp3_restart)>(kRestart, "vbmp3_restart");
}

int32_t Vbmp3Binding::vbmp3_close() {
    const int32_t result = call<decltype(&::vbmp3_close)>(kClose, "vbmp3_close");
    generation_.fetch_add(1, std::memory_order_acq_rel);
    return result;
}

int32_t Vbmp3Binding::vbmp3_setVolume(int32_t left, int32_t right) {
    return call<decltype(&::vbmp3_setVolume)>(kVolume, "vbmp3_setVolume", left, right);
}

} // namespace zt4
