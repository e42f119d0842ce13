#!/usr/bin/env python3
"""contract.py: the library's promises as heard in a recording of the server's null sink.

    contract.py REC.wav REC.stamps EVENTS F0 F1 SECONDS TONE
        REC is zt4test.recorder's recording, EVENTS drive's report of the commands of
        contract_test.sh; the first file is a sweep from F0 to F1 Hz over SECONDS, the second
        a steady TONE Hz below F0.

Fails (naming what was heard) unless: a pause is silent until the restart, which goes on from
the sample where the pause stopped; vbmp3_setVolume(100, 1) leaves the right channel 45 dB
under the left and (60, 60) both 18.2 dB under full, the library's scale; nothing of the sweep
sounds once the open and play that replace it have returned, nor anything once a close has;
exactly one end event comes, for the play left to end. How soon a command is heard is the
benchmark's business: the silences are checked from 150 ms after a pause, and from MARGIN
after a close or a replacing play (the recording's clock, which can only run early: a sink
renders ahead).
"""
import sys

from zt4test import wav
from zt4test.recorder import clock
from zt4test.samples import SILENCE, level_db, pitch
from zt4test.wav import RATE

BLOCK = 0.02
MARGIN = 0.03
PAUSE_SETTLE = 0.15
VOLUME_SETTLE = 0.2


class Recording:
    def __init__(self, wav_path, stamps, f0, f1, seconds, tone):
        self.left, self.right = wav.read(wav_path)
        self.t0 = clock(stamps)
        self.f0, self.f1, self.seconds, self.tone = f0, f1, seconds, tone

    def index(self, t):
        return max(0, min(len(self.left), int((t - self.t0) * RATE)))

    def blocks(self, begin, end):
        """(time, what) for each block from `begin` to `end` s: "silence", "edge" (sound that
        starts or stops in it, with no clear pitch), "tone", a position in the sweep (s) or
        "?"."""
        n = int(RATE * BLOCK)
        for b in range(self.index(begin), self.index(end) - n + 1, n):
            t = self.t0 + b / RATE
            quarters = [max(map(abs, self.left[q:q + n // 4])) for q in range(b, b + n, n // 4)]
            if max(quarters) < SILENCE:
                yield t, "silence"
                continue
            if min(quarters) < SILENCE:
                yield t, "edge"
                continue
            f = pitch(self.left, b, b + n, RATE)
            if abs(f - self.tone) <= 0.1 * self.tone:
                yield t, "tone"
            elif self.f0 * 0.95 <= f <= self.f1 * 1.05:
                yield t, (f - self.f0) * self.seconds / (self.f1 - self.f0)
            else:
                yield t, "?"


def check(rec, events):
    at = {}
    for name, t in events:
        at.setdefault(name, []).append(t)
    problems = []

    def heard(begin, end, allowed, what):
        for t, got in rec.blocks(begin, end):
            if got not in allowed and not (isinstance(got, float) and "sweep" in allowed):
                problems.append("%s: %s at %.3f s after the command" % (what, got, t - begin))
                return

    # Pause in place.
    pause, restart = at["pause"][0], at["restart"][0]
    heard(pause + PAUSE_SETTLE, restart, ("silence",), "paused")
    before = [(t, p) for t, p in rec.blocks(pause - 0.5, pause + PAUSE_SETTLE) if isinstance(p, float)]
    after = [(t, p) for t, p in rec.blocks(restart, restart + 0.5) if isinstance(p, float)]
    # PipeWire (0.3) may play one cycle (about 20 ms) of what it held before the pause's flush
    # as the stream runs again: a lone stray block, forgiven.
    if len(after) > 2 and abs(after[1][1] - after[0][1] - BLOCK) > 0.1:
        print("pause: a stray block at %.3f s of the sweep as playing went on" % after[0][1])
        after = after[1:]
    if not before or not after:
        problems.append("no sweep around the pause")
    else:
        # The block after the last one before the pause would have been at this position.
        jump = after[0][1] - (before[-1][1] + BLOCK)
        print("pause: stopped at %.3f s of the sweep, went on at %.3f s" %
              (before[-1][1], after[0][1]))
        # A little of what the sink mixed ahead reaches its monitor before the cork takes it
        # back, so the recording may repeat it; nothing may be skipped.
        if not -0.2 <= jump <= 0.06:
            problems.append("the restart went on %+.3f s away from where the pause stopped" % jump)

    # Volume: left and right apart, on the library's decibel scale.
    v1, v2 = at["vol:100:1"][0], at["vol:60:60"][0]
    # Each window between two changes, away from both: the recording's clock is good to some
    # tens of milliseconds.
    full = rec.index(restart + 0.3), rec.index(v1 - VOLUME_SETTLE)
    one = rec.index(v1 + VOLUME_SETTLE), rec.index(v2 - VOLUME_SETTLE)
    sixty = rec.index(v2 + VOLUME_SETTLE), rec.index(at["vol:100:100"][0] - VOLUME_SETTLE)
    full_db = level_db(rec.left, *full)
    apart = level_db(rec.right, *one) - level_db(rec.left, *one)
    left_60 = level_db(rec.left, *sixty) - full_db
    right_60 = level_db(rec.right, *sixty) - level_db(rec.right, *full)
    print("volume: (100, 1) right %.1f dB under left; (60, 60) %.1f and %.1f dB" %
          (-apart, left_60, right_60))
    if abs(apart + 45) > 2:
        problems.append("vbmp3_setVolume(100, 1): right %.1f dB from left, not -45" % apart)
    for got in (left_60, right_60):
        if abs(got + 45 * 40 / 99) > 1.5:
            problems.append("vbmp3_setVolume(60, 60): %.1f dB, not %.1f" % (got, -45 * 40 / 99))

    # Replace and close: nothing of what they end after they return.
    replaced, closed, last_play = at["play"][1], at["close"][0], at["play"][2]
    heard(replaced + MARGIN, closed, ("tone", "edge", "silence"), "after the replacing play")
    if not any(got == "tone" for _, got in rec.blocks(replaced, closed)):
        problems.append("the replacing file was not heard")
    heard(closed + MARGIN, last_play, ("silence",), "after the close")

    # One end event, for the play left to end, not for the plays ended by open or close.
    ends = at.get("end", [])
    if len(ends) != 1 or ends[0] < last_play + 1.0:
        problems.append("end events at %s s after the last play, expected one" %
                        [round(t - last_play, 3) for t in ends])
    return problems


def main(argv):
    wav_path, stamps, events_path = argv[0:3]
    f0, f1, seconds, tone = map(float, argv[3:7])
    with open(events_path) as f:
        events = [(line.split()[0], float(line.split()[1])) for line in f if line.strip()]
    problems = check(Recording(wav_path, stamps, f0, f1, seconds, tone), events)
    for p in problems:
        print("contract.py: %s" % p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
