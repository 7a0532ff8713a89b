#!/usr/bin/env python3
"""Draws help/chooser.gif, the sketch of the file chooser's layout on the
file chooser help page: the preview column on the left and the Files page
with its directory box, sort buttons, file list, name and type fields.

Needs ImageMagick's convert. Usage: chooser_diagram.py [output.gif]
"""
import subprocess
import sys

WIDTH, HEIGHT = 520, 300
FONT = "DejaVu-Sans"

# (x, y, width, height, fill, label, label colour); a label of None draws a plain box.
BOXES = [
    (4, 4, 512, 292, "#d9d9d9", None, None),              # window
    (12, 12, 150, 276, "#c8c8c8", None, None),            # preview column
    (19, 36, 136, 104, "#ffffff", "picture", "#808080"),  # preview area
    (174, 12, 334, 276, "#c8c8c8", None, None),           # Files page
    (174, 12, 60, 18, "#e8e8e8", "Files", "black"),       # tab
    (240, 38, 100, 20, "#ffffff", "/data/beads", "black"),
    (344, 38, 52, 20, "#e8e8e8", "Refresh", "black"),
    (400, 38, 26, 20, "#e8e8e8", "Up", "black"),
    (430, 38, 32, 20, "#e8e8e8", "New", "black"),
    (466, 38, 36, 20, "#e8e8e8", "Help", "black"),
    (182, 66, 110, 18, "#e8e8e8", "Date  v", "black"),
    (296, 66, 206, 18, "#e8e8e8", "File Name", "black"),
    (182, 86, 320, 120, "#ffffff", None, None),           # list
    (262, 214, 190, 20, "#ffffff", "series_02.img", "black"),
    (458, 214, 44, 20, "#e8e8e8", "OK", "black"),
    (262, 242, 150, 20, "#ffffff", "*.img", "black"),
    (418, 242, 84, 20, "#e8e8e8", "Cancel", "black"),
]

TEXT = [
    (20, 28, "Preview:", "black"),
    (20, 160, "Created/Acquired:", "black"),
    (20, 180, "Last Modified:", "black"),
    (20, 200, "File Size:", "black"),
    (20, 220, "Image Info:", "black"),
    (20, 238, "Z=1 W=1 T=300", "#404040"),
    (182, 52, "Directory", "black"),
    (188, 102, "[12/05/24 14:02] data/", "black"),
    (188, 120, "[12/05/24 14:10] series_01.img", "black"),
    (188, 138, "[12/05/24 14:31] series_02.img", "black"),
    (182, 228, "File Name", "black"),
    (182, 256, "File Types", "black"),
]


def drawing():
    mvg = ["stroke '#707070'", "stroke-width 1", f"font '{FONT}'", "font-size 11"]
    for x, y, w, h, fill, label, colour in BOXES:
        mvg += [f"fill '{fill}'", f"rectangle {x},{y} {x + w},{y + h}"]
        if label:
            # Roughly centred: 6 pixels per character at this size.
            tx = x + max(3, (w - 6 * len(label)) // 2)
            mvg += ["push graphic-context", "stroke none", f"fill '{colour}'",
                    f"text {tx},{y + h // 2 + 4} '{label}'", "pop graphic-context"]
    for x, y, label, colour in TEXT:
        mvg += ["push graphic-context", "stroke none", f"fill '{colour}'",
                f"text {x},{y} '{label}'", "pop graphic-context"]
    # The selected file in the list.
    mvg += ["push graphic-context", "stroke none", "fill '#2f5fa8'",
            "rectangle 183,124 501,141", "fill white",
            "text 188,138 '[12/05/24 14:31] series_02.img'", "pop graphic-context"]
    return "\n".join(mvg) + "\n"


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "chooser.gif"
    subprocess.run(["convert", "-size", f"{WIDTH}x{HEIGHT}", "xc:white",
                    "-draw", drawing(), "-colors", "64", out], check=True)


if __name__ == "__main__":
    main()
