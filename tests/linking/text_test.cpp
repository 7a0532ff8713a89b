// The text side of linking: decimal numbers in and out, the image path on
// the track file's header lines, and the localization file reader's answers
// to good and malformed files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "decimal_text.h"
#include "image_path_text.h"
#include "linking.h"
#include "test_support.h"

namespace {

using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

TEST(DecimalTextTest, ParsesLikeTheStandardLibrary) {
  const char* cases[] = {"0",        "-0.0",     "12.5",         "0.8947",   "-109.8638",
                         "3468.0",   "+7",       "1e3",          "2.5E-4",   "123456789.123456789",
                         "0.1",      "99999.9999", "0.000000000000000000000012"};
  for (const char* text : cases) {
    double v = -1;
    const char* end = text + std::strlen(text);
    ASSERT_EQ(linking::ParseReal(text, end, &v), end) << text;
    EXPECT_EQ(v, std::strtod(text, nullptr)) << text;
  }
  for (const char* bad : {"", "-", ".", "abc", "e5"}) {
    double v = 0;
    EXPECT_EQ(linking::ParseReal(bad, bad + std::strlen(bad), &v), nullptr) << bad;
  }
}

TEST(DecimalTextTest, FixedTextRoundTripsAndMatchesPrintf) {
  struct Case {
    double value;
    int decimals;
  };
  const Case cases[] = {{0.8947, 4},      {-109.8638, 4},  {3468.0, 1},      {21.318, 3},
                        {0.00004, 4},     {-0.00004, 4},   {255.99996, 4},   {1e20, 4},
                        {-2.5e30, 1},     {7, 0},          {123456.789, 9}};
  for (const Case& c : cases) {
    char ours[64];
    *linking::FormatFixed(ours, c.value, c.decimals) = '\0';
    char theirs[128];
    std::snprintf(theirs, sizeof theirs, "%.*f", c.decimals, c.value);
    double back = 0;
    ASSERT_NE(linking::ParseReal(ours, ours + std::strlen(ours), &back), nullptr) << ours;
    if (std::fabs(c.value) < 1e9) {
      // Apart from the sign of a value that rounds to zero, as printf.
      const std::string expected =
          std::string(theirs) == "-0.0000" ? std::string("0.0000") : std::string(theirs);
      EXPECT_EQ(std::string(ours), expected);
    }
    EXPECT_NEAR(back, c.value, std::fabs(c.value) * 1e-8 + 0.5 * std::pow(10.0, -c.decimals));
  }
}

// Every key the application's track file readers look for.
const char* const kReaderKeys[] = {"N_PIXELS_X",     "N_PIXELS_Y",     "REGION_X_START",
                                   "REGION_X_END",   "REGION_Y_START", "REGION_Y_END",
                                   "REGION_T_START", "REGION_T_END",   "REGION_T_INCREMENT",
                                   "PIXEL_SIZE_X",   "PIXEL_SIZE_Y",   "N_EVENTS",
                                   "N_TRACKS",       "UNITS"};

TEST(ImagePathTextTest, PathsSurviveAndCarryNoKeys) {
  const std::string long_dir(230, 'd');
  const std::string paths[] = {
      "/data/beads/series.img",
      "/data/UNITS nm/N_TRACKS 400/PIXEL_SIZE_X 9/run.img",
      "/data/100%_done/a\tb\nc.img",
      "/data/" + long_dir + "/" + long_dir + "/x_y_z.img",
      "",
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    const std::vector<std::string> lines = linking::ImagePathLines(path);
    std::vector<std::string> chunks;
    for (size_t k = 0; k < lines.size(); ++k) {
      const std::string& line = lines[k];
      const std::string head = k == 0 ? "# IMAGE " : "# IMAGE+ ";
      ASSERT_EQ(line.compare(0, head.size(), head), 0) << line;
      ASSERT_EQ(line.back(), '\n');
      EXPECT_LE(line.size(), 199u);  // one piece of the application's reader
      EXPECT_EQ(line.find('\n'), line.size() - 1);
      for (const char* key : kReaderKeys) EXPECT_EQ(line.find(key), std::string::npos) << key;
      chunks.push_back(line.substr(head.size(), line.size() - head.size() - 1));
    }
    EXPECT_EQ(linking::DecodeImagePath(chunks), path);
  }
}

// A localization file with the given event lines after a complete header.
std::string LocalizationFile(const std::string& events, const std::string& extra_header = "") {
  return "# ORBILocalization bead localizations\n"
         "# IMAGE /data/a b.img\n"
         "# N_PIXELS_X 64\n# N_PIXELS_Y 48\n"
         "# REGION_T_START 0\n# REGION_T_END 9\n# REGION_T_INCREMENT 1\n"
         "# PIXEL_SIZE_X 0.100000\n# PIXEL_SIZE_Y 0.120000\n"
         "# N_EVENTS 2\n# UNITS pixels\n# PSF_SIGMA 1.3000\n"
         "# PHOTON_CONVERSION_FACTOR 0.50000\n# CAMERA_OFFSET_PHOTONS 49.4410\n"
         "# ALPHA_LOCAL_MAX 0.001\n" +
         extra_header +
         "## frame photons y y_precision x x_precision background psf_sigma track fit_quality\n" +
         events;
}

TEST(LocalizationReaderTest, ReadsHeaderAndEvents) {
  ScopedTempDir dir;
  const std::string path = dir.file("loc.txt");
  WriteFile(path, LocalizationFile("0 2104.0 0.8947 0.0559 8.8051 0.0420 21.318 1.3185 0 0.8314\n"
                                   "\n"
                                   "# a comment between events\n"
                                   "9 10.5 3.5 0.1 4.5 0.2 20.000 1.2 7 1.5"));  // no line end
  LinkingSession* s = nullptr;
  ASSERT_EQ(LinkingSessionCreate(&s), LINKING_OK);
  char message[256] = "";
  ASSERT_EQ(LinkingReadLocalizations(s, path.c_str(), nullptr, message, sizeof message),
            LINKING_OK)
      << message;
  const LinkingSeries* r = LinkingGetSeries(s);
  EXPECT_EQ(r->nx, 64);
  EXPECT_EQ(r->ny, 48);
  EXPECT_EQ(r->t_end, 9);
  EXPECT_DOUBLE_EQ(r->pixel_size_y, 0.12);
  EXPECT_DOUBLE_EQ(r->photon_conversion, 0.5);
  EXPECT_DOUBLE_EQ(r->camera_offset, 49.441);
  EXPECT_DOUBLE_EQ(r->alpha, 0.001);
  EXPECT_STREQ(LinkingImagePath(s), "/data/a b.img");
  ASSERT_EQ(LinkingEventCount(s), 2);
  const LinkingEvent* e = LinkingEvents(s);
  EXPECT_EQ(e[0].frame, 0);
  EXPECT_DOUBLE_EQ(e[0].y, 0.8947);
  EXPECT_DOUBLE_EQ(e[0].x, 8.8051);
  EXPECT_FLOAT_EQ(e[0].photons, 2104.0f);
  EXPECT_FLOAT_EQ(e[0].quality, 0.8314f);
  EXPECT_EQ(e[0].track, 0);
  EXPECT_EQ(e[1].frame, 9);
  EXPECT_FLOAT_EQ(e[1].psf_sigma, 1.2f);
  EXPECT_EQ(e[1].track, 0);  // the input's track column is not taken over
  LinkingSessionDestroy(s);
}

TEST(LocalizationReaderTest, UnitsInNanometresBecomePixels) {
  ScopedTempDir dir;
  const std::string path = dir.file("loc.txt");
  std::string text = LocalizationFile("3 100 240.0 12.0 500.0 10.0 20 130.0 0 1\n");
  text.replace(text.find("# UNITS pixels"), 14, "# UNITS nm");
  WriteFile(path, text);
  LinkingSession* s = nullptr;
  ASSERT_EQ(LinkingSessionCreate(&s), LINKING_OK);
  char message[256] = "";
  ASSERT_EQ(LinkingReadLocalizations(s, path.c_str(), nullptr, message, sizeof message),
            LINKING_OK);
  const LinkingEvent* e = LinkingEvents(s);
  EXPECT_DOUBLE_EQ(e[0].x, 5.0);   // 500 nm at 100 nm per pixel
  EXPECT_DOUBLE_EQ(e[0].y, 2.0);   // 240 nm at 120 nm per pixel
  EXPECT_FLOAT_EQ(e[0].x_precision, 0.1f);
  EXPECT_FLOAT_EQ(e[0].y_precision, 0.1f);
  LinkingSessionDestroy(s);
}

TEST(LocalizationReaderTest, MalformedFilesAreReportedWithTheirLine) {
  struct Case {
    const char* name;
    std::string contents;
    int status;
    const char* message_part;
  };
  const std::string good = "0 1 2 3 4 5 6 7 0 1\n";
  const Case cases[] = {
      {"letters in a number", LocalizationFile(good + "1 2 3 x 5 6 7 8 0 1\n"),
       LINKING_ERR_FORMAT, "line 18: field 4 is not a number"},
      {"too few fields", LocalizationFile("0 1 2 3 4 5\n"), LINKING_ERR_FORMAT,
       "line 17: expected 10 fields, found 6"},
      {"too many fields", LocalizationFile("0 1 2 3 4 5 6 7 8 9 10\n"), LINKING_ERR_FORMAT,
       "line 17: more than 10 fields"},
      {"fractional frame", LocalizationFile("0.5 1 2 3 4 5 6 7 0 1\n"), LINKING_ERR_FORMAT,
       "line 17: malformed event line"},
      {"negative frame", LocalizationFile("-1 1 2 3 4 5 6 7 0 1\n"), LINKING_ERR_FORMAT,
       "line 17: frame -1 is out of range"},
      {"frame beyond the time range", LocalizationFile(good + "10 1 2 3 4 5 6 7 0 1\n"),
       LINKING_ERR_FORMAT, "line 18: frame 10 lies beyond the last time point (9)"},
      {"not finite", LocalizationFile("0 1 nan 3 4 5 6 7 0 1\n"), LINKING_ERR_FORMAT,
       "line 17: field 3 is out of range"},
      {"bad header value", LocalizationFile(good, "# PIXEL_SIZE_X wide\n"), LINKING_ERR_FORMAT,
       "line 16: invalid PIXEL_SIZE_X value \"wide\""},
      {"no pixel size", "## columns\n" + good, LINKING_ERR_FORMAT, "no pixel size"},
      {"zero pixel size", LocalizationFile(good, "# PIXEL_SIZE_X 0.000000\n"), LINKING_ERR_FORMAT,
       "invalid pixel size"},
      {"empty file", "", LINKING_ERR_FORMAT, "no pixel size"},
  };
  ScopedTempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("bad.txt");
    WriteFile(path, c.contents);
    LinkingSession* s = nullptr;
    ASSERT_EQ(LinkingSessionCreate(&s), LINKING_OK);
    char message[256] = "";
    EXPECT_EQ(LinkingReadLocalizations(s, path.c_str(), nullptr, message, sizeof message),
              c.status);
    EXPECT_NE(std::string(message).find(c.message_part), std::string::npos) << message;
    EXPECT_EQ(LinkingEventCount(s), 0);
    LinkingSessionDestroy(s);
  }
  LinkingSession* s = nullptr;
  ASSERT_EQ(LinkingSessionCreate(&s), LINKING_OK);
  char message[256] = "";
  EXPECT_EQ(LinkingReadLocalizations(s, dir.file("missing.txt").c_str(), nullptr, message,
                                     sizeof message),
            LINKING_ERR_READ);
  EXPECT_NE(std::string(message).find("cannot open"), std::string::npos);
  LinkingSessionDestroy(s);
}

}  // namespace
