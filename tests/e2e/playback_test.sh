#!/usr/bin/env bash
# playback_test.sh BIN_DIR: the real player and library under Xvfb, recorded from a private
# PulseAudio null sink (PipeWire's with SERVER=pipewire). Three tracks added through the file dialog must be heard whole and
# in order in each repeat mode (zt4test.plays), with the matching status and marks
# (zt4test.ui).
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
ui() { /usr/bin/python3 -m zt4test.ui "$@"; }
scratch e2e

# record NAME: starts recording, with some silence before the sound.
record() { record_start "$1" && wait_recorded 300; }

# heard PLAYS: stops the recording (the monitor lags the sink a little) and judges it.
heard() {
    wait_recorded 300
    record_stop
    python3 -m zt4test.plays "$rec" "$1" "$tmp"/ref{1,2,3}.wav
}

stop() { ui click MusicStop && ui wait Label1 "停止しました" 10 && ui wait-marks "---" 5; }

step="making the test files"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
for i in 1 2 3; do mpg123 -q -w "$tmp/ref$i.wav" "$tmp/mp3/short$i.mp3"; done

step="starting Xvfb, D-Bus, the accessibility bus and $SERVER"
desktop_start "$tmp"
pulse_start "$tmp/pulse"
mkdir "$tmp/work"
launch "$tmp/work" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$bin/zt4"
ui wait-app 30

step="adding three files through the file dialog"
for i in 1 2 3; do
    ui add "$tmp/mp3/short$i.mp3"
    ui wait "mpath($((i - 1)))" "★$i★short$i.mp3" 10
done

step="no repeat (the mode at start-up): the three tracks in turn, then the end"
record norepeat
ui click MusicStart
ui wait-marks "●--" 10
ui wait Label1 "再生中" 0
ui wait Label1 "終了！" 30
ui wait-marks "---" 5
heard "1 2 3"

step="repeat all: the first track again after the last"
ui click "RepeatOption(0)"
record repeatall
ui click MusicStart
for marks in "●--" "-●-" "--●" "●--"; do ui wait-marks "$marks" 10; done
wait_recorded 500
ui wait Label1 "再生中" 0
stop
heard "1 2 3 1+"

step="repeat one, started at track 2 by number: track 2 again and again"
ui click "RepeatOption(1)"
ui type Text1 2
record repeatone
ui click MusicStart
ui wait-marks "-●-" 10
wait_recorded 4000
ui wait Label1 "再生中" 0
ui wait-marks "-●-" 0
stop
ui wait Text1 2 0
heard "2 2+"

step="no repeat, track 2 started: track 3 follows while the file dialog is open"
ui click "RepeatOption(2)"
record dialog
ui click MusicStart
ui wait-marks "-●-" 10
ui open-dialog
ui wait-marks "--●" 10
ui wait Label1 "終了！" 10
ui dialog-is-open
heard "2 3"
ui choose "$tmp/mp3/short1.mp3"
ui wait "mpath(3)" "★4★short1.mp3" 10
step=""
echo "e2e playback: all passed"
