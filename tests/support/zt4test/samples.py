"""What a stretch of 16-bit samples is: silent or not, its level, its pitch."""
from math import log10, sqrt

SILENCE = 64  # peak sample value under which a stretch counts as silent (about -54 dBFS)


def level_db(x, begin, end):
    """The RMS level of x[begin:end] in dB of one sample step (-180 for digital silence)."""
    n = max(1, end - begin)
    return 20 * log10(max(1e-9, sqrt(sum(v * v for v in x[begin:end]) / n)))


def pitch(x, begin, end, rate):
    """Frequency from the upward zero crossings in x[begin:end], or 0 if too few. A crossing
    counts only once the wave has gone below a quarter of the stretch's peak since the last one:
    the ringing a resampler leaves before a sound that starts abruptly crosses zero at nearly
    every sample."""
    low = -max(SILENCE, max((abs(v) for v in x[begin:end]), default=0) // 4)
    at = []
    armed = False
    for i in range(begin + 1, end):
        if x[i - 1] <= low:
            armed = True
        if armed and x[i - 1] < 0 <= x[i]:
            at.append(i - 1 + x[i - 1] / (x[i - 1] - x[i]))
            armed = False
    return (len(at) - 1) * rate / (at[-1] - at[0]) if len(at) > 1 and at[-1] > at[0] else 0.0
