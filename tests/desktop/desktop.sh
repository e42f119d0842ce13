# desktop.sh: what the desktop tests share; sourced after tests/support/common.sh.

# desk ARGS...: the window as a screen reader sees it (desk.py), with Debian's Python.
desk() { /usr/bin/python3 "$here/desk.py" "$@"; }
# pc ARGS...: playerctl, speaking to zt4 alone.
pc() { playerctl -p zt4 "$@"; }

# expect WHAT WANT CMD...: CMD's output must become WANT within 30 s (generous: the machine
# may be busy; a right answer returns at once).
expect() {
    local what=$1 want=$2 got=""
    shift 2
    for _ in $(seq 600); do
        got=$("$@" 2>&1) && [ "$got" = "$want" ] && return 0
        sleep 0.05
    done
    fail "$what: got '$got', expected '$want'"
}

# double KIND [keep]: starts the double of desktop services (desktop_double.py) serving KIND
# (portal, portal-refuses, power-management), recording in $calls, and waits until it holds
# its bus name. The record starts afresh unless "keep" is given.
double() {
    local name=org.freedesktop.portal.Desktop
    [ "$1" = power-management ] && name=org.freedesktop.PowerManagement
    [ "${2:-}" = keep ] || : >"$calls"
    /usr/bin/python3 "$here/desktop_double.py" "$calls" "$1" 2>>"$tmp/double.log" &
    doubles+=($!) && pids+=($!)
    for _ in $(seq 600); do
        dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner "string:$name" | grep -q true && return 0
        sleep 0.05
    done
    fail "the $1 double did not start: $(cat "$tmp/double.log")"
}
doubles=()
stop_doubles() {
    local pid
    for pid in "${doubles[@]}"; do kill "$pid" && wait "$pid" 2>/dev/null || true; done
    doubles=()
}

# expect_calls WHAT LINE...: the calls recorded since the double started become exactly
# LINE... within 30 s (generous: the machine may be busy).
expect_calls() {
    local what=$1 want got=""
    shift
    want=$([ $# -eq 0 ] || printf '%s\n' "$@")
    for _ in $(seq 600); do
        got=$(cat "$calls")
        [ "$got" = "$want" ] && return 0
        sleep 0.05
    done
    fail "$what: the double recorded
$got
expected
$want"
}

# quit_player: asks the player to quit through the media controls and waits for its end.
quit_player() {
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.zt4 /org/mpris/MediaPlayer2 \
        org.mpris.MediaPlayer2.Quit >/dev/null
    for _ in $(seq 600); do
        kill -0 "$player" 2>/dev/null || return 0
        sleep 0.05
    done
    fail "the player still runs after Quit"
}
