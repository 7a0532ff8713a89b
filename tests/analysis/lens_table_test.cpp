// The lens table: lookup order, id folding, derived maker, focal length and
// immersion index, the entry syntax, and the tables shipped with the suite.
#include <gtest/gtest.h>

#include <analysis.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using tremoscan::testing::ReadFile;
using tremoscan::testing::ScopedEnv;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::SuiteDir;
using tremoscan::testing::WriteFile;

// The shipped tables are read from the source tree given at build time.
const std::string kSourceDir = ANALYSIS_TEST_SOURCE_DIR;

const char kStandardTable[] =
    "# standard lenses\n"
    "id=11234\n"
    "name=Plan Apo 60x/1.42 Oil\n"
    "type=Oil immersion oil\n"
    "magn=60\n"
    "na=1.42\n"
    "wd=0.15\n"
    "\n"
    "id=12345\n"
    "name=Fluor 40x/1.30 Oil\n"
    "magn=40\n"
    "na=1.30\n"
    "id=4321\n"
    "name=Four-digit id\n"
    "magn=10\n"
    "id=15000\n"
    "name=Explicit maker and focal length\n"
    "man=Leica\n"
    "magn=63\n"
    "fl=2.5\n";

const char kCustomTable[] =
    "# lenses of this installation\n"
    "id=12345\n"
    "name=Custom 40x\n"
    "na=1.25\n";

class LensTable : public ::testing::Test {
 protected:
  void SetUp() override {
    config_ = base_.path() + "/config";
    mkdir(config_.c_str(), 0755);
    WriteFile(config_ + "/tslenses.tab", kStandardTable);
    WriteFile(config_ + "/tslenses_custom.tab", kCustomTable);
  }

  // Reads a one-off table holding `text` for `id`.
  int ReadOwnTable(const std::string& text, int id, LensRecord* record) {
    std::string path = base_.file("own" + std::to_string(++tables_) + ".tab");
    WriteFile(path, text);
    return ReadLensTable(id, record, path.c_str());
  }

  ScopedTempDir base_;
  ScopedEnv base_env_{"PA_BASE", base_.path().c_str()};
  std::string config_;
  int tables_ = 0;
};

TEST_F(LensTable, CustomTableWinsAndIsMarked) {
  LensRecord lens;
  ASSERT_EQ(LookupLens(12345, &lens), 0);
  EXPECT_STREQ(lens.name, "Custom 40x*");
  EXPECT_EQ(lens.numericalAperture, 1.25f);
  EXPECT_EQ(lens.id, 12345);

  ASSERT_EQ(LookupLens(11234, &lens), 0);
  EXPECT_STREQ(lens.name, "Plan Apo 60x/1.42 Oil");
  EXPECT_EQ(lens.numericalAperture, 1.42f);
  EXPECT_EQ(lens.workingDistance, 150.0f);

  // Without a custom table the standard one answers.
  std::remove((config_ + "/tslenses_custom.tab").c_str());
  ASSERT_EQ(LookupLens(12345, &lens), 0);
  EXPECT_STREQ(lens.name, "Fluor 40x/1.30 Oil");
}

TEST_F(LensTable, IdsFrom20000AreFoldedOnce) {
  struct Case {
    int asked;
    int rc;
    int id;
  } cases[] = {{21234, 0, 11234}, {11234, 0, 11234}, {19999, 1, 0}, {31234, 1, 0}, {20000, 1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.asked);
    LensRecord lens;
    EXPECT_EQ(LookupLens(c.asked, &lens), c.rc);
    EXPECT_EQ(lens.id, c.id);
  }
}

TEST_F(LensTable, UnknownIdLeavesTheDefaultsQuietly) {
  LensRecord lens;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(LookupLens(99999, &lens), 1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_STREQ(lens.name, "Unknown");
  EXPECT_STREQ(lens.maker, "Unknown");
  EXPECT_STREQ(lens.immersionType, "Unknown");
  EXPECT_STREQ(lens.partNumber, "Unknown");
  EXPECT_STREQ(lens.catalogNumber, "Unknown");
  EXPECT_EQ(lens.id, 0);
  EXPECT_EQ(lens.numericalAperture, 0.0f);
  EXPECT_EQ(lens.immersionIndex, 1.515f);
}

TEST_F(LensTable, MissingStandardTableIsReported) {
  struct Case {
    const char* base;  // nullptr: PA_BASE unset
    std::string path;
  } cases[] = {
      {"/nonexistent/suite", "/nonexistent/suite/config//tslenses.tab"},
      {nullptr, "/usr/local/Photarch/config//tslenses.tab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ScopedEnv base("PA_BASE", c.base);
    LensRecord lens;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(LookupLens(11234, &lens), 2);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "Error: unable to open the Tessaron lens table:\n       " + c.path + "\n");
  }
  LensRecord lens;
  EXPECT_EQ(ReadLensTable(11234, &lens, "/nonexistent/tslenses.tab"), 2);
}

// Without a "man" entry the second digit of a five-digit id names the maker.
TEST_F(LensTable, MakerFromTheSecondDigit) {
  const char* makers[10] = {"Olympus", "Olympus", "Nikon", "Nikon", "Zeiss",
                            "Zeiss",   "Leica",   "Leica", "ZOR",   "ZOR"};
  for (int digit = 0; digit <= 9; ++digit) {
    int id = 10000 + digit * 1000 + 7;
    SCOPED_TRACE(id);
    LensRecord lens;
    ASSERT_EQ(ReadOwnTable("id=" + std::to_string(id) + "\nname=x\n", id, &lens), 0);
    EXPECT_STREQ(lens.maker, makers[digit]);
  }
  struct Case {
    const char* table;
    int id;
    const char* maker;
  } cases[] = {
      {"id=4321\n", 4321, "Unknown"},          // four digits
      {"id=113456\n", 123456, "Unknown"},      // six digits (123456 is read as 113456)
      {"id=12345\nman=acme\n", 12345, "acme"},  // the table's maker stays
      {"id=12345\nman=Unknown make\n", 12345, "Nikon"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    LensRecord lens;
    ASSERT_EQ(ReadOwnTable(c.table, c.id, &lens), 0);
    EXPECT_STREQ(lens.maker, c.maker);
  }
}

// A missing focal length is the maker's tube lens focal length over the
// magnification, in micrometres.
TEST_F(LensTable, FocalLengthFromMagnification) {
  struct Case {
    const char* table;
    float focal_length;
  } cases[] = {
      {"id=11234\nmagn=60\n", 3000.0f},                                   // Olympus 180 mm
      {"id=12345\nmagn=40\n", 5000.0f},                                   // Nikon 200 mm
      {"id=14000\nmagn=63\n", 160.0f / 63.0f * 1000.0f},                  // Zeiss 160 mm
      {"id=16000\nmagn=100\n", 1800.0f},                                  // Leica 180 mm
      {"id=18000\nmagn=25\n", 8000.0f},                                   // ZOR 200 mm
      {"id=11234\nmagn=60\nman=oLyMpUs\n", 3000.0f},                      // any case
      {"id=11234\nmagn=60\nfl=2.5\n", 2500.0f},                           // given in mm
      {"id=11234\nmagn=60\nman=acme\n", 0.0f},                            // unknown maker
      {"id=11234\nname=no magnification\n", 0.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.table);
    LensRecord lens;
    int id = std::stoi(std::string(c.table).substr(3));
    ASSERT_EQ(ReadOwnTable(c.table, id, &lens), 0);
    EXPECT_EQ(lens.focalLength, c.focal_length);
  }
}

TEST_F(LensTable, ImmersionIndexFromTheTypeText) {
  struct Case {
    const char* type;
    float index;
  } cases[] = {
      {"oil", 1.515f},           {"Silicone oil", 1.515f}, {"glycerol", 1.47f},
      {"water", 1.35f},          {"Water immersion", 1.0f}, {"Oil", 1.0f},
      {"air", 1.0f},             {"", 1.0f},               {"water/oil", 1.515f},
      {"glycerol-water", 1.47f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    EXPECT_EQ(ImmersionIndex(c.type), c.index);
    LensRecord lens;
    ASSERT_EQ(ReadOwnTable(std::string("id=11000\ntype=") + c.type + "\n", 11000, &lens), 0);
    if (*c.type) {
      EXPECT_STREQ(lens.immersionType, c.type);
    }
    EXPECT_EQ(lens.immersionIndex, c.index);
  }
}

// Text values run to the next "=", tab or line end and keep their blanks;
// numbers are the next token; lines are read in 126-character pieces.
TEST_F(LensTable, EntrySyntax) {
  LensRecord lens;
  ASSERT_EQ(ReadOwnTable("# comment\n"
                         "lens_id = 11000\n"
                         "name = Plan Apo 100x\n"
                         "pn=AB 12\tignored\n"
                         "zor#=52-1100=rest\n"
                         "# na=0.5\n"
                         "na=high\n"
                         "magnification 100\n"
                         "wd\t0.13mm\n"
                         "id=11001\n"
                         "na=0.95\n",
                         11000, &lens),
            0);
  EXPECT_EQ(lens.id, 11000);
  EXPECT_STREQ(lens.name, " Plan Apo 100x");
  EXPECT_STREQ(lens.partNumber, "AB 12");
  EXPECT_STREQ(lens.catalogNumber, "52-1100");
  EXPECT_EQ(lens.numericalAperture, 0.0f);  // "high" is no number; the next record's is not read
  EXPECT_EQ(lens.magnification, 100.0f);
  EXPECT_EQ(lens.workingDistance, 0.13f * 1000.0f);

  // A 126-character piece ends the name; the rest is read as a line of its own.
  std::string long_name(121, 'N');
  ASSERT_EQ(ReadOwnTable("id=11000\nname=" + long_name + "na=0.75\n", 11000, &lens), 0);
  EXPECT_STREQ(lens.name, long_name.c_str());
  EXPECT_EQ(lens.numericalAperture, 0.75f);
}

// The tables shipped with the suite: every record reads back complete, with
// the maker its id names and optical values in the range of real objectives.
TEST(ShippedLensTables, EveryRecordIsComplete) {
  std::string table = ReadFile(kSourceDir + "/config/tslenses.tab");
  ASSERT_FALSE(table.empty());
  std::vector<int> ids;
  std::istringstream lines(table);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (std::regex_match(line, m, std::regex(R"(id=(\d+))"))) ids.push_back(std::stoi(m[1]));
  }
  ASSERT_GE(ids.size(), 10u);

  ScopedEnv base("PA_BASE", kSourceDir.c_str());
  const char* makers[10] = {"Olympus", "Olympus", "Nikon", "Nikon", "Zeiss",
                            "Zeiss",   "Leica",   "Leica", "ZOR",   "ZOR"};
  for (int id : ids) {
    SCOPED_TRACE(id);
    LensRecord lens;
    ASSERT_EQ(LookupLens(id, &lens), 0);
    EXPECT_EQ(lens.id, id);
    ASSERT_TRUE(id >= 10000 && id < 20000);
    EXPECT_STREQ(lens.maker, makers[(id / 1000) % 10]);
    EXPECT_STRNE(lens.name, "Unknown");
    EXPECT_EQ(lens.name[std::strlen(lens.name) - 1] == '*', false);  // the custom table ships empty
    EXPECT_GT(lens.magnification, 1.0f);
    EXPECT_GT(lens.numericalAperture, 0.0f);
    EXPECT_LE(lens.numericalAperture, lens.immersionIndex);  // NA cannot exceed the medium's index
    EXPECT_GT(lens.focalLength, 0.0f);
    EXPECT_GT(lens.workingDistance, 0.0f);
  }

  // The build's suite directory carries the same tables.
  EXPECT_EQ(ReadFile(SuiteDir() + "/config/tslenses.tab"), table);
  EXPECT_EQ(ReadFile(SuiteDir() + "/config/tslenses_custom.tab"),
            ReadFile(kSourceDir + "/config/tslenses_custom.tab"));
}

}  // namespace
