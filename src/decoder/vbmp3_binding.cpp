#include "decoder/vbmp3_binding.h"

#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <set>

namespace zt4 {

namespace {

// Each missing piece is reported once, however often it is called.
void reportOnce(const std::string& what) {
    static std::mutex mutex;
    static std::set<std::string> seen;
    std::lock_guard<std::mutex> lock(mutex);
    if (seen.insert(what).second)
        std::fprintf(stderr, "zt4: %s\n", what.c_str());
}

} // namespace

Vbmp3Binding::Vbmp3Binding(std::string library) : library_(std::move(library)) {}

Vbmp3Binding::~Vbmp3Binding() {
    // The library's playback thread may still run a callback into us; it is never unloaded.
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
int32_t Vbmp3Binding::call(const char* name, Args... args) {
    auto fn = reinterpret_cast<Fn>(symbol(name));
    return fn != nullptr ? fn(args...) : 0;
}

int32_t Vbmp3Binding::vbmp3_init() {
    return call<int32_t (*)()>("vbmp3_init");
}
int32_t Vbmp3Binding::vbmp3_free() {
    return call<int32_t (*)()>("vbmp3_free");
}

int32_t Vbmp3Binding::vbmp3_open(const std::string& path, vbmp3_fileinfo& info) {
    const int32_t result =
        call<int32_t (*)(const char*, vbmp3_fileinfo*)>("vbmp3_open", path.c_str(), &info);
    // Counted after the call: the old file may still end while the library replaces it.
    generation_.fetch_add(1, std::memory_order_acq_rel);
    return result;
}

int32_t Vbmp3Binding::vbmp3_callback(vbmp3_callback_fn fn) {
    return call<int32_t (*)(vbmp3_callback_fn)>("vbmp3_callback", fn);
}

int32_t Vbmp3Binding::vbmp3_play() {
    return call<int32_t (*)()>("vbmp3_play");
}
int32_t Vbmp3Binding::vbmp3_pause() {
    return call<int32_t (*)()>("vbmp3_pause");
}
int32_t Vbmp3Binding::vbmp3_restart() {
    return call<int32_t (*)()>("vbmp3_restart");
}

int32_t Vbmp3Binding::vbmp3_close() {
    const int32_t result = call<int32_t (*)()>("vbmp3_close");
    generation_.fetch_add(1, std::memory_order_acq_rel);
    return result;
}

int32_t Vbmp3Binding::vbmp3_setVolume(int32_t left, int32_t right) {
    return call<int32_t (*)(int32_t, int32_t)>("vbmp3_setVolume", left, right);
}

} // namespace zt4
