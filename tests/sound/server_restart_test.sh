#!/usr/bin/env bash
# server_restart_test.sh DRIVE: the sound server (SERVER: pulseaudio or pipewire) goes away
# and comes back while the library plays nothing, and the next play is a native stream of the
# new server (the player's name and role in its mixer) that starts at its first sample, or a
# resumed pause that goes on from its sample. DRIVE (drive.cpp) plays a sweep, waiting at
# await: for the script to have restarted the server:
#  1. after a close; 2. while paused; 3. between two tracks (after an end, before the next
#  open); 4. with no server at all at the first play, which plays silently: the next is native.
# Prints where in the track the sound stopped and where it came back. Skipped (77) without the
# tools. On failure the recordings and reports are kept.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "DRIVE" "$@"
drive=$(realpath "$1")
# shellcheck disable=SC2086
need $PULSE_TOOLS sox lame
scratch restart
# shellcheck source=tests/sound/steps.sh
. "$here/steps.sh"

sweep 3
# position.py reads the middle of each 40 ms block that sounds throughout: the first such block
# may begin a block after the sound does, so its middle is up to 60 ms into the sound, and the
# last one ends up to 60 ms before the sound does.
READ=0.065
# whole_from REC WHAT FROM: from FROM s of the track (where the sound was read to stop, 0 for a
# new play), the sweep must be heard whole to its end, unbroken.
whole_from() {
    read -r first last jump < <(position "$1")
    echo "$2: sound from ${first} to ${last} s of the track"
    # Going on after a stop, both ends are read so: up to twice that apart with nothing skipped.
    local late=$READ
    ok "$3 > 0" && late=$(awk "BEGIN { print 2 * $READ }")
    ok "$first >= $3 - $READ && $first <= $3 + $late && $last >= $LENGTH - $READ && $jump <= 0.1" ||
        fail "$2: heard ${first}..${last} s of the track (jump $jump), not from $3 s to the end"
}
# drive_start COMMAND...: drive in the background, reporting to $tmp/events.txt.
drive_start() {
    rm -f "$tmp/events.txt" "$tmp/back"
    timeout 60 "$drive" "$@" >"$tmp/events.txt" &
    driving=$! && pids+=("$driving")
}
drive_done() { wait "$driving" || fail "drive failed: $(cat "$tmp/events.txt")"; }
unset VBMP3_OUTPUT
sweep=$tmp/sweep.mp3

step="1: restarted after a close"
pulse_start "$tmp/s1"
drive_start "open:$sweep" play sleep:500 close "await:$tmp/back" "open:$sweep" play wait_end
event close
server_crash
server_back "$tmp/s1b" "$tmp/after-close.wav"
touch "$tmp/back"
stream sweep.mp3
drive_done
pulse_stop
whole_from "$tmp/after-close.wav" "after a close" 0

step="2: restarted while paused"
pulse_start "$tmp/s2"
record_start before-pause
drive_start "open:$sweep" play sleep:1200 pause "await:$tmp/back" restart wait_end
event pause
# Until the recording holds the silence after the pause: the server kept what it had mixed
# last until the recorder's next fragment, and a crash would lose it.
wait_recorded 300
server_crash
read -r _ paused _ < <(position "$tmp/before-pause.wav")
server_back "$tmp/s2b" "$tmp/after-pause.wav"
touch "$tmp/back"
stream sweep.mp3
drive_done
pulse_stop
echo "paused: the sound stopped at $paused s of the track"
whole_from "$tmp/after-pause.wav" "after the pause" "$paused"

step="3: restarted between two tracks"
pulse_start "$tmp/s3"
drive_start "open:$sweep" play wait_end "await:$tmp/back" "open:$sweep" play wait_end
event end
server_crash
server_back "$tmp/s3b" "$tmp/next-track.wav"
touch "$tmp/back"
stream sweep.mp3
drive_done
pulse_stop
whole_from "$tmp/next-track.wav" "the next track" 0

step="4: no server at the first play"
pulse_start "$tmp/s4"
server_crash
drive_start "open:$sweep" play wait_end "await:$tmp/back" "open:$sweep" play wait_end
event end
server_back "$tmp/s4b" "$tmp/first-server.wav"
touch "$tmp/back"
stream sweep.mp3
drive_done
pulse_stop
whole_from "$tmp/first-server.wav" "once a server came" 0
echo "server restart: all checks passed"
