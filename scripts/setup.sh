#!/usr/bin/env bash
# setup.sh [PACKAGE...]: installs the Debian packages the player and its tests need, and
# any PACKAGE given (the benchmarks' peers). Only missing packages are installed; nothing is
# downloaded at build time.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format
    qt6-base-dev libmpg123-dev mpg123 fonts-ipafont-gothic
    libgtest-dev googletest
    lame sox xvfb x11-utils pulseaudio pulseaudio-utils playerctl
    python3-pyatspi at-spi2-core dbus xdotool imagemagick desktop-file-utils
    clang libclang-rt-14-dev llvm
    qt6-translations-l10n lintian appstream python3 binutils dbus-daemon dbus-bin make
    libpulse-dev pipewire pipewire-bin pipewire-pulse wireplumber stress-ng python3-dbus python3-gi
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
