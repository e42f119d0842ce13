#!/usr/bin/env bash
# Installs what the benchmarks need on top of scripts/setup.sh: the players zt4 is compared
# with (Debian packages). The one place where they are named; every bench/*/run.sh calls it.
# Only missing packages are installed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" >&2

peers=(mpg123 audacious audacious-plugins qmmp)
missing=()
for p in "${peers[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "bench: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q >&2
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
