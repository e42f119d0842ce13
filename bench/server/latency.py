#!/usr/bin/env python3
"""latency.py REC.wav REC.stamps EVENTS: for each round of bench/server/run.sh's commands
(drive's report in EVENTS), the ms from a command's return to its change in the recorded
sound: start (play to the first sound), pause (to silence), restart (to sound), volume (to a
level 10 dB down, for a step of 36 dB) and stop (close to silence). Prints "NAME ms..." lines,
one figure per round; "n/a" where the change was not found within a second.
"""
import os
import sys
from math import log10, sqrt

# No __pycache__ left in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "tests", "e2e"))
import sound  # noqa: E402

RATE = sound.RATE
BLOCK = int(RATE * 0.005)


def level(x, b):
    return 20 * log10(max(1e-9, sqrt(sum(v * v for v in x[b:b + BLOCK]) / BLOCK)))


def main(wav, stamps, events_path):
    _, x = sound.read_wav(wav)
    t0 = sound.clock(stamps)
    events = [(line.split()[0], float(line.split()[1])) for line in open(events_path) if line.strip()]
    index = lambda t: max(0, int((t - t0) * RATE))  # noqa: E731
    quiet = lambda b: max(map(abs, x[b:b + BLOCK])) < sound.SILENCE  # noqa: E731

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
            before = level(x, index(t) - 4 * BLOCK)
            figures["volume"].append(first(t, lambda b: level(x, b) <= before - 10))
        elif name == "close":
            figures["stop"].append(first(t, quiet))
    for name, values in figures.items():
        print(name, " ".join(values))


if __name__ == "__main__":
    main(*sys.argv[1:4])
