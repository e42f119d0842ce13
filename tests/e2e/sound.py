#!/usr/bin/env python3
"""sound.py REC.wav PLAYS REF.wav...: fails unless the recording holds PLAYS of the decoded
test files (one steady sine each), told apart by the pitch of every 10 ms. "1 2 3": the
first played whole, then the second, then the third, and nothing else; "1 2 3 1+": the last
may be cut short and anything may follow. Silence between plays (the player moves on on a
timer) and short dropouts are allowed: a play is counted by its sounding length.
"""
import os
import signal
import struct
import subprocess
import sys
import time
from array import array

SILENCE = 64  # peak sample value under which a block counts as silent (about -54 dBFS)
BLOCK_SECONDS = 0.01
PITCH_TOLERANCE = 0.05  # relative
LENGTH_TOLERANCE = 0.03  # seconds per play, on top of the 10 ms a block boundary may shift
MERGE_GAP = 0.3  # seconds of silence or unknown sound that still join two parts of a play
RATE = 44100


def read_wav(path):
    """(rate, samples of the first channel); a recording whose header was never finished
    still reads to the end of the file."""
    raw = subprocess.run(["sox", "--ignore-length", path, "-D", "-t", "raw", "-e", "signed",
                          "-b", "16", "-r", str(RATE), "-", "remix", "1"],
                         check=True, capture_output=True).stdout
    return RATE, array("h", raw)


def record(wav_path, stamps_path):
    """Records the null sink's monitor into WAV_PATH until SIGTERM; STAMPS_PATH pairs the
    CLOCK_MONOTONIC time of every read with the frames read so far (see clock())."""
    proc = subprocess.Popen(
        ["parec", "--raw", "--device=zt4test.monitor", "--rate=%d" % RATE, "--channels=2",
         "--format=s16le", "--latency-msec=5"], stdout=subprocess.PIPE, bufsize=0)
    stop = []
    signal.signal(signal.SIGTERM, lambda *_: stop.append(1))
    frames = 0
    with open(wav_path, "wb") as wav, open(stamps_path, "w") as stamps:
        wav.write(b"\0" * 44)
        pending = b""
        while not stop:
            try:
                chunk = os.read(proc.stdout.fileno(), 65536)
            except InterruptedError:
                continue
            now = time.monotonic()
            if not chunk:
                break
            pending += chunk
            whole = len(pending) - len(pending) % 4
            wav.write(pending[:whole])
            frames += whole // 4
            pending = pending[whole:]
            stamps.write("%.6f %d\n" % (now, frames))
        proc.terminate()
        proc.wait()
        size = frames * 4
        wav.seek(0)
        wav.write(b"RIFF" + struct.pack("<I", 36 + size) + b"WAVEfmt " +
                  struct.pack("<IHHIIHH", 16, 1, 2, RATE, RATE * 4, 4, 16) +
                  b"data" + struct.pack("<I", size))


def clock(stamps_path):
    """When frame 0 of a recording was mixed, on CLOCK_MONOTONIC: frame n cannot reach the
    recorder before the sink has mixed it, so the least (time - frames / rate) over its reads
    is that time plus the smallest delivery delay seen; frame n was mixed at t0 + n / rate."""
    t0 = None
    with open(stamps_path) as f:
        for line in f:
            t, n = line.split()
            t0 = min(t0, float(t) - int(n) / RATE) if t0 is not None else float(t) - int(n) / RATE
    return t0


def pitch(x, begin, end, rate):
    """Frequency from the upward zero crossings in x[begin:end], or 0 if too few."""
    at = [i - 1 + x[i - 1] / (x[i - 1] - x[i]) for i in range(begin + 1, end) if x[i - 1] < 0 <= x[i]]
    return (len(at) - 1) * rate / (at[-1] - at[0]) if len(at) > 1 and at[-1] > at[0] else 0.0


class Reference:
    def __init__(self, path):
        rate, x = read_wav(path)
        loud = [i for i in range(len(x)) if abs(x[i]) >= SILENCE]
        self.seconds = (loud[-1] + 1 - loud[0]) / rate
        self.pitch = pitch(x, loud[0], loud[-1] + 1, rate)


def parts(path, refs):
    """[(label, start s, length s)], label "silence", "?" or the reference's number."""
    rate, x = read_wav(path)
    n = int(rate * BLOCK_SECONDS)
    labels = []
    for b in range(0, len(x) - n + 1, n):
        if max(abs(v) for v in x[b:b + n]) < SILENCE:
            labels.append("silence")
        else:
            f = pitch(x, b, b + n, rate)
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
    return [(label, begin / rate, (end - begin) / rate) for label, begin, end in runs]


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
        print("sound.py: %s: %s; its parts (start ms, length ms, reference):" % (rec, problem))
        for label, start, length in found:
            print("%9.1f %8.1f %s" % (start * 1000, length * 1000, label))
    return 1 if problem else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
