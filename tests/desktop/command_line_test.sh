#!/usr/bin/env bash
# command_line_test.sh BIN_DIR VERSION: the real program's command line. --help and
# --version answer without a display and exit 0; a wrong option is one line on standard
# error and exit 2, and nothing starts; "--" lets a file named "-x.mp3" in, also handed to a
# running player; hundreds of files handed to a full list bring one full-list message; a
# hung player is given up after 3 s, and the second zt4 says so and starts its own window.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage "BIN_DIR VERSION" "$@"
bin=$(realpath "$1")
version=$2
need Xvfb xdotool dbus-daemon /usr/libexec/at-spi-bus-launcher
scratch cmdline

# boxes N: exactly N message boxes are open, after a moment for one more to show.
boxes() {
    sleep 1
    [ "$(desk boxes)" = "$1" ] || fail "$(desk boxes) message boxes open, expected $1"
}
# answers CMD...: runs CMD (without a display or a bus), its output in $out and $err.
answers() {
    rc=0
    env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS -u WAYLAND_DISPLAY timeout 10 "$@" \
        >"$tmp/out" 2>"$tmp/err" || rc=$?
    out=$(cat "$tmp/out") err=$(cat "$tmp/err")
}
start() {
    launch "$tmp/music" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 VBMP3_OUTPUT=null "$bin/zt4" "$@"
}

step="--help and --version"
answers "$bin/zt4" --help
[ $rc = 0 ] || fail "--help ended with $rc: $err"
echo "$out"
grep -q "^使い方: zt4 \[オプション...\] \[--\] \[ファイル...\]$" <<<"$out" || fail "--help: no usage line"
for option in "-h, --help" "--version" "--  "; do
    grep -qF -- "$option" <<<"$out" || fail "--help does not name $option"
done
[ -z "$err" ] || fail "--help wrote on standard error: $err"
answers "$bin/zt4" a.mp3 --version
[ $rc = 0 ] && [ "$out" = "zt4 $version" ] || fail "--version: $rc '$out' '$err'"

step="a wrong option"
answers "$bin/zt4" a.mp3 --shuffle
[ $rc = 2 ] || fail "--shuffle ended with $rc"
[ -z "$out" ] && [ "$(wc -l <"$tmp/err")" = 1 ] || fail "--shuffle: not one line of error: '$out' '$err'"
grep -qF -- "--shuffle" <<<"$err" || fail "the error does not name the option: $err"

step="making the test files"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
mkdir "$tmp/music"
for name in -x.mp3 -y.mp3 t{001..300}.mp3; do
    cp "$tmp/mp3/short1.mp3" "$tmp/music/$name"
done
desktop_start "$tmp"

step="a wrong option with a display starts nothing"
rc=0
(cd "$tmp/music" && timeout 10 "$bin/zt4" --shuffle t001.mp3 2>/dev/null) || rc=$?
[ $rc = 2 ] || fail "with a display, --shuffle ended with $rc"

step="zt4 -- -x.mp3, then -- -y.mp3 handed over"
start -- -x.mp3
desk wait-app 30
desk wait "mpath(0)" "★1★-x.mp3" 10
(cd "$tmp/music" && timeout 20 "$bin/zt4" -- -y.mp3) || fail "the second zt4 ended with $?"
desk wait "mpath(1)" "★2★-y.mp3" 10

step="300 files handed over: one full-list message"
(cd "$tmp/music" && timeout 20 "$bin/zt4" t{001..300}.mp3) || fail "the second zt4 ended with $?"
desk wait "mpath(19)" "★20★t018.mp3" 10
boxes 1
xdotool windowfocus --sync "$(desk window ZT4 5)" key Return
boxes 0

step="a hung player is given up after 3 s"
kill -STOP "$player"
began=$(date +%s.%N)
(cd "$tmp/music" && exec env VBMP3_OUTPUT=null "$bin/zt4" t001.mp3 >"$tmp/second.log" 2>&1) &
second=$!
pids+=("$second")
for _ in $(seq 400); do
    [ "$(xdotool search --onlyvisible --name '^MP3音楽再生$' | wc -l)" = 2 ] && break
    sleep 0.05
done
took=$(awk -v b="$began" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - b }')
kill -CONT "$player"
[ "$(xdotool search --onlyvisible --name '^MP3音楽再生$' | wc -l)" = 2 ] ||
    fail "no window of its own after $took s: $(cat "$tmp/second.log")"
kill -0 "$second" || fail "the second zt4 ended: $(cat "$tmp/second.log")"
grep -q "within 3 s" "$tmp/second.log" || fail "the second zt4 did not say it gave up: $(cat "$tmp/second.log")"
echo "the second zt4 had its own window $took s after it started: $(cat "$tmp/second.log")"
step=""
echo "command line: all passed"
