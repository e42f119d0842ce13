#!/usr/bin/env bash
# stay_awake_test.sh BIN_DIR: while a track plays, the real player keeps the machine from
# suspending through the desktop portal (a double on a private session bus that records its
# calls), or through the power manager where no portal answers. It lets go on pause, at the
# end of the list (終了！), on stop and on quit, and asks for nothing but suspend: never the
# screen saver. A crash releases it too, as the request belongs to the player's connection.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb dbus-daemon /usr/libexec/at-spi-bus-launcher sox lame
scratch stay_awake
calls=$tmp/calls.log
inhibit="portal Inhibit window='' flags=4 reason=音楽を再生中"
pm_inhibit="pm Inhibit app=zt4 reason=音楽を再生中"

# start_player [FILE]: the player with FILE and a short file (two short files by default),
# playing silently.
start_player() {
    launch "$tmp/work" env VBMP3_OUTPUT=null QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$bin/zt4" \
        "${1:-$tmp/mp3/short1.mp3}" "$tmp/mp3/short2.mp3"
    desk wait-app 60
    desk wait "mpath(1)" "★2★short2.mp3" 30
}

step="making the test files, starting the desktop"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
desktop_start "$tmp"
mkdir "$tmp/work"

step="through the portal: play, pause, play, the end of the list, play, quit"
double portal
start_player
expect_calls "before playing" # nothing
pc play
expect_calls "play" "$inhibit"
pc pause
expect_calls "pause" "$inhibit" "portal Close"
pc play
expect_calls "resume" "$inhibit" "portal Close" "$inhibit"
desk wait Label1 "終了！" 60
expect_calls "the end of the list" "$inhibit" "portal Close" "$inhibit" "portal Close"
pc play
desk wait Label1 "再生中" 30
quit_player
expect_calls "quit" "$inhibit" "portal Close" "$inhibit" "portal Close" "$inhibit" "portal Close"

step="a crash: the portal's request ends with the player's connection"
: >"$calls" # the double appends
# A minute long, so that it still plays when the player is killed.
sox -n -r 44100 -c 2 "$tmp/minute.wav" synth 60 sine 440
lame --quiet -b 128 "$tmp/minute.wav" "$tmp/mp3/minute.mp3"
start_player "$tmp/mp3/minute.mp3"
pc play
expect_calls "play" "$inhibit"
kill -KILL "$player"
wait "$player" 2>/dev/null || true
expect_calls "the crash" "$inhibit" "portal Close (caller left)"
stop_doubles

step="no portal: the power manager; stop lets go"
double power-management
start_player
pc play
expect_calls "play" "$pm_inhibit"
pc stop
expect_calls "stop" "$pm_inhibit" "pm UnInhibit cookie=1"
quit_player
expect_calls "quit while stopped" "$pm_inhibit" "pm UnInhibit cookie=1"
stop_doubles

step="a portal that refuses (its GTK backend outside GNOME): the power manager"
double power-management
double portal-refuses keep
start_player
pc play
expect_calls "play" "$inhibit (refused)" "$pm_inhibit"
pc pause
expect_calls "pause" "$inhibit (refused)" "$pm_inhibit" "pm UnInhibit cookie=1"
quit_player
stop_doubles

step="neither: the player plays on and says so once"
start_player
pc play
desk wait Label1 "再生中" 30
pc pause
pc play
desk wait Label1 "再生中" 30
quit_player
[ "$(grep -c "keep the machine awake" "$tmp/zt4.log")" = 1 ] ||
    fail "expected one word of the missing service, the log says: $(cat "$tmp/zt4.log")"
echo "stay_awake_test: passed"
