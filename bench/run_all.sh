#!/usr/bin/env bash
# run_all.sh BUILD_DIR: runs every benchmark of bench/ against BUILD_DIR's zt4 and libvbmp3,
# with mpg123, audacious and qmmp beside it on the same generated files, on PulseAudio and on
# PipeWire, and prints one table of their figures with the targets. Each benchmark's own
# report is kept in BUILD_DIR/bench-logs/. Takes about an hour. Figures, not a test: it fails only when a
# benchmark cannot run.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
build=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
logs=$build/bench-logs
mkdir -p "$logs"
"$here/setup.sh"

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-bench-all.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export BENCH_FILES=$tmp/files
"$here/make_files.sh" "$BENCH_FILES"

failed=()
# playback runs on each server; its figures that do not name the server are PulseAudio's.
for run in decode playback:pipewire playback:pulseaudio startup server; do
    name=${run%%:*} log=${run/:/-}
    echo "bench: $run ..." >&2
    start=$SECONDS
    # A run named NAME:SERVER is on that server; the others choose their own.
    server=pulseaudio
    [ "$run" = "$name" ] || server=${run#*:}
    if SERVER=$server "$here/$name/run.sh" "$build" >"$logs/$log.txt" 2>"$logs/$log.err"; then
        echo "bench: $run done in $((SECONDS - start)) s" >&2
    else
        echo "bench: $run failed; see $logs/$log.err" >&2
        failed+=("$run")
    fi
done

echo
echo "zt4 benchmarks: $(nproc) cores, $(date -u +%Y-%m-%dT%H:%MZ), $(git -C "$here/.." describe --always --dirty 2>/dev/null || echo '?')"
echo
cat "$logs"/{decode,playback-pipewire,playback-pulseaudio,startup,server}.txt 2>/dev/null |
    grep '^FIGURE ' | /usr/bin/python3 "$here/table.py"
cat <<'NOTES'

decode speed: 5 min at 320 kbit/s decoded to no output, × real time (libvbmp3 for zt4).
CPU per played minute and RSS playing: a 128 kbit/s file into a null sink, no other stream on
it; "with server": the player's CPU and the server's (all its processes) over the same time,
the median of 5 rounds (bench/server; its report has the least and most); "zt4 app": zt4
itself, else zt4's column is libvbmp3's one-file player vbmp3_playone; "floor": pacat playing
zeros with a 2 s buffer, the least a client can cost. Wake-ups: voluntary context switches
of all threads (a thread put to sleep and woken), per second playing; paused: over 60 s of a
pause of the library. PipeWire graph
cycles: how often its graph ran a cycle (pw-profiler), per second.
Commands to sound: the library's call returning to the change in the sink's monitor, on
one clock good to about 5 ms (a figure near 0 or below is at that resolution).
start-up: process start to its first window mapped, Xvfb; RSS idle 1 s after it.
idle wake-ups: voluntary context switches of all threads over 60 s idle after start-up.
Start-to-sound: click on 再生 to the first sound mixed by the sink (zt4 only).
gaps: silence between plays of 1.5 s tones; 0 where a player joins them without any.
NOTES
echo "Reports of each benchmark: $logs/"
if [ ${#failed[@]} -gt 0 ]; then
    echo "bench: failed: ${failed[*]}" >&2
    exit 1
fi
