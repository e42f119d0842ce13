#!/usr/bin/env bash
# idle_sink_test.sh DRIVE: the library on a sink that idles and suspends between tracks, as
# a desktop's does, through a private Pulse server (SERVER: pulseaudio or pipewire; SINK in
# tests/support/pulse.sh). DRIVE (drive.cpp) plays a 1.5 s tone to its end, each time after
# the sink has suspended:
#  1. on an idle null sink (SINK=idle), with nothing recording it: one end event a play, and
#     how long after vbmp3_play it came (a null sink waking from idle may render what it
#     holds faster than real time, which moves the end ahead of the sound: a figure only);
#  2. on a pipe sink that writes on the system clock and cannot catch up (SINK=pipe), its
#     FIFO recorded: each play heard whole, its end event never before its last sound left
#     the server, and how soon the first sound came after idle (idle_sink.py).
# Skipped (77) without the tools. On failure the recording and the reports are kept.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "DRIVE" "$@"
drive=$(realpath "$1")
# shellcheck disable=SC2086
need $PULSE_TOOLS sox lame
scratch idle
unset VBMP3_OUTPUT
PLAYS=3 LENGTH=1.5

# suspended: until the server has suspended the sink.
suspended() {
    for _ in $(seq 400); do
        pactl list short sinks 2>/dev/null | grep -q "^[0-9]*[[:space:]]zt4test[[:space:]].*SUSPENDED$" && return 0
        sleep 0.05
    done
    fail "the sink never suspended: $(pactl list short sinks)"
}
# plays REPORT: PLAYS plays of the tone to their end, each once the sink has suspended.
plays() {
    for _ in $(seq $PLAYS); do
        suspended
        timeout 60 "$drive" "open:$tmp/tone.mp3" play wait_end >>"$1" || fail "drive failed: $(cat "$1")"
    done
}

step="making the tone"
sox -R -n -r 44100 -c 2 -b 16 "$tmp/tone.wav" synth $LENGTH sine 440 gain -6
lame --quiet --noreplaygain -b 192 "$tmp/tone.wav" "$tmp/tone.mp3"

step="1: an idle null sink"
SINK=idle pulse_start "$tmp/idle"
plays "$tmp/idle.txt"
pulse_stop
[ "$(grep -c '^end ' "$tmp/idle.txt")" = $PLAYS ] || fail "end events: $(cat "$tmp/idle.txt")"
echo "idle null sink, end event after vbmp3_play, ms:" \
    "$(awk '$1 == "play" { p = $2 } $1 == "end" { printf "%.0f ", ($2 - p) * 1000 }' "$tmp/idle.txt")"

step="2: a pipe sink that cannot catch up"
SINK=pipe pulse_start "$tmp/pipe"
pulse_record "$tmp/pipe.wav" "$tmp/pipe.stamps"
plays "$tmp/pipe.txt"
# The last play's sound, up to its end, has been read once the sink suspends again.
suspended
kill "$PULSE_RECORD_PID" && wait "$PULSE_RECORD_PID" || true
PULSE_RECORD_PID=""
step="judging the recording"
python3 "$here/idle_sink.py" "$tmp/pipe.wav" "$tmp/pipe.stamps" "$tmp/pipe.txt" $LENGTH
echo "idle sink on $SERVER: all checks passed"
