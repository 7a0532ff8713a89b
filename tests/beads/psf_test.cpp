// The PSF model: pixel integrals, optical width, rendering, and the
// Cramer-Rao bound against its known limits.
#include <gtest/gtest.h>

#include <cmath>
#include <numeric>
#include <vector>

#include "beads.h"

namespace {

TEST(PsfModel, PixelIntegralsAreNormalisedAndCentred) {
  for (double centre : {0.0, 0.25, -0.4, 3.7}) {
    // (Narrower PSFs are undersampled: their pixel centroid is biased.)
    for (double sigma : {1.0, 1.3, 3.0}) {
      std::vector<double> v(61);
      ASSERT_EQ(BeadsPixelIntegrals(centre, sigma, -30, 61, v.data()), BEADS_OK);
      EXPECT_NEAR(std::accumulate(v.begin(), v.end(), 0.0), 1.0, 1e-12);
      double mean = 0;
      for (int k = 0; k < 61; ++k) mean += v[k] * (k - 30);
      EXPECT_NEAR(mean, centre, 1e-6) << centre << " " << sigma;
    }
  }
  // Centred on a pixel, neighbours are equal; the central pixel of a unit
  // sigma Gaussian holds erf(0.5/sqrt2) of it.
  double v[3];
  BeadsPixelIntegrals(0.0, 1.0, -1, 3, v);
  EXPECT_DOUBLE_EQ(v[0], v[2]);
  EXPECT_NEAR(v[1], std::erf(0.5 / std::sqrt(2.0)), 1e-12);
}

TEST(PsfModel, OpticalSigmaFollowsWavelengthApertureAndPixelSize) {
  struct Case {
    double wavelength, na, pixel, sigma;
  } cases[] = {{620, 1.0, 0.1, 1.302}, {500, 1.4, 0.1, 0.75}, {620, 1.0, 0.2, 0.651},
               {0, 1.0, 0.1, 0}, {620, 0, 0.1, 0}, {620, 1.0, -1, 0}};
  for (const Case& c : cases)
    EXPECT_NEAR(BeadsPsfSigmaFromOptics(c.wavelength, c.na, c.pixel), c.sigma, 1e-9)
        << c.wavelength << " " << c.na << " " << c.pixel;
}

TEST(PsfModel, RenderingKeepsThePhotonsOfBeadsInside) {
  const int nx = 40, ny = 30;
  std::vector<double> image(nx * ny, 0.0);
  const BeadsEmitter e[] = {{10.2, 12.7, 1000}, {30.5, 15.0, 250}, {-20, 5, 500}};
  ASSERT_EQ(BeadsRenderEmitters(image.data(), nx, ny, e, 3, 1.3), BEADS_OK);
  // The third bead is far outside and adds nothing.
  EXPECT_NEAR(std::accumulate(image.begin(), image.end(), 0.0), 1250.0, 1e-6);
  // Half of a bead centred on the edge pixel's centre line falls outside.
  std::vector<double> edge(nx * ny, 0.0);
  const BeadsEmitter on_edge{-0.5, 15, 1000};
  BeadsRenderEmitters(edge.data(), nx, ny, &on_edge, 1, 1.3);
  EXPECT_NEAR(std::accumulate(edge.begin(), edge.end(), 0.0), 500.0, 1e-6);
}

TEST(CramerRao, ApproachesTheLimitsOfAWideRegion) {
  // Without background and with a region much wider than the PSF, the
  // position bound (sigma fixed) tends to sqrt((sigma^2 + 1/12) / N).
  const double sigma = 1.3;
  for (double photons : {100.0, 10000.0}) {
    const BeadsEmitter e{15, 15, photons};
    double bound[5];
    ASSERT_EQ(BeadsCramerRao(31, 31, &e, 1, 1e-9, sigma, 0, bound), BEADS_OK);
    const double expected = std::sqrt((sigma * sigma + 1.0 / 12) / photons);
    EXPECT_NEAR(bound[0] / expected, 1.0, 0.02) << photons;
    EXPECT_NEAR(bound[0], bound[1], 1e-12);
    // Photon count: Poisson, sd sqrt(N).
    EXPECT_NEAR(bound[2] / std::sqrt(photons), 1.0, 0.02);
  }
}

TEST(CramerRao, GrowsWithBackgroundSigmaFreedomAndCloseness) {
  const BeadsEmitter e{3, 3, 1000};
  double low[5], high[5], fixed[5], free_sigma[5];
  BeadsCramerRao(7, 7, &e, 1, 5, 1.3, 0, low);
  BeadsCramerRao(7, 7, &e, 1, 100, 1.3, 0, high);
  BeadsCramerRao(7, 7, &e, 1, 20, 1.3, 0, fixed);
  BeadsCramerRao(7, 7, &e, 1, 20, 1.3, 1, free_sigma);
  EXPECT_GT(high[0], 1.5 * low[0]);
  EXPECT_GE(free_sigma[0], fixed[0]);
  EXPECT_GT(free_sigma[4], 0.0);
  EXPECT_EQ(fixed[4], 0.0);
  // A second bead close by makes each position less certain.
  const BeadsEmitter pair[] = {{5, 6, 1000}, {7, 6, 1000}};
  const BeadsEmitter alone{5, 6, 1000};
  double two[8], one[5];
  BeadsCramerRao(13, 13, pair, 2, 20, 1.3, 0, two);
  BeadsCramerRao(13, 13, &alone, 1, 20, 1.3, 0, one);
  EXPECT_GT(two[0], 1.2 * one[0]);
  EXPECT_EQ(BeadsCramerRao(7, 7, &e, 1, 20, 0, 0, one), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsCramerRao(7, 7, &e, 0, 20, 1.3, 0, one), BEADS_ERR_ARGUMENT);
}

}  // namespace
