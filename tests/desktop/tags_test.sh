#!/usr/bin/env bash
# tags_test.sh BIN_DIR: what the desktop shows of a Japanese MP3 whose tags are in Shift-JIS
# marked ISO-8859-1, as many are: playerctl reads the title, artist and album in Japanese,
# and mpris:artUrl names a file in the user's cache holding the embedded cover byte for
# byte; the volume mixer names the stream by the title. A file without a picture sends no
# artUrl.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb dbus-daemon /usr/libexec/at-spi-bus-launcher pactl convert
desk() { /usr/bin/python3 "$here/desk.py" "$@"; }
pc() { playerctl -p zt4 "$@"; }
scratch tags

# expect WHAT WANT CMD...: CMD's output must become WANT within 5 s.
expect() {
    local what=$1 want=$2 got=""
    shift 2
    for _ in $(seq 100); do
        got=$("$@" 2>&1) && [ "$got" = "$want" ] && return 0
        sleep 0.05
    done
    fail "$what: got '$got', expected '$want'"
}

step="making a Japanese MP3 with a cover"
"$root/tests/data/make_test_mp3s.sh" "$tmp/mp3" >/dev/null
convert -size 32x32 xc:red "$tmp/cover.jpg"
# 椎名林檎 and 音楽 in Shift-JIS; an artist in UTF-16.
/usr/bin/python3 "$here/make_tagged_mp3.py" "$tmp/mp3/cbr320.mp3" "$tmp/mp3/ja.mp3" \
    --title 92c596bc97d18ce7 --artist "東京事変" --album 89b98a79 --cover "$tmp/cover.jpg"

step="starting the desktop, PulseAudio and the player"
desktop_start "$tmp"
pulse_start "$tmp/pulse"
export XDG_CACHE_HOME=$tmp/cache
mkdir "$tmp/work"
launch "$tmp/work" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$bin/zt4" \
    "$tmp/mp3/ja.mp3" "$tmp/mp3/long.mp3"
desk wait-app 30
desk wait "mpath(1)" "★2★long.mp3" 10

step="playing the Japanese file"
pc play
desk wait Label1 "再生中" 10
expect "the tags" "椎名林檎|東京事変|音楽" \
    pc metadata --format '{{xesam:title}}|{{xesam:artist}}|{{xesam:album}}'
art=$(pc metadata mpris:artUrl)
case $art in
"file://$XDG_CACHE_HOME/zt4/"*.jpg) ;;
*) fail "mpris:artUrl is '$art', not a JPEG in $XDG_CACHE_HOME/zt4" ;;
esac
cmp "${art#file://}" "$tmp/cover.jpg" || fail "the cached cover is not the embedded picture"
expect "the mixer's stream name" 'media.name = "椎名林檎"' \
    sh -c "pactl list sink-inputs | grep -oF 'media.name = \"椎名林檎\"'"

step="the next file has no picture: no artUrl"
pc next
expect "the title" "long.mp3" pc metadata xesam:title
metadata=$(pc metadata)
if grep -q artUrl <<<"$metadata"; then
    fail "a file without a picture sends an artUrl: $metadata"
fi
pc stop
echo "tags_test: passed"
