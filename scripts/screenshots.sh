#!/usr/bin/env bash
# screenshots.sh [BINARY]: shows the player under a private Xvfb, opens the FAQ and the
# about window through the help menu with real mouse clicks, and saves
# build/screenshots/{main,faq,about}.png.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "${1:-$root/build/default/bin/zt4}")
out=$root/build/screenshots
mkdir -p "$out"
cd "$root"

# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
unset WAYLAND_DISPLAY
xvfb_start
"$binary" &
player=$!
trap 'kill "$player" 2>/dev/null || true; wait "$player" 2>/dev/null || true; xvfb_stop' EXIT

fail() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

main=$(xvfb_wait_window "MP3音楽再生")
[ -n "$main" ] || fail "the main window did not appear"
sleep 0.5
import -window "$main" "$out/main.png"

# click_menu MENU_X ITEM_Y: opens the menu whose title is at MENU_X on the menu bar and
# clicks the item ITEM_Y pixels below the bar (window coordinates).
click_menu() {
    xdotool windowraise "$main"
    xdotool mousemove --window "$main" "$1" 10 click 1
    sleep 0.4
    xdotool mousemove --window "$main" "$(($1 + 10))" "$2" click 1
}

# The help menu ("ヘルプ") is the second title; FAQ is its first item, the about box its second.
click_menu 95 32
faq=$(xvfb_wait_window "FAQ")
[ -n "$faq" ] || fail "the FAQ window did not appear"
sleep 0.5
import -window "$faq" "$out/faq.png"

click_menu 95 56
about=$(xvfb_wait_window "zt4バージョン情報")
[ -n "$about" ] || fail "the about window did not appear"
sleep 0.5
import -window "$about" "$out/about.png"

printf '%s\n' "$out/main.png" "$out/faq.png" "$out/about.png"
