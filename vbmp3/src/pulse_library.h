// libpulse, loaded at the first connection to a sound server rather than with libvbmp3: a
// player that has not played yet does not carry it and the sound-file codecs it brings
// (about 1.4 MB resident). Without libpulse on the machine there is no Pulse server to play
// to, and the next output is tried.
#pragma once

#include <pulse/pulseaudio.h>

namespace vbmp3 {

// The functions the Pulse sink calls, each named as in libpulse without its "pa_".
#define VBMP3_PULSE_FUNCTIONS(F)                                                                   \
    F(channel_map_init_stereo)                                                                     \
    F(context_connect)                                                                             \
    F(context_disconnect)                                                                          \
    F(context_get_server_info)                                                                     \
    F(context_get_state)                                                                           \
    F(context_new_with_proplist)                                                                   \
    F(context_set_sink_input_volume)                                                               \
    F(context_unref)                                                                               \
    F(mainloop_dispatch)                                                                           \
    F(mainloop_free)                                                                               \
    F(mainloop_get_api)                                                                            \
    F(mainloop_new)                                                                                \
    F(mainloop_poll)                                                                               \
    F(mainloop_prepare)                                                                            \
    F(operation_cancel)                                                                            \
    F(operation_get_state)                                                                         \
    F(operation_unref)                                                                             \
    F(proplist_free)                                                                               \
    F(proplist_new)                                                                                \
    F(proplist_sets)                                                                               \
    F(stream_connect_playback)                                                                     \
    F(stream_cork)                                                                                 \
    F(stream_disconnect)                                                                           \
    F(stream_drain)                                                                                \
    F(stream_flush)                                                                                \
    F(stream_get_buffer_attr)                                                                      \
    F(stream_get_index)                                                                            \
    F(stream_get_state)                                                                            \
    F(stream_get_timing_info)                                                                      \
    F(stream_new_with_proplist)                                                                    \
    F(stream_set_write_callback)                                                                   \
    F(stream_unref)                                                                                \
    F(stream_update_timing_info)                                                                   \
    F(stream_writable_size)                                                                        \
    F(stream_write)                                                                                \
    F(sw_volume_from_dB)                                                                           \
    F(usec_to_bytes)

struct PulseLibrary {
#define VBMP3_PULSE_MEMBER(name) decltype(&::pa_##name) name = nullptr;
    VBMP3_PULSE_FUNCTIONS(VBMP3_PULSE_MEMBER)
#undef VBMP3_PULSE_MEMBER
};

// Loads libpulse on the first call, from any thread; nullptr when it or one of its functions
// is missing. Never unloaded: a stream's callbacks may be on their way.
const PulseLibrary* pulse_library();

} // namespace vbmp3
