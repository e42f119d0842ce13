# Sourced by tests and benchmarks: a private server of the Pulse protocol (it works as root
# too) with a null sink "zt4test" as the default, reachable only through its own socket,
# started and stopped by PID. SERVER names it: pulseaudio (the default) or pipewire
# (pipewire.sh). SINK names the sink "zt4test":
#   null   (the default) a null sink, kept awake by a low-latency stream of silence
#   idle   a null sink as a desktop's sink behaves: nothing keeps it awake, and it suspends
#          a second after its last stream stops (PipeWire's session: a few seconds)
#   pipe   a pipe sink writing into the FIFO $PULSE_SINK_FIFO on the system clock, so that it
#          never catches up time it spent idle; it suspends as idle does. pulse_record reads
#          the FIFO, which keeps no stream on the server.
#   pulse_start DIR    starts it with its runtime files in DIR; exports PULSE_SERVER; PULSE_PID
#                      is the process the clients talk to, PULSE_SOCKET its socket
#   pulse_record FILE [STAMPS]
#                      records the sink's monitor to FILE (WAV), the time of each read in
#                      STAMPS (zt4test.recorder), and returns once sound comes;
#                      PULSE_RECORD_PID is its PID
#   pulse_stop         stops both
# PULSE_TOOLS names the programs they need.
PULSE_TOOLS="pulseaudio pactl parec pacat"

pulse_start() {
    local dir=$1 i
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    PULSE_SINK_FIFO=""
    case ${SINK:=null} in
    null | idle) echo "load-module module-null-sink sink_name=zt4test rate=44100 channels=2" ;;
    pipe)
        PULSE_SINK_FIFO=$dir/sink.fifo
        rm -f "$PULSE_SINK_FIFO" && mkfifo "$PULSE_SINK_FIFO"
        echo "load-module module-pipe-sink sink_name=zt4test file=$PULSE_SINK_FIFO format=s16le" \
            "rate=44100 channels=2 use_system_clock_for_timing=yes"
        ;;
    esac >"$dir/server.pa"
    [ "$SINK" = null ] || echo "load-module module-suspend-on-idle timeout=1" >>"$dir/server.pa"
    cat >>"$dir/server.pa" <<PA
set-default-sink zt4test
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
PA
    HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime" \
        pulseaudio -n -F "$dir/server.pa" --daemonize=no --system=false --use-pid-file=no \
        --exit-idle-time=-1 --realtime=no --log-target=file:"$dir/pulse.log" &
    PULSE_PID=$!
    PULSE_SOCKET=$dir/native
    export PULSE_SERVER="unix:$PULSE_SOCKET"
    for i in $(seq 100); do
        if pactl info >/dev/null 2>&1; then
            # A low-latency stream keeps the null sink from working in 2 s blocks, which
            # would lose the first seconds of a recording.
            if [ "$SINK" = null ]; then
                pacat --latency-msec=20 </dev/zero >/dev/null 2>&1 &
                PULSE_KEEPALIVE_PID=$!
            fi
            return 0
        fi
        sleep 0.1
    done
    echo "pulse.sh: the PulseAudio server did not start: $(cat "$dir/pulse.log")" >&2
    return 1
}

pulse_record() {
    local ready=44
    python3 -m zt4test.recorder "$1" "${2:-/dev/null}" ${PULSE_SINK_FIFO:+"$PULSE_SINK_FIFO"} &
    PULSE_RECORD_PID=$!
    # A pipe sink may be suspended: there, once the recorder has the FIFO open.
    [ -z "${PULSE_SINK_FIFO:-}" ] || ready=43
    _recording "$1" "$ready"
}

# _recording FILE READY: returns once FILE is larger than READY bytes: the first sound has
# come, and the server may go or change sockets next.
_recording() {
    for _ in $(seq 200); do
        [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt "$2" ] && return 0
        sleep 0.05
    done
    echo "pulse.sh: the recorder of $1 got no sound" >&2
    return 1
}

pulse_stop() {
    [ -n "${PULSE_RECORD_PID:-}" ] && kill "$PULSE_RECORD_PID" 2>/dev/null && wait "$PULSE_RECORD_PID" 2>/dev/null
    [ -n "${PULSE_KEEPALIVE_PID:-}" ] && kill "$PULSE_KEEPALIVE_PID" 2>/dev/null
    # A frozen server takes its TERM only once it runs again; how it exits is no concern here
    # (PulseAudio may abort at exit after it was frozen).
    [ -n "${PULSE_PID:-}" ] && kill -CONT "$PULSE_PID" 2>/dev/null && kill "$PULSE_PID" 2>/dev/null &&
        { wait "$PULSE_PID" 2>/dev/null || true; }
    PULSE_RECORD_PID="" PULSE_KEEPALIVE_PID="" PULSE_PID=""
}

case ${SINK:=null} in
null | idle | pipe) ;;
*) echo "pulse.sh: SINK is null, idle or pipe, not $SINK" >&2 && exit 2 ;;
esac
case ${SERVER:=pulseaudio} in
pulseaudio) ;;
pipewire)
    # shellcheck source=tests/support/pipewire.sh
    . "$(dirname "${BASH_SOURCE[0]}")/pipewire.sh"
    ;;
*) echo "pulse.sh: SERVER is pulseaudio or pipewire, not $SERVER" >&2 && exit 2 ;;
esac
# The recorder asks for fragments that suit the server (zt4test.recorder).
export SERVER
