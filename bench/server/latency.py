#!/usr/bin/env python3
"""latency.py REC.wav REC.stamps EVENTS: for each round of bench/server/run.sh's commands
(drive's report in EVENTS), the ms from a command's return to its change in the recorded
sound: start (play to the first sound), pause (to silence), restart (to sound), volume (to a
level 10 dB down, for a step of 36 dB) and stop (close to silence). Prints "NAME ms..." lines,
one figure per round; "n/a" where the change was not found within a second.
"""
import sys

from zt4test import wav
from zt4test.recorder import clock
from zt4test.samples import SILENCE, level_db
from zt4test.wav import RATE

BLOCK = int(RATE * 0.005)


def main(wav_path, stamps, events_path):
    x, _ = wav.read(wav_path)
    t0 = clock(stamps)
    events = [(line.split()[0], float(line.split()[1])) for line in open(events_path) if line.strip()]
    index = lambda t: max(0, int((t - t0) * RATE))  # noqa: E731
    quiet = lambda b: max(map(abs, x[b:b + BLOCK])) < SILENCE  # noqa: E731

    def first(t, test):
        # From a little before the command: a change the recording puts before it shows how
        # far its clock may be off.
        for b in range(index(t - 0.1), min(len(x) - BLOCK, index(t + 1.0)), BLOCK):
            if test(b):
                return "%.1f" % ((t0 + b / RATE - t) * 1000)
        return "n/a"

    figures = {"start": [], "pause": [], "restart": [], "volume": [], "stop": []}
    for name, t in events:
        if name == "play":
            figures["start"].append(first(t, lambda b: not quiet(b)))
        elif name == "pause":
            figures["pause"].append(first(t, quiet))
        elif name == "restart":
            figures["restart"].append(first(t, lambda b: not quiet(b)))
        elif name == "vol:20:20":
            before = level_db(x, index(t) - 4 * BLOCK, index(t) - 3 * BLOCK)
            figures["volume"].append(first(t, lambda b: level_db(x, b, b + BLOCK) <= before - 10))
        elif name == "close":
            figures["stop"].append(first(t, quiet))
    for name, values in figures.items():
        print(name, " ".join(values))


if __name__ == "__main__":
    main(*sys.argv[1:4])
