#!/usr/bin/env bash
# a11y_test.sh ZT4_BINARY: the player's widgets as assistive technology sees them over
# AT-SPI, under a private X server and session bus. Skipped (77) where that cannot run.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../support/common.sh"
usage ZT4_BINARY "$@"
binary=$(realpath "$1")
need Xvfb xdotool xdpyinfo dbus-daemon dbus-send /usr/libexec/at-spi-bus-launcher
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "no python3-pyatspi" # Debian's python only
scratch a11y

desktop_start "$tmp" || skip "the accessibility stack does not start here"
launch "$tmp" env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$binary"
/usr/bin/python3 "$here/check_widgets.py"
