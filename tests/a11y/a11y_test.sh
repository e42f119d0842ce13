#!/usr/bin/env bash
# a11y_test.sh ZT4_BINARY: the player's widgets as assistive technology sees them over
# AT-SPI, under a private X server and a private session bus. Exits 77 (skipped) when the
# accessibility stack cannot run here, and says why.
set -euo pipefail

binary=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

skip() {
    echo "a11y_test: skipped: $*"
    exit 77
}

for tool in Xvfb xdotool xdpyinfo dbus-daemon dbus-send; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || skip "at-spi2-core is not installed ($launcher)"
# pyatspi exists only for Debian's own Python.
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "python3-pyatspi is not installed"

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    [ -n "${bus_pid:-}" ] && kill "$bus_pid" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
trap cleanup EXIT
unset WAYLAND_DISPLAY AT_SPI_BUS_ADDRESS
export HOME=$work XDG_RUNTIME_DIR=$work
chmod 700 "$work"

xvfb_start || skip "Xvfb does not start here"

# A private session bus, so that nothing of the machine's own desktop gets involved.
bus_info=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) ||
    skip "dbus-daemon --session does not start here"
DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus_info")
bus_pid=$(sed -n 2p <<<"$bus_info")
export DBUS_SESSION_BUS_ADDRESS

"$launcher" --launch-immediately >"$work/launcher.log" 2>&1 &
pids+=($!)
a11y_address=
for _ in $(seq 100); do
    a11y_address=$(dbus-send --session --dest=org.a11y.Bus --print-reply /org/a11y/bus \
        org.a11y.Bus.GetAddress 2>/dev/null | sed -n 's/^ *string "\(.*\)"$/\1/p') || true
    [ -n "$a11y_address" ] && break
    sleep 0.1
done
[ -n "$a11y_address" ] || skip "the AT-SPI bus did not come up: $(cat "$work/launcher.log")"

# Qt registers with AT-SPI only when told to, and finds the bus through the session bus
# itself: the player must not see AT_SPI_BUS_ADDRESS.
(cd "$work" && QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec "$binary") >"$work/zt4.log" 2>&1 &
pids+=($!)
[ -n "$(xvfb_wait_window "MP3音楽再生")" ] || {
    cat "$work/zt4.log" >&2
    echo "a11y_test: the main window did not appear" >&2
    exit 1
}

AT_SPI_BUS_ADDRESS=$a11y_address /usr/bin/python3 "$here/check_widgets.py"
