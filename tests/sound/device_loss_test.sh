#!/usr/bin/env bash
# device_loss_test.sh PLAY_FILE: the sound server dies in the middle of a track that
# PLAY_FILE (play_file.cpp) plays through libvbmp3's default output into a private
# PulseAudio server, whose null sink is recorded. The track is a sweep, so that the pitch of
# what was recorded tells which moment of it played.
#  1. Killed 2 s in and back 1.5 s later: playback comes back by itself and goes on from
#     where the sound stopped to the end; one end event, as late as the outage made it.
#  2. Killed for good: a play closed meanwhile closes at once and sends nothing after; a
#     play left alone still ends, once.
#  3. Frozen (SIGSTOP) while the library writes to it: vbmp3_close and vbmp3_free return.
# Skipped (77) without the tools. On failure the recordings and logs are kept.
set -euo pipefail
play_file=$(realpath "${1:?usage: $0 PLAY_FILE}")
here=$(cd "$(dirname "$0")" && pwd)
for tool in pulseaudio pactl parecord pacat sox lame; do
    command -v "$tool" >/dev/null || { echo "SKIP: no $tool"; exit 77; }
done
# shellcheck source=tests/support/pulse.sh
. "$here/../support/pulse.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-sound.XXXXXX")
pids=()
step="start-up"
cleanup() {
    local rc=$? pid
    set +e
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    pulse_stop
    if [ "$rc" -eq 0 ]; then rm -rf "$tmp"; else echo "FAILED at: $step; see $tmp" >&2; fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    echo "device_loss_test: $*" >&2
    exit 1
}
now_ms() { date +%s%3N; }
# ok EXPR: whether the awk expression EXPR of numbers holds.
ok() { awk "BEGIN { exit !($1) }"; }
# field FILE KEY: the value of "KEY value" in a play_file report.
field() { awk -v k="$2" '$1 == k { print $2; exit }' "$1"; }
# report FILE ENDS CLOSE_MS FREE_MS: the report has ENDS end events, and close and free
# took no longer than given.
report() {
    [ "$(field "$1" ends)" = "$2" ] || fail "$1: $(field "$1" ends) end events, not $2"
    ok "$(field "$1" close_ms) <= $3" || fail "$1: vbmp3_close took $(field "$1" close_ms) ms"
    ok "$(field "$1" free_ms) <= $4" || fail "$1: vbmp3_free took $(field "$1" free_ms) ms"
}
# Kills the server as a crash would; its clients see the connection drop and end.
pulse_crash() {
    kill -KILL "$PULSE_PID"
    wait "$PULSE_PID" "$PULSE_RECORD_PID" 2>/dev/null || true
    PULSE_PID="" PULSE_RECORD_PID="" PULSE_KEEPALIVE_PID=""
}
# serve REC: starts the server and records it into REC once sound flows. A new null sink
# first sleeps in a block of about 2 s, which would shift the timing of what follows.
serve() {
    pulse_start "$tmp/pulse"
    pulse_record "$1"
    for _ in $(seq 100); do
        [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt 44100 ] && return 0
        sleep 0.05
    done
    fail "the recording $1 does not grow"
}

F0=300 F1=1900 LENGTH=8
sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth $LENGTH sine $F0:$F1 gain -6
lame --quiet --noreplaygain -b 128 "$tmp/sweep.wav" "$tmp/sweep.mp3"
position() { python3 "$here/position.py" "$1" $F0 $F1 $LENGTH; }
# The recordings are judged by position.py: first see that it reads the sweep itself right.
read -r first last jump < <(position "$tmp/sweep.wav")
ok "$first <= 0.05 && $last >= 7.95 && $jump <= 0.03" || fail "the sweep reads as $first $last $jump"

# No VBMP3_OUTPUT: the library picks its output as in the player; PULSE_SERVER (exported by
# pulse_start) takes both the Pulse and the ALSA route to the private server.
unset VBMP3_OUTPUT
export PULSE_LATENCY_MSEC=100

step="1: lose the server and get it back"
serve "$tmp/before.wav"
"$play_file" "$tmp/sweep.mp3" >"$tmp/one.txt" 2>"$tmp/one.err" &
pids=($!)
sleep 2
killed=$(now_ms)
pulse_crash
sleep 1.5
pulse_start "$tmp/pulse"
outage=$(($(now_ms) - killed))
pulse_record "$tmp/after.wav"
wait "${pids[0]}" || fail "play_file failed: $(cat "$tmp/one.err")"
pids=()
sleep 0.5 # the recorder is behind by its latency
pulse_stop
report "$tmp/one.txt" 1 500 1000
late=$(($(field "$tmp/one.txt" end) - $(field "$tmp/one.txt" play) - LENGTH * 1000))
read -r first1 last1 jump1 < <(position "$tmp/before.wav")
read -r first2 last2 jump2 < <(position "$tmp/after.wav")
echo "track ${first1}..${last1} s before the crash, ${first2}..${last2} s after;" \
    "outage $outage ms; end $late ms after the track's length"
ok "$first1 <= 0.2 && $jump1 <= 0.1" || fail "before the crash: $first1..$last1 s, jump $jump1"
# On from where the sound stopped, give or take what the dead server held, unbroken to the
# end. Played on silently through the outage, it would come back over a second later.
ok "$first2 >= $last1 - 0.1 && $first2 <= $last1 + 0.5" ||
    fail "the sound stopped at $last1 s of the track and came back at $first2 s"
ok "$last2 >= 7.9 && $jump2 <= 0.1" || fail "after the crash: $first2..$last2 s, jump $jump2"
ok "$late >= $outage - 600 && $late <= $outage + 3000" || fail "the end came $late ms late"

step="2: lose the server for good"
serve "$tmp/alone.wav"
"$play_file" "$tmp/sweep.mp3" 3500 >"$tmp/closed.txt" 2>"$tmp/closed.err" &
pids=($!)
"$play_file" "$tmp/sweep.mp3" >"$tmp/alone.txt" 2>"$tmp/alone.err" &
pids+=($!)
sleep 2
pulse_crash
wait "${pids[0]}" || fail "play_file (closed) failed: $(cat "$tmp/closed.err")"
report "$tmp/closed.txt" 0 500 1000
wait "${pids[1]}" || fail "play_file (alone) failed: $(cat "$tmp/alone.err")"
pids=()
report "$tmp/alone.txt" 1 500 1000
took=$(($(field "$tmp/alone.txt" end) - $(field "$tmp/alone.txt" play)))
echo "without a server: end $took ms after play"
ok "$took >= $LENGTH * 1000 - 300 && $took <= 20000" || fail "without a server it ended after $took ms"

step="3: the server freezes"
serve "$tmp/frozen.wav"
timeout 30 "$play_file" "$tmp/sweep.mp3" 3500 >"$tmp/frozen.txt" 2>"$tmp/frozen.err" &
pids=($!)
sleep 2
kill -STOP "$PULSE_PID"
rc=0
wait "${pids[0]}" || rc=$?
pids=()
kill -CONT "$PULSE_PID"
pulse_stop
[ "$rc" -ne 124 ] || fail "with the server frozen, play_file hung: $(cat "$tmp/frozen.txt")"
[ "$rc" -eq 0 ] || fail "play_file (frozen) failed: $(cat "$tmp/frozen.err")"
report "$tmp/frozen.txt" 0 500 3000
echo "device loss: all checks passed"
