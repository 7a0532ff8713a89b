// The frame localizer: all beads of a frame found where they are, including
// a close pair and a bead at the edge, and nothing on empty frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "beads.h"
#include "simulate.h"

namespace {

using beads_test::PoissonFrame;

// Index of the localization nearest to (x, y) within a distance, or -1.
int Nearest(const BeadsLocalization* locs, int n, double x, double y, double within) {
  int best = -1;
  double best_d = within;
  for (int k = 0; k < n; ++k) {
    const double d = std::hypot(locs[k].x - x, locs[k].y - y);
    if (d < best_d) {
      best_d = d;
      best = k;
    }
  }
  return best;
}

TEST(Localizer, FindsIsolatedCloseAndEdgeBeads) {
  const int nx = 80, ny = 64;
  std::vector<BeadsEmitter> beads = {
      {12.4, 10.7, 2000}, {40.1, 12.2, 5000}, {65.8, 20.3, 1200},
      {20.2, 45.5, 3000}, {22.8, 45.9, 3000},  // 2 sigma apart: unresolved by the filter
      {0.3, 30.0, 4000},                       // at the left edge
      {55.0, 50.0, 3000}, {60.5, 50.0, 3000},  // overlapping pair, fitted jointly
  };
  BeadsLocalizerOptions options;
  BeadsLocalizerOptionsDefault(&options, 1.3f);
  // Strict enough that background alone gives about 1 false detection in
  // these 20 frames; more extras are duplicates or spurious splits.
  options.alpha = 1e-5;
  BeadsLocalizer* localizer = nullptr;
  ASSERT_EQ(BeadsLocalizerCreate(nx, ny, &options, &localizer), BEADS_OK);
  BeadsRng rng;
  BeadsRngSeed(&rng, 21, 0);
  int misses = 0, extras = 0;
  std::ostringstream missed, extra;
  const int frames = 20;
  double err2 = 0, bound2 = 0;
  for (int f = 0; f < frames; ++f) {
    const std::vector<float> frame = PoissonFrame(nx, ny, beads, 10, 1.3, &rng);
    const BeadsLocalization* locs;
    int n;
    ASSERT_EQ(BeadsLocalizeFrame(localizer, frame.data(), f, &locs, &n), BEADS_OK);
    std::vector<bool> used(n, false);
    for (const BeadsEmitter& b : beads) {
      const int k = Nearest(locs, n, b.x, b.y, 1.0);
      if (k < 0) {
        ++misses;
        missed << " (" << b.x << "," << b.y << ")@" << f;
        continue;
      }
      used[k] = true;
      EXPECT_EQ(locs[k].frame, f);
      err2 += (locs[k].x - b.x) * (locs[k].x - b.x);
      bound2 += locs[k].x_precision * locs[k].x_precision;
    }
    for (int k = 0; k < n; ++k)
      if (!used[k]) {
        ++extras;
        extra << " (" << locs[k].x << "," << locs[k].y << ")@" << f;
      }
  }
  BeadsLocalizerDestroy(localizer);
  EXPECT_LE(misses, 2) << "of " << frames * beads.size() << ":" << missed.str();
  EXPECT_LE(extras, 2) << extra.str();
  EXPECT_LT(std::sqrt(err2 / bound2), 1.5);
}

TEST(Localizer, BeadsOfEveryPsfWidthAreFound) {
  // Narrow to very wide PSFs: fit regions, filter and neighbour models all
  // scale with sigma (the widest hits the largest fit region).
  for (float sigma : {0.8f, 1.3f, 2.5f, 7.0f}) {
    const int n = 160;
    const double spacing = std::max(20.0, 10.0 * sigma);
    std::vector<BeadsEmitter> beads;
    for (double y = spacing / 2; y < n - spacing / 2; y += spacing)
      for (double x = spacing / 2; x < n - spacing / 2; x += spacing)
        beads.push_back({x + 0.3, y - 0.2, 400.0 * sigma * sigma + 2000});
    BeadsRng rng;
    BeadsRngSeed(&rng, 6, static_cast<uint64_t>(sigma * 10));
    const std::vector<float> frame = PoissonFrame(n, n, beads, 10, sigma, &rng);
    BeadsLocalizerOptions options;
    BeadsLocalizerOptionsDefault(&options, sigma);
    BeadsLocalizer* localizer = nullptr;
    ASSERT_EQ(BeadsLocalizerCreate(n, n, &options, &localizer), BEADS_OK) << sigma;
    const BeadsLocalization* locs;
    int count;
    ASSERT_EQ(BeadsLocalizeFrame(localizer, frame.data(), 0, &locs, &count), BEADS_OK);
    int found = 0;
    for (const BeadsEmitter& b : beads) {
      const int k = Nearest(locs, count, b.x, b.y, 0.5);
      if (k < 0) continue;
      ++found;
      EXPECT_NEAR(locs[k].sigma, sigma, 0.1 * sigma) << sigma;
    }
    EXPECT_EQ(found, static_cast<int>(beads.size())) << sigma;
    BeadsLocalizerDestroy(localizer);
  }
}

TEST(Localizer, EmptyFramesGiveAlmostNothing) {
  const int nx = 128, ny = 128;
  BeadsLocalizerOptions options;
  BeadsLocalizerOptionsDefault(&options, 1.3f);
  options.alpha = 1e-6;
  BeadsLocalizer* localizer = nullptr;
  ASSERT_EQ(BeadsLocalizerCreate(nx, ny, &options, &localizer), BEADS_OK);
  BeadsRng rng;
  BeadsRngSeed(&rng, 4, 0);
  int total = 0;
  for (int f = 0; f < 10; ++f) {
    const std::vector<float> frame = PoissonFrame(nx, ny, {}, 30, 1.3, &rng);
    const BeadsLocalization* locs;
    int n;
    ASSERT_EQ(BeadsLocalizeFrame(localizer, frame.data(), f, &locs, &n), BEADS_OK);
    total += n;
  }
  BeadsLocalizerDestroy(localizer);
  // 163840 pixels at 1e-6: about 0.2 expected.
  EXPECT_LE(total, 2);
}

TEST(Localizer, RejectsUnusableOptions) {
  BeadsLocalizerOptions options;
  BeadsLocalizer* localizer = nullptr;
  struct Case {
    const char* what;
    int nx, ny;
    float sigma;
    double alpha;
    float overlap;
  } cases[] = {{"tiny frame", 2, 40, 1.3f, 0.001, 0.15f}, {"no sigma", 40, 40, 0, 0.001, 0.15f},
               {"alpha 0", 40, 40, 1.3f, 0, 0.15f},       {"alpha 1", 40, 40, 1.3f, 1, 0.15f},
               {"overlap < 0", 40, 40, 1.3f, 0.001, -1}};
  for (const Case& c : cases) {
    BeadsLocalizerOptionsDefault(&options, c.sigma);
    options.alpha = c.alpha;
    options.overlap_threshold = c.overlap;
    EXPECT_EQ(BeadsLocalizerCreate(c.nx, c.ny, &options, &localizer), BEADS_ERR_ARGUMENT)
        << c.what;
    EXPECT_EQ(localizer, nullptr);
  }
}

}  // namespace
