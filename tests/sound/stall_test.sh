#!/usr/bin/env bash
# stall_test.sh DRIVE: a server (SERVER: pulseaudio or pipewire) or the player stops for a
# while in the middle of a track that DRIVE (drive.cpp) plays, and both come back:
#  1. the server frozen (SIGSTOP) for 2 s: the same stream goes on, nothing skipped;
#  2. the player frozen for 8 s, its server's buffer long run dry: no reconnect while the
#     server answers, the same stream goes on from where it stood;
#  3. the server frozen for 10 s: the library gives it up after 6 s of silence and comes back
#     to it once it answers; the track still ends, once.
# Each play's end comes once. Prints where in the track the sound stopped and came back.
# Skipped (77) without the tools. On failure the recordings and reports are kept.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "DRIVE" "$@"
drive=$(realpath "$1")
# shellcheck disable=SC2086
need $PULSE_TOOLS sox lame
scratch stall
# shellcheck source=tests/sound/steps.sh
. "$here/steps.sh"

sweep 8
unset VBMP3_OUTPUT
# stall NAME WHO SECONDS: plays the sweep, stops WHO (server or drive) for SECONDS once 1.5 s
# of it have been recorded, and waits for the end; NAME.wav is the recording, $before and
# $after the stream's index in the server before and after.
stall() {
    pulse_start "$tmp/$1"
    record_start "$1"
    rm -f "$tmp/events.txt"
    timeout 60 "$drive" "open:$tmp/sweep.mp3" play wait_end sleep:200 >"$tmp/events.txt" &
    driving=$! && pids+=("$driving")
    stream sweep.mp3
    before=$(stream_index)
    wait_recorded 1500
    local stopped=$PULSE_PID
    # drive itself, not the timeout that runs it: a stopped timeout leaves its child running.
    [ "$2" = drive ] && stopped=$(pgrep -P "$driving")
    kill -STOP "$stopped"
    sleep "$3"
    kill -CONT "$stopped"
    after=$(stream_index)
    wait "$driving" || fail "$1: drive failed: $(cat "$tmp/events.txt")"
    record_stop
    pulse_stop
    ends=$(grep -c '^end ' "$tmp/events.txt" || true)
    [ "$ends" = 1 ] || fail "$1: $ends end events"
}
# unbroken NAME: the sweep was heard whole, nothing skipped, nothing twice.
unbroken() {
    read -r first last jump < <(position "$tmp/$1.wav")
    echo "$1: sound from $first to $last s of the track, the largest jump $jump s"
    ok "$first <= 0.05 && $last >= $LENGTH - 0.1 && $jump <= 0.1" ||
        fail "$1: heard ${first}..${last} s of the track, jump $jump s"
}

step="1: the server frozen for 2 s"
stall server-2s server 2
[ "$before" = "$after" ] || fail "a new stream ($before, then $after) after the server froze for 2 s"
unbroken server-2s

step="2: the player frozen for 8 s"
stall player-8s drive 8
[ "$before" = "$after" ] || fail "a new stream ($before, then $after) after the player froze"
unbroken player-8s

step="3: the server frozen for 10 s"
stall server-10s server 10
read -r first last jump < <(position "$tmp/server-10s.wav")
echo "server-10s: sound from $first to $last s of the track, the largest jump $jump s"
echo "stall: all checks passed"
