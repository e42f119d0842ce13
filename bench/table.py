#!/usr/bin/env python3
"""Reads "FIGURE metric player value unit" lines on standard input and prints the table of
bench/run_all.sh: zt4 beside its peers and the server's floor (the least a client of the sound
server can cost), the ratio to the best peer, the targets.

A value that could not be measured is "n/a"; so is a ratio or a target that needs it.
"""
import sys

PLAYERS = ["zt4", "mpg123", "audacious", "qmmp", "floor"]
PEERS = ["mpg123", "audacious", "qmmp"]
GUI_PEERS = ["audacious", "qmmp"]


def value(figures, metric, player):
    v = figures.get((metric, player))
    try:
        return float(v)
    except (TypeError, ValueError):
        return None


def best(figures, metric, players, higher):
    values = [(value(figures, metric, p), p) for p in players]
    values = [(v, p) for v, p in values if v is not None]
    if not values:
        return None, None
    return (max if higher else min)(values)


def times_peer(figures, metric, players, higher, factor):
    """zt4 against factor × the best of `players`: True, False, or None if not measured."""
    z = value(figures, metric, "zt4")
    b, _ = best(figures, metric, players, higher)
    if z is None or b is None:
        return None
    return z >= factor * b if higher else z <= factor * b


def at_most(limit, metric):
    def check(figures):
        z = value(figures, metric, "zt4")
        return None if z is None else z <= limit
    return check


def both(*checks):
    def check(figures):
        results = [c(figures) for c in checks]
        if any(r is False for r in results):
            return False
        return None if any(r is None for r in results) else True
    return check


# metric, label, whether more is better, the target, and its check (True, False, or None
# when a figure it needs is missing).
ROWS = [
    ("decode_speed", "decode speed", True,
     "≥ 0.95× mpg123", lambda f: times_peer(f, "decode_speed", ["mpg123"], True, 0.95)),
    ("cpu_per_minute", "CPU per played minute", False,
     "≤ 1.0× mpg123, ≤ 0.5× leaner GUI",
     both(lambda f: times_peer(f, "cpu_per_minute", ["mpg123"], False, 1.0),
          lambda f: times_peer(f, "cpu_per_minute", GUI_PEERS, False, 0.5))),
    ("startup", "start-up to first window", False,
     "≤ 150 ms, ≤ 0.5× faster GUI",
     both(at_most(150, "startup"), lambda f: times_peer(f, "startup", GUI_PEERS, False, 0.5))),
    ("rss_idle", "RSS idle", False, "≤ 45 MiB", at_most(45, "rss_idle")),
    ("rss_playing", "RSS playing", False, "≤ 40 MiB", at_most(40, "rss_playing")),
    ("idle_wakeups", "idle wake-ups", False, "0", at_most(0, "idle_wakeups")),
    ("start_to_sound", "Start-to-sound", False, "≤ 100 ms", at_most(100, "start_to_sound")),
    ("repeat_one_gap", "repeat-one gap (median)", False, "≤ 50 ms", at_most(50, "repeat_one_gap")),
    ("no_repeat_gap", "no-repeat gap (median)", False, "-", None),
]
# Player + server per played minute: on PulseAudio against mpg123, on PipeWire (whose graph
# costs the server alike for every client) against the floor.
CPU_TARGETS = {
    "pulseaudio": (("≤ 0.25× mpg123", ["mpg123"], 0.25), ("≤ 0.3× mpg123", ["mpg123"], 0.3)),
    "pipewire": (("≤ 1.15× floor", ["floor"], 1.15), ("≤ 1.3× floor", ["floor"], 1.3)),
}
for server, name in (("pulseaudio", "PulseAudio"), ("pipewire", "PipeWire")):
    (lib_target, lib_peer, lib_factor), (app_target, app_peer, app_factor) = CPU_TARGETS[server]
    ROWS += [
        ("app_cpu_total_" + server, "CPU/min with server, zt4 app, " + name, False, app_target,
         lambda f, m="app_cpu_total_" + server, p=app_peer, k=app_factor:
         times_peer(f, m, p, False, k)),
        ("app_wakeups_" + server, "wake-ups playing, zt4 app, " + name, False, "≤ 2",
         at_most(2, "app_wakeups_" + server)),
        ("cpu_total_" + server, "CPU/min with server, " + name, False, lib_target,
         lambda f, m="cpu_total_" + server, p=lib_peer, k=lib_factor:
         times_peer(f, m, p, False, k)),
        ("cpu_player_" + server, "player CPU/min, " + name, False, "-", None),
        ("wakeups_player_" + server, "player wake-ups playing, " + name, False, "≤ 2",
         at_most(2, "wakeups_player_" + server)),
        ("wakeups_server_" + server, "server wake-ups playing, " + name, False, "-", None),
        ("pause_wakeups_" + server, "wake-ups/s paused, player + server, " + name, False, "≤ 1",
         at_most(1, "pause_wakeups_" + server)),
        ("rss_playing_" + server, "RSS playing, " + name, False, "≤ 40 MiB",
         at_most(40, "rss_playing_" + server)),
        ("start_latency_" + server, "play to sound, " + name, False, "≤ 100 ms",
         at_most(100, "start_latency_" + server)),
    ] + [("%s_latency_%s" % (c, server), "%s to sound, %s" % (c, name), False, "≤ 50 ms",
          at_most(50, "%s_latency_%s" % (c, server))) for c in ("pause", "restart", "volume", "stop")]
# How often PipeWire's graph wakes while the library, or zt4, plays alone.
ROWS += [(prefix + "graph_cycles_pipewire", "PipeWire graph cycles playing, " + who, False, "≤ 25",
          at_most(25, prefix + "graph_cycles_pipewire"))
         for prefix, who in (("", "library"), ("app_", "zt4 app"))]


def fmt(v):
    if v is None:
        return "n/a"
    if v == 0 or abs(v) >= 100:
        return "%.0f" % v
    if abs(v) >= 10:
        return "%.1f" % v
    return "%.3g" % v if abs(v) < 1 else "%.2f" % v


def main():
    figures, units = {}, {}
    for line in sys.stdin:
        parts = line.split()
        if len(parts) >= 4 and parts[0] == "FIGURE":
            figures[(parts[1], parts[2])] = parts[3]
            if len(parts) >= 5:
                units[parts[1]] = parts[4]
    header = ["figure", "unit"] + PLAYERS + ["best peer", "zt4/best", "target", ""]
    table = [header]
    for metric, label, higher, target, check in ROWS:
        row = [label, units.get(metric, "")]
        row += [fmt(value(figures, metric, p)) for p in PLAYERS]
        b, who = best(figures, metric, PEERS, higher)
        z = value(figures, metric, "zt4")
        row.append("n/a" if who is None else "%s %s" % (fmt(b), who))
        if z is None or b is None:
            row.append("n/a")
        elif b == 0:
            row.append("-" if z == 0 else "inf")
        else:
            row.append("%.2f" % (z / b))
        row.append(target)
        result = check(figures) if check else None
        row.append("" if check is None else {True: "pass", False: "MISS", None: "n/a"}[result])
        table.append(row)
    widths = [max(len(r[i]) for r in table) for i in range(len(header))]
    right = set(range(2, 2 + len(PLAYERS) + 2))
    for k, row in enumerate(table):
        cells = [c.rjust(widths[i]) if i in right else c.ljust(widths[i])
                 for i, c in enumerate(row)]
        print("  ".join(cells).rstrip())
        if k == 0:
            print("  ".join("-" * w for w in widths))
    others = sorted((m, p, v) for (m, p), v in figures.items() if p not in PLAYERS)
    if others:
        print()
        for m, p, v in others:
            print("reference: %s of %s: %s %s" % (m, p, v, units.get(m, "")))
    misses = sum(1 for r in table[1:] if r[-1] == "MISS")
    print()
    print("targets missed: %d" % misses)


if __name__ == "__main__":
    main()
