#!/usr/bin/env python3
"""stretches.py REC.wav: the sounding stretches of a recording of one steady tone that was
paused now and then, one line each: its length in seconds, to the sample. Stretches are
parted by at least 0.3 s of silence; the tone starts at full level, so its first and last
samples above the silence level are where the sound began and stopped.
"""
import sys

from zt4test import wav
from zt4test.samples import SILENCE

GAP = int(wav.RATE * 0.3)


def main(path):
    x, _ = wav.read(path)
    first = last = None
    for i, v in enumerate(x):
        if -SILENCE < v < SILENCE:
            continue
        if last is not None and i - last > GAP:
            print("%.4f" % ((last - first + 1) / wav.RATE))
            first = None
        if first is None:
            first = i
        last = i
    if first is not None:
        print("%.4f" % ((last - first + 1) / wav.RATE))


if __name__ == "__main__":
    main(sys.argv[1])
