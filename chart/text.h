// Selecting a CairoFont on a cairo context and measuring text with it.
#pragma once

#include <cairo.h>

#include <string>

#include "cairo_font.h"

namespace chart {

struct FontMetrics {
  double ascent = 0;   // pixels above the baseline
  double descent = 0;  // pixels below the baseline
  double height() const { return ascent + descent; }
};

FontMetrics UseFont(cairo_t* cr, const CairoFont& font);

// Advance width of `text` in the current font, pixels.
double TextWidth(cairo_t* cr, const std::string& text);

}  // namespace chart
