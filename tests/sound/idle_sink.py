#!/usr/bin/env python3
"""idle_sink.py REC.wav REC.stamps EVENTS SECONDS: plays of a SECONDS-long tone into a pipe
sink that was suspended before each, as its FIFO was read (zt4test.recorder) and as drive
reported them (EVENTS). The sink writes on the system clock, so what it wrote cannot run
ahead of time: a frame left the server no later than the read that brought it.

For each play, prints how soon its first sound came after vbmp3_play returned, and fails
unless the play was heard whole (nothing of the tone lost) and its end event came no sooner
than the read that brought its last sound, less the sink's own granularity: the median time
between two reads, once for the block the sink writes at once and once for how late a read
may come.
"""
import bisect
import statistics
import sys

from zt4test import wav
from zt4test.recorder import reads
from zt4test.samples import SILENCE
from zt4test.wav import RATE

GAP = 0.3  # seconds of silence that part two plays
LOST = 0.05  # seconds of a play's sound that may be missing, for its edges


def stretches(x, read_at):
    """[(first frame, last frame)] of the sounding stretches, parted by GAP of silence or of
    time: a suspended sink writes nothing, not silence."""
    found = []
    for i, v in enumerate(x):
        if abs(v) < SILENCE:
            continue
        if found and i - found[-1][1] <= GAP * RATE and read_at(i) - read_at(found[-1][1]) <= GAP:
            found[-1][1] = i
        else:
            found.append([i, i])
    return found


def main(wav_path, stamps_path, events_path, seconds):
    x, _ = wav.read(wav_path)
    stamps = reads(stamps_path)
    counts = [n for _, n in stamps]

    def read_at(frame):
        return stamps[min(bisect.bisect_right(counts, frame), len(stamps) - 1)][0]

    granularity = 2 * statistics.median(b[0] - a[0] for a, b in zip(stamps, stamps[1:]))
    with open(events_path) as f:
        events = [(line.split()[0], float(line.split()[1])) for line in f if line.strip()]
    plays = [t for name, t in events if name == "play"]
    ends = [t for name, t in events if name == "end"]
    heard = stretches(x, read_at)
    problems = []
    if not len(plays) == len(ends) == len(heard):
        problems.append("%d plays, %d end events and %d stretches of sound" %
                        (len(plays), len(ends), len(heard)))
    for k, (play, end, (first, last)) in enumerate(zip(plays, ends, heard), 1):
        sounding = (last + 1 - first) / RATE
        early = read_at(last) - end
        print("play %d: first sound %.0f ms after vbmp3_play; %.3f s heard; the end event "
              "%.1f ms after the read of its last sound" %
              (k, (read_at(first) - play) * 1000, sounding, -early * 1000))
        if sounding < float(seconds) - LOST:
            problems.append("play %d: %.3f s of the %s s tone heard" % (k, sounding, seconds))
        if early > granularity:
            problems.append("play %d: the end event came %.0f ms before the last sound left "
                            "the server (the sink's granularity: %.0f ms)" %
                            (k, early * 1000, granularity * 1000))
    for p in problems:
        print("idle_sink.py: " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:5]))
