#!/usr/bin/env python3
"""stretches.py REC.wav: the sounding stretches of a recording of one steady tone that was
paused now and then, one line each: its length in seconds, to the sample. Stretches are
parted by at least 0.3 s of silence; the tone starts at full level, so its first and last
samples above the silence level are where the sound began and stopped.
"""
import subprocess
import sys
from array import array

RATE = 44100
SILENCE = 64  # peak sample value under which the sound counts as stopped (about -54 dBFS)
GAP = int(RATE * 0.3)


def main(path):
    # A recording whose header was never finished still reads to the end of the file.
    raw = subprocess.run(["sox", "--ignore-length", path, "-D", "-t", "raw", "-e", "signed",
                          "-b", "16", "-r", str(RATE), "-", "remix", "1"],
                         check=True, capture_output=True).stdout
    x = array("h", raw)
    first = last = None
    for i, v in enumerate(x):
        if -SILENCE < v < SILENCE:
            continue
        if last is not None and i - last > GAP:
            print("%.4f" % ((last - first + 1) / RATE))
            first = None
        if first is None:
            first = i
        last = i
    if first is not None:
        print("%.4f" % ((last - first + 1) / RATE))


if __name__ == "__main__":
    main(sys.argv[1])
