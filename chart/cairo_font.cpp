// Font descriptions to cairo font specifications (see cairo_font.h). The
// chart draws its texts with cairo, so a Motif font list is not used to draw
// but read for what it asks for: family, weight, slant and pixel size.
#include "cairo_font.h"

#include <X11/Xatom.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <vector>

namespace chart {

namespace {

// Pixels per inch that client side font sizes in points refer to.
constexpr double kPatternDpi = 96.0;

std::string Lower(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsWild(std::string_view field) { return field.empty() || field == "*" || field == "?"; }

// A positive number at the start of `field`; scalable matrix sizes
// ("[12 0 0 12]") give their first element.
std::optional<double> PositiveNumber(std::string_view field) {
  if (!field.empty() && field.front() == '[') field.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec != std::errc() || end == field.data()) return std::nullopt;
  value = std::fabs(value);
  if (!(value > 0)) return std::nullopt;
  return value;
}

bool WeightIsBold(std::string_view weight) {
  static constexpr std::string_view kBold[] = {"bold",  "demibold", "demi", "semibold",
                                               "black", "heavy",    "extrabold", "ultrabold"};
  const std::string w = Lower(weight);
  return std::find(std::begin(kBold), std::end(kBold), w) != std::end(kBold);
}

}  // namespace

CairoFont DefaultFont(FontRole role) {
  switch (role) {
    case FontRole::kHeader:
      return CairoFont{"Helvetica", true, false, 16};
    case FontRole::kLegend:
      return CairoFont{"Helvetica", false, false, 13};
    case FontRole::kAxis:
      break;
  }
  return CairoFont{"Helvetica", false, false, 14};
}

std::optional<CairoFont> FontFromXlfd(std::string_view xlfd, const CairoFont& fallback) {
  if (xlfd.empty() || xlfd.front() != '-') return std::nullopt;
  std::vector<std::string_view> fields;
  size_t start = 1;
  while (true) {
    const size_t dash = xlfd.find('-', start);
    fields.push_back(xlfd.substr(start, dash == std::string_view::npos ? dash : dash - start));
    if (dash == std::string_view::npos) break;
    start = dash + 1;
  }
  // Fourteen fields; a trailing "*" may stand for the last several of them.
  if (fields.size() < 7 || fields.size() > 14) return std::nullopt;
  auto field = [&](size_t i) -> std::string_view { return i < fields.size() ? fields[i] : "*"; };

  CairoFont result = fallback;
  if (!IsWild(field(1))) result.family = std::string(field(1));
  if (!IsWild(field(2))) result.bold = WeightIsBold(field(2));
  if (!IsWild(field(3))) {
    const std::string slant = Lower(field(3));
    result.italic = slant == "i" || slant == "o" || slant == "ri" || slant == "ro";
  }
  if (auto pixels = PositiveNumber(field(6))) {
    result.pixel_size = *pixels;
  } else if (auto decipoints = PositiveNumber(field(7))) {
    const double dpi = PositiveNumber(field(9)).value_or(72.0);
    result.pixel_size = *decipoints / 10.0 * dpi / 72.0;
  }
  return result;
}

std::optional<CairoFont> FontFromPattern(const char* pattern, const CairoFont& fallback) {
  if (!pattern || !*pattern) return std::nullopt;
  FcPattern* p = FcNameParse(reinterpret_cast<const FcChar8*>(pattern));
  if (!p) return std::nullopt;
  CairoFont result = fallback;
  FcChar8* family = nullptr;
  if (FcPatternGetString(p, FC_FAMILY, 0, &family) == FcResultMatch && family && *family)
    result.family = reinterpret_cast<const char*>(family);
  double size = 0;
  if (FcPatternGetDouble(p, FC_PIXEL_SIZE, 0, &size) == FcResultMatch && size > 0)
    result.pixel_size = size;
  else if (FcPatternGetDouble(p, FC_SIZE, 0, &size) == FcResultMatch && size > 0)
    result.pixel_size = size * kPatternDpi / 72.0;
  int weight = 0;
  if (FcPatternGetInteger(p, FC_WEIGHT, 0, &weight) == FcResultMatch)
    result.bold = weight >= FC_WEIGHT_DEMIBOLD;
  int slant = 0;
  if (FcPatternGetInteger(p, FC_SLANT, 0, &slant) == FcResultMatch)
    result.italic = slant >= FC_SLANT_ITALIC;
  FcPatternDestroy(p);
  return result;
}

namespace {

// The font name the server matched for a loaded core font.
std::optional<std::string> LoadedFontName(Display* display, XFontStruct* font) {
  unsigned long atom = 0;
  if (!display || !font || !XGetFontProperty(font, XA_FONT, &atom) || atom == 0)
    return std::nullopt;
  char* name = XGetAtomName(display, static_cast<Atom>(atom));
  if (!name) return std::nullopt;
  std::string result = name;
  XFree(name);
  return result;
}

// Reads the font of one rendition. The values retrieved are the rendition's
// own, not copies, and are not freed here.
std::optional<CairoFont> FontFromRendition(Display* display, XmRendition rendition,
                                              const CairoFont& fallback) {
  int type = 0;  // XmFontType; an int receives it whatever its stored width
  XtPointer font = nullptr;
  char* name = nullptr;
  int points = 0;
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNfontType, &type), ++n;
  XtSetArg(args[n], XmNfont, &font), ++n;
  XtSetArg(args[n], XmNfontName, &name), ++n;
  XtSetArg(args[n], XmNfontSize, &points), ++n;
  XmRenditionRetrieve(rendition, args, n);
  // Deferred or missing fonts are reported as XmAS_IS or NULL.
  const bool loaded = font && font != reinterpret_cast<XtPointer>(XmAS_IS);
  const bool named = name && name != reinterpret_cast<char*>(XmAS_IS) && *name;

  std::optional<CairoFont> result;
  if (type == XmFONT_IS_XFT) {
    // The rendition's size (points) counts unless the pattern names its own.
    CairoFont sized = fallback;
    if (points > 0) sized.pixel_size = points * kPatternDpi / 72.0;
    if (named) result = FontFromPattern(name, sized);
  } else if (type == XmFONT_IS_FONTSET && loaded) {
    XFontStruct** structs = nullptr;
    char** names = nullptr;
    if (XFontsOfFontSet(static_cast<XFontSet>(font), &structs, &names) > 0) {
      if (auto matched = LoadedFontName(display, structs ? structs[0] : nullptr))
        result = FontFromXlfd(*matched, fallback);
      else if (names && names[0])
        result = FontFromXlfd(names[0], fallback);
    }
  } else if (type == XmFONT_IS_FONT && loaded) {
    if (auto matched = LoadedFontName(display, static_cast<XFontStruct*>(font)))
      result = FontFromXlfd(*matched, fallback);
  }
  if (!result && named) result = FontFromXlfd(name, fallback);
  return result;
}

}  // namespace

std::optional<CairoFont> FontFromFontList(Display* display, XmFontList list,
                                             const CairoFont& fallback) {
  if (!list) return std::nullopt;
  XmStringTag* tags = nullptr;
  const int count = XmRenderTableGetTags(list, &tags);
  std::optional<CairoFont> result;
  for (int i = 0; i < count && !result; ++i) {
    XmRendition rendition = XmRenderTableGetRendition(list, tags[i]);
    if (rendition) {
      result = FontFromRendition(display, rendition, fallback);
      XmRenditionFree(rendition);
    }
  }
  for (int i = 0; i < count; ++i) XtFree(tags[i]);
  XtFree(reinterpret_cast<char*>(tags));
  return result;
}

}  // namespace chart
