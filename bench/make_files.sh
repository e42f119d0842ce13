#!/usr/bin/env bash
# make_files.sh DIR: the sound files every benchmark plays, made once per run so that zt4
# and its peers play the very same files (bench/run_all.sh makes them for all benchmarks).
# Repeatable: sox -R and lame give the same bytes each time.
#   DIR/decode.mp3        5 min at 320 kbit/s: noise in one channel, a sweep in the other,
#                         which keeps every part of the decoder busy
#   DIR/music.mp3         45 s at 128 kbit/s: two tones over pink noise, for playing
#   DIR/tones/short1..3   1.5 s tones of the tests (tests/data/make_test_mp3s.sh)
#   DIR/ref1..3.wav       those decoded by mpg123, the references of the gap figures
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 DIR" >&2
    exit 2
fi
dir=$1
root=$(cd "$(dirname "$0")/.." && pwd)
[ -e "$dir/.made" ] && exit 0
mkdir -p "$dir"

echo "bench: making the sound files in $dir" >&2
sox -R -n -r 44100 -c 2 -b 16 "$dir/decode.wav" synth 300 pinknoise sine 100:8000 gain -6
lame --quiet -b 320 "$dir/decode.wav" "$dir/decode.mp3"
rm "$dir/decode.wav"
sox -R -n -r 44100 -c 2 -b 16 "$dir/music.wav" synth 45 sine 220 sine 330 synth 45 pinknoise mix gain -8
lame --quiet --noreplaygain -b 128 "$dir/music.wav" "$dir/music.mp3"
rm "$dir/music.wav"
"$root/tests/data/make_test_mp3s.sh" "$dir/tones" >/dev/null
for i in 1 2 3; do mpg123 -q -w "$dir/ref$i.wav" "$dir/tones/short$i.mp3"; done
touch "$dir/.made"
