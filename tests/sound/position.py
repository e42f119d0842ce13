#!/usr/bin/env python3
"""position.py REC.wav F0 F1 SECONDS: where in a sweep (one sine rising linearly from F0 to
F1 Hz over SECONDS) a recording is, told by the pitch of each block of sound.

Prints "first last jump" in seconds of the track: where the sound begins and ends, and how
far the track at most is from where it would be had it run on in real time from the sounding
block before (a skip or repeat; 0 for one unbroken stretch). Silence is the track standing
still, so a pause is no jump. Fails when the recording holds nothing of the sweep.
"""
import sys

from zt4test import wav
from zt4test.samples import SILENCE, pitch
from zt4test.wav import RATE

BLOCK_SECONDS = 0.04


def main(path, f0, f1, seconds):
    x, _ = wav.read(path)
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
    main(sys.argv[1], *map(float, sys.argv[2:5]))
