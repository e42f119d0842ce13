#!/usr/bin/env bash
# screenshots.sh [BINARY [OUTDIR [SCALE...]]]: shows the player under a private Xvfb with
# QT_SCALE_FACTOR at each SCALE (1 if none), opens the FAQ and the about window through the
# help menu with real mouse clicks, and saves OUTDIR/{main,faq,about}.png at scale 1 and
# OUTDIR/{main,faq,about}@<SCALE>x.png at the others. OUTDIR is build/screenshots if not
# given. The screen is 1024×768 times the largest scale, so that every window fits whole.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
binary=$(realpath "${1:-$root/build/default/bin/zt4}")
out=$(realpath -m "${2:-$root/build/screenshots}")
shift $(($# < 2 ? $# : 2))
scales=("${@:-1}")
mkdir -p "$out"
cd "$root"

# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
player=""
trap 'kill "$player" 2>/dev/null || true; wait "$player" 2>/dev/null || true; xvfb_stop' EXIT

fail() {
    echo "screenshots.sh: $*" >&2
    exit 1
}

# px N [SCALE]: N logical pixels in device pixels at SCALE (the current one if none).
px() { awk -v n="$1" -v s="${2:-$scale}" 'BEGIN { printf "%d", n * s + 0.5 }'; }
largest=$(printf '%s\n' "${scales[@]}" | sort -g | tail -n 1)
xvfb_start "$(px 1024 "$largest")x$(px 768 "$largest")"

for scale in "${scales[@]}"; do
    suffix=""
    [ "$scale" = 1 ] || suffix="@${scale}x"
    QT_SCALE_FACTOR=$scale "$binary" &
    player=$!

    main=$(xvfb_wait_window "MP3音楽再生")
    [ -n "$main" ] || fail "the main window did not appear at scale $scale"
    sleep 0.5
    import -window "$main" "$out/main$suffix.png"

    # The help menu ("ヘルプ") is the second title; FAQ is its first item, the about box its
    # second.
    faq=$(xvfb_open_from_menu "$main" 95 32 "FAQ" "$scale")
    [ -n "$faq" ] || fail "the FAQ window did not appear at scale $scale"
    sleep 0.5
    import -window "$faq" "$out/faq$suffix.png"

    about=$(xvfb_open_from_menu "$main" 95 56 "zt4バージョン情報" "$scale")
    [ -n "$about" ] || fail "the about window did not appear at scale $scale"
    sleep 0.5
    import -window "$about" "$out/about$suffix.png"

    kill "$player"
    wait "$player" 2>/dev/null || true
    player=""
    printf '%s\n' "$out/main$suffix.png" "$out/faq$suffix.png" "$out/about$suffix.png"
done
