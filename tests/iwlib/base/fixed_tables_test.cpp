// Special wavelength codes, graphics colour names, file system status and
// the arena calls of a process that is not attached.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include "iwbase.h"
#include "test_support.h"

namespace {

TEST(SpecialWavelengths, TableAndLookupsAgree) {
  int codes[IW_SPECIAL_WAVELENGTH_COUNT];
  const char* tags[IW_SPECIAL_WAVELENGTH_COUNT];
  const char* descriptions[IW_SPECIAL_WAVELENGTH_COUNT];
  ASSERT_EQ(IWRtSpecialWavelengths(codes, tags, descriptions), 17);
  std::set<int> distinct;
  for (int i = 0; i < IW_SPECIAL_WAVELENGTH_COUNT; ++i) {
    SCOPED_TRACE(descriptions[i]);
    EXPECT_LT(codes[i], 0);
    distinct.insert(codes[i]);
    EXPECT_STREQ(IWRtSpecialWavelengthTag(codes[i]), tags[i]);
    EXPECT_EQ(IWRtSpecialWavelengthCode(descriptions[i]), codes[i]);
  }
  EXPECT_EQ(distinct.size(), 17u);
  // Null arrays are skipped.
  EXPECT_EQ(IWRtSpecialWavelengths(nullptr, nullptr, nullptr), 17);
}

TEST(SpecialWavelengths, LookupsByCodeAndDescription) {
  struct Case {
    int code;
    const char* tag;          // null: not a special code
    const char* description;  // looked up by description
    int code_of_description;
  };
  const Case cases[] = {
      {-10, "(/)", "RATIO", -10},
      {-82, "%E", "fret_EFFICIENCY", -82},
      {-92, "ROI", "Region-Of-Interest", -92},
      {-50, "DIC", "dic", -50},
      {-73, "B", "blend_blue", -73},
      {0, nullptr, "red", 0},
      {-1, nullptr, "", 0},
      {-14, nullptr, "ratio ", 0},
      {525, nullptr, "FRET efficiency", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_STREQ(IWRtSpecialWavelengthTag(c.code), c.tag);
    EXPECT_EQ(IWRtSpecialWavelengthCode(c.description), c.code_of_description);
  }
  EXPECT_EQ(IWRtSpecialWavelengthCode(nullptr), 0);
}

TEST(GraphicsColors, NamesArePaddedAndFoundByName) {
  struct Case {
    int color;
    const char* stored;
    const char* lookup;
  };
  const Case cases[] = {
      {0, "Black       ", "black"},  {1, "Red         ", "RED"},
      {5, "Pink        ", "Pink"},   {7, "White       ", "White   "},
      {10, "Light Grey  ", "light grey"}, {11, "Purple      ", "Purple      "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.color);
    EXPECT_STREQ(IWRtGrColorName(c.color), c.stored);
    EXPECT_EQ(IWRtGrColorNumber(c.lookup), c.color);
  }
  EXPECT_EQ(IWRtGrColorName(-1), nullptr);
  EXPECT_EQ(IWRtGrColorName(IW_GR_COLOR_COUNT), nullptr);
  for (const char* unknown : {"Orange", "Light", "", "Grey"})
    EXPECT_EQ(IWRtGrColorNumber(unknown), -1) << unknown;
  EXPECT_EQ(IWRtGrColorNumber(nullptr), -1);
}

TEST(FileSystemStatus, ReportsAvailableSpaceAndUse) {
  tremoscan::testing::ScopedTempDir dir;
  long megabytes = -1;
  int percent = -1;
  ASSERT_EQ(IWFileSystemStatus(dir.path().c_str(), &megabytes, &percent), 1);
  std::filesystem::space_info space = std::filesystem::space(dir.path());
  long expected = static_cast<long>(space.available / 1048576);
  // Other processes write to the same file system meanwhile.
  EXPECT_NEAR(static_cast<double>(megabytes), static_cast<double>(expected), 64.0);
  EXPECT_GE(percent, 0);
  EXPECT_LE(percent, 100);
  if (space.capacity > 0) {
    double in_use = 100.0 - 100.0 * static_cast<double>(space.available) /
                                static_cast<double>(space.capacity);
    EXPECT_NEAR(percent, in_use, 1.5);
  }
}

TEST(FileSystemStatus, FailureIsReportedWithZeros) {
  long megabytes = 7;
  int percent = 7;
  const char* path = "/no/such/place/for/tremoscan";
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(IWFileSystemStatus(path, &megabytes, &percent), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            std::string("Error No such file or directory getting file system status for ") +
                path + "\n");
  EXPECT_EQ(megabytes, 0);
  EXPECT_EQ(percent, 0);
}

}  // namespace
