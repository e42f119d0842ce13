#include "pulse_library.h"

#include <dlfcn.h>

namespace vbmp3 {

namespace {

const PulseLibrary* load() {
    void* handle = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        return nullptr;
    }
    static PulseLibrary library;
    bool found = true;
#define VBMP3_PULSE_LOOKUP(name)                                                                   \
    library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, "pa_" #name));           \
    found = found && library.name;
    VBMP3_PULSE_FUNCTIONS(VBMP3_PULSE_LOOKUP)
#undef VBMP3_PULSE_LOOKUP
    return found ? &library : nullptr;
}

} // namespace

const PulseLibrary* pulse_library() {
    static const PulseLibrary* const library = load();
    return library;
}

} // namespace vbmp3
