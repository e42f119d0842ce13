#!/usr/bin/python3
"""The measuring parts of bench/playback/run.sh.

    measure.py click NAME                  clicks the widget (AT-SPI, XTest) and prints the
                                           CLOCK_MONOTONIC time of the click
    measure.py where NAME                  prints the widget's centre relative to its window
    measure.py latency REC.wav REC.stamps T...
                                           for each click time T: ms to the first sound after it
    measure.py gaps REC.wav REF.wav...     the silences between plays and the length of each
                                           play, in ms, to the sample (plays joined without
                                           any silence count as gaps of 0)
    measure.py cpu PID...                  CPU time of the processes' threads, in seconds

How the click and the sound are put on one clock: the recorder that run.sh starts
(zt4test.recorder) reads raw frames from parec in small fragments (--latency-msec=5) and
notes, for each read, CLOCK_MONOTONIC and the frames received so far. Frame n cannot reach
us before the sink has mixed it, so t0 = min over reads (time - frames / rate) is when frame
0 was mixed plus the smallest delivery delay seen, and frame n was mixed at about
t0 + n / rate. The click time is taken right before XTest's button press and release go
out in one flush, on the same clock, so a figure is the time from the click until the null
sink mixes the first sound. Uncertainty: reads arrive every 5 ms with a steady offset (under
1 ms of jitter), and the sink mixes up to one of its blocks (5 ms with this recorder
connected) ahead of its clock; figures are good to about 5 ms. A real device adds its own output latency on top.
"""
import ctypes
import os
import statistics
import subprocess
import sys
import time

from zt4test import plays, wav
from zt4test.recorder import clock
from zt4test.samples import SILENCE
from zt4test.wav import RATE


def click(name):
    from zt4test import ui  # pyatspi: Debian's python only
    box = ui.widget(name).queryComponent().getExtents(ui.pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(box.x + box.width // 2),
                    str(box.y + box.height // 2)], check=True)
    x11 = ctypes.CDLL("libX11.so.6")
    xtst = ctypes.CDLL("libXtst.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XFlush.argtypes = [ctypes.c_void_p]
    xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                          ctypes.c_ulong]
    display = x11.XOpenDisplay(None)
    xtst.XTestFakeButtonEvent(display, 1, 1, 0)
    xtst.XTestFakeButtonEvent(display, 1, 0, 0)
    at = time.monotonic()
    x11.XFlush(display)
    print("%.6f" % at)


def where(name):
    from zt4test import ui  # pyatspi: Debian's python only
    box = ui.widget(name).queryComponent().getExtents(ui.pyatspi.DESKTOP_COORDS)
    frame = ui.main_window().queryComponent().getExtents(ui.pyatspi.DESKTOP_COORDS)
    print(box.x + box.width // 2 - frame.x, box.y + box.height // 2 - frame.y)


def latency(wav_path, stamps_path, clicks):
    t0 = clock(stamps_path)
    x, _ = wav.read(wav_path)
    for t in clicks:
        n = max(0, int((float(t) - t0) * RATE))
        while n < len(x) and abs(x[n]) < SILENCE:
            n += 1
        if n == len(x):
            print("no sound")
        else:
            print("%.1f" % ((t0 + n / RATE - float(t)) * 1000))


def gaps(wav_path, refs):
    """Silences between plays and the sounding length of each play, to the sample."""
    refs = [plays.Reference(p) for p in refs]
    one = refs[0].seconds
    x, _ = wav.read(wav_path)
    loud = [i for i in range(len(x)) if abs(x[i]) >= SILENCE]
    if not loud:
        print("no sound")
        return
    # Sounding stretches: a sine stays under the threshold for a sample or two at each zero
    # crossing, so only quiet runs of 10 samples (0.23 ms) or more split them.
    stretches = [[loud[0], loud[0] + 1]]
    for i in loud[1:]:
        if i - stretches[-1][1] >= 10:
            stretches.append([i, i + 1])
        else:
            stretches[-1][1] = i + 1
    # A play is sounding time worth one track; a quiet run inside it (before nine tenths of
    # the track have sounded: some players trim a few ms off each play) is a dropout, not a
    # gap.
    played, silences, dropouts = [], [], []
    sounding = 0.0
    for k, (b, e) in enumerate(stretches):
        if k > 0:
            quiet = (b - stretches[k - 1][1]) / RATE
            if sounding >= 0.9 * one:
                played.append(sounding)
                silences.append(quiet)
                sounding = 0.0
            else:
                dropouts.append(quiet)
        sounding += (e - b) / RATE
    played.append(sounding)
    # A gapless player joins plays with no silence at all: a stretch worth k tracks holds
    # k - 1 gaps of zero.
    for p in played:
        silences += [0.0] * (max(1, round(p / one)) - 1)
    ms = lambda v: "%.1f" % (v * 1000)  # noqa: E731
    print("plays_ms", " ".join(ms(p) for p in played))
    print("gaps_ms", " ".join(ms(s) for s in silences))
    print("dropouts_ms", " ".join(ms(d) for d in dropouts) or "-")
    if silences:
        print("gap_median_ms", ms(statistics.median(silences)))


def cpu(*pids):
    # The scheduler's run time of every thread, in nanoseconds: /proc/PID/stat counts in
    # 10 ms ticks, too coarse for half a second of CPU. A thread that ends between two
    # readings takes its time with it; the players' threads live as long as they play.
    total = 0
    for pid in pids:
        for task in os.listdir("/proc/%s/task" % pid):
            try:
                with open("/proc/%s/task/%s/schedstat" % (pid, task)) as f:
                    total += int(f.read().split()[0])
            except FileNotFoundError:
                pass
    print("%.4f" % (total / 1e9))


def main(argv):
    command, args = argv[0], argv[1:]
    if command == "click":
        click(args[0])
    elif command == "where":
        where(args[0])
    elif command == "latency":
        latency(args[0], args[1], args[2:])
    elif command == "gaps":
        gaps(args[0], args[1:])
    elif command == "cpu":
        cpu(*args)
    else:
        print(__doc__, file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
