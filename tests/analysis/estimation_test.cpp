// The vibration estimation and the stored results, against values worked
// out by hand from the positions written into the track files.
#include <gtest/gtest.h>

#include <analysis.h>
#include <wmlib.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"
#include "track_file_text.h"

namespace {

using analysis_test::TrackFileText;
using analysis_test::TrackPositions;
using tremoscan::testing::ScopedEnv;
using tremoscan::testing::ScopedTempDir;
using tremoscan::testing::WriteFile;

const char kNoGoodTracks[] =
    "Error: No good feature tracks were found.\n"
    "It is likely that the system vibration is\n"
    "too large to characterize. Please re-acquire\n"
    "the image data set and contact engineering if\n"
    "the problem persists.";

struct Dialog {
  int kind;
  std::string text;
};

int CaptureDialog(int kind, const char* text, void* client_data) {
  static_cast<std::vector<Dialog>*>(client_data)->push_back({kind, text});
  return 0;
}

// The moments the estimation reports, worked out by hand for each case.
struct Expected {
  double mean_x, mean_y, sd_x, sd_y;  // nm
};

// A still bead at (x0, y0) nm moved by the displacements `dx`, `dy` (nm,
// frame 0 first, which must be 0).
TrackPositions Moving(int number, const std::vector<double>& dx, const std::vector<double>& dy) {
  TrackPositions t{number, {}, {}, {}};
  for (size_t f = 0; f < dx.size(); ++f) {
    t.x.push_back(1000.0 * number + 17.25 + dx[f]);
    t.y.push_back(2500.0 + 40.5 * number + dy[f]);
  }
  return t;
}

// A track of `frames` positions: the shared stage motion, the bead's own
// place and a small deterministic jitter of its own.
TrackPositions Bead(int number, int frames, double jitter = 0.0) {
  TrackPositions t{number, {}, {}, {}};
  for (int f = 0; f < frames; ++f) {
    double stage_x = 3.0 * std::sin(0.7 * f);
    double stage_y = 2.0 * std::cos(1.3 * f);
    t.x.push_back(1000.0 * number + 17.25 + stage_x + jitter * std::sin(number * 1.7 + f * 2.3));
    t.y.push_back(2500.0 + 40.5 * number + stage_y + jitter * std::cos(number * 0.9 + f * 3.1));
  }
  return t;
}

class Estimation : public ::testing::Test {
 protected:
  void SetUp() override { WMSetMessageHandler(CaptureDialog, &dialogs_); }
  void TearDown() override {
    WMSetMessageHandler(nullptr, nullptr);
    AnalysisClearResults();
  }

  std::string Write(const std::string& text) {
    std::string path = dir_.file("KM_TRK" + std::to_string(++files_) + ".txt");
    WriteFile(path, text);
    return path;
  }

  struct Run {
    int rc = -1;
    int frames = -1;
    std::vector<FiducialTrack> kept;  // copies of the records (arrays freed at the end)
    std::vector<int> kept_indices;
    float mean_x = -1, mean_y = -1, sd_x = -1, sd_y = -1;
    FiducialTrack* owned = nullptr;
    int owned_count = 0;
  };
  // Runs the estimation; the test body checks the result before `runs_`
  // releases the arrays.
  Run& Estimate(const std::string& text) {
    runs_.emplace_back();
    Run& r = runs_.back();
    int count = 0;
    r.rc = EstimateVibration(Write(text).c_str(), &r.frames, &count, &r.owned, &r.mean_x, &r.mean_y,
                             &r.sd_x, &r.sd_y);
    if (r.rc == 0) {
      r.owned_count = count;
      r.kept.assign(r.owned, r.owned + count);
      for (const FiducialTrack& t : r.kept) r.kept_indices.push_back(t.trackIndex);
    }
    return r;
  }

  void ExpectMoments(const Run& r, const Expected& e) {
    EXPECT_NEAR(r.mean_x, e.mean_x, 1e-4);
    EXPECT_NEAR(r.mean_y, e.mean_y, 1e-4);
    EXPECT_NEAR(r.sd_x, e.sd_x, 1e-4);
    EXPECT_NEAR(r.sd_y, e.sd_y, 1e-4);
  }

  ScopedTempDir home_;
  ScopedEnv home_env_{"HOME", home_.path().c_str()};  // the dialog log goes under HOME
  ScopedTempDir dir_;
  int files_ = 0;
  std::vector<Dialog> dialogs_;

  struct RunList : std::vector<Run> {
    ~RunList() {
      for (Run& r : *this) FreeFiducialTracks(r.owned, r.owned_count);
    }
  } runs_;
};

TEST_F(Estimation, OneGoodTrack) {
  // X: mean 15, sd sqrt(500 / 3); Y: mean 0, sd sqrt(72 / 3).
  TrackPositions bead = Moving(1, {0, 10, 20, 30}, {0, -6, 0, 6});
  Run& r = Estimate(TrackFileText(1, 4, {bead}));
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.frames, 4);
  ASSERT_EQ(r.kept.size(), 1u);
  const FiducialTrack& t = r.kept[0];
  EXPECT_EQ(t.trackIndex, 0);
  ASSERT_EQ(t.nFrames, 4);
  const double dx[] = {0, 10, 20, 30}, dy[] = {0, -6, 0, 6};
  for (int f = 0; f < 4; ++f) {
    EXPECT_EQ(t.frames[f], f);
    EXPECT_NEAR(t.dX[f], dx[f], 1e-9);
    EXPECT_NEAR(t.dY[f], dy[f], 1e-9);
  }
  ExpectMoments(r, {15, 0, 12.9099445, 4.8989795});
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(Estimation, TwoGoodTracksAreBothKept) {
  // Track 2 misses a frame, so the good tracks are 1 and 3; with two values
  // per frame nothing can be flagged, however far apart they are. X values
  // 0 10 20 30 0 30 20 10: mean 15, sd sqrt(1000 / 7).
  TrackPositions a = Moving(1, {0, 10, 20, 30}, {0, 0, 0, 0}), b = Moving(2, {0, 0, 0}, {0, 0, 0}),
                 c = Moving(3, {0, 30, 20, 10}, {0, 0, 0, 0});
  Run& r = Estimate(TrackFileText(3, 4, {a, b, c}));
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.kept_indices, (std::vector<int>{0, 2}));
  ExpectMoments(r, {15, 0, 11.9522861, 0});
}

// Which tracks are used: only those with exactly one event in every frame.
constexpr int kSeriesFrames = 12;

TEST_F(Estimation, IncompleteTracksAreNotUsed) {
  const int frames = kSeriesFrames;
  struct Case {
    const char* name;
    void (*spoil)(TrackPositions&);
    bool used;
  } cases[] = {
      {"one event missing",
       [](TrackPositions& t) {
         t.x.erase(t.x.begin() + 5);
         t.y.erase(t.y.begin() + 5);
       },
       false},
      {"two events in one frame and none in another",
       [](TrackPositions& t) {
         for (int f = 0; f < static_cast<int>(t.x.size()); ++f) t.frame.push_back(f == 7 ? 6 : f);
       },
       false},
      {"an extra event in one frame",
       [](TrackPositions& t) {
         for (int f = 0; f < static_cast<int>(t.x.size()); ++f) t.frame.push_back(f);
         t.frame.push_back(3);
         t.x.push_back(t.x[3]);
         t.y.push_back(t.y[3]);
       },
       false},
      {"an event beyond the last frame is ignored",
       [](TrackPositions& t) {
         for (int f = 0; f < static_cast<int>(t.x.size()); ++f) t.frame.push_back(f);
         t.frame.push_back(kSeriesFrames);
         t.x.push_back(1e6);
         t.y.push_back(1e6);
       },
       true},
      {"a position that is not a number is no event",
       [](TrackPositions& t) { t.x[4] = std::nan(""); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TrackPositions> beads = {Bead(1, frames), Bead(2, frames), Bead(3, frames), Bead(4, frames)};
    c.spoil(beads[1]);
    Run& r = Estimate(TrackFileText(4, frames, beads));
    ASSERT_EQ(r.rc, 0);
    EXPECT_EQ(r.kept_indices, c.used ? (std::vector<int>{0, 1, 2, 3}) : (std::vector<int>{0, 2, 3}));
  }
}

// The frame index of the file is the table column; the time range only
// gives the number of frames.
TEST_F(Estimation, FrameIndexIsNotShiftedByTheTimeStart) {
  std::string text = TrackFileText(2, 10, {Bead(1, 10), Bead(2, 10)});
  std::string shifted = text;
  shifted.replace(shifted.find("REGION_T_START 0"), 16, "REGION_T_START 5");
  shifted.replace(shifted.find("REGION_T_END 9"), 14, "REGION_T_END 9\n# REGION_T_END 14");
  Run& r = Estimate(shifted);
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.frames, 10);
  EXPECT_EQ(r.kept.size(), 2u);
}

// A good track is dropped when it is an outlier in more than a tenth of the
// frames in X and also in more than a tenth in Y (single-precision
// fractions: 2 of 20 is exactly a tenth and keeps the track).
TEST_F(Estimation, RejectionNeedsMoreThanATenthOnBothAxes) {
  struct Case {
    int frames, x_outlier_frames, y_outlier_frames;
    bool rejected;
  } cases[] = {
      {20, 3, 3, true}, {20, 3, 2, false}, {20, 2, 3, false}, {20, 2, 2, false},
      {30, 3, 3, false}, {30, 4, 4, true}, {10, 2, 2, true}, {10, 1, 1, false},
      {20, 19, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.frames << " frames, X " << c.x_outlier_frames << ", Y "
                                      << c.y_outlier_frames);
    // Five beads on integer positions moving together; bead 1 jumps away by
    // 40 nm in the chosen frames (never frame 0), alone in each frame, so
    // that each jump is flagged (values 0 0 0 0 40 around the median).
    std::vector<TrackPositions> beads;
    for (int n = 1; n <= 5; ++n) {
      TrackPositions t{n, {}, {}, {}};
      for (int f = 0; f < c.frames; ++f) {
        t.x.push_back(1000.0 * n + 3 * (f % 5));
        t.y.push_back(500.0 * n + 2 * (f % 3));
      }
      beads.push_back(t);
    }
    for (int f = 1; f <= c.x_outlier_frames; ++f) beads[0].x[static_cast<size_t>(f)] += 40.0;
    for (int f = 1; f <= c.y_outlier_frames; ++f) beads[0].y[static_cast<size_t>(c.frames - f)] += 40.0;
    Run& r = Estimate(TrackFileText(5, c.frames, beads));
    ASSERT_EQ(r.rc, 0);
    std::vector<const TrackPositions*> kept;
    for (size_t i = c.rejected ? 1 : 0; i < beads.size(); ++i) kept.push_back(&beads[i]);
    EXPECT_EQ(r.kept.size(), kept.size());
    if (!r.kept.empty()) {
      EXPECT_EQ(r.kept[0].trackIndex, c.rejected ? 1 : 0);
    }
  }
}

TEST_F(Estimation, MoreThan300TracksWarnsAndIgnoresTheRest) {
  std::vector<TrackPositions> beads;
  for (int n = 1; n <= 400; ++n) beads.push_back(Bead(n, 8));
  Run& r = Estimate(TrackFileText(400, 8, beads));
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0].kind, WM_MESSAGE_ERROR);
  EXPECT_EQ(dialogs_[0].text,
            "Warning: The number of tracks found (400) is very large.\n"
            "This may impact the accuracy of the results because\n"
            "many tracks will be discarded to a maximum of 300 tracks.\n\n"
            "To avoid this issue, image an area with fewer beads.");
  ASSERT_EQ(r.rc, 0);
  ASSERT_EQ(r.kept.size(), 300u);
  EXPECT_EQ(r.kept.front().trackIndex, 0);
  EXPECT_EQ(r.kept.back().trackIndex, 299);
}

TEST_F(Estimation, ExactlyThreeHundredTracksBringNoWarning) {
  std::vector<TrackPositions> beads;
  for (int n = 1; n <= 300; ++n) beads.push_back(Bead(n, 4));
  Run& r = Estimate(TrackFileText(300, 4, beads));
  ASSERT_EQ(r.rc, 0);
  EXPECT_EQ(r.kept.size(), 300u);
  EXPECT_TRUE(dialogs_.empty());
}

TEST_F(Estimation, FailuresAndTheirMessages) {
  std::vector<TrackPositions> gappy = {Bead(1, 10), Bead(2, 10)};
  for (TrackPositions& t : gappy) {
    t.x.pop_back();
    t.y.pop_back();
  }
  // Three beads taking turns to jump in both axes: each is an outlier in 9
  // of 30 frames and all are rejected.
  std::vector<TrackPositions> restless = {Bead(1, 30), Bead(2, 30), Bead(3, 30)};
  for (int f = 1; f < 30; ++f) {
    restless[static_cast<size_t>(f % 3)].x[static_cast<size_t>(f)] += 50.0;
    restless[static_cast<size_t>(f % 3)].y[static_cast<size_t>(f)] += 50.0;
  }
  std::string good = TrackFileText(2, 10, {Bead(1, 10), Bead(2, 10)});
  std::string no_region = good;
  no_region.replace(no_region.find("REGION_X_END"), 12, "REGION_X_FIN");
  std::string no_time = good;
  no_time.replace(no_time.find("REGION_T_END"), 12, "REGION_T_FIN");
  std::string endless = good;
  endless.replace(endless.find("REGION_T_END 9"), 14, "REGION_T_END 2000000000");
  struct Case {
    const char* name;
    std::string text;
    std::string dialog;  // empty: none
  } cases[] = {
      {"no track covers every frame", TrackFileText(2, 10, gappy), kNoGoodTracks},
      {"no tracks announced", TrackFileText(0, 10, {Bead(1, 10)}), kNoGoodTracks},
      {"every good track rejected", TrackFileText(3, 30, restless),
       "Error: All 3 feature tracks that cover every frame\n"
       "were rejected because they move differently from\n"
       "each other. The beads may not be fixed to the\n"
       "specimen. Please re-acquire the image data set and\n"
       "contact engineering if the problem persists."},
      {"more frames than the file has lines", endless, kNoGoodTracks},
      {"header without a region", no_region, ""},
      {"header without a time range", no_time, ""},
      {"no events", analysis_test::NanometreHeader(2, 10, 0), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_.clear();
    Run& r = Estimate(c.text);
    EXPECT_EQ(r.rc, 1);
    if (c.dialog.empty()) {
      EXPECT_TRUE(dialogs_.empty());
    } else {
      ASSERT_EQ(dialogs_.size(), 1u);
      EXPECT_EQ(dialogs_[0].kind, WM_MESSAGE_ERROR);
      EXPECT_EQ(dialogs_[0].text, c.dialog);
    }
  }
  EXPECT_EQ(EstimateVibration("", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
}

// The stored results replace the previous ones only when an analysis
// succeeds.
TEST_F(Estimation, AnalyzeTracksStoresTracksAndKeepsThemOnFailure) {
  // Y: twelve values, mean 0, sd sqrt(216 / 11), band +-8.8625874,
  // vibration 17.7251747.
  std::vector<TrackPositions> beads = {Moving(1, {0, 10, 20, 30}, {0, -6, 0, 6}),
                                       Moving(2, {0, 10, 20, 30}, {0, -6, 0, 6}),
                                       Moving(3, {0, 10, 20, 30}, {0, -6, 0, 6})};
  std::string path = Write(TrackFileText(3, 4, beads));
  ASSERT_EQ(AnalyzeTracks(nullptr, path.c_str()), 0);
  EXPECT_EQ(AnalysisFrameCount(), 4);
  ASSERT_EQ(AnalysisKeptTrackCount(), 3);
  EXPECT_EQ(AnalysisKeptTracks()[2].trackIndex, 2);
  EXPECT_NEAR(AnalysisKeptTracks()[1].dY[3], 6.0, 1e-9);
  EXPECT_NEAR(AnalysisYUpperLimit(), 8.8625874, 1e-4);
  EXPECT_NEAR(AnalysisYLowerLimit(), -8.8625874, 1e-4);
  EXPECT_NEAR(AnalysisYVibration(), 17.7251747, 1e-4);

  float vibration = AnalysisXVibration();
  EXPECT_EQ(AnalyzeTracks(nullptr, Write("# nothing\n").c_str()), 1);
  EXPECT_EQ(AnalysisKeptTrackCount(), 3);
  EXPECT_EQ(AnalysisXVibration(), vibration);

  ASSERT_EQ(AnalyzeTracks(nullptr, Write(TrackFileText(1, 5, {Bead(1, 5)})).c_str()), 0);
  EXPECT_EQ(AnalysisFrameCount(), 5);
  EXPECT_EQ(AnalysisKeptTrackCount(), 1);
}

// The vibration is the width of the band mean +- 2 sd while the band holds
// zero (4 sd), and twice the mean's size when it does not. Values worked
// out by hand.
TEST_F(Estimation, VibrationIsFourDeviationsOrTwiceTheMean) {
  struct Case {
    const char* name;
    std::vector<double> dx;  // X displacements of one bead; Y stays still
    double upper, lower, vibration;
  } cases[] = {
      // mean 15, sd sqrt(500 / 3) = 12.9099: band contains 0, vibration 4 sd.
      {"band holds zero", {0, 10, 20, 30}, 40.8198890, -10.8198890, 51.6397779},
      // mean 90, sd sqrt(9000 / 9) = 31.6228: 2 sd < |mean|, vibration 2 |mean|.
      {"band beside zero", {0, 100, 100, 100, 100, 100, 100, 100, 100, 100}, 153.2455532, 26.7544468,
       180.0},
      // mean -90: the same on the negative side.
      {"band below zero", {0, -100, -100, -100, -100, -100, -100, -100, -100, -100}, -26.7544468,
       -153.2455532, 180.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TrackPositions bead{1, {}, {}, {}};
    for (double d : c.dx) {
      bead.x.push_back(5000.0 + d);
      bead.y.push_back(700.0);
    }
    int frames = static_cast<int>(c.dx.size());
    ASSERT_EQ(AnalyzeTracks(nullptr, Write(TrackFileText(1, frames, {bead})).c_str()), 0);
    EXPECT_NEAR(AnalysisXUpperLimit(), c.upper, 1e-4);
    EXPECT_NEAR(AnalysisXLowerLimit(), c.lower, 1e-4);
    EXPECT_NEAR(AnalysisXVibration(), c.vibration, 1e-4);
    EXPECT_EQ(AnalysisYVibration(), 0.0f);
  }
}

}  // namespace
