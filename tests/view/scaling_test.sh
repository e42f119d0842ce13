#!/usr/bin/env bash
# scaling_test.sh ZT4_BINARY OUTDIR: the three windows at QT_SCALE_FACTOR 1 and 2, shot by
# scripts/screenshots.sh into OUTDIR, where they stay to be looked at. At 2 every window
# must be twice its size at 1, give or take 2 pixels, and show the same layout: shrunk to a
# quarter of its size at 1, each differs from the one at 1 by under 5 % RMS (text drawn at
# two sizes makes 2–3 %; the whole window 2 logical pixels out of place makes 6 % or more).
# Exits 77 (skipped) without Xvfb, xdotool or ImageMagick.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: $0 ZT4_BINARY OUTDIR" >&2
    exit 2
fi
binary=$1
out=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

for tool in Xvfb xdotool xdpyinfo import identify convert compare; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: no $tool"
        exit 77
    fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
rm -f "$out"/{main,faq,about}{,@2x}.png
"$root/scripts/screenshots.sh" "$binary" "$out" 1 2

failed=0
for window in main faq about; do
    one=$out/$window.png
    two=$out/$window@2x.png
    read -r w1 h1 <<<"$(identify -format '%w %h' "$one")"
    read -r w2 h2 <<<"$(identify -format '%w %h' "$two")"
    # compare prints "absolute (normalized)" on standard error and exits 1 when they differ.
    size="$((w1 / 4))x$((h1 / 4))!"
    convert "$one" -filter box -resize "$size" "$tmp/one.png"
    convert "$two" -filter box -resize "$size" "$tmp/two.png"
    rms=$(compare -metric RMSE "$tmp/one.png" "$tmp/two.png" null: 2>&1 || true)
    rms=$(sed -n 's/^[0-9.e+-]* (\([0-9.e+-]*\))$/\1/p' <<<"$rms")
    echo "$window: ${w1}x$h1 at 1, ${w2}x$h2 at 2, RMS difference $rms"
    if [ $((w2 - 2 * w1)) -lt -2 ] || [ $((w2 - 2 * w1)) -gt 2 ] ||
        [ $((h2 - 2 * h1)) -lt -2 ] || [ $((h2 - 2 * h1)) -gt 2 ]; then
        echo "scaling_test: $window at scale 2 is not twice its size at 1" >&2
        failed=1
    fi
    if ! awk -v r="$rms" 'BEGIN { exit !(r != "" && r + 0 < 0.05) }'; then
        echo "scaling_test: $window at scale 2 does not look like it does at 1" >&2
        failed=1
    fi
done
exit "$failed"
