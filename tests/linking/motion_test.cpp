// The common motion of the field: the voting estimate between two frames,
// and over a series the field offsets and the spread test when loose beads
// wander on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "beads.h"
#include "field_motion.h"
#include "linking.h"
#include "point_grid.h"
#include "synthetic_series.h"

namespace {

using linking_test::Judge;
using linking_test::LoadScene;
using linking_test::MakeScene;
using linking_test::SceneOptions;

struct Points {
  std::vector<double> x, y;
};

// n points at least `spacing` nm apart in a square field of `side` nm.
Points RandomPoints(int n, double side, double spacing, BeadsRng* rng) {
  Points p;
  while (static_cast<int>(p.x.size()) < n) {
    const double x = side * BeadsRngUniform(rng), y = side * BeadsRngUniform(rng);
    bool ok = true;
    for (size_t k = 0; k < p.x.size(); ++k) ok = ok && std::hypot(p.x[k] - x, p.y[k] - y) >= spacing;
    if (ok) {
      p.x.push_back(x);
      p.y.push_back(y);
    }
  }
  return p;
}

linking::ShiftEstimate Vote(const Points& a, const Points& b) {
  linking::ShiftVoter voter(100.0);
  linking::PointGrid grid_a, grid_b;
  const int na = static_cast<int>(a.x.size()), nb = static_cast<int>(b.x.size());
  grid_a.Build(a.x.data(), a.y.data(), na, voter.capture());
  grid_b.Build(b.x.data(), b.y.data(), nb, voter.capture());
  return voter.Estimate(grid_a, a.x.data(), a.y.data(), na, grid_b, b.x.data(), b.y.data(), nb);
}

TEST(FieldMotionTest, VotingFindsTheMotionOfMostBeads) {
  struct Case {
    double dx, dy;        // motion of the field, nm
    double loose;         // fraction of beads that move on their own
    double missing;       // fraction of beads missing in the later frame
    int spurious;         // unrelated events added to the later frame
  };
  const Case cases[] = {{0, 0, 0, 0, 0},           {480, -350, 0, 0, 0},
                        {-1400, 300, 0, 0, 0},     {250, 250, 0.2, 0, 0},
                        {-60, 500, 0.05, 0.3, 0},  {500, 500, 0.1, 0.05, 15},
                        {300, -300, 0, 0.8, 0},    {-450, 100, 0, 0, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "motion " << c.dx << "," << c.dy << " loose " << c.loose);
    BeadsRng rng;
    BeadsRngSeed(&rng, 7, static_cast<uint64_t>(c.dx + 10 * c.dy + 1e5));
    const Points a = RandomPoints(300, 51200, 800, &rng);
    Points b;
    for (size_t k = 0; k < a.x.size(); ++k) {
      if (BeadsRngUniform(&rng) < c.missing) continue;
      double x = a.x[k] + c.dx + 4 * BeadsRngGaussian(&rng);
      double y = a.y[k] + c.dy + 4 * BeadsRngGaussian(&rng);
      if (BeadsRngUniform(&rng) < c.loose) {
        x += 600 * BeadsRngGaussian(&rng);
        y += 600 * BeadsRngGaussian(&rng);
      }
      b.x.push_back(x);
      b.y.push_back(y);
    }
    for (int k = 0; k < c.spurious; ++k) {
      b.x.push_back(51200 * BeadsRngUniform(&rng));
      b.y.push_back(51200 * BeadsRngUniform(&rng));
    }
    const linking::ShiftEstimate est = Vote(a, b);
    EXPECT_TRUE(est.trusted);
    // The median of 60 to 128 displacements with 4 nm noise per point.
    EXPECT_NEAR(est.dx, c.dx, 3.0);
    EXPECT_NEAR(est.dy, c.dy, 3.0);
  }
}

TEST(FieldMotionTest, UnrelatedFramesGiveNoTrustedMotion) {
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    BeadsRng rng;
    BeadsRngSeed(&rng, seed, 99);
    const Points a = RandomPoints(20, 12800, 1000, &rng);
    const Points b = RandomPoints(20, 12800, 1000, &rng);
    const linking::ShiftEstimate est = Vote(a, b);
    EXPECT_FALSE(est.trusted) << "seed " << seed << " support " << est.support;
  }
}

// One loose bead among fixed ones. With the stage jumping up to 500 nm
// between frames the loose bead, which does not follow the stage, jumps as
// far relative to the field and cannot be linked across most frames; with a
// quiet stage it is linked, and maxStd decides whether its drift of about
// 1.2 um over the series is admitted into a track. In every case the field
// offsets follow the stage and every fixed bead keeps one whole track.
TEST(FieldMotionTest, CommonMotionIsRemovedWithALooseBead) {
  enum class Loose { kNoWholeTrack, kDissolved, kOneWholeTrack };
  struct Case {
    double stage_jump_nm;
    double max_std;  // nm
    Loose loose;     // what becomes of the loose bead
  };
  const Case cases[] = {{500, 100, Loose::kNoWholeTrack},
                        {30, 100, Loose::kDissolved},
                        {30, 1e5, Loose::kOneWholeTrack}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "stage " << c.stage_jump_nm << " nm, maxStd " << c.max_std);
    SceneOptions o;
    o.fixed = 30;
    o.loose = 1;
    o.loose_step_nm = 5;
    o.loose_drift_nm = 10;  // 1.2 um over the series: a spread of about 350 nm
    o.frames = 120;
    o.stage_jump_nm = c.stage_jump_nm;
    o.seed = 11;
    linking_test::Scene scene = MakeScene(o);
    LinkingSession* s = LoadScene(scene);
    ASSERT_NE(s, nullptr);
    LinkingParameters p;
    LinkingParametersDefault(&p);
    p.max_std = c.max_std;
    char message[256];
    ASSERT_EQ(LinkingLinkTracks(s, &p, nullptr, message, sizeof message), LINKING_OK) << message;
    // Offsets and stage compared about their means: the estimate's frame 0
    // carries its own noise, which would shift every other frame.
    std::vector<double> ox(o.frames), oy(o.frames);
    double mean_ox = 0, mean_oy = 0, mean_sx = 0, mean_sy = 0;
    for (int t = 0; t < o.frames; ++t) {
      ASSERT_EQ(LinkingFieldOffset(s, t, &ox[t], &oy[t]), LINKING_OK);
      mean_ox += ox[t] / o.frames;
      mean_oy += oy[t] / o.frames;
      mean_sx += scene.stage_x[t] / o.frames;
      mean_sy += scene.stage_y[t] / o.frames;
    }
    EXPECT_NEAR(ox[0], 0.0, 1e-9);
    // The median of 30 beads with 4 nm noise: about 0.9 nm rms per frame.
    for (int t = 0; t < o.frames; ++t) {
      EXPECT_NEAR(ox[t] - mean_ox, scene.stage_x[t] - mean_sx, 4.0) << "frame " << t;
      EXPECT_NEAR(oy[t] - mean_oy, scene.stage_y[t] - mean_sy, 4.0) << "frame " << t;
    }
    const linking_test::Verdict v = Judge(scene, s);
    EXPECT_EQ(v.wrong_links, 0);
    const std::vector<int>& loose_tracks = v.tracks_of_bead[o.fixed];
    LinkingStatistics st;
    LinkingGetStatistics(s, &st);
    switch (c.loose) {
      case Loose::kNoWholeTrack:
        EXPECT_EQ(v.whole_beads, o.fixed);
        EXPECT_EQ(st.complete_tracks, o.fixed);
        break;
      case Loose::kDissolved:
        EXPECT_EQ(loose_tracks, std::vector<int>{0});
        EXPECT_EQ(st.dissolved_tracks, 1);
        EXPECT_EQ(v.whole_beads, o.fixed);
        break;
      case Loose::kOneWholeTrack:
        EXPECT_EQ(loose_tracks.size(), 1u);
        EXPECT_EQ(st.dissolved_tracks, 0);
        EXPECT_EQ(v.whole_beads, o.fixed + 1);
        break;
    }
    LinkingSessionDestroy(s);
  }
}

}  // namespace
