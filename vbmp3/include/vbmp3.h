/* libvbmp3: plays one MP3 file at a time through the system's audio server.
 *
 * Threading: the player calls every function from one thread, its UI thread. Playback runs
 * on one thread of the library's own, which alone owns the decoder and the audio output.
 * The end-of-file callback is entered on that thread, and it may call any function of this
 * library from there (vbmp3_close, vbmp3_open, vbmp3_play, ...) without deadlock. vbmp3_open,
 * vbmp3_play, vbmp3_close and vbmp3_free wait for a callback that is running on the playback
 * thread to return, so the callback must not wait for the thread that calls them. vbmp3_open,
 * vbmp3_play and vbmp3_close also wait, 0.3 s at most, for the playback thread to silence the
 * play they end.
 *
 * Output: the environment variable VBMP3_OUTPUT, read at each vbmp3_play, names it. Unset, or
 * "pulse" (or "pulse:SINK"), it is a PulseAudio server, or PipeWire's, which serves the same
 * protocol, through the Pulse client library: the stream is named for the desktop's volume
 * mixer (application "MP3音楽再生", icon "zt4", role "music", the track's title from its tag or
 * else its file name). Unset, ALSA is tried when no such server answers. Otherwise it is
 * "driver[:device]" in libout123's terms ("alsa:hw:0", "wav:/tmp/out.wav", "raw:/tmp/out.pcm",
 * "test"), or "null" for silence paced in real time. With no usable device it plays silently
 * in real time, so commands and the end of file still work, and says so once on standard
 * error; it keeps trying the device and uses it as soon as it is back. A device lost during
 * playback (a sound server killed or restarted, or one that stops answering for seconds) is
 * tried again for up to 5 s while playback holds its place; it then goes on from the same
 * sample, including what the lost server held but had not played, or else silently. The
 * file outputs ("wav", "raw", "test") are written as fast as the decoder runs.
 *
 * Latency: a Pulse server holds a few seconds of the stream, so that the library's thread and
 * the server wake every second or two; pause (cork; on PipeWire the stream is let go, and the
 * restart opens a new one), vbmp3_restart (uncork), vbmp3_close and a
 * replacing vbmp3_open or vbmp3_play (flush) and vbmp3_setVolume (the stream's volume in the
 * server) are done in the server, where they are heard at once, within some 50 ms. Nothing of
 * a closed or replaced file sounds after the call returns (unless the server fails to
 * confirm within 100 ms). Elsewhere they are heard after what the device holds, about 0.1 s.
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

/* What vbmp3_open learns of a file: 272 bytes, fields at offsets 0, 128, 256, 260, 264, 268.
 * Text fields are always NUL-terminated, cut to fit on a UTF-8 character boundary. */
typedef struct vbmp3_fileinfo {
    char title[128];     /* from the ID3v2 tag, else the ID3v1 tag; UTF-8; "" when there is
                            none. A UTF-16 or UTF-8 frame is read as it says (bytes that are
                            not UTF-8 become U+FFFD); an ID3v1 field or a frame marked Latin-1
                            is kept when it is UTF-8, read as Shift-JIS (CP932) when it can
                            only be Japanese, else as Latin-1 */
    char artist[128];    /* likewise */
    int32_t sample_rate; /* Hz, of the first frame; playback runs at this rate */
    int32_t channels;    /* 1 or 2, of the first frame; mono plays as two equal channels */
    int32_t bitrate;     /* kbit/s: the header's for a constant bit rate, else the average
                            over the file (free format, VBR, ABR) */
    int32_t length_ms;   /* playing time in milliseconds: exact (gapless) when the file has a
                            Xing/Info or VBRI header (one that counts more samples than the
                            file can hold is ignored), else estimated from the file's size and
                            its first frame, since the file is not scanned to keep opening
                            fast; 0 when unknown. Playback never stops by it: a file ends
                            where its data ends. */
} vbmp3_fileinfo;

#define VBMP3_EVENT_END 4 /* the opened file has been played to its end */

/* Called on the playback thread with an event code and a second value (unused, 0). Only
 * VBMP3_EVENT_END is sent: once per vbmp3_play that reaches the end, after the device (a
 * Pulse server: its drain) has played the last sample out. */
typedef void (*vbmp3_callback_fn)(int32_t event, int32_t value);

/* Prepares the library (starts the playback thread); calling it again is harmless. The other
 * functions also prepare it on first use. */
VBMP3_API int32_t vbmp3_init(void);
/* Releases what vbmp3_init prepared, closing any open file first and ending the thread and its
 * connection to a sound server. A thread held in a write to a device that has stopped
 * answering is waited for 2 s at most, then left to end by itself. */
VBMP3_API int32_t vbmp3_free(void);
/* Opens a file (the path as the file system's bytes) and fills *info (may be NULL).
 * Replaces a file that is open or playing: that one stops and never calls back again, even
 * when the new file cannot be opened. Returns 0 for a missing, unreadable or empty file, a
 * directory, or a file without a decodable MPEG audio frame. The file stays open until it is
 * replaced or closed, so it plays even if it is deleted meanwhile; a file cut short while
 * it plays ends where its data ends. */
VBMP3_API int32_t vbmp3_open(const char* path, vbmp3_fileinfo* info);
/* Registers the procedure to call when the opened file ends (NULL for none). */
VBMP3_API int32_t vbmp3_callback(vbmp3_callback_fn fn);
/* Starts playing the opened file from its beginning, also while it plays or after its end.
 * The end event of an earlier play of it no longer comes. Returns 0 when no file is open. */
VBMP3_API int32_t vbmp3_play(void);
/* Holds playback where it is. Returns 0 when nothing is playing. */
VBMP3_API int32_t vbmp3_pause(void);
/* Continues held playback from the same sample. Returns 0 when nothing is held. */
VBMP3_API int32_t vbmp3_restart(void);
/* Stops playback and closes the file; safe when nothing is open. No callback follows. */
VBMP3_API int32_t vbmp3_close(void);
/* Sets the volume of the left and right channels, each 0 (silence) to 100 (full; values
 * outside are clamped). The scale is linear in decibels: 100 is 0 dB, each step 45/99 dB,
 * so 1 is -45 dB; 0 is true silence. It applies to playback now and later; on a Pulse server
 * it is the stream's volume there. */
VBMP3_API int32_t vbmp3_setVolume(int32_t left, int32_t right);

#ifdef __cplusplus
}
#endif

#endif
