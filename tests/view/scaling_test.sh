#!/usr/bin/env bash
# scaling_test.sh ZT4_BINARY OUTDIR: the three windows shot at QT_SCALE_FACTOR 1 and 2 by
# scripts/screenshots.sh into OUTDIR, where they stay to be looked at. At 2 each must be
# exactly twice its size at 1; laid out the same: shrunk to a quarter of the size at 1, under
# 5 % RMS apart (text drawn at two sizes makes 2–3 %, the window 2 logical pixels out of
# place 6 % or more); and crisp: over 1 % RMS apart from the picture at 1 magnified, which
# a window drawn at 1 and scaled up would match (drawn at 2, they are 4–13 % apart).
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage "ZT4_BINARY OUTDIR" "$@"
need Xvfb xdotool xdpyinfo import identify convert compare
scratch scaling
out=$2
rm -f "$out"/{main,faq,about}{,@2x}.png
"$root/scripts/screenshots.sh" "$1" "$out" 1 2 >/dev/null

# rms A B: how far apart they are, 0 to 1 (compare prints "absolute (normalized)").
rms() { { compare -metric RMSE "$1" "$2" null: 2>&1 || true; } | sed -n 's/^.* (\(.*\))$/\1/p'; }
failed=0
for w in main faq about; do
    read -r w1 h1 <<<"$(identify -format '%w %h' "$out/$w.png")"
    read -r w2 h2 <<<"$(identify -format '%w %h' "$out/$w@2x.png")"
    convert "$out/$w.png" -filter box -resize "$((w1 / 4))x$((h1 / 4))!" "$tmp/one.png"
    convert "$out/$w@2x.png" -filter box -resize "$((w1 / 4))x$((h1 / 4))!" "$tmp/two.png"
    convert "$out/$w.png" -filter point -resize 200% "$tmp/magnified.png"
    layout=$(rms "$tmp/one.png" "$tmp/two.png")
    crisp=$(rms "$tmp/magnified.png" "$out/$w@2x.png")
    echo "$w: ${w1}x$h1 at 1, ${w2}x$h2 at 2, RMS apart: $layout shrunk, $crisp from magnified"
    if [ "$w2 $h2" != "$((2 * w1)) $((2 * h1))" ] ||
        ! awk -v l="$layout" -v c="$crisp" 'BEGIN { exit !(l != "" && l < 0.05 && c > 0.01) }'; then
        echo "scaling_test: $w at scale 2 is not $w at 1 drawn twice as large" >&2
        failed=1
    fi
done
exit "$failed"
