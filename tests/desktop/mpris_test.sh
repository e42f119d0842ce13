#!/usr/bin/env bash
# mpris_test.sh BIN_DIR: the real player on a private session bus, driven by playerctl as
# the desktop's media keys and panels drive it. Each request must show in the window (read
# over AT-SPI) and, for play and pause, in the sound recorded from a private PulseAudio
# sink; a request whose button is disabled must change nothing.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb xdotool dbus-daemon sox lame /usr/libexec/at-spi-bus-launcher
scratch mpris


# prop INTERFACE NAME: a property of the player's object, as dbus-send prints its value.
prop() {
    dbus-send --session --print-reply=literal --dest=org.mpris.MediaPlayer2.zt4 \
        /org/mpris/MediaPlayer2 org.freedesktop.DBus.Properties.Get "string:$1" "string:$2" |
        sed 's/^ *variant *//'
}

raw_metadata() { prop org.mpris.MediaPlayer2.Player Metadata | tr -d ' \n'; }

# listen NAME MS: records MS milliseconds of what the sink plays from now.
listen() { record_start "$1" && wait_recorded "$2" && record_stop; }

step="making the test files"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
# The steps that need the second track playing take longer than its 6 s on a busy machine:
# a minute of the same tones in its place.
sox -R -n -r 44100 -c 2 -b 16 "$tmp/long.wav" synth 60 sine 440 sine 660 gain -6
lame --quiet --noreplaygain -b 128 "$tmp/long.wav" "$tmp/mp3/long.mp3"
tagged=$tmp/mp3/cbr128.mp3

step="starting the desktop, PulseAudio and the player with three files"
desktop_start "$tmp"
pulse_start "$tmp/pulse"
mkdir "$tmp/work"
launch "$tmp/work" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$bin/zt4" \
    "$tagged" "$tmp/mp3/long.mp3" "$tmp/mp3/short1.mp3"
desk wait-app 30
desk wait "mpath(2)" "★3★short1.mp3" 10
expect "the bus name" "org.mpris.MediaPlayer2.zt4" \
    sh -c 'dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus org.freedesktop.DBus.ListNames | grep -o "org.mpris.MediaPlayer2.zt4[^\"]*"'
expect "status before playing" "Stopped" pc status
expect "identity" "MP3音楽再生" prop org.mpris.MediaPlayer2 Identity
expect "the title of a file not yet opened" "cbr128.mp3" pc metadata xesam:title

step="play: the first track with its tag"
# One-track repeat: a busy machine may take longer over the next steps than a track lasts,
# and each track must still be the one playing.
pc loop Track
desk wait-state "RepeatOption(1)" CHECKED 5
pc play
# First, while the 2 s track still plays.
expect "metadata" "'/org/zt4/track/1/play1'|file://$tagged|Test Title|Test Artist|2000000" \
    pc metadata --format '{{mpris:trackid}}|{{xesam:url}}|{{xesam:title}}|{{xesam:artist}}|{{mpris:length}}'
desk wait Label1 "再生中" 10
expect "status" "Playing" pc status

step="next: the second track, heard"
pc next
desk wait-marks "-●-" 5
expect "title" "long.mp3" pc metadata xesam:title
listen playing 1000
desk heard "$rec" "$tmp/long.wav" sound

step="previous, a second into the track, starts it again"
# Just after a tick, so that the restarted clock shows 0 for most of a second.
desk wait-change "Labelsec(0)" 5
pc previous
desk wait "Labelsec(0)" "0" 0.9
desk wait-marks "-●-" 0

step="pause: silence"
pc pause
desk wait Label1 "一時停止" 5
expect "status" "Paused" pc status
sleep 0.2
listen paused 1000
desk heard "$rec" "$tmp/long.wav" silence

step="play-pause while paused plays on, heard"
pc play-pause
desk wait Label1 "再生中" 5
expect "status" "Playing" pc status
listen resumed 1000
desk heard "$rec" "$tmp/long.wav" sound

step="play-pause while playing pauses"
pc play-pause
desk wait Label1 "一時停止" 5
expect "status" "Paused" pc status
pc play
desk wait Label1 "再生中" 5

step="stop"
pc stop
desk wait Label1 "停止しました" 5
desk wait-marks "---" 5
expect "status" "Stopped" pc status

step="loop: each mode selects its option"
for mode in Track:1 Playlist:0 None:2; do
    pc loop "${mode%:*}"
    desk wait-state "RepeatOption(${mode#*:})" CHECKED 5
    expect "loop" "${mode%:*}" pc loop
done

step="volume: the knob moves and reads out its level"
pc volume 0.3
desk wait-value Volumeanalyze1 30 5
expect "volume" "0.300000" pc volume

step="with an empty list the disabled play button's request changes nothing"
desk click FileReset
desk wait "mpath(0)" "" 5
expect "metadata of an empty list" "array[]" raw_metadata
# playerctl itself holds back while CanPlay is false: ask the player directly.
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.zt4 /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Player.Play >/dev/null
sleep 1
expect "status" "Stopped" pc status
desk wait Label1 "[ファイル]メニューもしくはファイル選択ボタンでMP3ファイルを選択し、再生ボタンを押して下さい。" 0
[ "$(desk boxes)" = 0 ] || fail "a message box opened"

step="Quit ends the program"
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.zt4 /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null
for _ in $(seq 100); do kill -0 "$player" 2>/dev/null || break; sleep 0.05; done
kill -0 "$player" 2>/dev/null && fail "the player still runs after Quit"
step=""
echo "desktop mpris: all passed"
