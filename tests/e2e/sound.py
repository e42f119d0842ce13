#!/usr/bin/env python3
"""Tells which of the test tones a recording of the player holds, in what order and for
how long, by the pitch of every 10 ms of sound (each test file is one steady sine).

    sound.py parts REC.wav REF.wav...          prints every part: start and length in ms,
                                               "silence", the number of the reference it
                                               matches (1 = first REF) or "?"
    sound.py expect REC.wav PLAYS REF.wav...   fails unless the recording holds the plays
                                               PLAYS, e.g. "1 2 3": the first reference
                                               played whole, then the second, then the third,
                                               and nothing else; a trailing "+" ("1 2 3 1+")
                                               allows the last play to be cut short and
                                               anything to follow it

The references are the files decoded to WAV; their pitch and length are measured the same
way. Silence between plays is allowed anywhere (the player moves to the next track on a
timer), and so are short dropouts inside a play: a play is counted by its sounding length.
"""
import struct
import sys
from array import array

SILENCE = 64  # peak sample value under which a block counts as silent (about -54 dBFS)
BLOCK_SECONDS = 0.01
PITCH_TOLERANCE = 0.05  # relative
LENGTH_TOLERANCE = 0.03  # seconds per play, on top of the 10 ms a block boundary may shift
MERGE_GAP = 0.3  # seconds of silence or unknown sound that still join two parts of a play


def read_wav(path):
    """(rate, samples of the first channel) of a 16-bit PCM WAV. A recording cut off before
    its header was finished still reads: the data runs to the end of the file."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise SystemExit("%s: not a WAV file" % path)
    pos, rate, channels, bits, fmt = 12, None, None, None, None
    while pos + 8 <= len(data):
        cid, size = data[pos:pos + 4], struct.unpack("<I", data[pos + 4:pos + 8])[0]
        body = pos + 8
        if cid == b"fmt ":
            fmt, channels, rate = struct.unpack("<HHI", data[body:body + 8])
            bits = struct.unpack("<H", data[body + 14:body + 16])[0]
            if fmt == 0xFFFE:  # WAVE_FORMAT_EXTENSIBLE: the sub-format's first two bytes
                fmt = struct.unpack("<H", data[body + 24:body + 26])[0]
        elif cid == b"data":
            end = len(data) if size in (0, 0xFFFFFFFF) else min(len(data), body + size)
            if fmt != 1 or bits != 16:
                raise SystemExit("%s: not 16-bit PCM" % path)
            frames = (end - body) // (2 * channels)
            pcm = array("h", data[body:body + frames * 2 * channels])
            if sys.byteorder != "little":
                pcm.byteswap()
            return rate, pcm[::channels]
        pos = body + size + (size & 1)
    raise SystemExit("%s: no data" % path)


def pitch(x, begin, end, rate):
    """Frequency from the upward zero crossings in x[begin:end], or 0 if too few."""
    first = last = None
    count = 0
    prev = x[begin]
    for i in range(begin + 1, end):
        cur = x[i]
        if prev < 0 <= cur:
            at = i - 1 + prev / (prev - cur)
            if first is None:
                first = at
            last = at
            count += 1
        prev = cur
    if count < 2 or last == first:
        return 0.0
    return (count - 1) * rate / (last - first)


class Reference:
    def __init__(self, path):
        self.rate, x = read_wav(path)
        loud = [i for i in range(0, len(x)) if abs(x[i]) >= SILENCE]
        self.seconds = (loud[-1] + 1 - loud[0]) / self.rate if loud else 0.0
        self.pitch = pitch(x, loud[0], loud[-1] + 1, self.rate) if loud else 0.0


def parts(path, refs):
    """[(label, start s, length s)], label "silence", "?" or the reference's number."""
    rate, x = read_wav(path)
    n = int(rate * BLOCK_SECONDS)
    labels = []
    for b in range(0, len(x) - n + 1, n):
        block = x[b:b + n]
        if max(max(block), -min(block)) < SILENCE:
            labels.append("silence")
            continue
        f = pitch(x, b, b + n, rate)
        label = "?"
        for k, ref in enumerate(refs, 1):
            if ref.pitch and abs(f - ref.pitch) <= PITCH_TOLERANCE * ref.pitch:
                label = str(k)
        labels.append(label)
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
            start = run[1]
            while start < run[1] + n and abs(x[start]) < SILENCE:
                start += 1
            runs[j - 1][2] = run[1] = start
        if j + 1 < len(runs) and runs[j + 1][0] == "silence":
            end = run[2]
            while end > run[2] - n and abs(x[end - 1]) < SILENCE:
                end -= 1
            runs[j + 1][1] = run[2] = end
    return [(label, begin / rate, (end - begin) / rate) for label, begin, end in runs]


def plays(found, refs):
    """Groups the parts into plays: [(reference number, sounding seconds, how many whole
    plays that length makes, the seconds left over)]."""
    groups = []  # [label, sounding seconds, seconds since the group's last sound]
    for label, _, length in found:
        if label in ("silence", "?"):
            if groups:
                groups[-1][2] += length
            continue
        if groups and groups[-1][0] == label and groups[-1][2] <= MERGE_GAP:
            groups[-1][1] += length
            groups[-1][2] = 0.0
        else:
            groups.append([label, length, 0.0])
    result = []
    for label, sounding, _ in groups:
        one = refs[int(label) - 1].seconds
        whole = int((sounding + LENGTH_TOLERANCE) // one)
        result.append((int(label), sounding, whole, sounding - whole * one))
    return result


def expect(found, wanted, refs):
    """None if the plays match `wanted`, else what is wrong."""
    open_end = wanted.endswith("+")
    want = [int(w) for w in wanted.rstrip("+").split()]
    got = []  # (number, whole?)
    for number, sounding, whole, rest in plays(found, refs):
        slack = LENGTH_TOLERANCE * max(whole, 1) + BLOCK_SECONDS
        got += [(number, True)] * whole
        if rest > slack:
            got.append((number, False))
    # Stray sound that matches no reference must not make up a play's worth of time.
    stray = sum(length for label, _, length in found if label == "?")
    if stray > 0.1:
        return "%.3f s of sound match no reference" % stray
    numbers = [number for number, _ in got]
    if open_end:
        if numbers[:len(want)] != want:
            return "plays %s do not begin with %s" % (numbers, want)
        cut = [i for i, (_, whole) in enumerate(got[:len(want)]) if not whole]
        if cut and cut != [len(want) - 1]:
            return "play %d of %s is cut short" % (cut[0] + 1, numbers)
    else:
        if numbers != want:
            return "plays %s, expected %s" % (numbers, want)
        if not all(whole for _, whole in got):
            return "a play is cut short or too long"
    return None


def main(argv):
    if len(argv) >= 2 and argv[0] == "parts":
        refs = [Reference(p) for p in argv[2:]]
        for label, start, length in parts(argv[1], refs):
            print("%9.1f %8.1f %s" % (start * 1000, length * 1000, label))
        return 0
    if len(argv) >= 3 and argv[0] == "expect":
        refs = [Reference(p) for p in argv[3:]]
        found = parts(argv[1], refs)
        problem = expect(found, argv[2], refs)
        if problem:
            print("sound.py: %s: %s; its parts (start ms, length ms, reference):"
                  % (argv[1], problem), file=sys.stderr)
            for label, start, length in found:
                print("%9.1f %8.1f %s" % (start * 1000, length * 1000, label), file=sys.stderr)
            return 1
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
