#!/usr/bin/env python3
"""contract.py: the library's promises as heard in a recording of the server's null sink.

    contract.py REC.wav REC.stamps EVENTS F0 F1 SECONDS TONE
        REC is zt4test.recorder's recording, EVENTS drive's report of the commands of
        contract_test.sh; the first file is a sweep from F0 to F1 Hz over SECONDS, the second
        a steady TONE Hz below F0.

Fails (naming what was heard) unless: a pause is silent until the restart, which goes on from
the sample where the pause stopped, nothing skipped and nothing heard twice; vbmp3_setVolume(100,
1) leaves the right channel 45 dB under the left and (60, 60) both 18.2 dB under full, the
library's scale; nothing of the sweep sounds once the open and play that replace it (paused)
have returned, nor anything once a close or a pause has; exactly one end event comes, for the play
left to end.

The recording's clock is measured in the run from the recorder's reads: frame n cannot reach
the recorder before the sink mixed it, so the earliest (read time - n / rate) is when frame 0
was mixed, and the spread of that over the reads (median less earliest) is how late a read
typically came, the clock's uncertainty. A command is given the output's promise (50 ms), that
uncertainty and one block before its effect must be heard. The sink mixes ahead of time, so
the clock may also run ahead: by how much is measured at the restart and at the last play,
whose sounds cannot come before their calls, and the silences before them are judged up to
that much before the call. An
uncertainty or a lead that is not small fails the test, as it would hide what is checked. How
soon the sweep sounded after its play is printed, measured the same way.
"""
import sys

from zt4test import wav
from zt4test.recorder import clock
from zt4test.samples import SILENCE, level_db, pitch
from zt4test.wav import RATE

BLOCK = 0.02
# A command is heard this soon after its call returns (vbmp3.h).
PROMISE = 0.05
# The most the recording's clock may be uncertain: more, and it would hide what is checked.
MAX_UNCERTAINTY = 0.05
# The most the recording's clock may run ahead: what the sink mixes ahead of time, up to two
# of PipeWire's large quanta.
MAX_AHEAD = 0.1
# The most a play may take to be heard: PipeWire's session manager links a new stream first.
MAX_START = 0.5
# How far into the track the first sound may be: the first block with a clear pitch.
START_SLACK = 2 * BLOCK
VOLUME_SETTLE = 0.2


class Recording:
    def __init__(self, wav_path, stamps, f0, f1, seconds, tone):
        self.left, self.right = wav.read(wav_path)
        self.t0 = clock(stamps)
        with open(stamps) as f:
            late = sorted(float(t) - int(n) / RATE - self.t0 for t, n in map(str.split, f))
        self.uncertainty = late[len(late) // 2]
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


def lag(rec, play):
    """How long after `play` returned the sweep's first sample sounded, on the recording's
    clock, told by the first half second of sweep heard; and the first position heard."""
    heard = [(t, p) for t, p in rec.blocks(play, play + 1.0) if isinstance(p, float)][:25]
    if not heard:
        return None, None
    starts = sorted(t - p for t, p in heard)
    return starts[len(starts) // 2] - play, heard[0][1]


def check(rec, events):
    at = {}
    for name, t in events:
        at.setdefault(name, []).append(t)
    problems = []

    print("the recording's clock is good to %.3f s" % rec.uncertainty)
    if rec.uncertainty > MAX_UNCERTAINTY:
        problems.append("the recorder's reads came %.3f s late: no clock to judge by" %
                        rec.uncertainty)
    # How soon after a call its effect must be heard in this recording.
    settle = PROMISE + rec.uncertainty + BLOCK
    start, first = lag(rec, at["play"][0])
    if start is None:
        return problems + ["nothing of the sweep in the first second after vbmp3_play"]
    print("the sweep sounded %.3f s after vbmp3_play returned, first heard at %.3f s of the"
          " track" % (start, first))
    if start > MAX_START:
        problems.append("the sweep sounded %.3f s after vbmp3_play" % start)
    if first > START_SLACK:
        problems.append("the play's first %.3f s were not heard" % first)

    def heard(begin, end, allowed, what):
        for t, got in rec.blocks(begin + settle, end):
            if got not in allowed and not (isinstance(got, float) and "sweep" in allowed):
                problems.append("%s: %s at %.3f s after the command" % (what, got, t - begin))
                return

    # Pause in place: what was heard before it and after the restart, one block each side of
    # the gap, joins up: nothing skipped, nothing heard twice.
    pause, restart = at["pause"][0], at["restart"][0]
    replaced, closed, last_play = at["play"][1], at["close"][0], at["play"][2]
    # Neither the restart nor the play after the close can be heard before its call: how much
    # sooner the recording shows them is how far its clock runs ahead, as the sink mixes ahead
    # of time. The silences before them are judged up to that much before the call.
    def sounded(call, since):
        return next((t for t, got in rec.blocks(since, call + 0.5) if got != "silence"), call)

    ahead = max(0.0, restart - sounded(restart, pause + settle),
                last_play - sounded(last_play, closed + settle))
    print("the recording's clock runs %.3f s ahead (the restart's and the last play's sound)" %
          ahead)
    if ahead > MAX_AHEAD:
        problems.append("sound %.3f s before the call that starts it" % ahead)
    heard(pause, restart - ahead - BLOCK, ("silence",), "paused")
    before = [(t, p) for t, p in rec.blocks(pause - 0.5, pause + settle) if isinstance(p, float)]
    after = [(t, p) for t, p in rec.blocks(restart, restart + 0.5) if isinstance(p, float)]
    if not before or not after:
        problems.append("no sweep around the pause")
    else:
        # The block after the last one before the pause would have been at this position.
        jump = after[0][1] - (before[-1][1] + BLOCK)
        print("pause: stopped at %.3f s of the sweep, went on at %.3f s" %
              (before[-1][1], after[0][1]))
        # Edges (a block where the sound starts or stops) are not positions: up to one block
        # either side of the gap may be one.
        if not -BLOCK <= jump <= 2 * BLOCK:
            problems.append("the restart went on %+.3f s away from where the pause stopped" % jump)
        for (_, p0), (_, p1) in zip(after, after[1:4]):
            if abs(p1 - p0 - BLOCK) > BLOCK:
                problems.append("after the restart the sweep went from %.3f s to %.3f s" % (p0, p1))
                break

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

    # Replace (a paused play: what the pause took back goes with it) and close: nothing of
    # what they end after they return.
    heard(at["pause"][1], replaced - ahead - BLOCK, ("silence",), "paused before the replacing play")
    heard(replaced, closed, ("tone", "edge", "silence"), "after the replacing play")
    if not any(got == "tone" for _, got in rec.blocks(replaced, closed)):
        problems.append("the replacing file was not heard")
    heard(closed, last_play - ahead - BLOCK, ("silence",), "after the close")

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
