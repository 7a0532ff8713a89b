// Reading font requests from X logical font names and fontconfig patterns.
#include <gtest/gtest.h>

#include "cairo_font.h"

namespace chart {
namespace {

const CairoFont kFallback{"Fallback", false, false, 11};

struct FontCase {
  const char* name;
  bool parses;
  const char* family;
  bool bold;
  bool italic;
  double pixels;
};

TEST(FontFromXlfd, ReadsFamilyWeightSlantAndSize) {
  const FontCase cases[] = {
      // what the server reports for the charts' requests
      {"-Adobe-Helvetica-Medium-R-Normal--18-180-75-75-P-98-ISO8859-1", true, "Helvetica", false,
       false, 18},
      {"-Adobe-Helvetica-Bold-R-Normal--18-180-75-75-P-103-ISO8859-1", true, "Helvetica", true,
       false, 18},
      // the requests themselves, with wildcards
      {"-*-helvetica-medium-r-*-*-18-*-*-*-*-*-*-*", true, "helvetica", false, false, 18},
      {"-*-helvetica-bold-r-*-*-18-*-*-*-*-*-*-*", true, "helvetica", true, false, 18},
      {"-*-*-*-*-*-*-*-*-*-*-*-*-*-*", true, "Fallback", false, false, 11},
      // slants and weights
      {"-adobe-times-medium-i-normal--14-140-75-75-p-74-iso8859-1", true, "times", false, true, 14},
      {"-adobe-courier-demibold-o-normal--12-120-75-75-m-70-iso8859-1", true, "courier", true,
       true, 12},
      {"-misc-fixed-light-r-normal--10-100-75-75-c-60-iso8859-1", true, "fixed", false, false, 10},
      // size from points when pixels are not given: 120 decipoints at 96 dpi
      {"-*-helvetica-medium-r-*-*-*-120-96-96-*-*-*-*", true, "helvetica", false, false, 16},
      // scalable matrix size
      {"-*-helvetica-medium-r-*-*-[20 0 0 20]-*-*-*-*-*-*-*", true, "helvetica", false, false, 20},
      // a trailing wildcard standing for the last fields
      {"-*-helvetica-bold-r-*-*-24-*", true, "helvetica", true, false, 24},
      // not logical font names
      {"fixed", false, nullptr, false, false, 0},
      {"", false, nullptr, false, false, 0},
      {"-a-b-c", false, nullptr, false, false, 0},
      {"-a-b-c-d-e-f-g-h-i-j-k-l-m-n-o-p", false, nullptr, false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = FontFromXlfd(c.name, kFallback);
    ASSERT_EQ(result.has_value(), c.parses);
    if (!result) continue;
    EXPECT_EQ(result->family, c.family);
    EXPECT_EQ(result->bold, c.bold);
    EXPECT_EQ(result->italic, c.italic);
    EXPECT_DOUBLE_EQ(result->pixel_size, c.pixels);
  }
}

TEST(FontFromPattern, ReadsFontconfigNames) {
  const FontCase cases[] = {
      {"Helvetica:pixelsize=18", true, "Helvetica", false, false, 18},
      {"Helvetica-12:bold", true, "Helvetica", true, false, 16},  // 12 pt at 96 dpi
      {"DejaVu Sans:italic:pixelsize=9", true, "DejaVu Sans", false, true, 9},
      {":bold", true, "Fallback", true, false, 11},
      {"", false, nullptr, false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto result = FontFromPattern(c.name, kFallback);
    ASSERT_EQ(result.has_value(), c.parses);
    if (!result) continue;
    EXPECT_EQ(result->family, c.family);
    EXPECT_EQ(result->bold, c.bold);
    EXPECT_EQ(result->italic, c.italic);
    EXPECT_DOUBLE_EQ(result->pixel_size, c.pixels);
  }
}

TEST(FontFromFontList, NoListGivesNothing) {
  EXPECT_FALSE(FontFromFontList(nullptr, nullptr, kFallback).has_value());
}

}  // namespace
}  // namespace chart
