#!/usr/bin/env bash
# tags_test.sh BIN_DIR: what the desktop shows of a Japanese MP3 whose tags are in Shift-JIS
# marked ISO-8859-1, as many are: playerctl reads the title, artist and album in Japanese,
# and mpris:artUrl names a file in the user's cache holding the embedded cover byte for
# byte; the volume mixer names the stream by the title. A file without a picture sends no
# artUrl.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
# shellcheck source=tests/desktop/desktop.sh
. "$here/desktop.sh"
usage BIN_DIR "$@"
bin=$(realpath "$1")
need playerctl Xvfb dbus-daemon /usr/libexec/at-spi-bus-launcher pactl convert sox lame
scratch tags


step="making a Japanese MP3 with a cover, and one without tags"
# A minute each, so that neither ends while the checks run on a busy machine.
mkdir "$tmp/mp3"
sox -n -r 44100 -c 2 "$tmp/tone.wav" synth 60 sine 440
lame --quiet -b 128 "$tmp/tone.wav" "$tmp/mp3/plain.mp3"
convert -size 32x32 xc:red "$tmp/cover.jpg"
# 椎名林檎 and 音楽 in Shift-JIS; an artist in UTF-16.
/usr/bin/python3 "$here/make_tagged_mp3.py" "$tmp/mp3/plain.mp3" "$tmp/mp3/ja.mp3" \
    --title 92c596bc97d18ce7 --artist "東京事変" --album 89b98a79 --cover "$tmp/cover.jpg"

step="starting the desktop, PulseAudio and the player"
desktop_start "$tmp"
pulse_start "$tmp/pulse"
export XDG_CACHE_HOME=$tmp/cache
mkdir "$tmp/work"
launch "$tmp/work" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$bin/zt4" \
    "$tmp/mp3/ja.mp3" "$tmp/mp3/plain.mp3"
desk wait-app 60
desk wait "mpath(1)" "★2★plain.mp3" 30

step="playing the Japanese file"
pc play
desk wait Label1 "再生中" 30
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
expect "the title" "plain.mp3" pc metadata xesam:title
metadata=$(pc metadata)
if grep -q artUrl <<<"$metadata"; then
    fail "a file without a picture sends an artUrl: $metadata"
fi
pc stop
echo "tags_test: passed"
