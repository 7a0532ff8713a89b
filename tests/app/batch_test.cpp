// tremoscan-batch, run as a real program: the numbers the window would
// show, the CSV of displacements, and failures with the window's texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "calculation_fixture.h"

using namespace tremoscan::testing;

namespace {

class BatchTest : public CalculationFixture {
 protected:
  ProcessResult RunBatch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {BatchProgram()};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, {"PA_BASE=" + suite_.path(), "HOME=" + home_.path()});
  }
  static std::string BatchProgram() {
    return std::string(getenv("TREMOSCAN_BINARY_DIR")) + "/suite/bin/x86_64/tremoscan-batch";
  }
};

TEST_F(BatchTest, PrintsTheVibrationTheWindowWouldShowAndWritesTheCsv) {
  std::string image = work_.file("beads.img");
  WriteImage(image, 1, 1, 12);
  std::string tracks = work_.file("tracks.txt");
  WriteFile(tracks, TrackFile(4, 12, 25.0));
  InstallProgram("ORBILocalization", "printf 'x\\n' > \"$2\"; exit 0");
  InstallProgram("ORBILocalizationRefinement", "cp " + tracks + " \"$2\"; exit 0");

  std::string csv = work_.file("out.csv");
  ProcessResult r = RunBatch({image, "--csv", csv});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  // Displacements alternate 0 and 25 nm on both axes: mean 12.5, sd
  // sqrt(7500 / 47) = 12.6322788 over the 48 values, vibration 4 sd.
  EXPECT_NE(r.out.find("X vibration: 50.53 nm\nY vibration: 50.53 nm\nkept tracks: 4\nframes: 12\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("status: Tracking Analysis finished\n"), std::string::npos);

  std::istringstream lines(ReadFile(csv));
  std::string header, row;
  std::getline(lines, header);
  EXPECT_EQ(header, "frame,track,dx_nm,dy_nm");
  int rows = 0;
  while (std::getline(lines, row)) ++rows;
  EXPECT_EQ(rows, 4 * 12);
}

TEST_F(BatchTest, FailsWithTheWindowsTexts) {
  struct Case {
    std::vector<std::string> args;
    int exit_code;
    const char* in_stderr;
  } cases[] = {
      {{work_.file("nope.img")}, 1, "warning: Invalid Input File:"},
      {{}, 2, "usage: tremoscan-batch IMAGE [--csv FILE]"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.in_stderr);
    ProcessResult r = RunBatch(k.args);
    EXPECT_EQ(r.exit_code, k.exit_code);
    EXPECT_NE(r.err.find(k.in_stderr), std::string::npos) << r.err;
  }

  // A tracker that writes nothing: the stage's status and warning.
  std::string image = work_.file("beads.img");
  WriteImage(image, 1, 1, 4);
  InstallProgram("ORBILocalization", "exit 0");
  InstallProgram("ORBILocalizationRefinement", "exit 0");
  ProcessResult r = RunBatch({image});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("status: Tracking Analysis failed\n"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("warning: Tracking Analysis process failed.\n  No output file created."),
            std::string::npos)
      << r.err;
}

}  // namespace
