#!/usr/bin/python3
"""Reference taps for the receive side's 89-tap FIR band-pass, from scipy.signal.remez.

scipy's remez is an independent implementation of the same McClellan-Parks-Rabiner exchange.
With fs = 1 (edges as fractions of the sample rate), grid_density = 64 and maxiter = 150 it
solves the same problem as BandPassDesigner::DesignBandPass: 89 taps, bands
[0, (F-B/2)/11025], [(F-W/2)/11025, (F+W/2)/11025], [(F+B/2)/11025, 0.5], desired 0, 1, 0,
weights 30, 1, 30.

scipy refuses edges below 0, touching bands and inverted bands; for those cases the script
applies the keyer's own repair (usable_edges, the same rule as BandPassDesigner::UsableEdges)
first, so the reference still checks the exchange on the repaired problem. Like the keyer it
takes a design only when its gain stays within 2 from 0 Hz to half the sample rate, narrowing
the transition that holds the peak otherwise; the peak is found here by brute force on a fine
grid, independently of the keyer's search.

Writes tests/data/fir/bandpass_F_W_B.txt, one tap per line ("%.17g"), and
remez_lowpass_31.txt, a 31-tap low-pass whose bands do not reach 0 or 0.5, for the exchange's
path that stretches the frequency axis. With --time it also prints scipy's time per design.

Run with Debian's interpreter, which has python3-scipy: /usr/bin/python3.
"""

import argparse
import os
import sys
import timeit

import numpy as np
from scipy.signal import remez

TAPS = 89
SAMPLE_RATE = 11025.0
GRID_DENSITY = 64
MAX_ITERATIONS = 150
DESIRED = [0.0, 1.0, 0.0]
WEIGHTS = [30.0, 1.0, 30.0]
MIN_PASS_BAND = 10.0 / SAMPLE_RATE
MAX_TRANSITION = 1500.0 / SAMPLE_RATE
USABLE_TRANSITION = 250.0 / SAMPLE_RATE
MIN_TRANSITION = 1e-9
MIN_END_ROOM = 125.0 / SAMPLE_RATE
MAX_GAIN = 2.0
NARROWING = 0.75
MAX_NARROWINGS = 16
PEAK_POINTS = 1 << 16

# (centre, width, -60 dB width) in Hz: the defaults, the example with wide transitions, the
# operating window's limits, and inputs whose edges need the repair.
CASES = [
    (1000, 100, 200),    # defaults
    (1000, 200, 600),    # wide transitions
    (201, 10, 200),      # lowest centre, narrowest width
    (201, 100, 400),     # lowest centre, lower stop edge at 1 Hz
    (2755, 2000, 3000),  # highest centre, widest widths
    (1000, 10, 11),      # narrow width, half-hertz transitions (under a grid step, kept)
    (1500, 2000, 2400),  # widest pass band
    (700, 300, 1400),    # lower stop edge exactly 0 Hz
    (201, 10, 3000),     # lower stop edge below 0 Hz (repaired, transition narrowed)
    (201, 100, 3000),    # likewise; +92 dB at 925 Hz unless narrowed
    (251, 500, 3000),    # likewise; +112 dB unless narrowed
    (1000, 100, 2100),   # upper transition swells by 34 dB unless narrowed
    (201, 307, 2716),    # the most narrowing rounds the window's values need
    (500, 1000, 1500),   # pass band reaching 0 Hz: a low-pass
    (1000, 100, 100),    # width equal to the -60 dB width (repaired)
    (1000, 300, 200),    # width above the -60 dB width (repaired)
    (300, 500, 100),     # likewise, too close to 0 Hz for a lower stop band: a low-pass
    (1000, 0, 200),      # zero width (repaired)
    (1000, -100, 200),   # negative width (repaired)
    (2000, 1000, 100000),  # transitions wider than any the window allows (repaired)
]


# A problem off the band-pass path: bands not spanning 0..0.5.
LOWPASS_TAPS = 31
LOWPASS_EDGES = [0.02, 0.1, 0.15, 0.45]
LOWPASS_DESIRED = [1.0, 0.0]
LOWPASS_WEIGHTS = [1.0, 10.0]


def problem_edges(centre, width, bottom):
    f = float(centre)
    return [0.0, (f - bottom / 2.0) / SAMPLE_RATE, (f - width / 2.0) / SAMPLE_RATE,
            (f + width / 2.0) / SAMPLE_RATE, (f + bottom / 2.0) / SAMPLE_RATE, 0.5]


def clamp(value, low, high):
    return min(max(value, low), high)


def usable_edges(edges):
    """The keyer's repair of impossible band edges (see BandPassDesigner::UsableEdges)."""
    e = [0.0 if v != v else clamp(v, 0.0, 0.5) for v in edges]
    e[0] = min(e[0], 0.5 - MIN_PASS_BAND)
    e[5] = max(e[5], e[0] + MIN_PASS_BAND)
    if e[3] - e[2] < MIN_PASS_BAND:
        middle = 0.5 * (e[2] + e[3])
        e[2] = middle - 0.5 * MIN_PASS_BAND
        e[3] = middle + 0.5 * MIN_PASS_BAND
    width = min(e[3] - e[2], e[5] - e[0])
    e[2] = clamp(e[2], e[0], e[5] - width)
    e[3] = min(e[2] + width, e[5])
    if not e[2] - e[1] >= MIN_TRANSITION:
        e[1] = e[2] - USABLE_TRANSITION
    if not e[4] - e[3] >= MIN_TRANSITION:
        e[4] = e[3] + USABLE_TRANSITION
    e[1] = max(e[0], max(e[1], e[2] - MAX_TRANSITION))
    e[4] = min(e[5], min(e[4], e[3] + MAX_TRANSITION))
    if e[1] == e[0] and e[2] - e[0] < MIN_END_ROOM:
        e[2] = e[0]
    if e[4] == e[5] and e[5] - e[3] < MIN_END_ROOM:
        e[3] = e[5]
    return e


def design_bands(e):
    """scipy's design of the usable edges, leaving out a stop band the pass band took in."""
    bands, desired, weights = [], [], []
    for b in range(3):
        if (b == 0 and e[2] == e[0]) or (b == 2 and e[3] == e[5]):
            continue
        bands += e[2 * b:2 * b + 2]
        desired.append(DESIRED[b])
        weights.append(WEIGHTS[b])
    return remez(TAPS, bands, desired, weight=weights, fs=1.0, grid_density=GRID_DENSITY,
                 maxiter=MAX_ITERATIONS)


def peak(taps):
    """Largest |H(f)| over 0..0.5 on a fine grid, and where (fraction of the sample rate)."""
    f = np.linspace(0.0, 0.5, PEAK_POINTS + 1)
    gain = np.abs(np.cos(2.0 * np.pi * np.outer(f, np.arange(TAPS) - TAPS // 2)) @ taps)
    i = int(np.argmax(gain))
    return gain[i], f[i]


def design(edges):
    """The keyer's design: narrow the transition holding a peak above 2 until none is left."""
    e = list(edges)
    for _ in range(MAX_NARROWINGS + 1):
        with np.errstate(all="ignore"):
            taps = design_bands(e)
        lower = upper = True
        if np.all(np.isfinite(taps)):
            gain, where = peak(taps)
            if gain <= MAX_GAIN:
                return taps
            lower, upper = where < e[2], where > e[3]
            if not lower and not upper:
                lower = upper = True
        if lower:
            e[1] = e[2] - (e[2] - e[1]) * NARROWING
        if upper:
            e[4] = e[3] + (e[4] - e[3]) * NARROWING
    raise ValueError("no narrowing keeps the gain within 2")


def write_taps(name, taps):
    with open(name, "w", encoding="ascii") as out:
        for tap in taps:
            out.write("%.17g\n" % tap)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "tests",
                                                      "data", "fir"))
    parser.add_argument("--time", action="store_true", help="print scipy's time per design")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)

    for centre, width, bottom in CASES:
        edges = usable_edges(problem_edges(centre, width, bottom))
        try:
            taps = design(edges)
        except ValueError as error:
            print(f"{centre} {width} {bottom}: scipy refuses: {error}".strip())
            continue
        name = os.path.join(args.out, f"bandpass_{centre}_{width}_{bottom}.txt")
        write_taps(name, taps)
        print(f"{centre} {width} {bottom}: {os.path.basename(name)}")
        if args.time:
            runs = 200
            seconds = timeit.timeit(lambda: design_bands(edges), number=runs) / runs
            print(f"    scipy.signal.remez: {seconds * 1e3:.3f} ms per design")

    lowpass = remez(LOWPASS_TAPS, LOWPASS_EDGES, LOWPASS_DESIRED, weight=LOWPASS_WEIGHTS, fs=1.0,
                    grid_density=GRID_DENSITY, maxiter=MAX_ITERATIONS)
    write_taps(os.path.join(args.out, "remez_lowpass_31.txt"), lowpass)
    print("low-pass: remez_lowpass_31.txt")
    return 0


if __name__ == "__main__":
    np.seterr(all="raise")
    sys.exit(main())
