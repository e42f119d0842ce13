#!/usr/bin/env bash
# Installs what the benchmarks need on top of scripts/setup.sh: the players zt4 is compared
# with (Debian packages), and the X libraries playback/measure.py clicks through. The one
# place where they are named; every bench/*/run.sh calls it. Only missing packages are
# installed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" mpg123 audacious audacious-plugins qmmp libx11-6 libxtst6 >&2
