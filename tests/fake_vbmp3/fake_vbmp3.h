#pragma once
// A recording stand-in for libvbmp3 with the same nine exports, for tests of the player's
// logic. Besides them it exports a few controls, looked up by name like the nine.

#include <stdint.h>

extern "C" {
// Forgets every recorded call, the registered callback and the planned failures.
typedef void (*fake_reset_fn)(void);
// Forgets the recorded calls only.
typedef void (*fake_clear_calls_fn)(void);
// The calls so far, one per line: "vbmp3_open(/path)", "vbmp3_setVolume(60,60)", ...
typedef const char* (*fake_calls_fn)(void);
// The next vbmp3_open fails (returns a result whose low 16 bits are 0).
typedef void (*fake_fail_next_open_fn)(void);
// Every vbmp3_open of a path containing `part` fails ("" or NULL: none does).
typedef void (*fake_fail_paths_containing_fn)(const char* part);
// Calls the registered callback with (code, value) on the caller's thread; returns 0 when
// none is registered.
typedef int32_t (*fake_fire_callback_fn)(int32_t code, int32_t value);
}
