// Font selection and measurement on cairo (see text.h). The toy font API is
// enough: fontconfig resolves the family ("helvetica" to a metric-compatible
// face), and the chart uses a handful of short texts.
#include "text.h"

namespace chart {

FontMetrics UseFont(cairo_t* cr, const CairoFont& font) {
  cairo_select_font_face(cr, font.family.c_str(),
                         font.italic ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
                         font.bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, font.pixel_size);
  cairo_font_extents_t fe;
  cairo_font_extents(cr, &fe);
  return FontMetrics{fe.ascent, fe.descent};
}

double TextWidth(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t te;
  cairo_text_extents(cr, text.c_str(), &te);
  return te.x_advance;
}

}  // namespace chart
