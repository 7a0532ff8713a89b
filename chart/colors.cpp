// Colour arithmetic for borders and grid lines, and X colour name lookup.
#include "colors.h"

#include <algorithm>

namespace chart {

namespace {

const Rgb kWhite{1, 1, 1};
const Rgb kBlack{0, 0, 0};

double Luminance(const Rgb& c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

}  // namespace

Rgb Mix(const Rgb& a, const Rgb& b, double t) {
  t = std::clamp(t, 0.0, 1.0);
  return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// The lit edge goes towards white; on an already white background that
// would vanish, so it goes a little towards black instead.
Rgb BorderLight(const Rgb& background) {
  return Luminance(background) > 0.95 ? Mix(background, kBlack, 0.08)
                                      : Mix(background, kWhite, 0.6);
}

Rgb BorderShadow(const Rgb& background) { return Mix(background, kBlack, 0.5); }

Rgb GridColor(const Rgb& background) {
  return Luminance(background) < 0.35 ? Mix(background, kWhite, 0.25)
                                      : Mix(background, kBlack, 0.13);
}

std::optional<Rgb> ParseColorName(Display* display, Colormap colormap, const char* name) {
  if (!display || !name || !*name) return std::nullopt;
  XColor color{};
  if (!XParseColor(display, colormap, name, &color)) return std::nullopt;
  return Rgb{color.red / 65535.0, color.green / 65535.0, color.blue / 65535.0};
}

}  // namespace chart
