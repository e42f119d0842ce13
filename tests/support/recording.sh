# Sourced by common.sh: a recording of the sink's monitor (pulse_record) that a test starts,
# lets grow by as much sound as it needs, and stops.
#   record_start NAME   records into $tmp/NAME.wav, whose path is then $rec
#   wait_recorded MS    until the recording has grown by MS milliseconds of sound from now
#   record_stop         stops the recorder; the file is then whole

record_start() {
    rec=$tmp/$1.wav
    pulse_record "$rec"
}

_recorded_bytes() { stat -c %s "$rec" 2>/dev/null || echo 0; }

wait_recorded() {
    local want=$(($(_recorded_bytes) + $1 * 44100 * 4 / 1000))
    for _ in $(seq 600); do [ "$(_recorded_bytes)" -ge "$want" ] && return 0 || sleep 0.05; done
    echo "the recording $rec stopped growing" >&2 && return 1
}

record_stop() {
    kill "$PULSE_RECORD_PID"
    wait "$PULSE_RECORD_PID" 2>/dev/null || true
    PULSE_RECORD_PID=""
}
