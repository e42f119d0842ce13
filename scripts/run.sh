#!/usr/bin/env bash
# run.sh BINARY: starts the player from the repository's root, where it finds FAQ.txt.
# With no display at all it runs inside Xvfb, saves a screenshot of the screen to
# build/screenshots/main.png and keeps running until Ctrl-C (ZT4_RUN_ONCE=1: it stops
# right after the screenshot).
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BINARY" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "$1")
cd "$root"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$binary"
fi

# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
xvfb_start
"$binary" &
player=$!
trap 'kill "$player" 2>/dev/null || true; wait "$player" 2>/dev/null || true; xvfb_stop' EXIT
trap 'exit 130' INT TERM

window=$(xvfb_wait_window "MP3音楽再生")
if [ -z "$window" ]; then
    echo "run.sh: the main window did not appear" >&2
    exit 1
fi
mkdir -p build/screenshots
sleep 0.5 # let the first paint land
import -window root build/screenshots/main.png
echo "$root/build/screenshots/main.png"

[ "${ZT4_RUN_ONCE:-0}" = 1 ] && exit 0
echo "zt4 is running on display $DISPLAY; Ctrl-C ends it." >&2
wait "$player"
