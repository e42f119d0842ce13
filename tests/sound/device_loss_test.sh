#!/usr/bin/env bash
# device_loss_test.sh PLAY_FILE: the sound server dies in the middle of a track that
# PLAY_FILE (play_file.cpp) plays through libvbmp3's default output into a private
# PulseAudio server, or PipeWire's with SERVER=pipewire (where pipewire-pulse is the process
# killed, frozen and started again), whose null sink is recorded. The track is a sweep, so that the pitch of
# what was recorded tells which moment of it played.
#  1. Killed 2 s in and back 1.5 s later: playback comes back by itself and goes on from
#     where the sound stopped to the end (on PipeWire, where the sink outlives its Pulse
#     server, read to the sample: nothing heard twice, at most 0.1 s skipped); one end
#     event, as late as the outage made it.
#  2. Killed for good: a play closed meanwhile closes at once and sends nothing after; a
#     play left alone still ends, once.
#  3. Frozen (SIGSTOP) while the library writes to it: vbmp3_close and vbmp3_free return.
# Skipped (77) without the tools. On failure the recordings and logs are kept.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "PLAY_FILE" "$@"
play_file=$(realpath "$1")
# shellcheck disable=SC2086
need $PULSE_TOOLS sox lame
scratch sound
declare -A pid
step="start-up"

now_ms() { date +%s%3N; }
# ok EXPR: whether the awk expression EXPR of numbers holds.
ok() { awk "BEGIN { exit !($1) }"; }
# play NAME [CLOSE_AFTER_MS]: play_file on the sweep in the background, reporting to NAME.txt.
play() {
    timeout 90 "$play_file" "$tmp/sweep.mp3" "${@:2}" >"$tmp/$1.txt" 2>"$tmp/$1.err" &
    pid[$1]=$! && pids+=("$!")
}
# finish NAME: waits for that play, which must exit by itself.
finish() {
    local rc=0
    wait "${pid[$1]}" || rc=$?
    [ "$rc" -eq 0 ] || fail "play_file ($1) exited with $rc (124: it hung): $(cat "$tmp/$1.err")"
}
# field NAME KEY: the value of "KEY value" in the report of play NAME.
field() { awk -v k="$2" '$1 == k { print $2; exit }' "$tmp/$1.txt"; }
# report NAME ENDS CLOSE_MS FREE_MS: the play's end events, and its close and free in time.
report() {
    [ "$(field "$1" ends)" = "$2" ] || fail "$1: $(field "$1" ends) end events, not $2"
    ok "$(field "$1" close_ms) <= $3" || fail "$1: vbmp3_close took $(field "$1" close_ms) ms"
    ok "$(field "$1" free_ms) <= $4" || fail "$1: vbmp3_free took $(field "$1" free_ms) ms"
}
# Kills the server as a crash would; its clients see the connection drop and end.
pulse_crash() {
    kill -KILL "$PULSE_PID"
    wait "$PULSE_PID" "$PULSE_RECORD_PID" 2>/dev/null || true
    PULSE_PID="" PULSE_RECORD_PID="" PULSE_KEEPALIVE_PID=""
}
# serve REC: starts the server and records it into REC once sound flows. A new null sink
# first sleeps in a block of about 2 s, which would shift the timing of what follows.
serve() {
    pulse_start "$tmp/pulse"
    pulse_record "$1"
    for _ in $(seq 100); do
        [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt 44100 ] && return 0
        sleep 0.05
    done
    fail "the recording $1 does not grow"
}

F0=300 F1=1900 LENGTH=8
sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth $LENGTH sine $F0:$F1 gain -6
lame --quiet --noreplaygain -b 128 "$tmp/sweep.wav" "$tmp/sweep.mp3"
position() { python3 "$here/position.py" "$1" $F0 $F1 $LENGTH; }
# The recordings are judged by position.py: first see that it reads the sweep itself right.
# How far a reading of the sweep itself strays is the tolerance of the positions read below.
read -r first last reading < <(position "$tmp/sweep.wav")
ok "$first <= 0.05 && $last >= 7.95 && $reading <= 0.03" || fail "the sweep reads as $first $last $reading"

# No VBMP3_OUTPUT: the library picks its output as in the player; PULSE_SERVER (exported by
# pulse_start) takes both the Pulse and the ALSA route to the private server.
unset VBMP3_OUTPUT


# lose_and_get_back CRASH: the server dies by CRASH 2 s into a play and a new one takes its
# socket 1.5 s later.
lose_and_get_back() {
    serve "$tmp/before.wav"
    # On PipeWire, a recorder of pipewire itself hears the sink across the loss of its Pulse
    # server: where the sound stopped and went on, to the sample.
    through=""
    if [ "$SERVER" = pipewire ] && [ "$1" = pulse_crash ]; then
        through=$tmp/through.wav
        pipewire_record "$through"
    fi
    play one
    sleep 2
    killed=$(now_ms)
    $1
    sleep 1.5
    # The new server starts where the player cannot see it, and is recorded before its socket
    # takes the old one's place: a sink renders ahead, and what it renders before the recorder
    # comes is not heard in the recording.
    socket=$PULSE_SOCKET
    pulse_start "$tmp/pulse-back"
    pulse_record "$tmp/after.wav"
    sleep 0.3
    mv -f "$PULSE_SOCKET" "$socket"
    outage=$(($(now_ms) - killed))
    finish one
    sleep 0.5 # the recorder is behind by its latency
    pulse_stop
    report one 1 500 1000
    late=$(($(field one end) - $(field one play) - LENGTH * 1000))
    read -r first1 last1 jump1 < <(position "$tmp/before.wav")
    read -r first2 last2 jump2 < <(position "$tmp/after.wav")
    echo "$1: track ${first1}..${last1} s before the crash, ${first2}..${last2} s after;" \
        "outage $outage ms; end $late ms after the track's length"
    ok "$first1 <= 0.2 && $jump1 <= 0.1" || fail "before the crash: $first1..$last1 s, jump $jump1"
    # On from where the sound stopped, give or take what the dead server held, unbroken to the
    # end. Played on silently through the outage, it would come back over a second later.
    ok "$first2 >= $last1 - 0.1 && $first2 <= $last1 + 0.5" ||
        fail "the sound stopped at $last1 s of the track and came back at $first2 s"
    ok "$last2 >= 7.9 && $jump2 <= 0.1" || fail "after the crash: $first2..$last2 s, jump $jump2"
    ok "$late >= $outage - 600 && $late <= $outage + 3000" || fail "the end came $late ms late"
    if [ -n "$through" ]; then
        read -r stopped went_on < <(python3 "$here/position.py" --gap "$through" $F0 $F1 $LENGTH)
        echo "$1, heard through pipewire: the sound stopped at $stopped s of the track" \
            "and went on at $went_on s"
        # Nothing heard twice, nothing more than 0.1 s skipped.
        ok "$went_on >= $stopped - $reading && $went_on <= $stopped + 0.1 + $reading" ||
            fail "the sound stopped at $stopped s of the track and went on at $went_on s"
    fi
    rm -rf "$tmp/pulse" "$tmp/pulse-back"
}

step="1: lose the server and get it back"
lose_and_get_back pulse_crash
if [ "$SERVER" = pipewire ]; then
    step="1b: lose PipeWire itself, and with it its Pulse server, and get it back"
    lose_and_get_back pipewire_crash
fi

step="2: lose the server for good"
serve "$tmp/alone.wav"
play closed 3500
play alone
sleep 2
pulse_crash
finish closed
report closed 0 500 1000
finish alone
report alone 1 500 1000
took=$(($(field alone end) - $(field alone play)))
echo "without a server: end $took ms after play"
ok "$took >= $LENGTH * 1000 - 300 && $took <= 20000" || fail "without a server it ended after $took ms"

step="3: the server freezes"
serve "$tmp/frozen.wav"
play frozen 3500
sleep 2
kill -STOP "$PULSE_PID"
finish frozen
pulse_stop
report frozen 0 500 3000
echo "device loss: all checks passed"
