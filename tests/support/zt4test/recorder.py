"""python3 -m zt4test.recorder OUT.wav [OUT.stamps]: records the null sink's monitor into
OUT.wav until SIGTERM or the server goes. The sound is written
as it comes, so the file's size tells how much has been recorded. OUT.stamps pairs the
CLOCK_MONOTONIC time of every read with the frames read so far, which puts the recording on
the clock of the commands (clock()).
"""
import os
import signal
import struct
import subprocess
import sys
import time

from zt4test.wav import RATE


def record(wav_path, stamps_path=os.devnull):
    # parec reads in small fragments (5 ms), so that each read's time is close to when its
    # frames were mixed.
    proc = subprocess.Popen(
        ["parec", "--raw", "--device=zt4test.monitor", "--rate=%d" % RATE, "--channels=2",
         "--format=s16le", "--latency-msec=5"], stdout=subprocess.PIPE, bufsize=0)
    stop = []

    def on_term(*_):
        # parec ends, so a read waiting on it returns even when the server sends nothing.
        stop.append(1)
        proc.terminate()

    signal.signal(signal.SIGTERM, on_term)
    frames = 0
    with open(wav_path, "wb", buffering=0) as wav, open(stamps_path, "w", buffering=1) as stamps:
        wav.write(b"\0" * 44)
        pending = b""
        while not stop:
            chunk = os.read(proc.stdout.fileno(), 65536)
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


if __name__ == "__main__":
    record(*sys.argv[1:3])
