#!/usr/bin/env bash
# run.sh [BUILD_DIR]: start-up of zt4 beside two desktop players, under a private Xvfb.
#   - time from the process's start to its first window being mapped, and its resident
#     memory a second later: the median of RUNS runs each (default 11), after one warm-up;
#   - each player left idle for IDLE_SECONDS (default 60) after start-up, side by side: CPU
#     ticks used and times any of its threads woke up (voluntary context switches).
# Peers: audacious and qmmp (Debian packages, installed by bench/setup.sh), and the floor of
# any Qt Widgets program: an empty window (bench_empty_window, built with the player).
# Targets: zt4 ≤ 150 ms and ≤ 0.5 × the faster peer, ≤ 45 MiB, no CPU and no wake-ups idle;
# its first window within 1.2 × the empty window's time and memory.
# BASELINE=OTHER_BUILD_DIR measures that build's zt4 too, as "zt4_before", in the same run:
# before and after a change, on the same machine at the same time.
# Besides the report, prints "FIGURE metric player value unit" lines for bench/run_all.sh.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build/default}")
zt4=$build/bin/zt4
zt4_before=${BASELINE:+$(realpath "$BASELINE")/bin/zt4}
runs=${RUNS:-11}
idle_seconds=${IDLE_SECONDS:-60}
[ -x "$zt4" ] || {
    echo "run.sh: $zt4 is not built" >&2
    exit 1
}
"$root/bench/setup.sh"

work=$(mktemp -d)
chmod 700 "$work"
# The players' first-run set-up (config folders) lands here, once, in the warm-up run.
export HOME=$work/home XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/home/.config
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS SESSION_MANAGER

# shellcheck source=scripts/xvfb.sh
. "$root/scripts/xvfb.sh"
watcher=
cleanup() {
    [ -n "$watcher" ] && kill "$watcher" 2>/dev/null || true
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
xvfb_start

# Every window mapped on the screen, one line each as it happens.
events=$work/events
mkfifo "$events"
stdbuf -oL xev -root -event substructure >"$events" 2>/dev/null &
watcher=$!
exec 3<"$events"
sleep 0.3

now_us() { echo $((${EPOCHREALTIME/./})); }

# start_once COMMAND...: starts it, waits for its first mapped window, prints
# "<milliseconds> <RSS KiB>" and stops it. Prints "- -" when no window came in 20 s.
start_once() {
    local line start ms pid rss
    while read -r -t 0.01 line <&3; do :; done # forget earlier events
    start=$(now_us)
    (cd "$root" && exec "$@" >/dev/null 2>&1) &
    pid=$!
    ms=-
    while read -r -t 20 line <&3; do
        if [[ $line == MapNotify* ]]; then
            ms=$((($(now_us) - start) / 1000))
            break
        fi
    done
    sleep 1
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo -)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    sleep 0.3
    echo "$ms $rss"
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else print v[int((NR + 1) / 2)] }'; }

declare -A start_ms rss_mib
measure() {
    local name=$1
    shift
    if ! command -v "$1" >/dev/null; then
        echo "bench: $name is not installed; skipped" >&2
        return
    fi
    start_once "$@" >/dev/null # warm-up: caches, first-run set-up
    local results=()
    for _ in $(seq "$runs"); do results+=("$(start_once "$@")"); done
    start_ms[$name]=$(printf '%s\n' "${results[@]}" | awk '$1 != "-" { print $1 }' | median)
    rss_mib[$name]=$(printf '%s\n' "${results[@]}" | awk '$2 != "-" { print $2 }' | median |
        awk '{ if ($1 == "-") print "-"; else printf "%.1f", $1 / 1024 }')
}

measure zt4 "$zt4"
[ -z "$zt4_before" ] || measure zt4_before "$zt4_before"
measure audacious audacious
measure qmmp qmmp
# The floor: a Qt Widgets program that shows one label and does nothing else.
measure empty_qt "$build/bin/bench_empty_window"

echo "start-up under Xvfb, median of $runs runs (process start → first window mapped; RSS 1 s later)"
printf '  %-10s %8s %10s\n' player "ms" "RSS MiB"
for name in zt4 ${zt4_before:+zt4_before} audacious qmmp empty_qt; do
    printf '  %-10s %8s %10s\n' "$name" "${start_ms[$name]:--}" "${rss_mib[$name]:--}"
done
echo "  (empty_qt: bench/startup/empty_window.cpp, one QLabel and nothing else)"
# times_empty NAME: "ms ratio, RSS ratio" of NAME's first window to the empty window's.
times_empty() {
    awk -v a="${start_ms[$1]:--}" -v b="${start_ms[empty_qt]:--}" -v c="${rss_mib[$1]:--}" \
        -v d="${rss_mib[empty_qt]:--}" 'function r(x, y) { return (x == "-" || y == "-" || y == 0) ? "n/a" : sprintf("%.2f", x / y) }
        BEGIN { print r(a, b), r(c, d) }'
}
for name in zt4 ${zt4_before:+zt4_before}; do
    read -r ms_ratio rss_ratio < <(times_empty "$name")
    echo "  $name ÷ empty_qt: start-up ${ms_ratio} ×, RSS ${rss_ratio} × (target ≤ 1.2 ×)"
done

# Idle: after start-up (and Timer2's one tick), nothing should run at all. The three
# players idle side by side over the same span.
declare -A idle_pid
for name in zt4 ${zt4_before:+zt4_before} audacious qmmp; do
    case $name in zt4) cmd=$zt4 ;; zt4_before) cmd=$zt4_before ;; *) cmd=$name ;; esac
    command -v "$cmd" >/dev/null || continue
    while read -r -t 0.01 line <&3; do :; done
    (cd "$root" && exec "$cmd" >/dev/null 2>&1) &
    idle_pid[$name]=$!
    while read -r -t 20 line <&3; do [[ $line == MapNotify* ]] && break; done
    sleep 1
done
sleep 2
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
wakeups() { cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches/ { n += $2 } END { print n }'; }
declare -A t0 w0 idle_ticks idle_wakeups threads
for name in "${!idle_pid[@]}"; do
    t0[$name]=$(ticks "${idle_pid[$name]}")
    w0[$name]=$(wakeups "${idle_pid[$name]}")
done
sleep "$idle_seconds"
for name in "${!idle_pid[@]}"; do
    pid=${idle_pid[$name]}
    idle_ticks[$name]=$(($(ticks "$pid") - t0[$name]))
    idle_wakeups[$name]=$(($(wakeups "$pid") - w0[$name]))
    threads[$name]=$(find /proc/"$pid"/task -mindepth 1 -maxdepth 1 | wc -l)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
echo "idle for ${idle_seconds} s after start-up (CPU ticks of 10 ms, wake-ups = voluntary context switches of all threads)"
printf '  %-10s %8s %8s %9s\n' player threads ticks wake-ups
for name in zt4 ${zt4_before:+zt4_before} audacious qmmp; do
    printf '  %-10s %8s %8s %9s\n' "$name" "${threads[$name]:--}" "${idle_ticks[$name]:--}" "${idle_wakeups[$name]:--}"
done

zt4_ms=${start_ms[zt4]:--}
peer_ms=$(printf '%s\n' "${start_ms[audacious]:--}" "${start_ms[qmmp]:--}" | grep -v '^-$' | sort -n | head -n 1 || true)
echo "targets: start-up ≤ 150 ms (${zt4_ms} ms)${peer_ms:+ and ≤ 0.5 × ${peer_ms} ms}, RSS ≤ 45 MiB (${rss_mib[zt4]:--} MiB), idle 0 wake-ups (${idle_wakeups[zt4]:--})"
echo
for name in zt4 ${zt4_before:+zt4_before} audacious qmmp; do
    echo "FIGURE startup $name ${start_ms[$name]:-n/a} ms"
    echo "FIGURE rss_idle $name ${rss_mib[$name]:-n/a} MiB"
    echo "FIGURE idle_wakeups $name ${idle_wakeups[$name]:-n/a} /${idle_seconds}s"
done
echo "FIGURE startup empty_qt ${start_ms[empty_qt]:-n/a} ms"
echo "FIGURE rss_idle empty_qt ${rss_mib[empty_qt]:-n/a} MiB"
