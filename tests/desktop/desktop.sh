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
