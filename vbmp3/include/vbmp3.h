/* libvbmp3: plays one MP3 file at a time through the system's audio server.
 *
 * Threading: every function is called from one thread, the caller's (the player calls
 * them all from its UI thread). Playback runs on one thread of the library's own, which
 * alone owns the decoder and the audio output. The end-of-file callback is entered on that
 * thread.
 *
 * Every function returns a 32-bit integer, non-zero for success. */
#ifndef VBMP3_H
#define VBMP3_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(VBMP3_BUILDING)
#define VBMP3_API __attribute__((visibility("default")))
#else
#define VBMP3_API
#endif

/* What vbmp3_open learns of a file. Text fields are always NUL-terminated, cut to fit. */
typedef struct vbmp3_fileinfo {
    char title[128];     /* from the ID3v2/ID3v1 tag, UTF-8; "" when there is none */
    char artist[128];    /* likewise */
    int32_t sample_rate; /* Hz, of the first frame */
    int32_t channels;    /* 1 or 2 */
    int32_t bitrate;     /* kbit/s; the average one for a variable bit rate */
    int32_t length_ms;   /* estimated playing time in milliseconds; 0 when unknown */
} vbmp3_fileinfo;

#define VBMP3_EVENT_END 4 /* the opened file has been played to its end */

/* Called on the playback thread with an event code and a second value (unused, 0). */
typedef void (*vbmp3_callback_fn)(int32_t event, int32_t value);

/* Prepares the library; calling it again is harmless. */
VBMP3_API int32_t vbmp3_init(void);
/* Releases what vbmp3_init prepared, closing any open file first. */
VBMP3_API int32_t vbmp3_free(void);
/* Opens a file (the path as the file system's bytes) and fills *info (may be NULL).
 * Replaces a file that is open or playing: that one stops and never calls back again.
 * Returns 0 for a missing, unreadable or empty file, a directory, or a file without a
 * decodable MPEG audio frame. */
VBMP3_API int32_t vbmp3_open(const char* path, vbmp3_fileinfo* info);
/* Registers the procedure to call when the opened file ends (NULL for none). */
VBMP3_API int32_t vbmp3_callback(vbmp3_callback_fn fn);
/* Starts playing the opened file from its beginning. */
VBMP3_API int32_t vbmp3_play(void);
/* Holds playback where it is. */
VBMP3_API int32_t vbmp3_pause(void);
/* Continues held playback from the same sample. */
VBMP3_API int32_t vbmp3_restart(void);
/* Stops playback and closes the file; safe when nothing is open. No callback follows. */
VBMP3_API int32_t vbmp3_close(void);
/* Sets the volume of the left and right channels, each 0 (silence) to 100 (full). */
VBMP3_API int32_t vbmp3_setVolume(int32_t left, int32_t right);

#ifdef __cplusplus
}
#endif

#endif
