// The font a chart text is drawn with, as cairo needs it, and how it is read
// from the toolkit's font descriptions: an X logical font description name
// (the core font behind a Motif font list), a fontconfig pattern (the client
// side fonts a font list may hold), or the font list itself.
#pragma once

#include <X11/Xlib.h>
#include <Xm/Xm.h>

#include <optional>
#include <string>
#include <string_view>

namespace chart {

struct CairoFont {
  std::string family;       // fontconfig family, e.g. "helvetica"; never empty
  bool bold = false;        // weight demibold or heavier
  bool italic = false;      // italic or oblique slant
  double pixel_size = 14;   // em size in device pixels
};

// The roles a chart gives text; each has its own default font.
enum class FontRole { kAxis, kHeader, kLegend };

// The font used for `role` when the widget was given no font list.
CairoFont DefaultFont(FontRole role);

// Reads family, weight, slant and size from an X logical font description
// ("-foundry-family-weight-slant-setwidth-style-pixels-points-resx-resy-
// spacing-width-registry-encoding"). Wildcard fields take the defaults of
// `fallback`. Returns nothing when the text is not such a name.
std::optional<CairoFont> FontFromXlfd(std::string_view xlfd, const CairoFont& fallback);

// Reads a fontconfig pattern ("Helvetica-18:bold"). Sizes in points count
// at 96 pixels per inch, the client side font default.
std::optional<CairoFont> FontFromPattern(const char* pattern, const CairoFont& fallback);

// The font of the first rendition of a Motif font list: the name of the
// loaded core font (its FONT property), of the first font of a font set, or
// the rendition's font name. `fallback` fills what the list does not say;
// a NULL list or one without a usable font gives nothing.
std::optional<CairoFont> FontFromFontList(Display* display, XmFontList list,
                                             const CairoFont& fallback);

}  // namespace chart
