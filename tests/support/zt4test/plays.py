"""python3 -m zt4test.plays REC.wav PLAYS REF.wav...: fails unless the recording holds PLAYS
of the decoded test files (one steady sine each), told apart by the pitch of every 10 ms. "1 2 3": the
first played whole, then the second, then the third, and nothing else; "1 2 3 1+": the last
may be cut short and anything may follow. Silence between plays (the player moves on on a
timer) and short dropouts are allowed: a play is counted by its sounding length.
"""
import sys

from zt4test import wav
from zt4test.samples import SILENCE, pitch
from zt4test.wav import RATE

BLOCK_SECONDS = 0.01
PITCH_TOLERANCE = 0.05  # relative
LENGTH_TOLERANCE = 0.03  # seconds per play, on top of the 10 ms a block boundary may shift
MERGE_GAP = 0.3  # seconds of silence or unknown sound that still join two parts of a play


class Reference:
    def __init__(self, path):
        x, _ = wav.read(path)
        loud = [i for i in range(len(x)) if abs(x[i]) >= SILENCE]
        self.seconds = (loud[-1] + 1 - loud[0]) / RATE
        self.pitch = pitch(x, loud[0], loud[-1] + 1, RATE)


def parts(path, refs):
    """[(label, start s, length s)], label "silence", "?" or the reference's number."""
    x, _ = wav.read(path)
    n = int(RATE * BLOCK_SECONDS)
    labels = []
    for b in range(0, len(x) - n + 1, n):
        if max(abs(v) for v in x[b:b + n]) < SILENCE:
            labels.append("silence")
        else:
            f = pitch(x, b, b + n, RATE)
            labels.append(next((str(k) for k, ref in enumerate(refs, 1)
                                if abs(f - ref.pitch) <= PITCH_TOLERANCE * ref.pitch), "?"))
    # Runs of equal blocks, then the edges between sound and silence to the sample.
    runs = []
    for i, label in enumerate(labels):
        if runs and runs[-1][0] == label:
            runs[-1][2] = (i + 1) * n
        else:
            runs.append([label, i * n, (i + 1) * n])
    for j, run in enumerate(runs):
        if run[0] == "silence":
            continue
        if j > 0 and runs[j - 1][0] == "silence":
            runs[j - 1][2] = run[1] = next(i for i in range(run[1], run[2]) if abs(x[i]) >= SILENCE)
        if j + 1 < len(runs) and runs[j + 1][0] == "silence":
            runs[j + 1][1] = run[2] = 1 + next(i for i in reversed(range(run[1], run[2]))
                                               if abs(x[i]) >= SILENCE)
    return [(label, begin / RATE, (end - begin) / RATE) for label, begin, end in runs]


def expect(found, wanted, refs):
    """None if the parts make up the plays `wanted`, else what is wrong."""
    groups = []  # [label, sounding seconds, seconds since the group's last sound]
    for label, _, length in found:
        if label in ("silence", "?"):
            if groups:
                groups[-1][2] += length
        elif groups and groups[-1][0] == label and groups[-1][2] <= MERGE_GAP:
            groups[-1][1] += length
            groups[-1][2] = 0.0
        else:
            groups.append([label, length, 0.0])
    got = []  # (reference number, played whole?)
    for label, sounding, _ in groups:
        one = refs[int(label) - 1].seconds
        whole = int((sounding + LENGTH_TOLERANCE) // one)
        got += [(int(label), True)] * whole
        if sounding - whole * one > LENGTH_TOLERANCE * max(whole, 1) + BLOCK_SECONDS:
            got.append((int(label), False))
    # Stray sound that matches no reference must not make up a play's worth of time.
    stray = sum(length for label, _, length in found if label == "?")
    if stray > 0.1:
        return "%.3f s of sound match no reference" % stray
    want = [int(w) for w in wanted.rstrip("+").split()]
    numbers = [number for number, _ in got]
    if wanted.endswith("+"):
        cut = [i for i, (_, whole) in enumerate(got[:len(want)]) if not whole]
        if numbers[:len(want)] != want or cut not in ([], [len(want) - 1]):
            return "plays %s do not begin with %s played whole" % (numbers, want)
    elif numbers != want or not all(whole for _, whole in got):
        return "plays %s (whole: %s), expected %s" % (numbers, [w for _, w in got], want)
    return None


def main(rec, wanted, *ref_paths):
    refs = [Reference(p) for p in ref_paths]
    found = parts(rec, refs)
    problem = expect(found, wanted, refs)
    if problem:
        print("plays: %s: %s; its parts (start ms, length ms, reference):" % (rec, problem))
        for label, start, length in found:
            print("%9.1f %8.1f %s" % (start * 1000, length * 1000, label))
    return 1 if problem else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
