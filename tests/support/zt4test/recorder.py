"""python3 -m zt4test.recorder [--native] OUT.wav [OUT.stamps [FIFO]]: records the null
sink's monitor, or what a pipe sink writes into FIFO, into OUT.wav until SIGTERM or the server
goes. --native records the sink through pipewire itself (pw-record), not its Pulse server. The
sound is written as it comes, so the file's size tells how much has been recorded. OUT.stamps
pairs the CLOCK_MONOTONIC time of every read with the frames read so far, which puts the
recording on the clock of the commands (clock(), reads()).
"""
import os
import signal
import struct
import subprocess
import sys
import time

from zt4test.wav import RATE


class _Stopped(Exception):
    pass


def _stop(*_):
    raise _Stopped


def _latency_msec():
    """How small the fragments parec asks for: small (5 ms) on PulseAudio, so that each read's
    time is close to when its frames were mixed. On PipeWire the smallest latency of all its
    streams sets the graph's quantum: 5 ms there would run the whole graph in 256-frame cycles,
    which a server without real-time priority misses now and then, each time a gap of silence
    in the player's sound. There it asks for PipeWire's largest quantum (2048 frames at 48
    kHz), which is what the graph runs at with a music player alone."""
    return 43 if os.environ.get("SERVER") == "pipewire" else 5


def _command(native):
    if native:
        # Raw to standard output; its default 100 ms latency leaves the graph's quantum alone.
        return ["pw-record", "--target=zt4test", "-P", "{ stream.capture.sink=true }",
                "--rate=%d" % RATE, "--channels=2", "--format=s16", "-"]
    return ["parec", "--raw", "--device=zt4test.monitor", "--rate=%d" % RATE, "--channels=2",
            "--format=s16le", "--latency-msec=%d" % _latency_msec()]


def record(wav_path, stamps_path=os.devnull, fifo=None, native=False):
    # A pipe sink's FIFO is read as it is written.
    proc = None
    if fifo:
        source = os.open(fifo, os.O_RDONLY)
    else:
        proc = subprocess.Popen(_command(native), stdout=subprocess.PIPE, bufsize=0)
        source = proc.stdout.fileno()
    # SIGTERM ends even a read that waits on a sink with nothing to say.
    signal.signal(signal.SIGTERM, _stop)
    frames = 0
    with open(wav_path, "wb", buffering=0) as wav, open(stamps_path, "w", buffering=1) as stamps:
        wav.write(b"\0" * 44)
        pending = b""
        try:
            while True:
                chunk = os.read(source, 65536)
                now = time.monotonic()
                if not chunk:
                    break
                pending += chunk
                whole = len(pending) - len(pending) % 4
                wav.write(pending[:whole])
                frames += whole // 4
                pending = pending[whole:]
                stamps.write("%.6f %d\n" % (now, frames))
        except _Stopped:
            pass
        signal.signal(signal.SIGTERM, signal.SIG_DFL)
        if proc:
            proc.terminate()
            proc.wait()
        size = (wav.tell() - 44) // 4 * 4
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


def reads(stamps_path):
    """[(time, frames so far)] of every read: frame n came in the first read whose count
    passes n. Unlike clock(), this holds when a sink stops writing while it is suspended."""
    with open(stamps_path) as f:
        return [(float(t), int(n)) for t, n in (line.split() for line in f)]


if __name__ == "__main__":
    if sys.argv[1] == "--native":
        record(*sys.argv[2:5], native=True)
    else:
        record(*sys.argv[1:4])
