# Sourced first by the shell tests (and benchmarks): strict mode, $here (the script's
# folder), $root (the repository), Debian's python3 with the Python helpers
# (tests/support/zt4test) on its path, scripts/xvfb.sh, pulse.sh, recording.sh and:
#   usage "ARG..." "$@"  exits 2 unless there is one argument per word of ARG...
#   need TOOL...         exits 77 (skipped) unless every TOOL is installed; skip/fail WHY
#   scratch NAME         makes $tmp; on exit stops $pids, PulseAudio and the desktop, and
#                        removes $tmp, or on failure keeps it with a screenshot and names it
#   desktop_start DIR    Xvfb, a session bus and the accessibility bus, HOME in DIR
#   launch DIR CMD...    runs CMD in DIR, output in $tmp/zt4.log; $player is its PID
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# No __pycache__ written into the source tree.
export PYTHONPATH=$root/tests/support${PYTHONPATH:+:$PYTHONPATH} PYTHONDONTWRITEBYTECODE=1
# Debian's programs first, which scripts/setup.sh installs: pyatspi exists only for Debian's
# python3, and it starts at once, where another python3 on PATH may be a wrapper (pyenv's)
# that takes seconds on a busy machine, which a recorder started just before the sound it
# should hear cannot afford.
export PATH=/usr/bin:$PATH
# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
# shellcheck source=tests/support/pulse.sh
. "$root/tests/support/pulse.sh"
# shellcheck source=tests/support/recording.sh
. "$root/tests/support/recording.sh"
pids=()
step=""

usage() {
    local words
    read -ra words <<<"$1"
    [ $(($# - 1)) -eq ${#words[@]} ] || { echo "usage: $0 $1" >&2; exit 2; }
}

skip() { echo "SKIP: $*" && exit 77; }
fail() { echo "$(basename "$0"): $*" >&2 && exit 1; }
need() {
    local tool
    for tool; do command -v "$tool" >/dev/null || skip "no $tool"; done
}

scratch() {
    tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-$1.XXXXXX")
    trap _finish EXIT
    trap 'exit 130' INT TERM
}

_finish() {
    local rc=$? pid
    set +e
    [[ $rc =~ ^(0|77)$ ]] || [ -z "${XVFB_PID:-}" ] || import -window root "$tmp/screen.png" 2>/dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
    pulse_stop
    desktop_stop
    [[ $rc =~ ^(0|77)$ ]] && rm -rf "$tmp" ||
        echo "$(basename "$0") FAILED${step:+ at: $step}; its files are in $tmp" >&2
    exit "$rc"
}

# The player joins the accessibility bus only with QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1, and
# only if it looks the bus up itself: AT_SPI_BUS_ADDRESS must be unset.
desktop_start() {
    local dir=$1 bus
    mkdir -p "$dir/home" "$dir/runtime"
    chmod 700 "$dir/runtime"
    export HOME=$dir/home XDG_RUNTIME_DIR=$dir/runtime
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM AT_SPI_BUS_ADDRESS
    xvfb_start || return 1
    bus=$(dbus-daemon --session --fork --nopidfile --print-address=1 --print-pid=1) || return 1
    export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
    DESKTOP_BUS_PID=${bus##*$'\n'}
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$dir/a11y.log" 2>&1 &
    DESKTOP_A11Y_PID=$!
    for _ in $(seq 100); do
        dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
            org.a11y.Bus.GetAddress >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "the accessibility bus did not start: $(cat "$dir/a11y.log")" >&2
    return 1
}

desktop_stop() {
    [ -n "${DESKTOP_A11Y_PID:-}" ] && kill "$DESKTOP_A11Y_PID" 2>/dev/null && wait "$DESKTOP_A11Y_PID" 2>/dev/null
    # The accessibility registry leaves once the session bus is gone.
    [ -n "${DESKTOP_BUS_PID:-}" ] && kill "$DESKTOP_BUS_PID" 2>/dev/null
    xvfb_stop
    DESKTOP_A11Y_PID="" DESKTOP_BUS_PID=""
}

launch() {
    (cd "$1" && shift && exec "$@") >"$tmp/zt4.log" 2>&1 &
    player=$! && pids+=("$player")
}
