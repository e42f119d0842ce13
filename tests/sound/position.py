#!/usr/bin/env python3
"""Where in a sweep a recording is: the test track is one sine whose pitch rises linearly
from F0 to F1 Hz over SECONDS, so the pitch of a piece of sound says which moment of the
track it is.

    position.py REC.wav F0 F1 SECONDS

prints "first LAST jump" in seconds of the track: where the recording's sound begins, where
it ends, and the largest distance between where the track is and where it would be had it
run on at real time from the previous sounding piece (a skip or a repeat inside the
recording; 0 for one unbroken stretch). Silence between pieces counts as time going by
while the track stood still, so a pause in the sound is no jump; only sound that is not
the next part of the track is.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from sound import SILENCE, pitch, read_wav  # noqa: E402

BLOCK_SECONDS = 0.04


def positions(path, f0, f1, seconds):
    """[(time in the recording, position in the track)] of every sounding block."""
    rate, x = read_wav(path)
    n = int(rate * BLOCK_SECONDS)
    slope = (f1 - f0) / seconds
    found = []
    for b in range(0, len(x) - n + 1, n):
        block = x[b:b + n]
        if max(max(block), -min(block)) < SILENCE:
            continue
        f = pitch(x, b, b + n, rate)
        # The middle of the block; the onset or end of sound inside it skews the pitch, so
        # pieces a block wide at an edge are left out by the caller's tolerance.
        if f0 * 0.9 <= f <= f1 * 1.1:
            found.append(((b + n / 2) / rate, (f - f0) / slope))
    return found


def main(argv):
    if len(argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    found = positions(argv[0], float(argv[1]), float(argv[2]), float(argv[3]))
    if not found:
        print("none none none")
        return 0
    jump = 0.0
    for (t0, p0), (t1, p1) in zip(found, found[1:]):
        # Contiguous blocks: the track moved on by the time between them. After a gap of
        # silence: it stood still, so it must go on from where it was.
        step = t1 - t0 if t1 - t0 <= BLOCK_SECONDS * 1.5 else BLOCK_SECONDS
        jump = max(jump, abs(p1 - (p0 + step)))
    print("%.3f %.3f %.3f" % (found[0][1], found[-1][1], jump))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
