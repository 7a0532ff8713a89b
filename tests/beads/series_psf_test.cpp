// The PSF width of a series, measured from localizations made with the width
// free: right on simulated series whose width differs from the start, with
// a standard error that matches the scatter of repeated series, and deaf to
// fits that are no single PSF.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "beads.h"
#include "simulate.h"

namespace {

using beads_test::PoissonFrame;

// Localizations of `frames` frames of a grid of beads (width `sigma`),
// localized with the width free from a start of 1.3 pixels.
std::vector<BeadsLocalization> LocalizeSeries(double sigma, double photons, double background,
                                              int frames, int side, uint64_t seed) {
  std::vector<BeadsLocalization> all;
  BeadsLocalizerOptions options;
  BeadsLocalizerOptionsDefault(&options, 1.3f);
  BeadsLocalizer* localizer = nullptr;
  EXPECT_EQ(BeadsLocalizerCreate(side, side, &options, &localizer), BEADS_OK);
  if (!localizer) return all;
  BeadsRng rng;
  BeadsRngSeed(&rng, seed, 0);
  for (int f = 0; f < frames; ++f) {
    std::vector<BeadsEmitter> beads;
    for (int y = 12; y < side - 8; y += 20)
      for (int x = 12; x < side - 8; x += 20)
        beads.push_back({x + BeadsRngUniform(&rng) - 0.5, y + BeadsRngUniform(&rng) - 0.5,
                         photons});
    const std::vector<float> frame = PoissonFrame(side, side, beads, background, sigma, &rng);
    const BeadsLocalization* locs;
    int count;
    EXPECT_EQ(BeadsLocalizeFrame(localizer, frame.data(), f, &locs, &count), BEADS_OK);
    all.insert(all.end(), locs, locs + count);
  }
  BeadsLocalizerDestroy(localizer);
  return all;
}

TEST(SeriesPsfSigma, MeasuresTheWidthOfSimulatedSeries) {
  // Widths apart from the start of 1.3 pixels, 4 frames of 36 beads. Faint
  // beads on a bright background (each width known to 28 %) mostly do not
  // count, and what does count gives no precise width.
  struct Case {
    double sigma, photons, background;
    bool precise;
  } cases[] = {{1.1, 2000, 20, true},
               {1.3, 1500, 50, true},
               {1.5, 3000, 10, true},
               {1.5, 700, 20, true},
               {1.3, 300, 100, false}};
  for (const Case& c : cases) {
    const std::vector<BeadsLocalization> locs =
        LocalizeSeries(c.sigma, c.photons, c.background, 4, 128, 17);
    ASSERT_GT(locs.size(), 100u) << c.photons;
    double sigma = 0, error = 0;
    int used = 0;
    const int rc = BeadsSeriesPsfSigma(locs.data(), static_cast<int>(locs.size()), 1.3f, &sigma,
                                       &error, &used);
    if (!c.precise) {
      EXPECT_LT(used, 0.2 * locs.size()) << c.photons;
      EXPECT_TRUE(rc != BEADS_OK || error > 0.03 * sigma) << sigma << " +- " << error;
      continue;
    }
    ASSERT_EQ(rc, BEADS_OK) << c.photons;
    EXPECT_GE(used, 100) << c.photons;  // 36 beads in each of 4 frames, a few held or lost
    EXPECT_NEAR(sigma, c.sigma, 4 * error) << c.photons;
    EXPECT_LT(error, (c.photons < 1000 ? 0.02 : 0.01) * c.sigma) << c.photons;
  }
}

TEST(SeriesPsfSigma, StandardErrorMatchesTheScatterOfRepeatedSeries) {
  // Small, faint series so that the estimate scatters measurably.
  const int series = 40;
  double sum = 0, sum2 = 0, reported = 0;
  for (int s = 0; s < series; ++s) {
    const std::vector<BeadsLocalization> locs = LocalizeSeries(1.3, 1200, 20, 2, 88, 100 + s);
    double sigma = 0, error = 0;
    int used = 0;
    ASSERT_EQ(BeadsSeriesPsfSigma(locs.data(), static_cast<int>(locs.size()), 1.3f, &sigma,
                                  &error, &used),
              BEADS_OK);
    sum += sigma;
    sum2 += sigma * sigma;
    reported += error;
  }
  const double mean = sum / series;
  const double scatter = std::sqrt((sum2 - series * mean * mean) / (series - 1));
  const double typical_error = reported / series;
  // 40 series pin the scatter to about 11 %.
  EXPECT_GT(scatter / typical_error, 0.65) << scatter << " vs " << typical_error;
  EXPECT_LT(scatter / typical_error, 1.5) << scatter << " vs " << typical_error;
  EXPECT_NEAR(mean, 1.3, 3 * scatter / std::sqrt(series) + 0.005);
}

// A fixed bead fitted in frames 0 .. frames - 1 at the same place.
void AddBead(std::vector<BeadsLocalization>* locs, double x, double y, float sigma, float photons,
             float background, int frames, int group_size = 1, float quality = 1.0f) {
  for (int f = 0; f < frames; ++f) {
    BeadsLocalization l{};
    l.frame = f;
    l.x = static_cast<float>(x);
    l.y = static_cast<float>(y + 0.1 * f);  // a little stage motion
    l.sigma = sigma;
    l.photons = photons;
    l.background = background;
    l.group_size = group_size;
    l.quality = quality;
    l.x_precision = l.y_precision = 0.05f;
    locs->push_back(l);
  }
}

double Estimate(const std::vector<BeadsLocalization>& locs, int* used) {
  double sigma = 0, error = 0;
  EXPECT_EQ(BeadsSeriesPsfSigma(locs.data(), static_cast<int>(locs.size()), 1.3f, &sigma, &error,
                                used),
            BEADS_OK);
  return sigma;
}

TEST(SeriesPsfSigma, IgnoresFitsThatAreNoSinglePsf) {
  // Ten good beads at 1.42 in two frames against more of every kind that
  // must not count: joint fits, widths held at the start, fits the model
  // does not describe, a bead seen in one frame only.
  std::vector<BeadsLocalization> locs;
  for (int k = 0; k < 10; ++k) AddBead(&locs, 10 + 10 * k, 10, 1.42f, 2000, 20, 2);
  for (int k = 0; k < 12; ++k) {
    AddBead(&locs, 10 + 10 * k, 30, 2.5f, 4000, 20, 2, 2);
    AddBead(&locs, 10 + 10 * k, 50, 1.3f, 3000, 20, 2);
    AddBead(&locs, 10 + 10 * k, 70, 2.1f, 6000, 20, 2, 1, 5.0f);
    AddBead(&locs, 10 + 10 * k, 90, 1.9f, 6000, 20, 1);
  }
  int used = 0;
  EXPECT_FLOAT_EQ(Estimate(locs, &used), 1.42f);
  EXPECT_EQ(used, 20);
}

TEST(SeriesPsfSigma, BrightnessComesFromTheOtherFrames) {
  // Whether a fit counts must not depend on its own photons: the noise moves
  // a fit's photons and width together. Bead A looks bright (and wide) in
  // frame 0 only; it is faint in frame 1, so its frame-0 fit must not
  // count, while its frame-1 fit counts on the strength of frame 0.
  std::vector<BeadsLocalization> locs;
  for (int k = 0; k < 4; ++k) AddBead(&locs, 10 + 10 * k, 10, 1.6f, 5000, 20, 2);
  AddBead(&locs, 60, 60, 2.4f, 30000, 100, 1);
  BeadsLocalization faint = locs.back();
  faint.frame = 1;
  faint.sigma = 1.6f;
  faint.photons = 300;
  locs.push_back(faint);
  int used = 0;
  EXPECT_FLOAT_EQ(Estimate(locs, &used), 1.6f);
  EXPECT_EQ(used, 9);
}

TEST(SeriesPsfSigma, FaintBeadsDoNotCount) {
  // Widths of faint beads on a bright background are too uncertain (and
  // skewed) to count, however many there are.
  std::vector<BeadsLocalization> locs;
  AddBead(&locs, 10, 10, 1.25f, 30000, 20, 2);
  AddBead(&locs, 20, 10, 1.26f, 20000, 20, 2);
  AddBead(&locs, 30, 10, 1.27f, 10000, 20, 2);
  for (int k = 0; k < 10; ++k) AddBead(&locs, 10 + 10 * k, 40, 1.6f, 300, 100, 2);
  int used = 0;
  EXPECT_FLOAT_EQ(Estimate(locs, &used), 1.26f);
  EXPECT_EQ(used, 6);
}

TEST(SeriesPsfSigma, RejectsEmptyAndInvalidInput) {
  std::vector<BeadsLocalization> held, single_frame;
  AddBead(&held, 10, 10, 1.3f, 2000, 20, 2);
  AddBead(&single_frame, 10, 10, 1.4f, 2000, 20, 1);
  double sigma = 1, error = 1;
  int used = 1;
  EXPECT_EQ(BeadsSeriesPsfSigma(nullptr, 0, 1.3f, &sigma, &error, &used), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(sigma, 0.0);
  EXPECT_EQ(used, 0);
  EXPECT_EQ(BeadsSeriesPsfSigma(held.data(), 2, 1.3f, &sigma, &error, &used), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsSeriesPsfSigma(single_frame.data(), 1, 1.3f, &sigma, &error, &used),
            BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsSeriesPsfSigma(held.data(), 2, 0.0f, &sigma, &error, &used), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsSeriesPsfSigma(held.data(), -1, 1.3f, &sigma, &error, &used),
            BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsSeriesPsfSigma(held.data(), 2, 1.3f, nullptr, &error, &used),
            BEADS_ERR_ARGUMENT);
}

}  // namespace
