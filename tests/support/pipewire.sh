# Sourced by pulse.sh when SERVER=pipewire: the same functions on a private PipeWire server,
# which serves the Pulse protocol through pipewire-pulse. pipewire, wireplumber (which links
# streams to the default sink) and pipewire-pulse run with their own runtime folder, home and
# session bus, and a null sink "zt4test" of PipeWire's own, so that it outlives a crash of
# pipewire-pulse. It works as root too.
#   PULSE_PID      pipewire-pulse, the process the clients talk to: killing it loses the
#                  server, starting it again (pulse_start) brings it back
#   PIPEWIRE_PID   pipewire itself; pipewire_crash kills it, and with it all of the server
# pulse_start DIR while pipewire runs starts pipewire-pulse alone, its socket in DIR.
# pipewire_record FILE records the sink as a client of pipewire itself, so the recording goes
# on while pipewire-pulse is killed and started again; PIPEWIRE_RECORD_PID is its PID.
# SINK=pipe is pipewire-pulse's module-pipe-sink (paced by PipeWire's own clock, as it
# drives no device), loaded at the first start; PipeWire's session suspends an idle sink.
PULSE_TOOLS="pipewire wireplumber pipewire-pulse dbus-daemon pactl parec pw-record"

pulse_start() {
    local dir=$1 i
    if [ -n "${PIPEWIRE_PID:-}" ] && kill -0 "$PIPEWIRE_PID" 2>/dev/null; then
        mkdir -p "$dir/runtime"
        chmod 700 "$dir/runtime"
        _pipewire_run "$dir" pipewire-pulse
        PULSE_PID=$!
        PULSE_SOCKET=$dir/runtime/pulse/native
        export PULSE_SERVER="unix:$PULSE_SOCKET"
        _pipewire_wait "$dir"
        return
    fi
    PIPEWIRE_DIR=$dir PULSE_SINK_FIFO=""
    mkdir -p "$dir/home" "$dir/runtime" "$dir/config/pipewire/pipewire.conf.d" "$dir/state"
    chmod 700 "$dir/runtime"
    [ "$SINK" = pipe ] || cat >"$dir/config/pipewire/pipewire.conf.d/zt4test.conf" <<'CONF'
context.objects = [
    { factory = adapter
        args = {
            factory.name = support.null-audio-sink
            node.name = zt4test
            node.description = "zt4 test sink"
            media.class = Audio/Sink
            audio.position = [ FL FR ]
            object.linger = true
        }
    }
]
CONF
    if [ -z "${PIPEWIRE_BUS_PID:-}" ]; then
        local bus
        bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) || return 1
        PIPEWIRE_BUS=${bus%%$'\n'*}
        PIPEWIRE_BUS_PID=${bus##*$'\n'}
    fi
    _pipewire_run "$dir" pipewire
    PIPEWIRE_PID=$!
    for i in $(seq 100); do
        [ -S "$dir/runtime/pipewire-0" ] && break
        sleep 0.05
    done
    _pipewire_run "$dir" wireplumber
    PIPEWIRE_WP_PID=$!
    _pipewire_run "$dir" pipewire-pulse
    PULSE_PID=$!
    PULSE_SOCKET=$dir/runtime/pulse/native
    export PULSE_SERVER="unix:$PULSE_SOCKET"
    if [ "$SINK" = pipe ]; then
        PULSE_SINK_FIFO=$dir/sink.fifo
        rm -f "$PULSE_SINK_FIFO" && mkfifo "$PULSE_SINK_FIFO"
        for _ in $(seq 200); do pactl info >/dev/null 2>&1 && break || sleep 0.05; done
        pactl load-module module-pipe-sink sink_name=zt4test file="$PULSE_SINK_FIFO" \
            format=s16le rate=44100 channels=2 >/dev/null || return 1
    fi
    _pipewire_wait "$dir" || return 1
    pactl set-default-sink zt4test
}

# _pipewire_run DIR PROGRAM: starts it in the background with the server's private folders;
# a Pulse socket goes into DIR/runtime.
_pipewire_run() {
    local first=$PIPEWIRE_DIR
    env HOME="$first/home" XDG_RUNTIME_DIR="$1/runtime" PIPEWIRE_RUNTIME_DIR="$first/runtime" \
        XDG_CONFIG_HOME="$first/config" XDG_STATE_HOME="$first/state" \
        DBUS_SESSION_BUS_ADDRESS="$PIPEWIRE_BUS" "$2" >>"$1/$2.log" 2>&1 &
}

# Until pipewire-pulse answers and wireplumber has made the null sink the default.
_pipewire_wait() {
    local i
    for i in $(seq 200); do
        pactl info 2>/dev/null | grep -q '^Default Sink: zt4test$' && return 0
        pactl list short sinks 2>/dev/null | grep -q zt4test && pactl set-default-sink zt4test 2>/dev/null
        sleep 0.05
    done
    echo "pipewire.sh: the PipeWire server did not start: $(tail -n 5 "$1"/*.log)" >&2
    return 1
}

pipewire_record() {
    PIPEWIRE_RUNTIME_DIR=$PIPEWIRE_DIR/runtime python3 -m zt4test.recorder --native "$1" &
    PIPEWIRE_RECORD_PID=$!
    _recording "$1" 44
}

# Kills pipewire itself, as a crash would: wireplumber and pipewire-pulse lose it and end.
pipewire_crash() {
    kill -KILL "$PIPEWIRE_PID"
    wait "$PIPEWIRE_PID" 2>/dev/null || true
    # Each may have ended already, having lost pipewire.
    for pid in "$PIPEWIRE_WP_PID" "$PULSE_PID"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    PIPEWIRE_PID="" PIPEWIRE_WP_PID="" PULSE_PID=""
}

pulse_stop() {
    local pid
    for pid in ${PULSE_RECORD_PID:-} ${PIPEWIRE_RECORD_PID:-}; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
    done
    # A frozen server takes its TERM only once it runs again.
    for pid in ${PULSE_PID:-} ${PIPEWIRE_WP_PID:-} ${PIPEWIRE_PID:-}; do
        kill -CONT "$pid" 2>/dev/null && kill "$pid" 2>/dev/null && { wait "$pid" 2>/dev/null || true; }
    done
    [ -n "${PIPEWIRE_BUS_PID:-}" ] && kill "$PIPEWIRE_BUS_PID" 2>/dev/null
    PULSE_RECORD_PID="" PIPEWIRE_RECORD_PID="" PULSE_PID="" PIPEWIRE_WP_PID="" PIPEWIRE_PID="" PIPEWIRE_BUS_PID=""
}
