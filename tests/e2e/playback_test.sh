#!/usr/bin/env bash
# playback_test.sh BIN_DIR: the real player (BIN_DIR/zt4) with the real library beside it,
# under Xvfb, playing into a private PulseAudio server whose null sink is recorded.
# Three tracks are added through the file dialog and played in each repeat mode; the
# recordings must hold the tones of the decoded files in the right order, whole, and the
# window must show the matching status and play marks. The window is read and driven
# through AT-SPI and xdotool (ui.py); the recordings are judged by sound.py.
# On failure the temporary folder (recordings, logs, a screenshot) is kept and named.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BIN_DIR" >&2
    exit 2
fi
bin=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
# pyatspi exists for Debian's own python only.
ui() { /usr/bin/python3 "$here/ui.py" "$@"; }
sound() { /usr/bin/python3 "$here/sound.py" "$@"; }

# shellcheck source=tests/e2e/desktop.sh
. "$here/desktop.sh"
# shellcheck source=tests/support/pulse.sh
. "$root/tests/support/pulse.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-e2e.XXXXXX")
player_pid=""
step="start-up"

cleanup() {
    local rc=$?
    set +e
    if [ "$rc" -ne 0 ] && [ -n "${DISPLAY:-}" ]; then
        import -window root "$tmp/screen.png" 2>/dev/null
    fi
    [ -n "$player_pid" ] && kill "$player_pid" 2>/dev/null && wait "$player_pid" 2>/dev/null
    pulse_stop
    desktop_stop
    if [ "$rc" -eq 0 ]; then
        rm -rf "$tmp"
    else
        echo "FAILED at: $step; recordings, logs and a screenshot are in $tmp" >&2
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# wait_recorded MS: until the recording has grown by MS milliseconds of sound from now.
wait_recorded() {
    local file=$PULSE_RECORD_FILE want i
    want=$(($(stat -c %s "$file") + $1 * 44100 * 4 / 1000))
    for i in $(seq 600); do
        [ "$(stat -c %s "$file")" -ge "$want" ] && return 0
        sleep 0.05
    done
    echo "the recording $file stopped growing" >&2
    return 1
}

record() {
    PULSE_RECORD_FILE=$tmp/$1
    pulse_record "$PULSE_RECORD_FILE"
    # The recorder is running once its file exists; then some silence before the sound.
    local i
    for i in $(seq 200); do
        [ -s "$PULSE_RECORD_FILE" ] && break
        sleep 0.05
    done
    wait_recorded 300
}

stop_recording() {
    wait_recorded 300 # the monitor lags the sink a little
    kill "$PULSE_RECORD_PID"
    wait "$PULSE_RECORD_PID" 2>/dev/null || true
    PULSE_RECORD_PID=""
}

# The tones, and the same files decoded: what the recordings are compared with.
step="making the test files"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
refs=()
for i in 1 2 3; do
    mpg123 -q -w "$tmp/ref$i.wav" "$tmp/mp3/short$i.mp3"
    refs+=("$tmp/ref$i.wav")
done

step="starting Xvfb, D-Bus, the accessibility bus and PulseAudio"
desktop_start "$tmp"
mkdir -p "$tmp/work"
pulse_start "$tmp/pulse"

step="starting the player"
# Qt joins the accessibility bus only when told to, and only if it looks the bus up itself.
(cd "$tmp/work" && exec env -u AT_SPI_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$bin/zt4" >"$tmp/zt4.log" 2>&1) &
player_pid=$!
ui wait-app 30

step="adding three files through the file dialog"
for i in 1 2 3; do
    ui add "$tmp/mp3/short$i.mp3"
    ui wait "mpath($((i - 1)))" "★$i★short$i.mp3" 10
done
ui enabled MusicStart
ui check "Label1" "[ファイル]メニューもしくはファイル選択ボタンでMP3ファイルを選択し、再生ボタンを押して下さい。"

step="no repeat (the mode at start-up): the three tracks in turn, then the end"
record norepeat.wav
ui click MusicStart
ui wait-marks "●--" 10
ui check Label1 "再生中"
ui wait Label1 "終了！" 30
ui wait-marks "---" 5
ui enabled MusicStart
stop_recording
sound expect "$tmp/norepeat.wav" "1 2 3" "${refs[@]}"

step="repeat all: the first track again after the last"
ui click "RepeatOption(0)"
record repeatall.wav
ui click MusicStart
ui wait-marks "●--" 10
ui wait-marks "-●-" 10
ui wait-marks "--●" 10
ui wait-marks "●--" 10
wait_recorded 500
ui check Label1 "再生中"
ui click MusicStop
ui wait Label1 "停止しました" 10
ui wait-marks "---" 5
stop_recording
sound expect "$tmp/repeatall.wav" "1 2 3 1+" "${refs[@]}"

step="repeat one, started at track 2 by number: track 2 again and again"
ui click "RepeatOption(1)"
ui type Text1 2
record repeatone.wav
ui click MusicStart
ui wait-marks "-●-" 10
wait_recorded 4000
ui check Label1 "再生中"
ui wait-marks "-●-" 1
ui click MusicStop
ui wait Label1 "停止しました" 10
ui wait-marks "---" 5
ui check Text1 2
stop_recording
sound expect "$tmp/repeatone.wav" "2 2+" "${refs[@]}"

step="done"
echo "e2e playback: all passed"
