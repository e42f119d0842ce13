#!/usr/bin/env bash
# run.sh [BUILD_DIR]: decoder figures of libvbmp3 next to mpg123's, on one generated file.
#   1. decode speed of 5 minutes at 320 kbit/s to no output (libout123's "test"),
#   2. CPU time per minute of real-time playback into a PulseAudio null sink,
#   3. peak resident memory of a program that plays one file.
# BUILD_DIR defaults to build/default (a bin folder is taken as it is). PLAY_SECONDS
# (default 25) sets the playback span. The sound files come from BENCH_FILES when
# bench/run_all.sh has made them, else from bench/make_files.sh here.
# Besides the report, prints "FIGURE metric player value unit" lines for bench/run_all.sh.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build/default}
bin=$build/bin
[ -d "$bin" ] || bin=$build
playone=$bin/vbmp3_playone
measure=$bin/vbmp3_measure
play_seconds=${PLAY_SECONDS:-25}
for tool in "$playone" "$measure"; do
    [ -x "$tool" ] || { echo "run.sh: $tool missing; build first" >&2; exit 1; }
done
"$here/../setup.sh"

tmp=$(mktemp -d)
pulse_pid=""
cleanup() {
    [ -n "$pulse_pid" ] && kill "$pulse_pid" 2>/dev/null && wait "$pulse_pid" 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT

files=${BENCH_FILES:-$tmp/files}
"$here/../make_files.sh" "$files"
file=$files/decode.mp3

# cpu COMMAND...: "wall user+sys maxrss_kib" of one run.
cpu() { "$measure" "$@" | awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }'; }
# The line of least CPU time among runs read from standard input.
min_cpu() { sort -n -k2 | head -n1; }

echo "decoding (3 runs each, interleaved)..." >&2
: >"$tmp/mpg123.t"
: >"$tmp/vbmp3.t"
for _ in 1 2 3; do
    cpu mpg123 -q -t "$file" >>"$tmp/mpg123.t"
    cpu env VBMP3_OUTPUT=test "$playone" "$file" >>"$tmp/vbmp3.t"
done
read -r m_wall m_cpu _ < <(min_cpu <"$tmp/mpg123.t")
read -r v_wall v_cpu _ < <(min_cpu <"$tmp/vbmp3.t")

echo "playing ${play_seconds} s into a PulseAudio null sink..." >&2
mkdir -p "$tmp/pa/home" "$tmp/pa/run"
cat >"$tmp/pa/server.pa" <<PA
load-module module-null-sink sink_name=bench
set-default-sink bench
load-module module-native-protocol-unix auth-anonymous=1 socket=$tmp/pa/run/native
PA
HOME=$tmp/pa/home XDG_RUNTIME_DIR=$tmp/pa/run PULSE_RUNTIME_PATH=$tmp/pa/run \
    pulseaudio -n -F "$tmp/pa/server.pa" --daemonize=no --system=false --use-pid-file=no \
    --exit-idle-time=-1 --realtime=no 2>/dev/null &
pulse_pid=$!
export PULSE_SERVER=unix:$tmp/pa/run/native
for _ in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
frames=$((play_seconds * 44100 / 1152))
read -r _ mp_cpu mp_rss < <(cpu mpg123 -q -o pulse -n "$frames" "$file")
read -r _ vp_cpu vp_rss < <(cpu env -u VBMP3_OUTPUT "$playone" "$file" "$play_seconds")
# mpg123 with a 100 ms buffer (PULSE_LATENCY_MSEC), the depth libvbmp3 kept in the server
# before it held seconds there: what a shallow buffer costs the same decoder.
read -r _ ml_cpu _ < <(cpu env PULSE_LATENCY_MSEC=100 mpg123 -q -o pulse -n "$frames" "$file")

awk -v mw="$m_wall" -v mc="$m_cpu" -v vw="$v_wall" -v vc="$v_cpu" \
    -v mpc="$mp_cpu" -v vpc="$vp_cpu" -v mlc="$ml_cpu" -v s="$play_seconds" -v mr="$mp_rss" -v vr="$vp_rss" 'BEGIN {
    printf "decode 5 min at 320 kbit/s, no output (best of 3)\n"
    printf "  mpg123 -q -t           %6.3f s CPU  %6.3f s wall  %5.0fx real time\n", mc, mw, 300 / mc
    printf "  libvbmp3 (test)        %6.3f s CPU  %6.3f s wall  %5.0fx real time\n", vc, vw, 300 / vc
    printf "  speed vs mpg123        %6.3f  (target >= 0.95)\n", mc / vc
    printf "CPU per minute of playback into a PulseAudio null sink (%d s played)\n", s
    printf "  mpg123 -o pulse        %6.3f s/min\n", mpc / s * 60
    printf "  libvbmp3               %6.3f s/min\n", vpc / s * 60
    printf "  ratio to mpg123        %6.3f  (target <= 1.2)\n", vpc / mpc
    printf "  mpg123, 100 ms buffer  %6.3f s/min  (ratio %.3f)\n", mlc / s * 60, vpc / mlc
    printf "peak resident memory while playing\n"
    printf "  mpg123 -o pulse        %6d KiB\n", mr
    printf "  vbmp3_playone          %6d KiB\n", vr
    printf "  ratio to mpg123        %6.3f  (target <= 1.1)\n", vr / mr
}'
awk -v mc="$m_cpu" -v vc="$v_cpu" -v mpc="$mp_cpu" -v vpc="$vp_cpu" -v s="$play_seconds" \
    -v mr="$mp_rss" -v vr="$vp_rss" 'BEGIN {
    printf "FIGURE decode_speed zt4 %.0f xRT\n", 300 / vc
    printf "FIGURE decode_speed mpg123 %.0f xRT\n", 300 / mc
    printf "FIGURE lib_cpu_per_minute zt4 %.3f s/min\n", vpc / s * 60
    printf "FIGURE lib_cpu_per_minute mpg123 %.3f s/min\n", mpc / s * 60
    printf "FIGURE lib_rss_playing zt4 %.1f MiB\n", vr / 1024
    printf "FIGURE lib_rss_playing mpg123 %.1f MiB\n", mr / 1024
}'
