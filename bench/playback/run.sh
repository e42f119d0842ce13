#!/usr/bin/env bash
# run.sh BUILD_DIR: playback figures of the real player (BUILD_DIR/bin/zt4 and the
# libvbmp3.so beside it) playing into a private PulseAudio null sink (PipeWire's with
# SERVER=pipewire), beside mpg123, audacious and qmmp playing the same files in the same run. Prints figures; it is not a
# test and fails only when something cannot be measured.
#   - CPU seconds per minute of playback of one 128 kbit/s file, the server's over the same
#     time, the player's wake-ups, and the resident memory at the end of it (CPU time of all
#     the process's threads over SECONDS_MEASURED s of playing, ROUNDS rounds, the least
#     kept), with no other stream on the server
#   - the silence between the end of one track's sound and the start of the next: in the
#     no-repeat mode (zt4's Timer1 moves on, so up to one 950 ms interval) and in repeat one
#   - the time from a click on 再生 to the first sound in the sink (zt4 only: the peers are
#     not driven by clicks here)
# Clicks and the click time: measure.py (XTest); how the sound is put on the same clock: its
# header. The player is driven through AT-SPI (zt4test.ui) for the sound figures and,
# for the CPU figure, started again and clicked at the same places: on the session bus with
# its media controls published, as on a desktop, but without the accessibility bridge, which
# Qt starts only when a screen reader asks (none does here). The peers run without the
# session bus and without GTK's accessibility bridge; their repeat-one mode is set in a fresh
# configuration folder of their own.
# BASELINE=OTHER_BUILD_DIR measures that build's zt4 too, as "zt4_before", in the same
# rounds of the CPU figure: before and after a change, on the same machine at the same time.
# The report also splits zt4's wake-ups by thread and its resident memory by mapping.
# Besides the report, prints "FIGURE metric player value unit" lines for bench/run_all.sh.
# shellcheck source=tests/support/common.sh
. "$(dirname "$0")/../../tests/support/common.sh"
usage BUILD_DIR "$@"
bin=$(realpath "$1")/bin
ui() { /usr/bin/python3 -m zt4test.ui "$@"; }
measure() { /usr/bin/python3 "$here/measure.py" "$@"; }
SECONDS_MEASURED=${SECONDS_MEASURED:-30}
ROUNDS=${ROUNDS:-2}
before=${BASELINE:+$(realpath "$BASELINE")/bin}
for b in "$bin" $before; do
    [ -x "$b/zt4" ] || {
        echo "run.sh: $b/zt4 is not built" >&2
        exit 1
    }
done
"$here/../setup.sh"
peers=(mpg123 audacious qmmp)

tmp=$(mktemp -d "${TMPDIR:-/tmp}/zt4-bench.XXXXXX")
pids=()
recorder=""
cleanup() {
    set +e
    for p in "${pids[@]}" $recorder; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null; done
    pulse_stop
    desktop_stop
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

files=${BENCH_FILES:-$tmp/files}
"$here/../make_files.sh" "$files"
tones=$files/tones
music=$files/music.mp3

desktop_start "$tmp"
pulse_start "$tmp/pulse"
mkdir -p "$tmp/work"

start_recording() {
    # The PID must be the recorder's own, for the SIGTERM that ends it.
    python3 -m zt4test.recorder "$tmp/$1.wav" "$tmp/$1.stamps" &
    recorder=$!
    local i
    for i in $(seq 200); do
        [ -s "$tmp/$1.stamps" ] && break
        sleep 0.05
    done
    sleep 0.3
}
stop_recording() {
    sleep 0.3
    kill "$recorder"
    wait "$recorder" || true
    recorder=""
}
# stop PID: ends a player started here and forgets it.
stop() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

# --- zt4's sound figures, the player driven through AT-SPI -------------------------------
echo "bench: zt4 driven through its window: start-to-sound and gaps" >&2
(cd "$tmp/work" && exec env -u AT_SPI_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 \
    "$bin/zt4" >"$tmp/zt4.log" 2>&1) &
player=$!
pids+=("$player")
ui wait-app 30
for f in short1 short2 short3 short1 short2 short3; do ui add "$tones/$f.mp3"; done
ui wait "mpath(5)" "★6★short3.mp3" 10

# Click to first sound: Start and Stop five times over in one recording.
click_to_sound() { # NAME: prints the five figures
    local clicks=() i
    start_recording "$1"
    for i in 1 2 3 4 5; do
        clicks+=("$(measure click MusicStart)")
        ui wait Label1 "再生中" 10
        sleep 0.5
        ui click MusicStop
        ui wait Label1 "停止しました" 10
        sleep 0.5
    done
    stop_recording
    measure latency "$tmp/$1.wav" "$tmp/$1.stamps" "${clicks[@]}"
}
click_to_sound latency >"$tmp/latency.txt"
mapfile -t latencies <"$tmp/latency.txt"

# No repeat: six tracks, five gaps, twice.
for run in 1 2; do
    start_recording "norepeat$run"
    ui click MusicStart
    ui wait Label1 "終了！" 60
    stop_recording
    measure gaps "$tmp/norepeat$run.wav" "$files/ref1.wav" >"$tmp/zt4-norepeat$run.txt"
done

# Repeat one: the first track over and over for about nine seconds.
ui click "RepeatOption(1)"
start_recording repeatone
ui click MusicStart
sleep 9
ui click MusicStop
ui wait Label1 "停止しました" 10
stop_recording
measure gaps "$tmp/repeatone.wav" "$files/ref1.wav" >"$tmp/zt4-repeatone.txt"

# The same with the long file, which takes longer to open: slot 7, chosen by number.
ui add "$music"
ui type Text1 7
click_to_sound latency_long >"$tmp/latency_long.txt"
mapfile -t latencies_long <"$tmp/latency_long.txt"

# Where to click without AT-SPI.
read -r add_x add_y < <(measure where FileAdd)
read -r start_x start_y < <(measure where MusicStart)
stop "$player"

# --- the peers' gaps ----------------------------------------------------------------------
# The peers' own processes, each with a fresh configuration and no session bus.
peer_env() { # HOME_DIR COMMAND...
    local home=$1
    shift
    mkdir -p "$home"
    (cd "$tmp/work" && exec env -u DBUS_SESSION_BUS_ADDRESS NO_AT_BRIDGE=1 HOME="$home" \
        XDG_CONFIG_HOME="$home/.config" "$@" >>"$tmp/$1.log" 2>&1) &
}
# peer_gaps NAME MODE SECONDS COMMAND...: records the peer for SECONDS and measures the gaps.
peer_gaps() {
    local name=$1 mode=$2 seconds=$3 home=$tmp/home-$1-$2
    shift 3
    mkdir -p "$home/.config/audacious" "$home/.qmmp"
    if [ "$mode" = repeatone ]; then
        printf '[audacious]\nrepeat=TRUE\n' >"$home/.config/audacious/config"
        printf '[PlayList]\nrepeate_track=true\n' >"$home/.qmmp/qmmprc"
    fi
    start_recording "$name-$mode"
    peer_env "$home" "$@"
    local pid=$!
    pids+=("$pid")
    sleep "$seconds"
    stop "$pid"
    stop_recording
    measure gaps "$tmp/$name-$mode.wav" "$files/ref1.wav" >"$tmp/$name-$mode.txt"
}
echo "bench: the peers' gaps" >&2
three=("$tones/short1.mp3" "$tones/short2.mp3" "$tones/short3.mp3")
peer_gaps mpg123 norepeat 7 mpg123 -q -o pulse "${three[@]}"
peer_gaps mpg123 repeatone 9 mpg123 -q -o pulse --loop -1 "${three[0]}"
peer_gaps audacious norepeat 8 audacious "${three[@]}"
peer_gaps audacious repeatone 10 audacious "${three[0]}"
peer_gaps qmmp norepeat 8 qmmp "${three[@]}"
peer_gaps qmmp repeatone 10 qmmp "${three[0]}"

# --- CPU per minute of playback, and memory ---------------------------------------------
# plays_into_sink PID: the process has a stream on the null sink.
plays_into_sink() {
    pactl list sink-inputs | grep -q "application.process.id = \"$1\""
}
# cpu_per_minute PID NAME: "CPU seconds per minute, RSS MiB, the server's CPU seconds per
# minute, wake-ups per second of the player, of which voluntary" over SECONDS_MEASURED s of
# playing, or n/a. Each thread's share goes to $tmp/threads-NAME-$round.txt.
cpu_per_minute() {
    local pid=$1 name=$2 a b sa sb i rss
    for i in $(seq 100); do
        plays_into_sink "$pid" && break
        sleep 0.1
    done
    if ! plays_into_sink "$pid"; then
        echo "bench: $name does not play into the sink; the end of its log:" >&2
        tail -n 5 "$tmp/$name.log" >&2 2>/dev/null || true
        echo "n/a n/a n/a n/a n/a"
        return
    fi
    sleep 2 # past the start
    thread_switches "$pid" >"$tmp/switches-a"
    # shellcheck disable=SC2086
    a=$(measure cpu "$pid") && sa=$(measure cpu $servers)
    sleep "$SECONDS_MEASURED"
    # shellcheck disable=SC2086
    b=$(measure cpu "$pid") && sb=$(measure cpu $servers)
    thread_switches "$pid" >"$tmp/switches-b"
    rss=$(awk '/^VmRSS/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
    resident_by_mapping "$pid" >"$tmp/memory-$name-$round.txt"
    plays_into_sink "$pid" || echo "bench: $name stopped playing before the end" >&2
    # Threads that lived through the whole span, each with its switches per second.
    join "$tmp/switches-a" "$tmp/switches-b" | awk -v s="$SECONDS_MEASURED" -v p="$pid" '{
        printf "%s %s %.2f %.2f\n", ($1 == p ? "main" : $1), $2, ($6 - $3) / s, ($7 - $4) / s }' \
        >"$tmp/threads-$name-$round.txt"
    awk -v a="$a" -v b="$b" -v sa="$sa" -v sb="$sb" -v s="$SECONDS_MEASURED" -v r="$rss" '
        { v += $3; n += $4 }
        END { printf "%.3f %s %.3f %.1f %.1f\n", (b - a) * 60 / s, r, (sb - sa) * 60 / s, v + n, v }' \
        "$tmp/threads-$name-$round.txt"
}
# resident_by_mapping PID: the process's resident KiB by what is mapped (a file's name,
# [heap], [anon] for the rest of the anonymous memory), the largest first.
resident_by_mapping() {
    awk '$1 ~ /^[0-9a-f]+-[0-9a-f]+$/ { name = NF >= 6 ? $6 : "[anon]"; if (name ~ /^\[anon:/) name = "[anon]" }
        $1 == "Rss:" { kib[name] += $2 }
        END { for (n in kib) if (kib[n] > 0) print kib[n], n }' "/proc/$1/smaps" 2>/dev/null | sort -rn
}
# thread_switches PID: "TID NAME VOLUNTARY INVOLUNTARY" context switches of each of the
# process's threads, sorted for join. A voluntary one is the thread going to sleep, to be
# woken later: a wake-up; an involuntary one is the scheduler taking the CPU from it.
thread_switches() {
    local task
    for task in /proc/"$1"/task/*; do
        awk -v t="${task##*/}" -v c="$(tr ' ' _ 2>/dev/null <"$task/comm")" '
            /^voluntary_ctxt_switches/ { v = $2 } /^nonvoluntary_ctxt_switches/ { n = $2 }
            END { if (c != "") print t, c, v, n }' "$task/status" 2>/dev/null
    done | sort
}

# run_zt4 NAME ZT4 [qt-dialog]: that zt4 on the session bus without the accessibility bridge,
# clicked at the places found above. The file is added through the desktop's own file chooser,
# the portal (its double, answering with the file), as on a desktop that has one; with
# "qt-dialog" the chooser fails and the file goes through Qt's own dialog instead.
run_zt4() {
    if [ "${3:-}" = qt-dialog ]; then echo fail; else echo "file://$music"; fi >"$tmp/portal.log.answer"
    (cd "$tmp/work" && exec "$2" >>"$tmp/$1.log" 2>&1) &
    local pid=$! window dialog i
    pids+=("$pid")
    window=$(xvfb_wait_window "MP3音楽再生")
    xdotool mousemove --window "$window" "$add_x" "$add_y" click 1
    if [ "${3:-}" = qt-dialog ]; then
        for i in $(seq 100); do
            dialog=$(xdotool search --onlyvisible --name '^開く$' 2>/dev/null | head -n 1 || true)
            [ -n "$dialog" ] && break
            sleep 0.1
        done
        xdotool windowfocus --sync "$dialog" type --delay 10 "$music"
        xdotool key Return
    fi
    for i in $(seq 100); do
        [ -e "$tmp/portal.log.answer" ] || break
        sleep 0.1
    done
    sleep 1
    xdotool mousemove --window "$window" "$start_x" "$start_y" click 1
    cpu_per_minute "$pid" "$1"
    stop "$pid"
}
run_peer() { # NAME COMMAND...
    local name=$1
    shift
    peer_env "$tmp/home-$name-cpu" "$@"
    local pid=$!
    pids+=("$pid")
    cpu_per_minute "$pid" "$name"
    stop "$pid"
}
# Nothing else on the server while the CPU is measured: a low-latency stream makes every
# client and the server wake more than on a desktop. The server is all its processes.
[ -n "${PULSE_KEEPALIVE_PID:-}" ] && kill "$PULSE_KEEPALIVE_PID" && PULSE_KEEPALIVE_PID=""
servers="$PULSE_PID ${PIPEWIRE_PID:-} ${PIPEWIRE_WP_PID:-}"
# The desktop's portal, for zt4's file chooser and its hold on suspend.
/usr/bin/python3 "$root/tests/desktop/desktop_double.py" "$tmp/portal.log" portal &
pids+=($!)
for i in $(seq 200); do
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Desktop | grep -q true && break
    sleep 0.05
done
: >"$tmp/cpu.txt"
for round in $(seq "$ROUNDS"); do
    echo "bench: CPU per minute, round $round of $ROUNDS (${SECONDS_MEASURED} s a player)" >&2
    echo "zt4 $round $(run_zt4 zt4 "$bin/zt4")" >>"$tmp/cpu.txt"
    echo "zt4_qt_dialog $round $(run_zt4 zt4_qt_dialog "$bin/zt4" qt-dialog)" >>"$tmp/cpu.txt"
    [ -z "$before" ] || echo "zt4_before $round $(run_zt4 zt4_before "$before/zt4")" >>"$tmp/cpu.txt"
    echo "mpg123 $round $(run_peer mpg123 mpg123 -q -o pulse "$music")" >>"$tmp/cpu.txt"
    echo "audacious $round $(run_peer audacious audacious "$music")" >>"$tmp/cpu.txt"
    echo "qmmp $round $(run_peer qmmp qmmp "$music")" >>"$tmp/cpu.txt"
done
measured=(zt4 zt4_qt_dialog ${before:+zt4_before} "${peers[@]}")
declare -A kept cpu rss server wakes voluntary
for name in "${measured[@]}"; do
    # The round with the least CPU time: the one least disturbed by the rest of the machine.
    read -r kept[$name] cpu[$name] rss[$name] server[$name] wakes[$name] voluntary[$name] < <(
        awk -v n="$name" '$1 == n && $3 != "n/a"' "$tmp/cpu.txt" | sort -g -k3 | head -n 1 |
            cut -d' ' -f2-) || true
    : "${cpu[$name]:=n/a}" "${rss[$name]:=n/a}" "${server[$name]:=n/a}" "${wakes[$name]:=n/a}"
    : "${voluntary[$name]:=n/a}"
done

# --- figures ------------------------------------------------------------------------------
median() { printf '%s\n' "$@" | grep -E '^[0-9.]+$' | sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "n/a"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# FIELD FILE...: that line's values; a file not made (zt4_before's gaps are not measured) has none.
field() { sed -n "s/^$1 //p" "${@:2}" 2>/dev/null | tr '\n' ' '; }
echo "zt4 playback benchmark ($(nproc) cores, $(date -u +%Y-%m-%dT%H:%MZ))"
echo
echo "CPU seconds per minute of playback, the $SERVER server's over the same time, the"
echo "player's wake-ups (voluntary context switches of all its threads; all of them in brackets) and"
echo "RSS at its end (128 kbit/s, 44.1 kHz stereo; ${SECONDS_MEASURED} s each, least of ${ROUNDS} rounds):"
for name in "${measured[@]}"; do
    printf '  %-10s %6s s/min  server %6s s/min  %6s (%s) wake-ups/s  %6s MiB   rounds: %s\n' \
        "$name" "${cpu[$name]}" "${server[$name]}" "${voluntary[$name]}" "${wakes[$name]}" \
        "${rss[$name]}" "$(awk -v n="$name" '$1 == n { printf "%s ", $3 }' "$tmp/cpu.txt")"
done
echo "zt4's threads in that round, context switches per second (voluntary, involuntary):"
for name in zt4 ${before:+zt4_before}; do
    [ -f "$tmp/threads-$name-${kept[$name]:-}.txt" ] || continue
    echo "  $name: $(awk '{ printf "%s%s %s (%s, %s)", (NR > 1 ? "; " : ""), $1, $2, $3, $4 }' \
        "$tmp/threads-$name-${kept[$name]}.txt")"
done
echo "zt4's resident memory in that round, KiB by mapping (the ten largest; the rest summed):"
for name in zt4 zt4_qt_dialog ${before:+zt4_before}; do
    [ -s "$tmp/memory-$name-${kept[$name]:-}.txt" ] || continue
    echo "  $name: $(awk 'NR <= 10 { n = split($2, p, "/"); printf "%s%s %s", (NR > 1 ? "; " : ""), p[n], $1 }
        NR > 10 { rest += $1 } END { printf "; the rest %d", rest }' "$tmp/memory-$name-${kept[$name]}.txt")"
done
echo
echo "Click on 再生 to the first sound, ms:"
echo "  1.5 s file: median $(median "${latencies[@]}"); all: ${latencies[*]}"
echo "  45 s file:  median $(median "${latencies_long[@]}"); all: ${latencies_long[*]}"
echo
echo "Silence between tracks, no repeat, ms (zt4: up to one 950 ms Timer1 interval expected):"
for name in zt4 "${peers[@]}"; do
    gaps=$(field gaps_ms "$tmp/$name"-norepeat*.txt)
    echo "  $name: median $(median $gaps); all: $gaps"
    echo "    length of each play, ms: $(field plays_ms "$tmp/$name"-norepeat*.txt)"
done
echo "Silence between plays, repeat one, ms:"
for name in zt4 "${peers[@]}"; do
    gaps=$(field gaps_ms "$tmp/$name-repeatone.txt")
    echo "  $name: median $(median $gaps); all: $gaps"
    echo "    length of each play, ms: $(field plays_ms "$tmp/$name-repeatone.txt")"
done
echo "Quiet runs of 0.23 ms or more inside plays (dropouts, or a player's own fades):"
for name in zt4 "${peers[@]}"; do
    field dropouts_ms "$tmp/$name"-norepeat*.txt "$tmp/$name-repeatone.txt" | tr ' ' '\n' |
        awk -v n="$name" '/^[0-9.]+$/ { c++; if ($1 > m) m = $1 }
            END { if (c) printf "  %s: %d, the longest %.1f ms\n", n, c, m; else printf "  %s: none\n", n }'
done
echo
for name in "${measured[@]}"; do
    echo "FIGURE cpu_per_minute $name ${cpu[$name]} s/min"
    echo "FIGURE rss_playing $name ${rss[$name]} MiB"
    echo "FIGURE no_repeat_gap $name $(median $(field gaps_ms "$tmp/$name"-norepeat*.txt)) ms"
    echo "FIGURE repeat_one_gap $name $(median $(field gaps_ms "$tmp/$name-repeatone.txt")) ms"
done
echo "FIGURE start_to_sound zt4 $(median "${latencies[@]}" "${latencies_long[@]}") ms"
