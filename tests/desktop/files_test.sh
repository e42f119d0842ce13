#!/usr/bin/env bash
# files_test.sh BIN_DIR: files from outside the window, with the real player under Xvfb on
# a private session bus. `zt4 FILE...` adds the MP3 files and names the others; a second
# `zt4 FILE...` hands its files to the running player (a name that is not UTF-8 arriving
# with its bytes, so that it plays) and exits 0; a file dragged from another window and
# dropped adds it; 25 files fill the 20 rows with a single full-list message, and a request
# from the desktop made while that message is open waits for it; files handed to the full
# list bring one message, not one for each.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb xdotool dbus-daemon /usr/libexec/at-spi-bus-launcher
scratch files

# boxes N: exactly N message boxes are open, after a moment for one more to show.
boxes() {
    sleep 1
    [ "$(desk boxes)" = "$1" ] || fail "$(desk boxes) message boxes open, expected $1"
}
start() { launch "$tmp/music" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 VBMP3_OUTPUT=null "$bin/zt4" "$@"; }

step="making the test files"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
mkdir "$tmp/music"
for name in a.mp3 b.MP3 c.mp3 d.mp3 $'caf\xe9.mp3' t{01..25}.mp3; do
    cp "$tmp/mp3/short1.mp3" "$tmp/music/$name"
done
echo "not music" >"$tmp/music/notes.txt"
desktop_start "$tmp"

step="zt4 a.mp3 b.MP3 missing.mp3 notes.txt"
start a.mp3 b.MP3 missing.mp3 notes.txt
desk wait-app 30
desk wait "mpath(0)" "★1★a.mp3" 10
desk wait "mpath(1)" "★2★b.MP3" 0
desk wait "mpath(2)" "" 0
desk wait "SakujoCheck(1)" "2 曲目 b.MP3 を削除に選ぶ" 0
desk wait "SakujoCheck(2)" "3 曲目を削除に選ぶ" 0
grep -q "skipped: $tmp/music/missing.mp3\$" "$tmp/zt4.log" || fail "missing.mp3 not named: $(cat "$tmp/zt4.log")"
grep -q "skipped: $tmp/music/notes.txt\$" "$tmp/zt4.log" || fail "notes.txt not named: $(cat "$tmp/zt4.log")"
[ "$(grep -c skipped "$tmp/zt4.log")" = 2 ] || fail "other files named: $(cat "$tmp/zt4.log")"
boxes 0

step="a second zt4 hands c.mp3 and a name in Latin-1 to the running player"
(cd "$tmp/music" && timeout 20 "$bin/zt4" c.mp3 $'caf\xe9.mp3') || fail "the second zt4 ended with $?"
desk wait "mpath(2)" "★3★c.mp3" 10
desk wait "mpath(3)" "★4★caf�.mp3" 5
[ "$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.ListNames | grep -c org.mpris.MediaPlayer2.zt4)" = 1 ] ||
    fail "more than one player on the bus"
desk type Text1 4
desk click MusicStart
desk wait Label1 "再生中" 10
url=$(playerctl -p zt4 metadata xesam:url)
[ "$url" = "file://$tmp/music/caf%E9.mp3" ] || fail "the playing track's URL is $url"
desk click MusicStop
desk wait Label1 "停止しました" 5

step="a zt4 started without files beside it takes a name of its own"
env VBMP3_OUTPUT=null "$bin/zt4" >"$tmp/second.log" 2>&1 &
second=$!
pids+=("$second")
for _ in $(seq 100); do
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ListNames | grep -q "org.mpris.MediaPlayer2.zt4.instance$second" && break
    sleep 0.1
done
dbus-send --session --print-reply --dest="org.mpris.MediaPlayer2.zt4.instance$second" \
    /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit >/dev/null
wait "$second" || fail "the second player ended with $?"

step="a file dragged from another window and dropped"
"$bin/drag_source" "$tmp/music/d.mp3" >"$tmp/drag_source.log" 2>&1 &
pids+=($!)
source=$(desk window "drag source" 10)
xdotool mousemove --window "$source" 80 60 mousedown 1
for x in 700 600 500 400; do xdotool mousemove --sync "$x" 400 && sleep 0.1; done
xdotool mouseup 1
desk wait "mpath(4)" "★5★d.mp3" 10

step="25 files fill the 20 rows with one full-list message"
dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.zt4 /org/mpris/MediaPlayer2 \
    org.mpris.MediaPlayer2.Quit >/dev/null
for _ in $(seq 100); do kill -0 "$player" 2>/dev/null || break; sleep 0.05; done
start t{01..25}.mp3
desk wait-app 30
desk wait "mpath(19)" "★20★t20.mp3" 10
boxes 1

step="a request while the message box is open waits until it closes"
timeout 5 playerctl -p zt4 play || fail "playerctl waited on the message box"
sleep 1
desk wait Label1 "[ファイル]メニューもしくはファイル選択ボタンでMP3ファイルを選択し、再生ボタンを押して下さい。" 0
xdotool windowfocus --sync "$(desk window ZT4 5)" key Return
desk wait Label1 "再生中" 5
desk wait-marks "●" 0
boxes 0

step="five more handed to the full list: one message for them all"
(cd "$tmp/music" && timeout 20 "$bin/zt4" t2{1..5}.mp3) || fail "the second zt4 ended with $?"
boxes 1
xdotool windowfocus --sync "$(desk window ZT4 5)" key Return
boxes 0
step=""
echo "desktop files: all passed"
