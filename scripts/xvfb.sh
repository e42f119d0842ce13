# Sourced: a private X server for the scripts that show the player without a display.

# xvfb_start [WIDTHxHEIGHT]: starts Xvfb with a screen of that size (1024x768 if none) on a
# free display and exports DISPLAY. Xvfb picks the display itself (-displayfd): one chosen
# here by the files in /tmp could be taken by another test starting at the same moment,
# and the clients would end up on that test's server. -noreset: by default the server
# resets whenever its last client leaves (the readiness check is one), and a client that
# connects during a reset on a busy machine is refused.
xvfb_start() {
    local said i
    said=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1:-1024x768}x24" -dpi 96 -nolisten tcp -noreset \
        3>"$said" >/dev/null 2>&1 &
    XVFB_PID=$!
    for i in $(seq 100); do
        if [ -s "$said" ]; then
            export DISPLAY=":$(head -n 1 "$said")"
            rm -f "$said"
            xdpyinfo >/dev/null 2>&1 && return 0
            break
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.05
    done
    rm -f "$said"
    echo "xvfb.sh: Xvfb did not start" >&2
    return 1
}

xvfb_stop() {
    if [ -n "${XVFB_PID:-}" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}

# xvfb_wait_window NAME [SECONDS]: prints the id of the first visible window named NAME,
# waiting up to SECONDS (10) for it; prints nothing if it never shows.
xvfb_wait_window() {
    local i id
    for i in $(seq $((${2:-10} * 20))); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.05
    done
}

# _xvfb_scaled SCALE X Y: "X Y" times SCALE, rounded.
_xvfb_scaled() { awk -v s="$1" -v x="$2" -v y="$3" 'BEGIN { printf "%d %d", x * s + 0.5, y * s + 0.5 }'; }

# xvfb_open_from_menu WINDOW MENU_X ITEM_Y TITLE [SCALE]: opens the menu whose title is at
# MENU_X on WINDOW's menu bar, clicks the item ITEM_Y below the bar (window coordinates in
# logical pixels; SCALE device pixels to one, 1 if not given) and prints the id of the
# window TITLE that this opens, or nothing. A busy machine may show the menu only after the
# click meant for its item, so it closes the menu and tries again, three times in all.
xvfb_open_from_menu() {
    local window=$1 x=$2 y=$3 title=$4 scale=${5:-1} try id
    for try in 1 2 3; do
        xdotool windowraise "$window"
        xdotool mousemove --window "$window" $(_xvfb_scaled "$scale" "$x" 10) click 1
        sleep 0.4
        xdotool mousemove --window "$window" $(_xvfb_scaled "$scale" $((x + 10)) "$y") click 1
        id=$(xvfb_wait_window "$title" 4)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        xdotool key Escape
    done
}
