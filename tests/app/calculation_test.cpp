// The calculation's stages with stand-in programs: every way a child can
// end, the input checks, the status file, the argument vectors, and what a
// whole calculation leaves behind.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis.h"
#include "calculation.h"
#include "calculation_fixture.h"
#include "imlib.h"
#include "wmlib.h"

using namespace tremoscan::testing;

namespace {

class CalculationTest : public CalculationFixture {
 protected:
  void SetUp() override {
    CalculationFixture::SetUp();
    image_ = work_.file("beads.img");
    WriteImage(image_, 1, 1, 5, 0.5, 0);
  }
  std::string LastStatus() const { return statuses_.empty() ? "" : statuses_.back(); }
  bool Ran(const std::string& program) const { return !RecordedArguments(program).empty(); }

  std::string image_;
};

TEST_F(CalculationTest, LocalizationOutcomesGiveTheirStatusAndWarning) {
  struct Case {
    const char* body;
    int result;
    const char* status;
    const char* warning;  // nullptr: no dialog
  } cases[] = {
      {"exit 0", 0, "Localization calculation finished", nullptr},
      {"exit 2", 1, "Localization calculation canceled", nullptr},
      {"exit 4", 1, "Localization calculation canceled", nullptr},
      {"exit 11", 0, "Starting Localization...", nullptr},
      {"exit 8", 1, "Localization calculation failed",
       "Localization calculation failed.\nError is: Failed to open input file"},
      {"exit 3", 1, "Localization calculation failed",
       "Localization calculation failed.\nError is: Invalid command argument"},
      {"kill -QUIT $$", 1, "Localization calculation canceled", nullptr},
      {"kill -SEGV $$", 1, "Localization calculation failed",
       "Localization calculation process failed\ndue to signal 11"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.body);
    statuses_.clear();
    messages_.clear();
    InstallProgram("ORBILocalization", k.body);
    EXPECT_EQ(RunLocalization(&app_, image_.c_str(), kLocalizationFile), k.result);
    EXPECT_EQ(LastStatus(), k.status);
    if (k.warning) {
      ASSERT_EQ(messages_.size(), 1u);
      EXPECT_EQ(messages_[0], std::make_pair(int(WM_MESSAGE_WARNING), std::string(k.warning)));
    } else {
      EXPECT_TRUE(messages_.empty());
    }
  }
}

TEST_F(CalculationTest, TrackingOutcomesGiveTheirStatusAndWarning) {
  struct Case {
    const char* body;
    int result;
    const char* status;
    const char* warning;
  } cases[] = {
      {"cp \"$1\" \"$2\"; exit 0", 0, "Tracking Analysis finished", nullptr},
      {"exit 2", 2, "Tracking Analysis canceled", nullptr},
      {"exit 0", 1, "Tracking Analysis failed", "Tracking Analysis process failed.\nNo output file created."},
      {"exit 1", 1, "Tracking Analysis failed", "Tracking Analysis process failed."},
      // Signals end both stages through the same mapping, tested with the
      // localization above; one case shows the stage's name is used.
      {"kill -SEGV $$", 1, "Tracking Analysis failed", "Tracking Analysis process failed\ndue to signal 11"},
  };
  WriteFile(kLocalizationFile, LocalizationFile());
  for (const Case& k : cases) {
    SCOPED_TRACE(k.body);
    statuses_.clear();
    messages_.clear();
    unlink(kTrackFile);
    InstallProgram("ORBILocalizationRefinement", k.body);
    EXPECT_EQ(RunTracking(&app_, kLocalizationFile, kTrackFile), k.result);
    EXPECT_EQ(LastStatus(), k.status);
    if (k.warning) {
      ASSERT_EQ(messages_.size(), 1u);
      EXPECT_EQ(messages_[0].second, k.warning);
    } else {
      EXPECT_TRUE(messages_.empty());
    }
  }
}

TEST_F(CalculationTest, MissingProgramsEndQuietlyAndTheMissingOutputIsReported) {
  // No localizer installed: the child ends with status 0, which is success
  // for the first stage; the second stage then finds no track file.
  EXPECT_EQ(RunLocalization(&app_, image_.c_str(), kLocalizationFile), 0);
  EXPECT_EQ(RunTracking(&app_, kLocalizationFile, kTrackFile), 1);
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back().second, "Tracking Analysis process failed.\nNo output file created.");
}

TEST_F(CalculationTest, InputChecksRefuseWithoutStartingAChild) {
  std::string two_z = work_.file("two-z.img"), two_w = work_.file("two-w.img"),
              one_t = work_.file("one-t.img"), missing = work_.file("missing.img");
  WriteImage(two_z, 2, 1, 5);
  WriteImage(two_w, 1, 2, 5);
  WriteImage(one_t, 1, 1, 1);
  std::string inappropriate_tail =
      "\n\nLocalization Analysis requires a single-Z,\nsingle-Channel, multi-Time image.";
  std::string not_found = IMRtErrorText(202);
  struct Case {
    std::string path;
    std::string warning;
  } cases[] = {
      {two_z, "Inappropriate Input File:\n\n" + two_z + inappropriate_tail},
      {two_w, "Inappropriate Input File:\n\n" + two_w + inappropriate_tail},
      {one_t, "Inappropriate Input File:\n\n" + one_t + inappropriate_tail},
      {missing, "Invalid Input File:\n\n" + missing + "\n\n" + not_found},
      {"", "Invalid Input File:\n\n\n\n" + not_found},
  };
  InstallProgram("ORBILocalization", "exit 0");
  for (const Case& k : cases) {
    SCOPED_TRACE(k.path);
    messages_.clear();
    EXPECT_EQ(RunLocalization(&app_, k.path.c_str(), kLocalizationFile), 1);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].second, k.warning);
    EXPECT_FALSE(Ran("ORBILocalization"));
  }
}

TEST_F(CalculationTest, LocalizationGetsItsFixedArgumentVector) {
  struct Case {
    double photon_factor;   // extended-header value 13 (0: none stored)
    int lens;
    const char* expected_factor;
    const char* expected_na;
  } cases[] = {
      {0.25, 0, "0.25000", "1.00000"},
      {0.0005, 0, "1.00000", "1.00000"},  // below 0.001: 1.0
      {0, 0, "1.00000", "1.00000"},       // no value: 1.0
  };
  InstallProgram("ORBILocalization", "exit 0");
  for (const Case& k : cases) {
    SCOPED_TRACE(k.photon_factor);
    std::string path = work_.file("factor.img");
    WriteImage(path, 1, 1, 3, k.photon_factor, k.lens);
    ASSERT_EQ(RunLocalization(&app_, path.c_str(), kLocalizationFile), 0);
    std::vector<std::string> args = RecordedArguments("ORBILocalization");
    std::string status_file = "/tmp/LocalizationAnalysis_stat_" + std::to_string(getpid()) + ".txt";
    std::vector<std::string> expected =
        LocalizerArguments("ORBILocalization", path, kLocalizationFile, status_file,
                           k.expected_factor, k.expected_na,
                           std::to_string(sysconf(_SC_NPROCESSORS_CONF)));
    expected.erase(expected.begin());  // the recorded arguments start after the program
    EXPECT_EQ(args, expected);
  }
}

TEST_F(CalculationTest, NumericalApertureComesFromTheLensAndIsKeptForUnknownLenses) {
  InstallProgram("ORBILocalization", "exit 0");
  // The first record of the shipped table.
  std::string table = ReadFile(suite_.file("config/tslenses.tab"));
  int lens = 0;
  for (size_t at = table.find("id="); at != std::string::npos && lens == 0; at = table.find("id=", at + 1))
    lens = atoi(table.c_str() + at + 3);
  ASSERT_GT(lens, 0) << "the shipped lens table has an id=";
  LensRecord record;
  ASSERT_EQ(LookupLens(lens, &record), 0);
  char na[16];
  snprintf(na, sizeof na, "%.5f", record.numericalAperture);

  std::string known = work_.file("known.img"), unknown = work_.file("unknown.img");
  WriteImage(known, 1, 1, 3, 1.0, lens);
  WriteImage(unknown, 1, 1, 3, 1.0, 99999);
  ASSERT_EQ(RunLocalization(&app_, known.c_str(), kLocalizationFile), 0);
  EXPECT_EQ(RecordedArguments("ORBILocalization")[13], na);
  ASSERT_EQ(RunLocalization(&app_, unknown.c_str(), kLocalizationFile), 0);
  EXPECT_EQ(RecordedArguments("ORBILocalization")[13], na) << "kept from the previous run";
}

TEST_F(CalculationTest, StatusFileUpdatesOnlyWhenTheProgressIntegerChanges) {
  // The program publishes each state with a rename, as a real one must.
  InstallProgram("ORBILocalization",
                 "s=\"$4\"\n"
                 "put() { printf '%s\\n%s\\n' \"$1\" \"$2\" > \"$s.tmp\"; mv \"$s.tmp\" \"$s\"; sleep 0.3; }\n"
                 "put 0 'Zero is never shown'\n"
                 "put 3 'Three'\n"
                 "put 3.7 'Still three'\n"
                 "put 5 'Five'\n"
                 "put 5 'Five again'\n"
                 "exit 0");
  ASSERT_EQ(RunLocalization(&app_, image_.c_str(), kLocalizationFile), 0);
  std::vector<std::string> expected = {"Starting Localization...", "Three", "Five",
                                       "Localization calculation finished"};
  EXPECT_EQ(statuses_, expected);
  std::string status_file = "/tmp/LocalizationAnalysis_stat_" + std::to_string(getpid()) + ".txt";
  EXPECT_FALSE(FileExists(status_file)) << "the stage deletes the status file";
}

TEST_F(CalculationTest, TrackingGetsItsFixedArgumentVector) {
  InstallProgram("ORBILocalizationRefinement", "exit 2");
  RunTracking(&app_, kLocalizationFile, kTrackFile);
  std::vector<std::string> expected =
      TrackerArguments("ORBILocalizationRefinement", kLocalizationFile, kTrackFile);
  expected.erase(expected.begin());
  EXPECT_EQ(RecordedArguments("ORBILocalizationRefinement"), expected);
}

TEST_F(CalculationTest, SuccessfulCalculationFillsResultsAndRemovesBothFiles) {
  WriteFile(work_.file("tracks.txt"), TrackFile(3, 20, 40.0));
  InstallProgram("ORBILocalization", "printf 'x\\n' > \"$2\"; exit 0");
  InstallProgram("ORBILocalizationRefinement", "cp " + work_.file("tracks.txt") + " \"$2\"; exit 0");
  snprintf(inputFileName, sizeof inputFileName, "%s", image_.c_str());
  ASSERT_EQ(RunCalculationStages(&app_), 0);
  EXPECT_EQ(LastStatus(), "Tracking Analysis finished");
  EXPECT_FALSE(FileExists(kLocalizationFile));
  EXPECT_FALSE(FileExists(kTrackFile));
  EXPECT_EQ(AnalysisKeptTrackCount(), 3);
  EXPECT_EQ(AnalysisFrameCount(), 20);
  // Displacements alternate 0, 40 nm: mean 20, sd sqrt(24000 / 59) =
  // 20.1687794 over the 60 values, band 60.3375587 to -20.3375587.
  EXPECT_NEAR(AnalysisXVibration(), 80.6751175, 1e-3);
  EXPECT_NEAR(AnalysisYVibration(), 80.6751175, 1e-3);
  ASSERT_NE(app_.xData, nullptr);
  EXPECT_EQ(ChartDataSetCount(app_.xData), 12);
  EXPECT_EQ(ChartDataPointCount(app_.xData, 0), 20);
  EXPECT_EQ(ChartDataPointCount(app_.xData, 3), 0) << "only the three kept tracks";
  EXPECT_EQ(ChartDataPointCount(app_.xData, 10), 2);
  EXPECT_EQ(ChartDataPointCount(app_.xData, 11), 2);
}

TEST_F(CalculationTest, FailedAnalysisKeepsBothFiles) {
  // One track only, missing a frame: nothing is complete.
  std::string tracks = TrackFile(1, 10, 40.0);
  tracks.erase(tracks.rfind("9 3000.0"));
  WriteFile(work_.file("tracks.txt"), tracks);
  InstallProgram("ORBILocalization", "printf 'x\\n' > \"$2\"; exit 0");
  InstallProgram("ORBILocalizationRefinement", "cp " + work_.file("tracks.txt") + " \"$2\"; exit 0");
  snprintf(inputFileName, sizeof inputFileName, "%s", image_.c_str());
  EXPECT_EQ(RunCalculationStages(&app_), 1);
  EXPECT_EQ(LastStatus(), "Track Analysis failed.");
  EXPECT_TRUE(FileExists(kLocalizationFile));
  EXPECT_TRUE(FileExists(kTrackFile));
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back().first, WM_MESSAGE_ERROR) << "the estimation's blocking error";
}

}  // namespace
