#!/usr/bin/env bash
# contract_test.sh DRIVE: the thread contract heard through a private Pulse server (SERVER:
# pulseaudio or pipewire), its null sink recorded on the same clock as the calls. DRIVE
# (drive.cpp) pauses and restarts a sweep, sets the volume of each channel, replaces it by a
# steady tone, closes that and plays it again to its end; contract.py judges the recording.
# The stream's properties in the server name the application and the track; a pause corks
# it.
# Skipped (77) without the tools. On failure the recording and the report are kept.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "DRIVE" "$@"
drive=$(realpath "$1")
# shellcheck disable=SC2086
need $PULSE_TOOLS sox lame
scratch contract
# shellcheck source=tests/sound/steps.sh
. "$here/steps.sh"

step="making the files"
F0=300 F1=1900 LENGTH=8 TONE=200
sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth $LENGTH sine $F0:$F1 gain -6
# Long enough that the close comes before its end however long the wait for its stream takes.
sox -R -n -r 44100 -c 2 -b 16 "$tmp/tone.wav" synth 4 sine $TONE gain -6
lame --quiet --noreplaygain -b 192 "$tmp/sweep.wav" "$tmp/sweep.mp3"
lame --quiet --noreplaygain -b 192 --tt "低い音" "$tmp/tone.wav" "$tmp/tone.mp3"
# corked: waits until the server holds the paused stream corked, or on PipeWire has no stream
# of the player at all, as a pause should leave it (a sink with nothing uncorked may suspend).
corked() {
    for _ in $(seq 200); do
        if [ "$SERVER" = pipewire ]; then
            pactl list sink-inputs | grep -q 'application.name = "MP3音楽再生"' || return 0
        else
            pactl list sink-inputs | grep -q 'Corked: yes' && return 0
        fi
        sleep 0.05
    done
    fail "the paused stream is still playing: $(pactl list sink-inputs | grep -E 'Corked|application.name')"
}

step="starting $SERVER"
pulse_start "$tmp/server"
python3 -m zt4test.recorder "$tmp/rec.wav" "$tmp/rec.stamps" &
recorder=$! && pids+=("$recorder")
# Until the recorder's first read: the recording's clock starts there.
for _ in $(seq 200); do [ -s "$tmp/rec.stamps" ] && break || sleep 0.05; done
[ -s "$tmp/rec.stamps" ] || fail "the recorder does not record"

step="playing"
unset VBMP3_OUTPUT
# The test holds drive at each await: until the stream shows in the server as the desktop's
# mixer shows it (the file's name, then the tag's title), and until the pause has taken hold.
timeout 90 "$drive" "open:$tmp/sweep.mp3" play "await:$tmp/sweep-seen" sleep:1000 pause \
    "await:$tmp/corked" sleep:500 restart sleep:1000 vol:100:1 sleep:700 vol:60:60 sleep:700 \
    vol:100:100 sleep:400 pause sleep:400 "open:$tmp/tone.mp3" play "await:$tmp/tone-seen" sleep:500 close sleep:600 \
    "open:$tmp/tone.mp3" play wait_end sleep:300 >"$tmp/events.txt" &
driving=$! && pids+=("$driving")
stream sweep.mp3
touch "$tmp/sweep-seen"
event pause
corked
touch "$tmp/corked"
stream 低い音
touch "$tmp/tone-seen"
wait "$driving" || fail "drive failed: $(cat "$tmp/events.txt")"
kill "$recorder" && wait "$recorder"

step="judging the recording"
python3 "$here/contract.py" "$tmp/rec.wav" "$tmp/rec.stamps" "$tmp/events.txt" \
    $F0 $F1 $LENGTH $TONE
echo "contract on $SERVER: all checks passed"
