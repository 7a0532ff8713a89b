#!/usr/bin/env python3
"""Draws help/band.gif, the picture of the vibration band on the Tremoscan
help page: a few bead tracks (displacement against frame number), their
mean, and the two limit lines at mean +/- 2 standard deviations whose
distance is the reported vibration.

The curves are a fixed pseudo-random series, so the picture is the same on
every run. Needs ImageMagick's convert. Usage: band_diagram.py [output.gif]
"""
import math
import random
import subprocess
import sys

WIDTH, HEIGHT = 700, 280
LEFT, RIGHT, TOP, BOTTOM = 70, 500, 24, 230   # plot area in pixels
FRAMES = 120
Y_MIN, Y_MAX = -24.0, 24.0                    # nanometres shown
FONT = "DejaVu-Sans"


def to_px(frame, nm):
    x = LEFT + (RIGHT - LEFT) * frame / (FRAMES - 1)
    y = BOTTOM - (BOTTOM - TOP) * (nm - Y_MIN) / (Y_MAX - Y_MIN)
    return x, y


def tracks():
    """Three beads that share the stage motion, each with its own noise,
    as displacements from their own first-frame position."""
    rng = random.Random(7)
    stage = [0.0]
    for _ in range(FRAMES - 1):
        stage.append(0.85 * stage[-1] + rng.gauss(0.0, 3.2))
    series = []
    for _ in range(3):
        position = [s + rng.gauss(0.0, 1.4) for s in stage]
        series.append([p - position[0] for p in position])
    return series


def drawing():
    series = tracks()
    flat = [v for s in series for v in s]
    mean = sum(flat) / len(flat)
    sd = math.sqrt(sum((v - mean) ** 2 for v in flat) / (len(flat) - 1))
    _, y_up = to_px(0, mean + 2 * sd)
    _, y_lo = to_px(0, mean - 2 * sd)
    _, y_mean = to_px(0, mean)

    mvg = ["stroke black", "stroke-width 1", "fill none",
           f"line {LEFT},{TOP} {LEFT},{BOTTOM}", f"line {LEFT},{BOTTOM} {RIGHT},{BOTTOM}"]
    for nm in (-20, -10, 0, 10, 20):
        _, y = to_px(0, nm)
        mvg.append(f"line {LEFT - 4},{y:.1f} {LEFT},{y:.1f}")
    for frame in (0, 30, 60, 90, 120):
        x, _ = to_px(min(frame, FRAMES - 1), Y_MIN)
        mvg.append(f"line {x:.1f},{BOTTOM} {x:.1f},{BOTTOM + 4}")
    for colour, values in zip(("#1f5fbf", "#2e8b57", "#b03090"), series):
        points = " ".join("%.1f,%.1f" % to_px(f, v) for f, v in enumerate(values))
        mvg += [f"stroke '{colour}'", f"polyline {points}"]
    mvg += ["push graphic-context", "stroke '#606060'", "stroke-dasharray 5 4",
            f"line {LEFT},{y_mean:.1f} {RIGHT},{y_mean:.1f}", "pop graphic-context"]
    mvg += ["stroke '#d00000'", "stroke-width 3",
            f"line {LEFT},{y_up:.1f} {RIGHT},{y_up:.1f}",
            f"line {LEFT},{y_lo:.1f} {RIGHT},{y_lo:.1f}"]
    ax = RIGHT + 100
    mvg += ["stroke black", "stroke-width 1", f"line {ax},{y_up + 2:.1f} {ax},{y_lo - 2:.1f}",
            "fill black",
            f"polygon {ax},{y_up:.1f} {ax - 4},{y_up + 9:.1f} {ax + 4},{y_up + 9:.1f}",
            f"polygon {ax},{y_lo:.1f} {ax - 4},{y_lo - 9:.1f} {ax + 4},{y_lo - 9:.1f}"]

    labels = [("#d00000", RIGHT + 4, y_up - 6, "mean + 2 SD"),
              ("#d00000", RIGHT + 4, y_lo + 16, "mean - 2 SD"),
              ("#606060", RIGHT + 4, y_mean + 4, "mean"),
              ("black", ax + 8, (y_up + y_lo) / 2 - 14, "vibration"),
              ("black", ax + 8, (y_up + y_lo) / 2 + 2, "= band"),
              ("black", ax + 8, (y_up + y_lo) / 2 + 18, "width"),
              ("black", (LEFT + RIGHT) / 2 - 42, HEIGHT - 12, "Frame Number")]
    for nm in (-20, -10, 0, 10, 20):
        _, y = to_px(0, nm)
        labels.append(("black", LEFT - 30, y + 4, f"{nm:>3}"))
    for frame in (0, 30, 60, 90, 120):
        x, _ = to_px(min(frame, FRAMES - 1), Y_MIN)
        labels.append(("black", x - 8, BOTTOM + 18, str(frame)))
    mvg += ["stroke none", f"font '{FONT}'", "font-size 12"]
    for colour, x, y, text in labels:
        mvg += [f"fill '{colour}'", f"text {x:.0f},{y:.0f} '{text}'"]
    mvg += ["fill black", "push graphic-context", f"translate 20,{(TOP + BOTTOM) / 2 + 52:.0f}",
            "rotate -90", "text 0,0 'Displacement (nm)'", "pop graphic-context"]
    return "\n".join(mvg) + "\n"


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "band.gif"
    subprocess.run(["convert", "-size", f"{WIDTH}x{HEIGHT}", "xc:white",
                    "-draw", drawing(), "-colors", "64", out], check=True)


if __name__ == "__main__":
    main()
