#!/usr/bin/env bash
# file_chooser_test.sh BIN_DIR: where the desktop portal offers a file chooser (a recording
# double on a private session bus), the add command asks it, for the player's window, with
# the dialog's title and filter. The file it names is added with its bytes, so that a name
# that is not UTF-8 plays. While it is open the window takes no input; a cancel adds
# nothing; a chooser that fails gives way to Qt's own dialog.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb xdotool dbus-daemon /usr/libexec/at-spi-bus-launcher
scratch file_chooser
calls=$tmp/calls.log
answer() { echo "$1" >"$calls.answer"; }
# called WHAT LINE...: LINE... are the next calls the double records (playing also asks it to
# hold off suspend).
record=()
called() {
    local what=$1
    shift
    record+=("$@")
    expect_calls "$what" "${record[@]}"
}
played=("portal Inhibit window='' flags=4 reason=音楽を再生中" "portal Close")

step="making the test files, starting the desktop and the portal"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
mkdir "$tmp/music"
cp "$tmp/mp3/short1.mp3" "$tmp/music/"$'caf\xe9.mp3'
cp "$tmp/mp3/short1.mp3" "$tmp/music/b.mp3"
desktop_start "$tmp"
double portal
launch "$tmp/music" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 VBMP3_OUTPUT=null "$bin/zt4"
desk wait-app 30
window=$(printf '%x' "$(desk window "MP3音楽再生" 10)")
asked="portal OpenFile window=x11:$window title=開く modal=True filters=MP3ファイル(*.mp3):*.mp3,*.mP3,*.Mp3,*.MP3 current=MP3ファイル(*.mp3)"

step="the chooser names a file that is not UTF-8; it is added and plays"
answer "file://$tmp/music/caf%E9.mp3"
desk click FileAdd
desk wait "mpath(0)" "★1★caf�.mp3" 30
called "the first add" "$asked"
desk click MusicStart
desk wait Label1 "再生中" 10
desk click MusicStop
desk wait Label1 "停止しました" 10
called "play and stop" "${played[@]}"

step="while the chooser is open, clicks on the window are not taken; then a cancel"
desk click FileAdd
called "the second add" "$asked"
desk click FileAdd
desk click MusicStart
answer cancel
# The media controls' Play waits for the chooser to close, then runs; a click taken late
# would run before it, ask the chooser again and hold Play back.
pc play
desk wait Label1 "再生中" 10
desk wait "mpath(1)" "" 0
desk click MusicStop
desk wait Label1 "停止しました" 10
called "after the cancel" "${played[@]}"

step="a chooser that fails gives way to Qt's own dialog"
answer fail
desk add "$tmp/music/b.mp3"
desk wait "mpath(1)" "★2★b.mp3" 10
called "the failed chooser" "$asked"

stop_doubles
