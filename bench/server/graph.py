#!/usr/bin/env python3
"""graph.py PROFILER.log RATE DUMP.json PID: how PipeWire's graph ran while pw-profiler
watched it, and what the client PID asked of it, as "QUANTUM CYCLES LATENCY": the quantum of
the graph's driver in frames at RATE Hz (the median of the periods it planned), the cycles it
ran per second (from the periods measured), and the node.latency of PID's stream in pw-dump's
DUMP.json. "n/a" for what was not found. pw-profiler's log has one line a cycle: column 1
the measured period of the driver, column 4 the period it planned, in microseconds.
"""
import json
import statistics
import sys


def cycles(path, rate):
    measured, planned = [], []
    try:
        with open(path) as f:
            for line in f:
                cols = line.split("\t")
                if len(cols) > 4 and float(cols[0]) > 0 and float(cols[3]) > 0:
                    measured.append(float(cols[0]))
                    planned.append(float(cols[3]))
    except FileNotFoundError:
        pass
    if not planned:
        return "n/a", "n/a"
    quantum = statistics.median(planned) * float(rate) / 1e6
    return "%d" % round(quantum), "%.1f" % (1e6 / statistics.median(measured))


def latency(path, pid):
    try:
        with open(path) as f:
            objects = json.load(f)
    except (FileNotFoundError, ValueError):
        return "n/a"
    for o in objects:
        props = (o.get("info") or {}).get("props") or {}
        if (o.get("type", "").endswith(":Node") and
                str(props.get("application.process.id")) == pid and "node.latency" in props):
            return props["node.latency"]
    return "n/a"


def main(profile, rate, dump, pid):
    print(*cycles(profile, rate), latency(dump, pid))


if __name__ == "__main__":
    main(*sys.argv[1:5])
