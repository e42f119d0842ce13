#!/usr/bin/env bash
# contract_test.sh DRIVE: the thread contract heard through a private Pulse server (SERVER:
# pulseaudio or pipewire), its null sink recorded on the same clock as the calls. DRIVE
# (drive.cpp) pauses and restarts a sweep, sets the volume of each channel, replaces it by a
# steady tone, closes that and plays it again to its end; contract.py judges the recording.
# The stream's properties in the server name the application and the track.
# Skipped (77) without the tools. On failure the recording and the report are kept.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "DRIVE" "$@"
drive=$(realpath "$1")
# shellcheck disable=SC2086
need $PULSE_TOOLS sox lame
scratch contract

step="making the files"
F0=300 F1=1900 LENGTH=8 TONE=200
sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth $LENGTH sine $F0:$F1 gain -6
sox -R -n -r 44100 -c 2 -b 16 "$tmp/tone.wav" synth 1.5 sine $TONE gain -6
lame --quiet --noreplaygain -b 192 "$tmp/sweep.wav" "$tmp/sweep.mp3"
lame --quiet --noreplaygain -b 192 --tt "低い音" "$tmp/tone.wav" "$tmp/tone.mp3"
# stream NAME: the properties of the one stream of the server, NAME its media name.
stream() {
    local props
    props=$(pactl list sink-inputs | grep -E '^\s+(application\.(name|icon_name)|media\.(role|name)) = ')
    for want in 'application.name = "MP3音楽再生"' 'application.icon_name = "zt4"' \
        'media.role = "music"' "media.name = \"$1\""; do
        grep -qF "$want" <<<"$props" || fail "no $want in the stream's properties: $props"
    done
}

step="starting $SERVER"
pulse_start "$tmp/server"
python3 -m zt4test.recorder "$tmp/rec.wav" "$tmp/rec.stamps" &
recorder=$! && pids+=("$recorder")
for _ in $(seq 100); do [ -s "$tmp/rec.stamps" ] && break || sleep 0.05; done
sleep 0.5

step="playing"
unset VBMP3_OUTPUT
timeout 60 "$drive" "open:$tmp/sweep.mp3" play sleep:1500 pause sleep:700 restart sleep:1000 \
    vol:100:1 sleep:700 vol:60:60 sleep:700 vol:100:100 "open:$tmp/tone.mp3" play sleep:800 \
    close sleep:600 "open:$tmp/tone.mp3" play wait_end sleep:300 >"$tmp/events.txt" &
driving=$! && pids+=("$driving")
# The stream as the desktop's mixer shows it: the file's name, then the tag's title.
sleep 1
stream sweep.mp3
sleep 4
stream 低い音
wait "$driving" || fail "drive failed: $(cat "$tmp/events.txt")"
sleep 0.3
kill "$recorder" && wait "$recorder"

step="judging the recording"
python3 "$here/contract.py" "$tmp/rec.wav" "$tmp/rec.stamps" "$tmp/events.txt" \
    $F0 $F1 $LENGTH $TONE
echo "contract on $SERVER: all checks passed"
