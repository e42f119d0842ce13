# Sourced: a private X server for the scripts that show the player without a display.

# xvfb_start [WIDTHxHEIGHT]: starts Xvfb with a screen of that size (1024x768 if none) on
# the first free display number and exports DISPLAY.
xvfb_start() {
    local n=${ZT4_XVFB_DISPLAY:-90}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${1:-1024x768}x24" -dpi 96 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 100); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "xvfb.sh: Xvfb did not start on :$n" >&2
    return 1
}

xvfb_stop() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# xvfb_wait_window NAME: prints the id of the first visible window named NAME, waiting up
# to 10 s for it; prints nothing if it never shows.
xvfb_wait_window() {
    local i id
    for i in $(seq 200); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
}
