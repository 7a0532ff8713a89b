// Colours as cairo takes them, the shades derived from a background for the
// border and the grid, and reading X colour names.
#pragma once

#include <X11/Xlib.h>

#include <optional>

namespace chart {

struct Rgb {
  double r = 0;  // red intensity, 0..1
  double g = 0;  // green intensity, 0..1
  double b = 0;  // blue intensity, 0..1
};

// `a` moved towards `b` by the fraction t (0 = a, 1 = b).
Rgb Mix(const Rgb& a, const Rgb& b, double t);

// The lit and the shaded edge of a three-dimensional border on `background`.
Rgb BorderLight(const Rgb& background);
Rgb BorderShadow(const Rgb& background);

// A grid line colour that stays visible but quiet on `background`.
Rgb GridColor(const Rgb& background);

// An X colour name ("forestGreen", "gray85", "#ff8000", "rgb:ff/80/00") looked
// up in `colormap`; nothing when the server does not know the name.
std::optional<Rgb> ParseColorName(Display* display, Colormap colormap, const char* name);

}  // namespace chart
