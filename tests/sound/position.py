#!/usr/bin/env python3
"""position.py REC.wav F0 F1 SECONDS: where in a sweep (one sine rising linearly from F0 to
F1 Hz over SECONDS) a recording is, told by the pitch of each block of sound.

Prints "first last jump" in seconds of the track: where the sound begins and ends, and how
far the track at most is from where it would be had it run on in real time from the sounding
block before (a skip or repeat; 0 for one unbroken stretch). Silence is the track standing
still, so a pause is no jump. Fails when the recording holds nothing of the sweep.

position.py --gap REC.wav F0 F1 SECONDS prints "stopped went_on": the track's positions where
the sound stopped before the recording's longest silence and where it went on after it, read
to the sample at the silence's edges.
"""
import sys
from statistics import median

from zt4test import wav
from zt4test.samples import SILENCE, pitch
from zt4test.wav import RATE

BLOCK_SECONDS = 0.04
EDGE_SECONDS = 0.01  # silence this long ends a sound


def blocks(x, f0, f1, seconds):
    """[(time in the recording, position in the track)] of the middle of each block that
    sounds throughout and has the sweep's pitch."""
    rate = RATE
    n = int(rate * BLOCK_SECONDS)
    found = []  # (time in the recording, position in the track) of each block's middle
    for b in range(0, len(x) - n + 1, n):
        # Only blocks that sound throughout: one where the sound starts or stops part of the
        # way through has no clear pitch.
        if min(max(map(abs, x[q:q + n // 4])) for q in range(b, b + n, n // 4)) < SILENCE:
            continue
        f = pitch(x, b, b + n, rate)
        if f0 * 0.9 <= f <= f1 * 1.1:
            found.append(((b + n / 2) / rate, (f - f0) * seconds / (f1 - f0)))
    return found


def silent_from(x, i, step):
    """The first index from i on (step 1) or back (step -1) where EDGE_SECONDS of silence
    begin."""
    run = int(RATE * EDGE_SECONDS)
    quiet = 0
    while 0 <= i < len(x):
        quiet = quiet + 1 if abs(x[i]) < SILENCE else 0
        if quiet == run:
            return i - step * (run - 1)
        i += step
    return i


def gap(path, f0, f1, seconds):
    x, _ = wav.read(path)
    found = blocks(x, f0, f1, seconds)
    if len(found) < 2:
        sys.exit("%s: nothing of the sweep on both sides of a silence" % path)
    (t0, _), (t1, _) = max(zip(found, found[1:]), key=lambda pair: pair[1][0] - pair[0][0])
    if t1 - t0 <= BLOCK_SECONDS * 1.5:
        sys.exit("%s: no silence within the sweep" % path)
    stop = silent_from(x, int(t0 * RATE), 1) / RATE
    start = (silent_from(x, int(t1 * RATE), -1) + 1) / RATE
    # The sound runs on from the blocks before the silence to its edge, and from the edge up to
    # the blocks after it, at one second of track a second. Only blocks that end 20 ms clear of
    # an edge: where the sound is cut off, the drop to silence reads as one more crossing.
    before = [p + stop - t for t, p in found if t <= stop - BLOCK_SECONDS][-3:]
    after = [p - (t - start) for t, p in found if t >= start + BLOCK_SECONDS][:3]
    if not before or not after:
        sys.exit("%s: too little of the sweep beside the silence" % path)
    print("%.3f %.3f" % (median(before), median(after)))


def main(path, f0, f1, seconds):
    x, _ = wav.read(path)
    found = blocks(x, f0, f1, seconds)
    if not found:
        sys.exit("%s: nothing of the sweep" % path)
    jump = 0.0
    for (t0, p0), (t1, p1) in zip(found, found[1:]):
        # Contiguous blocks: the track moved on by the time between them; after silence, by
        # one block.
        step = t1 - t0 if t1 - t0 <= BLOCK_SECONDS * 1.5 else BLOCK_SECONDS
        jump = max(jump, abs(p1 - (p0 + step)))
    print("%.3f %.3f %.3f" % (found[0][1], found[-1][1], jump))


if __name__ == "__main__":
    if sys.argv[1] == "--gap":
        gap(sys.argv[2], *map(float, sys.argv[3:6]))
    else:
        main(sys.argv[1], *map(float, sys.argv[2:5]))
