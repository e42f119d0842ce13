#!/usr/bin/env bash
# device_loss_test.sh PLAY_FILE: the sound server dies in the middle of a track.
#
# A sweep of 8 s (its pitch tells the moment of the track) plays through libvbmp3
# (PLAY_FILE, tests/sound/play_file.cpp) on the default output into a private PulseAudio
# server, whose null sink is recorded.
#  1. The server is killed 2 s in and started again 1.5 s later: the library must come back
#     to it by itself and go on from where the sound stopped, to the end of the track; the
#     end event comes once, as late as the outage made it, and vbmp3_close returns at once.
#  2. The server is killed and never comes back: a play closed during the outage closes at
#     once and sends nothing after; a play left alone still ends, once, in bounded time.
#  3. The server freezes (SIGSTOP) with the library blocked writing to it: vbmp3_close and
#     vbmp3_free still return, so that the player can quit.
# Skipped (77) without pulseaudio, pactl, parecord, sox or lame. On failure the temporary
# folder (recordings, logs) is kept and named.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 PLAY_FILE" >&2
    exit 2
fi
play_file=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

for tool in pulseaudio pactl parecord pacat sox lame; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: no $tool"
        exit 77
    fi
done

# shellcheck source=tests/support/pulse.sh
. "$root/tests/support/pulse.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-sound.XXXXXX")
player_pids=()
step="start-up"
cleanup() {
    local rc=$? pid
    set +e
    for pid in "${player_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    pulse_stop
    if [ "$rc" -eq 0 ]; then
        rm -rf "$tmp"
    else
        echo "FAILED at: $step; recordings and logs are in $tmp" >&2
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "device_loss_test: $*" >&2
    exit 1
}

now_ms() { date +%s%3N; }
# field FILE KEY: the value of "KEY value" in a play_file report.
field() { awk -v k="$2" '$1 == k { print $2; exit }' "$1"; }
# le A B / ge A B: comparisons of decimal numbers.
le() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a <= b) }'; }
ge() { le "$2" "$1"; }

# Kills the server as a crash would. Its clients (the recorder, the keep-alive stream) see
# the connection drop and end by themselves.
pulse_crash() {
    kill -KILL "$PULSE_PID"
    wait "$PULSE_PID" 2>/dev/null || true
    [ -z "${PULSE_RECORD_PID:-}" ] || wait "$PULSE_RECORD_PID" 2>/dev/null || true
    PULSE_PID="" PULSE_RECORD_PID="" PULSE_KEEPALIVE_PID=""
}

F0=300 F1=1900 SECONDS_LONG=8
sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth "$SECONDS_LONG" sine "$F0:$F1" gain -6
lame --quiet --noreplaygain -b 128 "$tmp/sweep.wav" "$tmp/sweep.mp3"
position() { python3 "$here/position.py" "$1" "$F0" "$F1" "$SECONDS_LONG"; }

# The generator itself is what the recordings are judged by: check it reads as a sweep.
read -r first last jump < <(position "$tmp/sweep.wav")
le "$first" 0.05 && ge "$last" 7.95 && le "$jump" 0.03 ||
    fail "the sweep reads as $first..$last s with a jump of $jump s"

# Only the private server: no VBMP3_OUTPUT, so the library picks its output as the player's
# does; PULSE_SERVER (exported by pulse_start) takes both the Pulse and the ALSA route there.
unset VBMP3_OUTPUT
export PULSE_LATENCY_MSEC=100

# wait_sounding FILE: until the recording FILE grows. A new server's null sink first sleeps
# for a block of about 2 s before the keep-alive stream makes it work in small ones; sound
# played meanwhile is held back, not lost, but it would shift the timing of what follows.
wait_sounding() {
    local i
    for i in $(seq 100); do
        [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt 44100 ] && return 0
        sleep 0.05
    done
    fail "the recording $1 does not grow"
}

step="1: play, lose the server, get it back"
pulse_start "$tmp/pulse"
pulse_record "$tmp/before.wav"
wait_sounding "$tmp/before.wav"
"$play_file" "$tmp/sweep.mp3" >"$tmp/one.txt" 2>"$tmp/one.err" &
player_pids+=($!)
sleep 2
killed=$(now_ms)
pulse_crash
sleep 1.5
pulse_start "$tmp/pulse"
back=$(now_ms)
pulse_record "$tmp/after.wav"
wait "${player_pids[0]}" || fail "play_file failed: $(cat "$tmp/one.err")"
player_pids=()
sleep 0.5 # the recorder is behind by its latency
pulse_stop

played=$(field "$tmp/one.txt" play)
ended=$(field "$tmp/one.txt" end)
[ -n "$ended" ] || fail "no end event within 60 s"
[ "$(field "$tmp/one.txt" ends)" = 1 ] || fail "$(field "$tmp/one.txt" ends) end events"
le "$(field "$tmp/one.txt" close_ms)" 500 || fail "vbmp3_close took $(field "$tmp/one.txt" close_ms) ms"
le "$(field "$tmp/one.txt" free_ms)" 1000 || fail "vbmp3_free took $(field "$tmp/one.txt" free_ms) ms"

read -r first1 last1 jump1 < <(position "$tmp/before.wav")
read -r first2 last2 jump2 < <(position "$tmp/after.wav")
echo "before the crash: track ${first1}..${last1} s; after: ${first2}..${last2} s;" \
    "outage $((back - killed)) ms; end $((ended - played)) ms after play"
# Before: the track from its start up to about where the server was killed.
le "$first1" 0.2 && le "$jump1" 0.1 || fail "before the crash: ${first1}..${last1} s, jump $jump1"
# After: from where the sound stopped (plus what the dead server held unplayed, a tenth of a
# second or two), unbroken, to the very end. Played on silently, it would begin well over a
# second later.
ge "$first2" "$(awk -v p="$last1" 'BEGIN { print p - 0.1 }')" &&
    le "$first2" "$(awk -v p="$last1" 'BEGIN { print p + 0.5 }')" ||
    fail "the sound stopped at $last1 s of the track and came back at $first2 s"
ge "$last2" 7.9 && le "$jump2" 0.1 || fail "after the crash: ${first2}..${last2} s, jump $jump2"
# The end comes the outage later than the track's length, give or take the lost buffer.
late=$((ended - played - SECONDS_LONG * 1000))
[ "$late" -ge $((back - killed - 600)) ] && [ "$late" -le $((back - killed + 3000)) ] ||
    fail "the end came $late ms after the track's length, the outage was $((back - killed)) ms"

step="2: lose the server for good"
pulse_start "$tmp/pulse"
pulse_record "$tmp/alone.wav"
wait_sounding "$tmp/alone.wav"
"$play_file" "$tmp/sweep.mp3" 3500 >"$tmp/closed.txt" 2>"$tmp/closed.err" &
player_pids+=($!)
"$play_file" "$tmp/sweep.mp3" >"$tmp/alone.txt" 2>"$tmp/alone.err" &
player_pids+=($!)
sleep 2
pulse_crash
wait "${player_pids[0]}" || fail "play_file (closed) failed: $(cat "$tmp/closed.err")"
[ "$(field "$tmp/closed.txt" ends)" = 0 ] || fail "an event came after vbmp3_close"
le "$(field "$tmp/closed.txt" close_ms)" 500 ||
    fail "vbmp3_close during the outage took $(field "$tmp/closed.txt" close_ms) ms"
le "$(field "$tmp/closed.txt" free_ms)" 1000 ||
    fail "vbmp3_free during the outage took $(field "$tmp/closed.txt" free_ms) ms"
wait "${player_pids[1]}" || fail "play_file (alone) failed: $(cat "$tmp/alone.err")"
player_pids=()
played=$(field "$tmp/alone.txt" play)
ended=$(field "$tmp/alone.txt" end)
[ -n "$ended" ] || fail "without a server the track never ended"
[ "$(field "$tmp/alone.txt" ends)" = 1 ] || fail "$(field "$tmp/alone.txt" ends) end events without a server"
echo "without a server: end $((ended - played)) ms after play"
[ $((ended - played)) -ge $((SECONDS_LONG * 1000 - 300)) ] && [ $((ended - played)) -le 20000 ] ||
    fail "without a server the end came $((ended - played)) ms after play"
le "$(field "$tmp/alone.txt" close_ms)" 500 || fail "vbmp3_close took $(field "$tmp/alone.txt" close_ms) ms"

step="3: the server freezes"
pulse_start "$tmp/pulse"
pulse_record "$tmp/frozen.wav"
wait_sounding "$tmp/frozen.wav"
timeout 30 "$play_file" "$tmp/sweep.mp3" 3500 >"$tmp/frozen.txt" 2>"$tmp/frozen.err" &
player_pids+=($!)
sleep 2
kill -STOP "$PULSE_PID"
rc=0
wait "${player_pids[0]}" || rc=$?
player_pids=()
kill -CONT "$PULSE_PID"
pulse_stop
[ "$rc" -ne 124 ] || fail "with the server frozen, play_file hung: $(cat "$tmp/frozen.txt")"
[ "$rc" -eq 0 ] || fail "play_file (frozen) failed: $(cat "$tmp/frozen.err")"
[ "$(field "$tmp/frozen.txt" ends)" = 0 ] || fail "an event came after vbmp3_close"
le "$(field "$tmp/frozen.txt" close_ms)" 500 ||
    fail "vbmp3_close with the server frozen took $(field "$tmp/frozen.txt" close_ms) ms"
le "$(field "$tmp/frozen.txt" free_ms)" 3000 ||
    fail "vbmp3_free with the server frozen took $(field "$tmp/frozen.txt" free_ms) ms"
echo "device loss: all checks passed"
