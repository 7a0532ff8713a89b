// AnalyzeStageMotion on track files: the same kept tracks as the
// estimation, the per-bead table with every reason, and the stage's own
// motion of a file whose motion is known.
#include <gtest/gtest.h>

#include <analysis.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <set>
#include <string>

#include "consensus.h"
#include "test_support.h"
#include "track_file_text.h"

namespace {

using analysis_test::TrackFileText;
using analysis_test::TrackPositions;

constexpr int kFrames = 100;
constexpr double kDt = 0.01;

constexpr int kJumper = 9, kGap = 10;

double Stage(int f) { return 5.0 * std::sin(2 * std::numbers::pi * 5.0 * f * kDt); }

// Tracks 1-8 follow the stage along X (Y stands still) with errors of
// 0.5 nm rms; track 9 jumps 60 nm back and forth on both axes; track 10
// misses frame 7.
std::string KnownFile() {
  std::mt19937 random(5);
  std::normal_distribution<double> error(0, 0.5);
  std::vector<TrackPositions> tracks;
  for (int k = 1; k <= kGap; ++k) {
    TrackPositions t{k, {}, {}, {}};
    for (int f = 0; f < kFrames; ++f) {
      if (k == kGap && f == 7) continue;
      double jump = k == kJumper ? (f % 2 ? 30.0 : -30.0) : 0.0;
      double ex = k == kJumper ? 0 : error(random), ey = k == kJumper ? 0 : error(random);
      t.x.push_back(1000.0 * k + Stage(f) + ex + jump);
      t.y.push_back(500.0 * k + ey + jump);
      t.frame.push_back(f);
    }
    tracks.push_back(t);
  }
  return TrackFileText(kGap, kFrames, tracks);
}

class StageReportTest : public ::testing::Test {
 protected:
  void SetUp() override { tremoscan::testing::WriteFile(path_, KnownFile()); }
  void TearDown() override {
    FreeStageMotionReport(report_);
    std::remove(path_.c_str());
  }
  tremoscan::testing::ScopedTempDir dir_;
  std::string path_ = dir_.file("tracks.txt");
  StageMotionReport* report_ = nullptr;
};

TEST_F(StageReportTest, KeepsTheEstimationsTracksAndTablesEveryBead) {
  ASSERT_EQ(AnalyzeStageMotion(path_.c_str(), kDt, 1, &report_), 0);
  int kept_count = 0;
  FiducialTrack* kept = nullptr;
  ASSERT_EQ(EstimateVibration(path_.c_str(), nullptr, &kept_count, &kept, nullptr, nullptr, nullptr, nullptr), 0);
  std::set<int> estimation_kept;
  for (int i = 0; i < kept_count; ++i) estimation_kept.insert(kept[i].trackIndex + 1);
  FreeFiducialTracks(kept, kept_count);
  EXPECT_EQ(estimation_kept, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(report_->keptTracks, kept_count);
  EXPECT_EQ(report_->frames, kFrames);

  ASSERT_EQ(report_->beadCount, kGap);
  std::set<int> table_kept;
  for (int i = 0; i < report_->beadCount; ++i) {
    const BeadRecord& b = report_->beads[i];
    SCOPED_TRACE(b.trackNumber);
    EXPECT_EQ(b.trackNumber, i + 1);
    if (b.status == BEAD_KEPT) table_kept.insert(b.trackNumber);
    EXPECT_DOUBLE_EQ(b.photons, 1500.5);
    EXPECT_DOUBLE_EQ(b.precisionX, 4.25);
    EXPECT_DOUBLE_EQ(b.precisionY, 4.5);
    EXPECT_NEAR(b.x, 1000.0 * b.trackNumber, 1.0);
  }
  EXPECT_EQ(table_kept, estimation_kept);
  const BeadRecord& jumper = report_->beads[kJumper - 1];
  EXPECT_EQ(jumper.status, BEAD_OUTLIER);
  EXPECT_GE(jumper.xOutlierFrames, kFrames / 2);
  EXPECT_GE(jumper.yOutlierFrames, kFrames / 2);
  // Its own displacement from frame 0 is 0 or 60 nm, half and half.
  EXPECT_NEAR(jumper.vibrationY, 4 * 30 * std::sqrt(100.0 / 99.0), 1e-9);
  const BeadRecord& gap = report_->beads[kGap - 1];
  EXPECT_EQ(gap.status, BEAD_INCOMPLETE);
  EXPECT_EQ(gap.frames, kFrames - 1);
}

TEST_F(StageReportTest, MeasuresTheKnownStageMotion) {
  ASSERT_EQ(AnalyzeStageMotion(path_.c_str(), kDt, 1, &report_), 0);
  std::vector<double> truth(kFrames);
  for (int f = 0; f < kFrames; ++f) truth[static_cast<size_t>(f)] = Stage(f);
  double true_band = analysis::BandStatistic(truth, 0);
  const StageAxisReport& x = report_->x;
  EXPECT_NEAR(x.stageVibrationNm, true_band, 0.02 * true_band);
  EXPECT_LE(x.stageVibrationLowNm, x.stageVibrationNm);
  EXPECT_GE(x.stageVibrationHighNm, x.stageVibrationNm);
  EXPECT_FALSE(x.belowNoiseFloor);
  ASSERT_GE(x.peakCount, 1);
  EXPECT_NEAR(x.peaks[0].frequencyHz, 5.0, 0.05);
  EXPECT_NEAR(x.peaks[0].amplitudeNm, 5.0, 0.1);
  EXPECT_NEAR(x.driftNmPerS, 0, 0.5);
  // Errors of 0.5 nm against reported precisions of 4.25 nm: the scatter
  // says so, and the noise of a mean of eight is 0.5 / sqrt 8.
  EXPECT_NEAR(x.scatterRatio, 0.5 / 4.25, 0.02);
  EXPECT_NEAR(x.noiseFloorNm, 0.5 / std::sqrt(8.0), 0.02);
  // Y stands still: only noise, said so.
  EXPECT_TRUE(report_->y.belowNoiseFloor);

  // 100 frames at 100 Hz: the stage array, spectrum bins of 2 Hz, the Allan
  // points 1, 2, 4 .. 32 frames, and the aliasing of mains frequencies.
  for (int f = 0; f < kFrames; ++f) EXPECT_NEAR(report_->stageX[f], truth[static_cast<size_t>(f)], 0.7);
  EXPECT_EQ(report_->spectrumBins, 26);
  EXPECT_DOUBLE_EQ(report_->binWidthHz, 2.0);
  EXPECT_EQ(report_->allanPoints, 6);
  EXPECT_DOUBLE_EQ(report_->allanTauS[5], 0.32);
  EXPECT_EQ(report_->aliasWarning, 1);
  EXPECT_NE(std::string(report_->aliasText).find("60 Hz at 40 Hz"), std::string::npos);
}

TEST(StageReport, RefusesWhatItCannotAnalyse) {
  tremoscan::testing::ScopedTempDir dir;
  // A header without events; events without a time range; only a track
  // that lacks a frame.
  std::string no_events = dir.file("empty.txt"), no_range = dir.file("norange.txt"), none_kept = dir.file("gap.txt");
  tremoscan::testing::WriteFile(no_events, TrackFileText(1, 3, {}));
  tremoscan::testing::WriteFile(no_range, "# N_EVENTS 1\n# N_TRACKS 1\n## frame photons y\n" + analysis_test::EventLine(0, 1, 1, 1));
  tremoscan::testing::WriteFile(none_kept, TrackFileText(1, 3, {{1, {1, 2}, {1, 2}, {0, 2}}}));
  StageMotionReport* report = nullptr;
  for (const std::string& path : {no_events, no_range, none_kept}) {
    EXPECT_EQ(AnalyzeStageMotion(path.c_str(), 0.01, 1, &report), 1) << path;
    EXPECT_EQ(report, nullptr);
  }
  EXPECT_EQ(AnalyzeStageMotion("/nonexistent/tracks.txt", 0.01, 1, &report), 1);
  EXPECT_EQ(report, nullptr);
  EXPECT_EQ(AnalyzeStageMotion("/nonexistent/tracks.txt", 0, 1, &report), 1);
  EXPECT_EQ(AnalyzeStageMotion(nullptr, 0.01, 1, &report), 1);
}

}  // namespace
