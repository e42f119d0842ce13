#!/usr/bin/env bash
# mpris_restart_test.sh BIN_DIR: what the media controls are told when the track starts
# again, and what Play does while a track plays, with the real player on a private session
# bus. Play after a second zt4 added a file (which enables 再生) changes nothing; back after
# the restart window and repeat-one each emit Seeked(0), watched with dbus-monitor, and give
# the track a new id; requests piled up behind a message box are capped, and settings keep
# only the newest.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb xdotool dbus-daemon dbus-monitor sox lame /usr/libexec/at-spi-bus-launcher
scratch restart

# seeks N: until the watch has seen N Seeked signals, each with position 0.
seeks() {
    for _ in $(seq 200); do
        [ "$(grep -c 'member=Seeked' "$tmp/seeked.log")" -ge "$1" ] && break
        sleep 0.05
    done
    [ "$(grep -c 'member=Seeked' "$tmp/seeked.log")" = "$1" ] ||
        fail "expected $1 Seeked signals, saw: $(cat "$tmp/seeked.log")"
    [ "$(grep -c '^ *int64 0$' "$tmp/seeked.log")" = "$1" ] ||
        fail "a Seeked signal not at 0: $(cat "$tmp/seeked.log")"
}
trackid() { pc metadata mpris:trackid; }
# played S: the position is at least S seconds.
played() { awk -v p="$(pc position)" -v s="$1" 'BEGIN { exit !(p >= s) }'; }
call() {
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.zt4 /org/mpris/MediaPlayer2 "$@" >/dev/null
}

step="making the test files"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
mkdir "$tmp/music"
for i in $(seq -w 1 20); do cp "$tmp/mp3/short1.mp3" "$tmp/music/t$i.mp3"; done
sox -R -n -r 44100 -c 2 -b 16 "$tmp/tone.wav" synth 60 sine 440 gain -6
lame --quiet --noreplaygain -b 128 "$tmp/tone.wav" "$tmp/tone.mp3"

step="starting the player with a 60 s tone"
desktop_start "$tmp"
launch "$tmp/music" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 VBMP3_OUTPUT=null "$bin/zt4" "$tmp/tone.mp3"
desk wait-app 30
desk wait "mpath(0)" "★1★tone.mp3" 10
dbus-monitor --session "type='signal',interface='org.mpris.MediaPlayer2.Player',member='Seeked'" \
    >"$tmp/seeked.log" 2>&1 &
pids+=($!)

step="play while playing after a file was added changes nothing"
pc play
desk wait Label1 "再生中" 10
first=$(trackid)
(cd "$tmp/music" && timeout 20 "$bin/zt4" t01.mp3) || fail "the second zt4 ended with $?"
desk wait "mpath(1)" "★2★t01.mp3" 10
for _ in $(seq 100); do played 1.5 && break; sleep 0.05; done
pc play
sleep 0.5
expect "status" "Playing" pc status
[ "$(trackid)" = "$first" ] || fail "Play started the track again: $(trackid)"
played 1.9 || fail "Play reset the position: $(pc position)"
desk wait-marks "●-" 0
seeks 0

step="back after the restart window: Seeked(0) and a new track id"
asked=$(date +%s.%N)
pc previous
seeks 1
again=$(trackid)
[ "$again" != "$first" ] || fail "the restarted track kept its id $first"
# No more than the time since the request: the track played from 0 again.
position=$(pc position)
awk -v p="$position" -v asked="$asked" -v now="$(date +%s.%N)" 'BEGIN { exit !(p <= now - asked + 0.05) }' ||
    fail "the position after a restart: $position"

step="repeat-one: Seeked(0) and a new track id when the track ends"
pc loop Track
expect "loop" "Track" pc loop
pc next
expect "the next track" "t01.mp3" pc metadata xesam:title
next=$(trackid)
seeks 1
seeks 2
[ "$(trackid)" != "$next" ] || fail "the repeated track kept its id $next"

step="requests piled up behind a message box: capped, and the newest setting wins"
pc stop
(cd "$tmp/music" && timeout 20 "$bin/zt4" t*.mp3) || fail "the third zt4 ended with $?"
desk wait "mpath(19)" "★20★t18.mp3" 10
desk wait Label1 "停止しました" 0
for _ in $(seq 100); do [ "$(desk boxes)" = 1 ] && break; sleep 0.05; done
[ "$(desk boxes)" = 1 ] || fail "the full-list message did not show"
call org.mpris.MediaPlayer2.Player.Play
for i in $(seq 40); do
    call org.mpris.MediaPlayer2.Player.Next
    call org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player string:Volume \
        variant:double:0.$((10 + i))
done
xdotool windowfocus --sync "$(desk window ZT4 5)" key Return
# Play, then the 15 Next calls that fit beside it: slot 16 plays, again and again.
desk wait-marks "---------------●----" 10
desk wait-value Volumeanalyze1 50 5
step=""
echo "mpris restart: all passed"
