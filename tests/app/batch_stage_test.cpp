// tremoscan-batch's stage report, run as a real program on a track file of
// known motion: the summary, the JSON read back, the time base from the
// image or the option, and the failures of its options and output.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <numbers>
#include <random>
#include <string>

#include "analysis.h"
#include "calculation_fixture.h"
#include "imlib.h"
#include "track_file_text.h"

using namespace tremoscan::testing;

namespace {

constexpr int kTracks = 12;
constexpr int kFrames = 200;

// Twelve beads moving with a 10 nm, 7 Hz X sinusoid at 100 frames per
// second, with 1 nm localization errors.
std::string SinusoidTracks() {
  std::mt19937 random(9);
  std::normal_distribution<double> error(0, 1.0);
  std::vector<analysis_test::TrackPositions> tracks;
  for (int k = 1; k <= kTracks; ++k) {
    analysis_test::TrackPositions t{k, {}, {}, {}};
    for (int f = 0; f < kFrames; ++f) {
      t.x.push_back(800.0 * k + 10.0 * std::sin(2 * std::numbers::pi * 7.0 * f * 0.01) + error(random));
      t.y.push_back(600.0 * k + error(random));
    }
    tracks.push_back(t);
  }
  return analysis_test::TrackFileText(kTracks, kFrames, tracks);
}

class BatchStageTest : public CalculationFixture {
 protected:
  void SetUp() override {
    CalculationFixture::SetUp();
    WriteFile(tracks_, SinusoidTracks());
    InstallProgram("ORBILocalization", "printf 'x\\n' > \"$2\"; exit 0");
    InstallProgram("ORBILocalizationRefinement", "cp " + tracks_ + " \"$2\"; exit 0");
  }
  ProcessResult RunBatch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {std::string(getenv("TREMOSCAN_BINARY_DIR")) +
                                     "/suite/bin/x86_64/tremoscan-batch"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv, {"PA_BASE=" + suite_.path(), "HOME=" + home_.path()});
  }
  // A one-section-per-frame image that names its frame interval.
  void WriteTimedImage(const std::string& path, double interval) {
    int stream = 0;
    ASSERT_EQ(IMOpen2(&stream, path.c_str(), "new"), 0);
    ASSERT_EQ(IMCrHdr3(stream, 8, 8, 1, 1, 4, 1, IM_ZWTP, 6), 0);
    ASSERT_EQ(IMAlFieldDouble(stream, "FRAME_INTERVAL", interval), 0);
    ASSERT_EQ(IMWrHdr2(stream, 1), 0);
    std::vector<float> pixels(64, 100.0f);
    for (int s = 0; s < 4; ++s) ASSERT_EQ(IMWrSec(stream, pixels.data()), 0);
    IMClose(stream);
  }
  std::string tracks_ = work_.file("tracks.txt");
};

TEST_F(BatchStageTest, SummaryAndJsonCarryTheStageMotionAndTheWindowsNumbers) {
  std::string image = work_.file("beads.img"), json_path = work_.file("report.json");
  WriteImage(image, 1, 1, 4);
  ProcessResult r = RunBatch({image, "--json", json_path, "--frame-interval", "0.01"});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  ASSERT_EQ(AnalyzeTracks(nullptr, tracks_.c_str()), 0);
  char window[120];
  snprintf(window, sizeof window, "X vibration: %.2f nm\nY vibration: %.2f nm\n",
           static_cast<double>(AnalysisXVibration()), static_cast<double>(AnalysisYVibration()));
  // The window's numbers come first, then the stage's.
  size_t at = r.out.find(window);
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_GT(r.out.find("X stage vibration: "), at);
  EXPECT_NE(r.out.find("X peaks: 7.0"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Y stage vibration: below the noise floor"), std::string::npos) << r.out;

  std::ifstream in(json_path);
  nlohmann::json report = nlohmann::json::parse(in);
  EXPECT_EQ(report["frames"], kFrames);
  EXPECT_EQ(report["kept_tracks"], kTracks);
  EXPECT_EQ(report["frame_interval_s"], 0.01);
  EXPECT_EQ(report["frame_interval_source"], "option");
  EXPECT_EQ(report["x"]["vibration_nm"].get<double>(), static_cast<double>(AnalysisXVibration()));
  EXPECT_EQ(report["y"]["vibration_nm"].get<double>(), static_cast<double>(AnalysisYVibration()));
  // 10 nm sinusoid: band 4 x 10 / sqrt 2.
  const nlohmann::json& x = report["x"];
  EXPECT_NEAR(x["stage_vibration_nm"].get<double>(), 40 / std::sqrt(2.0), 1.0);
  EXPECT_LE(x["stage_vibration_ci_nm"][0].get<double>(), x["stage_vibration_nm"].get<double>());
  EXPECT_GE(x["stage_vibration_ci_nm"][1].get<double>(), x["stage_vibration_nm"].get<double>());
  EXPECT_NEAR(x["noise_floor_nm"].get<double>(), 1 / std::sqrt(12.0), 0.05);
  ASSERT_GE(x["peaks"].size(), 1u);
  EXPECT_NEAR(x["peaks"][0]["frequency_hz"].get<double>(), 7.0, 0.05);
  EXPECT_NEAR(x["peaks"][0]["amplitude_nm"].get<double>(), 10.0, 0.3);
  EXPECT_NEAR(x["drift_nm_per_s"].get<double>(), 0, 0.5);
  EXPECT_TRUE(report["y"]["stage_vibration_nm"].is_null());
  EXPECT_TRUE(report["y"]["below_noise_floor"].get<bool>());
  EXPECT_EQ(report["stage_motion"]["x_nm"].size(), static_cast<size_t>(kFrames));
  EXPECT_EQ(report["spectrum"]["frequency_hz"].size(), report["spectrum"]["x_amplitude_nm"].size());
  EXPECT_EQ(report["allan"]["tau_s"][0], 0.01);
  ASSERT_EQ(report["beads"].size(), static_cast<size_t>(kTracks));
  EXPECT_EQ(report["beads"][3]["track"], 4);
  EXPECT_EQ(report["beads"][3]["status"], "kept");
  EXPECT_EQ(report["beads"][3]["precision_x_nm"], 4.25);
  // 100 frames per second folds 60 Hz mains to 40 Hz.
  EXPECT_NE(report["alias_warning"].get<std::string>().find("60 Hz at 40 Hz"), std::string::npos);
  EXPECT_NE(r.err.find("warning: frame rate 100 Hz"), std::string::npos) << r.err;
}

TEST_F(BatchStageTest, TimeBaseFromTheImageOrAssumed) {
  struct Case {
    bool timed;
    const char* source;
    double interval;
    bool warned;
  } cases[] = {{true, "image", 0.005, false}, {false, "assumed", 1.0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.source);
    std::string image = work_.file(std::string(c.source) + ".img"), json_path = work_.file("t.json");
    if (c.timed)
      WriteTimedImage(image, c.interval);
    else
      WriteImage(image, 1, 1, 4);
    ProcessResult r = RunBatch({image, "--json", json_path});
    ASSERT_EQ(r.exit_code, 0) << r.err;
    std::ifstream in(json_path);
    nlohmann::json report = nlohmann::json::parse(in);
    EXPECT_EQ(report["frame_interval_source"], c.source);
    EXPECT_EQ(report["frame_interval_s"], c.interval);
    EXPECT_EQ(r.err.find("1 s is assumed") != std::string::npos, c.warned) << r.err;
  }
}

TEST_F(BatchStageTest, BadIntervalsAndUnwritableReportsFail) {
  std::string image = work_.file("beads.img");
  WriteImage(image, 1, 1, 4);
  for (const char* bad : {"0", "-1", "fast", "1e400"}) {
    ProcessResult r = RunBatch({image, "--frame-interval", bad});
    EXPECT_EQ(r.exit_code, 2) << bad;
    EXPECT_NE(r.err.find("--frame-interval needs a positive number of seconds"), std::string::npos) << r.err;
  }
  ProcessResult r = RunBatch({image, "--json", work_.file("missing/report.json")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("error: cannot write"), std::string::npos) << r.err;
  // The numbers were still printed.
  EXPECT_NE(r.out.find("X stage vibration: "), std::string::npos) << r.out;
}

}  // namespace
