#!/usr/bin/env bash
# run.sh BUILD_DIR: what playing costs with the sound server counted, on PulseAudio and on
# PipeWire (private servers, tests/support/pulse.sh), and how soon the library's commands are
# heard. Prints figures; not a test, it fails only when something cannot be measured.
#   - CPU seconds per played minute of the player and of the server (all its processes:
#     pulseaudio, or pipewire, wireplumber and pipewire-pulse) over the same SECONDS_MEASURED
#     s of a 128 kbit/s file, least of ROUNDS rounds, with no other stream on the server (a
#     low-latency one would make every client and the server wake more than on a desktop);
#     wake-ups per second of player and server (voluntary and involuntary context switches
#     of all their threads), and the player's RSS. Players: libvbmp3's one-file player
#     vbmp3_playone (zt4's library; zt4 itself is in bench/playback), mpg123 -o pulse,
#     audacious and qmmp (under Xvfb, no session bus, fresh configuration).
#   - the library's commands through tests/sound/drive on a sweep, recorded from the sink's
#     monitor on the same clock (bench/server/latency.py): start, pause, restart, volume and
#     stop, ms from the call's return to the change in the sound, median of ROUNDS_LATENCY.
# Prints "FIGURE metric player value unit" lines for bench/run_all.sh, the metric suffixed
# with the server.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../../tests/support/common.sh"
usage BUILD_DIR "$@"
bin=$(realpath "$1")/bin
SECONDS_MEASURED=${SECONDS_MEASURED:-30}
ROUNDS=${ROUNDS:-2}
ROUNDS_LATENCY=${ROUNDS_LATENCY:-5}
for p in vbmp3_playone drive; do
    [ -x "$bin/$p" ] || { echo "run.sh: $bin/$p is not built" >&2 && exit 1; }
done
"$here/../setup.sh"
scratch bench-server
files=${BENCH_FILES:-$tmp/files}
"$here/../make_files.sh" "$files" >&2
music=$files/music.mp3
desktop_start "$tmp" >&2
mkdir -p "$tmp/work"

# sum_status FIELD PID...: the sum of a /proc status field over all threads.
switches() {
    local pid task total=0 v
    for pid; do
        for task in /proc/"$pid"/task/*; do
            v=$(awk '/^(non)?voluntary_ctxt_switches/ { s += $2 } END { print s + 0 }' "$task/status" 2>/dev/null)
            total=$((total + ${v:-0}))
        done
    done
    echo "$total"
}
cpu() { python3 "$here/../playback/measure.py" cpu "$@"; }

# measure NAME COMMAND...: "cpu_player cpu_server wakeups_player wakeups_server rss" per
# minute / second over SECONDS_MEASURED s, or n/a.
measure() {
    local name=$1 home=$tmp/home-$1 pid a b sa sb wa wb swa swb rss
    shift
    mkdir -p "$home"
    (cd "$tmp/work" && exec env -u DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE=1 HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" "$@" >"$tmp/$name.log" 2>&1) &
    pid=$! && pids+=("$pid")
    for _ in $(seq 100); do
        pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$pid\"" && break
        sleep 0.1
    done
    sleep 3 # past the start
    a=$(cpu "$pid") && sa=$(cpu $servers) && wa=$(switches "$pid") && swa=$(switches $servers)
    sleep "$SECONDS_MEASURED"
    b=$(cpu "$pid") && sb=$(cpu $servers) && wb=$(switches "$pid") && swb=$(switches $servers)
    rss=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status" 2>/dev/null || echo n/a)
    if pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$pid\""; then
        awk -v a="$a" -v b="$b" -v sa="$sa" -v sb="$sb" -v wa="$wa" -v wb="$wb" -v swa="$swa" \
            -v swb="$swb" -v s="$SECONDS_MEASURED" -v r="$rss" 'BEGIN {
            printf "%.3f %.3f %.1f %.1f %s\n", (b - a) * 60 / s, (sb - sa) * 60 / s,
                (wb - wa) / s, (swb - swa) / s, r }'
    else
        echo "bench: $name did not play into the sink: $(tail -n 3 "$tmp/$name.log")" >&2
        echo "n/a n/a n/a n/a n/a"
    fi
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
}

for server in pulseaudio pipewire; do
    SERVER=$server
    # shellcheck source=tests/support/pulse.sh
    . "$root/tests/support/pulse.sh"
    echo "bench: $server" >&2
    pulse_start "$tmp/$server" >&2
    # Nothing else on the server while the CPU is measured.
    [ -n "${PULSE_KEEPALIVE_PID:-}" ] && kill "$PULSE_KEEPALIVE_PID" && PULSE_KEEPALIVE_PID=""
    servers="$PULSE_PID ${PIPEWIRE_PID:-} ${PIPEWIRE_WP_PID:-}"
    : >"$tmp/cpu-$server.txt"
    for round in $(seq "$ROUNDS"); do
        echo "bench: $server, round $round of $ROUNDS (${SECONDS_MEASURED} s a player)" >&2
        echo "zt4 $(measure playone env -u VBMP3_OUTPUT "$bin/vbmp3_playone" "$music")" >>"$tmp/cpu-$server.txt"
        echo "mpg123 $(measure mpg123 mpg123 -q -o pulse "$music")" >>"$tmp/cpu-$server.txt"
        echo "audacious $(measure audacious audacious "$music")" >>"$tmp/cpu-$server.txt"
        echo "qmmp $(measure qmmp qmmp "$music")" >>"$tmp/cpu-$server.txt"
    done

    # The commands' latency: a recorder on the monitor, and a low-latency stream beside it,
    # as tests/support/pulse.sh keeps on PulseAudio: its null sink otherwise mixes ahead, and
    # what it mixed reaches the monitor before it is due.
    pacat --latency-msec=20 </dev/zero >/dev/null 2>&1 &
    PULSE_KEEPALIVE_PID=$!
    sox -R -n -r 44100 -c 2 -b 16 "$tmp/sweep.wav" synth 30 sine 300:1900 gain -6
    lame --quiet --noreplaygain -b 128 "$tmp/sweep.wav" "$tmp/sweep.mp3"
    python3 -m zt4test.recorder "$tmp/lat.wav" "$tmp/lat.stamps" &
    recorder=$! && pids+=("$recorder")
    for _ in $(seq 100); do [ -s "$tmp/lat.stamps" ] && break || sleep 0.05; done
    sleep 0.5
    commands=()
    for _ in $(seq "$ROUNDS_LATENCY"); do
        commands+=("open:$tmp/sweep.mp3" play sleep:1000 pause sleep:600 restart sleep:600
            vol:20:20 sleep:600 vol:100:100 sleep:400 close sleep:600)
    done
    env -u VBMP3_OUTPUT "$bin/drive" "${commands[@]}" >"$tmp/lat-events.txt"
    sleep 0.3
    kill "$recorder" && wait "$recorder" || true
    python3 "$here/latency.py" "$tmp/lat.wav" "$tmp/lat.stamps" "$tmp/lat-events.txt" >"$tmp/lat-$server.txt"
    pulse_stop
    rm -f "$tmp/lat.wav"

    median() { printf '%s\n' "$@" | grep -E '^-?[0-9.]+$' | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
    echo "$server: per played minute (least of $ROUNDS rounds of ${SECONDS_MEASURED} s, by player+server CPU):"
    printf '  %-10s %8s %8s %8s %9s %9s %7s\n' player "CPU s" "server s" "total s" "wakes/s" "srv wk/s" "RSS MiB"
    for name in zt4 mpg123 audacious qmmp; do
        read -r c s w sw r < <(awk -v n="$name" '$1 == n && $2 != "n/a" { print $2 + $3, $0 }' \
            "$tmp/cpu-$server.txt" | sort -g | head -n 1 | cut -d' ' -f3-) || true
        total=$(awk -v c="${c:-x}" -v s="${s:-x}" 'BEGIN { if (c == "x") print "n/a"; else printf "%.3f", c + s }')
        printf '  %-10s %8s %8s %8s %9s %9s %7s\n' "$name" "${c:-n/a}" "${s:-n/a}" "$total" "${w:-n/a}" "${sw:-n/a}" "${r:-n/a}"
        echo "FIGURE cpu_total_$server $name $total s/min" >>"$tmp/figures.txt"
        echo "FIGURE cpu_player_$server $name ${c:-n/a} s/min" >>"$tmp/figures.txt"
        echo "FIGURE wakeups_player_$server $name ${w:-n/a} /s" >>"$tmp/figures.txt"
        echo "FIGURE wakeups_server_$server $name ${sw:-n/a} /s" >>"$tmp/figures.txt"
        echo "FIGURE rss_playing_$server $name ${r:-n/a} MiB" >>"$tmp/figures.txt"
    done
    echo "$server: the library's commands to the change in the sound, ms (median; all):"
    while read -r what values; do
        # shellcheck disable=SC2086
        printf '  %-8s %6s   %s\n' "$what" "$(median $values)" "$values"
        # shellcheck disable=SC2086
        echo "FIGURE ${what}_latency_$server zt4 $(median $values) ms" >>"$tmp/figures.txt"
    done <"$tmp/lat-$server.txt"
    echo
done
cat "$tmp/figures.txt"
