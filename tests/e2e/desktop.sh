# Sourced: a private desktop for driving the player: Xvfb, a session bus and the
# accessibility bus, all started and stopped by PID.
#   desktop_start DIR   starts them, with HOME and XDG_RUNTIME_DIR in DIR; exports DISPLAY
#                       and DBUS_SESSION_BUS_ADDRESS
#   desktop_stop        stops them
# The player joins the accessibility bus only if started with
# QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and without AT_SPI_BUS_ADDRESS (see playback_test.sh).

# shellcheck source=scripts/xvfb.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

desktop_start() {
    local dir=$1 bus i
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    export HOME=$dir/home XDG_RUNTIME_DIR=$dir/runtime
    xvfb_start
    bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1)
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    DESKTOP_BUS_PID=${bus##*$'\n'}
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$dir/a11y.log" 2>&1 &
    DESKTOP_A11Y_PID=$!
    for i in $(seq 100); do
        dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
            org.a11y.Bus.GetAddress >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "desktop.sh: the accessibility bus did not start; its log:" >&2
    cat "$dir/a11y.log" >&2
    return 1
}

desktop_stop() {
    if [ -n "${DESKTOP_A11Y_PID:-}" ]; then
        kill "$DESKTOP_A11Y_PID" 2>/dev/null
        wait "$DESKTOP_A11Y_PID" 2>/dev/null
    fi
    # The accessibility registry leaves once the session bus is gone.
    [ -n "${DESKTOP_BUS_PID:-}" ] && kill "$DESKTOP_BUS_PID" 2>/dev/null
    xvfb_stop
    DESKTOP_A11Y_PID="" DESKTOP_BUS_PID=""
    return 0
}
