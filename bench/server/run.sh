#!/usr/bin/env bash
# run.sh BUILD_DIR: what playing costs with the sound server counted, on PulseAudio and on
# PipeWire (private servers, tests/support/pulse.sh), and how soon the library's commands are
# heard. Prints figures; not a test, it fails only when something cannot be measured.
#   - CPU seconds per played minute of the player and of the server (all its processes:
#     pulseaudio, or pipewire, wireplumber and pipewire-pulse) over the same SECONDS_MEASURED
#     s of a 128 kbit/s file, with no other stream on the server (a low-latency one would make
#     every client and the server wake more than on a desktop) and a sink that suspends when
#     idle, as a desktop's does; wake-ups per second of player
#     and server (voluntary context switches of all their threads: a thread going to sleep,
#     to be woken later; an involuntary one is a running thread preempted, not a wake-up); the
#     player's RSS; on PipeWire the graph's quantum and cycles per second, and the latency
#     the client's node asked for. ROUNDS rounds, the clients taking turns in each, so that
#     the rest of the machine weighs on all of them alike; least, median and most of the
#     rounds. The clients: the floor (pacat playing zeros with a 2 s buffer: the least a
#     client can cost), libvbmp3's one-file player vbmp3_playone, zt4 itself (the file on its
#     command line, 再生 clicked), mpg123 -o pulse, and in the first ROUNDS_GUI rounds
#     audacious and qmmp; each under Xvfb, without a session bus, with a fresh configuration.
#   - a pause of PAUSE_SECONDS in the library (tests/sound/drive): wake-ups per second of the
#     player and the server during it.
#   - the library's commands through drive on a sweep, recorded from the sink's monitor on
#     the same clock (bench/server/latency.py): start, pause, restart, volume and stop, ms
#     from the call's return to the change in the sound, median of ROUNDS_LATENCY.
# Prints "FIGURE metric player value unit" lines for bench/run_all.sh, the metric suffixed
# with the server, each the median of the rounds.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../../tests/support/common.sh"
usage BUILD_DIR "$@"
bin=$(realpath "$1")/bin
SECONDS_MEASURED=${SECONDS_MEASURED:-20}
ROUNDS=${ROUNDS:-5}
ROUNDS_GUI=${ROUNDS_GUI:-2}
PAUSE_SECONDS=${PAUSE_SECONDS:-60}
ROUNDS_LATENCY=${ROUNDS_LATENCY:-5}
for p in zt4 vbmp3_playone drive; do
    [ -x "$bin/$p" ] || { echo "run.sh: $bin/$p is not built" >&2 && exit 1; }
done
need pw-profiler xdotool
"$here/../setup.sh"
scratch bench-server
files=${BENCH_FILES:-$tmp/files}
"$here/../make_files.sh" "$files" >&2
music=$files/music.mp3
desktop_start "$tmp" >&2
mkdir -p "$tmp/work"

# switches PID...: voluntary context switches of all the processes' threads: their wake-ups.
switches() {
    local pid task total=0 v
    for pid; do
        for task in /proc/"$pid"/task/*; do
            v=$(awk '/^voluntary_ctxt_switches/ { s += $2 } END { print s + 0 }' "$task/status" 2>/dev/null)
            total=$((total + ${v:-0}))
        done
    done
    echo "$total"
}
cpu() { python3 "$here/../playback/measure.py" cpu "$@"; }

# start NAME COMMAND...: starts a client in the work folder with a home of its own, no
# session bus and no accessibility bridge; $client is its PID.
start() {
    local home=$tmp/home-$1
    mkdir -p "$home"
    (cd "$tmp/work" && exec env -u DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE=1 HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" "${@:2}" >"$tmp/$1.log" 2>&1) &
    client=$! && pids+=("$client")
}
# finish: stops the client, if it still runs.
finish() {
    kill "$client" 2>/dev/null || true
    wait "$client" 2>/dev/null || true
}
# playing PID: the process has a stream on the server.
playing() { pactl list sink-inputs 2>/dev/null | grep -q "application.process.id = \"$1\""; }

# zt4 with the file on its command line, 再生 clicked where AT-SPI found it (below).
start_zt4() {
    local window
    start zt4 "$bin/zt4" "$music"
    window=$(xvfb_wait_window "MP3音楽再生" 30)
    [ -n "$window" ] || return 0
    # The file joins the list as the program starts: click until it plays.
    for _ in $(seq 5); do
        xdotool mousemove --window "$window" "$start_x" "$start_y" click 1
        for _ in $(seq 40); do playing "$client" && return 0 || sleep 0.1; done
    done
}

# graph PID: "QUANTUM CYCLES LATENCY" of PipeWire's graph over the next two seconds and the
# latency that PID's node asked for (graph.py), "- - -" on PulseAudio. pw-profiler makes the
# server work while it watches, so it runs after a measuring window, never during one.
graph() {
    [ "$SERVER" = pipewire ] || { echo "- - -" && return; }
    local rate
    rate=$(PIPEWIRE_RUNTIME_DIR=$PIPEWIRE_DIR/runtime pw-metadata -n settings 0 clock.rate 2>/dev/null |
        sed -n "s/.*value:'\([0-9]*\)'.*/\1/p")
    rm -f "$tmp/profile.log"
    (cd "$tmp" && PIPEWIRE_RUNTIME_DIR=$PIPEWIRE_DIR/runtime timeout 3 pw-profiler -o profile.log) \
        >/dev/null 2>&1 || true
    PIPEWIRE_RUNTIME_DIR=$PIPEWIRE_DIR/runtime pw-dump >"$tmp/dump.json" 2>/dev/null || true
    python3 "$here/graph.py" "$tmp/profile.log" "${rate:-48000}" "$tmp/dump.json" "$1"
}

# measure NAME: one line of "NAME player_cpu server_cpu total player_wakeups server_wakeups
# rss quantum cycles latency" (CPU per played minute, wake-ups per second) for the client
# $client over SECONDS_MEASURED s of playing, n/a where it did not play; then stops it.
measure() {
    local name=$1 pid=$client a b sa sb wa wb swa swb rss graph
    for _ in $(seq 100); do playing "$pid" && break || sleep 0.1; done
    sleep 3 # past the start
    # shellcheck disable=SC2086
    a=$(cpu "$pid") && sa=$(cpu $servers) && wa=$(switches "$pid") && swa=$(switches $servers)
    sleep "$SECONDS_MEASURED"
    # shellcheck disable=SC2086
    b=$(cpu "$pid") && sb=$(cpu $servers) && wb=$(switches "$pid") && swb=$(switches $servers)
    rss=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status" 2>/dev/null || echo n/a)
    graph=$(graph "$pid")
    if playing "$pid"; then
        awk -v n="$name" -v a="$a" -v b="$b" -v sa="$sa" -v sb="$sb" -v wa="$wa" -v wb="$wb" \
            -v swa="$swa" -v swb="$swb" -v s="$SECONDS_MEASURED" -v r="$rss" -v g="$graph" 'BEGIN {
            c = (b - a) * 60 / s; sc = (sb - sa) * 60 / s
            printf "%s %.3f %.3f %.3f %.1f %.1f %s %s\n", n, c, sc, c + sc, (wb - wa) / s,
                (swb - swa) / s, r, g }'
    else
        echo "bench: $name did not play into the sink: $(tail -n 3 "$tmp/$name.log")" >&2
        echo "$name n/a n/a n/a n/a n/a n/a n/a n/a n/a"
    fi
    finish
}

# pause NAME: "player_wakeups server_wakeups quantum cycles latency" over PAUSE_SECONDS of a
# pause of the library, from two seconds after vbmp3_pause returned.
pause() {
    local pid a b sa sb
    start "$1" env -u VBMP3_OUTPUT "$bin/drive" "open:$music" play sleep:3000 pause \
        "sleep:$(((PAUSE_SECONDS + 8) * 1000))" restart sleep:500 close
    pid=$client
    for _ in $(seq 200); do grep -q '^pause ' "$tmp/$1.log" && break || sleep 0.1; done
    sleep 2
    # shellcheck disable=SC2086
    a=$(switches "$pid") && sa=$(switches $servers)
    sleep "$PAUSE_SECONDS"
    # shellcheck disable=SC2086
    b=$(switches "$pid") && sb=$(switches $servers)
    echo "$(awk -v a="$a" -v b="$b" -v sa="$sa" -v sb="$sb" -v s="$PAUSE_SECONDS" \
        'BEGIN { printf "%.2f %.2f", (b - a) / s, (sb - sa) / s }') $(graph "$pid")"
    wait "$pid" || echo "bench: drive failed: $(tail -n 3 "$tmp/$1.log")" >&2
}

# spread FILE NAME COLUMN: "least median most" of a column of NAME's lines, n/a if none.
spread() {
    awk -v n="$2" -v c="$3" '$1 == n && $c != "n/a" { print $c }' "$1" | sort -g |
        awk '{ v[NR] = $1 } END {
            if (NR == 0) print "n/a n/a n/a"
            else printf "%s %s %s\n", v[1], NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[NR] }'
}
median() { spread "$@" | cut -d' ' -f2; }
median_of() { printf 'x %s\n' "$@" | spread /dev/stdin x 2 | cut -d' ' -f2; }
# figure METRIC PLAYER NAME COLUMN UNIT: the median of NAME's rounds as a FIGURE line.
figure() { echo "FIGURE $1 $2 $(median "$rounds" "$3" "$4") $5" >>"$tmp/figures.txt"; }
# seen FILE NAME COLUMN: the distinct values of a column of NAME's lines.
seen() { awk -v n="$2" -v c="$3" '$1 == n { print $c }' "$1" | sort -u | paste -sd, -; }

# Where 再生 is in zt4's window, asked once over AT-SPI; zt4 is measured without it.
(cd "$tmp/work" && exec env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 VBMP3_OUTPUT=null "$bin/zt4" \
    >"$tmp/zt4-where.log" 2>&1) &
where=$! && pids+=("$where")
python3 -m zt4test.ui wait-app 30
read -r start_x start_y < <(python3 "$here/../playback/measure.py" where MusicStart)
kill "$where" && wait "$where" 2>/dev/null || true

clients=(floor library zt4 mpg123 audacious qmmp)
for server in pulseaudio pipewire; do
    SERVER=$server
    # shellcheck source=tests/support/pulse.sh
    . "$root/tests/support/pulse.sh"
    echo "bench: $server" >&2
    # A sink as a desktop has it, with nothing else on the server while it is measured: a
    # keep-alive stream, even one stopped right after the start, has left PulseAudio's sink
    # waking a thousand times a second for every client in some runs.
    SINK=idle pulse_start "$tmp/$server" >&2
    servers="$PULSE_PID ${PIPEWIRE_PID:-} ${PIPEWIRE_WP_PID:-}"
    rounds=$tmp/cpu-$server.txt
    : >"$rounds"
    for round in $(seq "$ROUNDS"); do
        echo "bench: $server, round $round of $ROUNDS (${SECONDS_MEASURED} s a client)" >&2
        start floor pacat --latency-msec=2000 /dev/zero && measure floor >>"$rounds"
        start library env -u VBMP3_OUTPUT "$bin/vbmp3_playone" "$music" && measure library >>"$rounds"
        start_zt4 && measure zt4 >>"$rounds"
        start mpg123 mpg123 -q -o pulse "$music" && measure mpg123 >>"$rounds"
        if [ "$round" -le "$ROUNDS_GUI" ]; then
            start audacious audacious "$music" && measure audacious >>"$rounds"
            start qmmp qmmp "$music" && measure qmmp >>"$rounds"
        fi
    done
    echo "bench: $server, the library paused for $PAUSE_SECONDS s" >&2
    read -r pause_player pause_server pause_quantum pause_cycles _ < <(pause "pause-$server")

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

    echo "$server: per played minute, player + server; least / median / most of the rounds"
    echo "  ($ROUNDS rounds of ${SECONDS_MEASURED} s, audacious and qmmp $ROUNDS_GUI; medians beside):"
    printf '  %-9s %-23s %8s %8s %8s %8s %7s %8s %8s %8s\n' client "CPU s/min" "player" \
        "server" "wakes/s" "srv wk/s" "RSS MiB" "quantum" "cycles/s" "latency"
    for name in "${clients[@]}"; do
        printf '  %-9s %-23s %8s %8s %8s %8s %7s %8s %8s %8s\n' "$name" \
            "$(spread "$rounds" "$name" 4 | sed 's| | / |g')" "$(median "$rounds" "$name" 2)" \
            "$(median "$rounds" "$name" 3)" "$(median "$rounds" "$name" 5)" \
            "$(median "$rounds" "$name" 6)" "$(median "$rounds" "$name" 7)" \
            "$(seen "$rounds" "$name" 8)" "$(median "$rounds" "$name" 9)" "$(seen "$rounds" "$name" 10)"
    done
    echo "  every round: $(awk '{ printf "%s %s; ", $1, $4 }' "$rounds")"
    echo "$server: the library paused for $PAUSE_SECONDS s: player $pause_player, server" \
        "$pause_server wake-ups/s; graph quantum $pause_quantum, $pause_cycles cycles/s"
    # The table's zt4 column holds the library's figures, its "app" rows zt4's own; the
    # other clients are in both, to be compared with.
    for name in "${clients[@]}"; do
        player=$name
        [ "$name" = library ] && player=zt4
        if [ "$name" != zt4 ]; then
            figure "cpu_total_$server" "$player" "$name" 4 s/min
            figure "cpu_player_$server" "$player" "$name" 2 s/min
            figure "wakeups_player_$server" "$player" "$name" 5 /s
            figure "wakeups_server_$server" "$player" "$name" 6 /s
            figure "rss_playing_$server" "$player" "$name" 7 MiB
            figure "graph_cycles_$server" "$player" "$name" 9 /s
        fi
        if [ "$name" != library ]; then
            figure "app_cpu_total_$server" "$player" "$name" 4 s/min
            figure "app_wakeups_$server" "$player" "$name" 5 /s
            figure "app_graph_cycles_$server" "$player" "$name" 9 /s
        fi
    done
    echo "FIGURE pause_wakeups_$server zt4 $(awk -v p="$pause_player" -v s="$pause_server" \
        'BEGIN { if (p == "" || s == "") print "n/a"; else printf "%.2f", p + s }') /s" >>"$tmp/figures.txt"
    echo "$server: the library's commands to the change in the sound, ms (median; all):"
    while read -r what values; do
        # shellcheck disable=SC2086
        printf '  %-8s %6s   %s\n' "$what" "$(median_of $values)" "$values"
        # shellcheck disable=SC2086
        echo "FIGURE ${what}_latency_$server zt4 $(median_of $values) ms" >>"$tmp/figures.txt"
    done <"$tmp/lat-$server.txt"
    echo
done
cat "$tmp/figures.txt"
