# Sourced by the sound tests after common.sh: waiting for what the server and drive show, and
# a server that goes away and comes back where the player looks for it.
#   stream NAME         until the server's one stream, its media name NAME, has the player's
#                       properties (application, icon, role): a native stream
#   stream_index        the server's index of that stream (a reconnect makes a new one)
#   event NAME          until drive's report ($tmp/events.txt) has NAME
#   server_crash        kills the server (pipewire-pulse on PipeWire) as a crash would
#   server_back DIR REC starts a new server with its files in DIR, records it into REC, then
#                       puts its socket where the old one was, so the player finds it there

stream() {
    local props want missing
    for _ in $(seq 400); do
        props=$(pactl list sink-inputs 2>/dev/null |
            grep -E '^\s+(application\.(name|icon_name)|media\.(role|name)) = ' || true)
        missing=""
        for want in 'application.name = "MP3音楽再生"' 'application.icon_name = "zt4"' \
            'media.role = "music"' "media.name = \"$1\""; do
            grep -qF "$want" <<<"$props" || missing=$want
        done
        [ -z "$missing" ] && return 0
        sleep 0.05
    done
    fail "no $missing in the stream's properties: $props"
}

stream_index() { pactl list short sink-inputs | awk '{ print $1; exit }'; }

event() {
    for _ in $(seq 600); do
        grep -q "^$1 " "$tmp/events.txt" 2>/dev/null && return 0
        sleep 0.05
    done
    fail "drive did not get to $1: $(cat "$tmp/events.txt")"
}

server_crash() {
    kill -KILL "$PULSE_PID"
    wait "$PULSE_PID" ${PULSE_RECORD_PID:-} 2>/dev/null || true
    [ -z "${PULSE_KEEPALIVE_PID:-}" ] || kill "$PULSE_KEEPALIVE_PID" 2>/dev/null || true
    PULSE_PID="" PULSE_RECORD_PID="" PULSE_KEEPALIVE_PID=""
}

# The new server is recorded before its socket takes the old one's place: a sink mixes ahead,
# and what it mixes before the recorder comes would not be in the recording.
server_back() {
    local socket=$PULSE_SOCKET
    pulse_start "$1"
    pulse_record "$2"
    for _ in $(seq 200); do
        [ "$(stat -c %s "$2" 2>/dev/null || echo 0)" -gt 44100 ] && break
        sleep 0.05
    done
    mv -f "$PULSE_SOCKET" "$socket"
    PULSE_SOCKET=$socket
    export PULSE_SERVER="unix:$socket"
}

# sweep SECONDS: $tmp/sweep.wav and $tmp/sweep.mp3, one sine rising from F0 to F1 Hz over
# SECONDS (LENGTH), so that the pitch of a recording tells which moment of it played.
#   position REC   "first last jump" of the sweep in REC, in seconds of the track (position.py)
#   ok EXPR        whether the awk expression EXPR of numbers holds
F0=300 F1=1900
sweep() {
    LENGTH=$1
    sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth "$LENGTH" sine $F0:$F1 gain -6
    lame --quiet --noreplaygain -b 128 "$tmp/sweep.wav" "$tmp/sweep.mp3"
}
position() { python3 "$here/position.py" "$1" $F0 $F1 "$LENGTH"; }
ok() { awk "BEGIN { exit !($1) }"; }
