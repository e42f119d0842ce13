#!/usr/bin/env bash
# mpris_position_test.sh BIN_DIR: the position the media controls read against what was
# heard. The real player plays a 60 s tone on a private sound server (SERVER: pulseaudio,
# or pipewire) and is paused three times through playerctl; each time the position it
# reports must be within 0.1 s of the tone heard so far, as recorded from the sink.
# Prints the error at each pause.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb dbus-daemon sox lame $PULSE_TOOLS
scratch position

# wait_for WHAT CMD...: until CMD succeeds, at most 10 s.
wait_for() {
    local what=$1
    shift
    for _ in $(seq 200); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    fail "$what did not happen within 10 s"
}
status_is() { [ "$(pc status)" = "$1" ]; }

step="making the 60 s tone"
sox -R -n -r 44100 -c 2 -b 16 "$tmp/tone.wav" synth 60 sine 440 gain -6
lame --quiet --noreplaygain -b 128 "$tmp/tone.wav" "$tmp/tone.mp3"

step="starting the desktop, the sound server and the player"
desktop_start "$tmp"
pulse_start "$tmp/pulse"
launch "$tmp" "$bin/zt4" "$tmp/tone.mp3"
wait_for "the player on the bus" status_is Stopped
# Recording before the first sound, which the comparison counts from.
record_start heard

step="playing, paused at 15 s, 35 s and 57 s"
reported=()
pc play
for at in 15 35 57; do
    wait_for "playing" status_is Playing
    for _ in $(seq 1200); do
        awk -v p="$(pc position)" -v at=$at 'BEGIN { exit !(p >= at) }' && break
        sleep 0.05
    done
    pc pause
    wait_for "the pause" status_is Paused
    # The gap in the sound parts the stretches; the position must stand still in it.
    sleep 1
    reported+=("$(pc position)")
    sleep 0.5
    [ "$(pc position)" = "${reported[-1]}" ] || fail "the position moved while paused"
    [ $at = 57 ] || pc play
done
record_stop

step="comparing with the recording"
mapfile -t lengths < <(python3 "$here/stretches.py" "$rec")
[ ${#lengths[@]} = 3 ] || fail "expected three stretches of sound, heard ${#lengths[@]}: ${lengths[*]}"
heard=0
for i in 0 1 2; do
    heard=$(awk -v a="$heard" -v b="${lengths[$i]}" 'BEGIN { printf "%.4f", a + b }')
    error=$(awk -v r="${reported[$i]}" -v h="$heard" 'BEGIN { printf "%+.4f", r - h }')
    echo "pause $((i + 1)): reported ${reported[$i]} s, heard $heard s, error $error s"
    awk -v e="$error" 'BEGIN { exit !(e <= 0.1 && e >= -0.1) }' ||
        fail "the position is off by $error s at pause $((i + 1))"
done
step=""
echo "mpris position ($SERVER): all passed"
