// The second-order bound on the position scatter of unbiased estimators:
// checked against a simulation that builds its statistics from likelihood
// ratios of the rendered model (no analytic derivative shared with the
// engine), and against the Cramer-Rao bound it must never undercut.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "beads.h"

namespace {

constexpr int kSide = 7;
constexpr double kSigma = 1.3;
constexpr int kParams = 4;                   // x, y, photons, background
constexpr int kStats = kParams + 10;         // scores and second-order terms

std::vector<double> Expected(const double* theta) {
  std::vector<double> mu(kSide * kSide, theta[3]);
  const BeadsEmitter e{theta[0], theta[1], theta[2]};
  BeadsRenderEmitters(mu.data(), kSide, kSide, &e, 1, kSigma);
  return mu;
}

// Inverse of a small dense matrix by Gauss-Jordan elimination with
// partial pivoting (row-major n x n, in place).
void Invert(std::vector<double>* a, int n) {
  std::vector<double> inv(n * n, 0.0);
  for (int i = 0; i < n; ++i) inv[i * n + i] = 1;
  std::vector<double>& m = *a;
  for (int c = 0; c < n; ++c) {
    int p = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(m[r * n + c]) > std::fabs(m[p * n + c])) p = r;
    for (int k = 0; k < n; ++k) {
      std::swap(m[c * n + k], m[p * n + k]);
      std::swap(inv[c * n + k], inv[p * n + k]);
    }
    const double d = m[c * n + c];
    for (int k = 0; k < n; ++k) {
      m[c * n + k] /= d;
      inv[c * n + k] /= d;
    }
    for (int r = 0; r < n; ++r) {
      if (r == c) continue;
      const double f = m[r * n + c];
      for (int k = 0; k < n; ++k) {
        m[r * n + k] -= f * m[c * n + k];
        inv[r * n + k] -= f * inv[c * n + k];
      }
    }
  }
  m = inv;
}

// The bound on x and y from simulated data: the statistics f_i / f and
// f_ij / f are central differences of the likelihood ratio f(theta') /
// f(theta) over nearby parameter points; their second-moment matrix J gives
// the bound (J^-1)_xx, (J^-1)_yy.
std::array<double, 2> SimulatedBound(const BeadsEmitter& e, double background, long samples,
                                     uint64_t seed) {
  const double theta[kParams] = {e.x, e.y, e.photons, background};
  const double step[kParams] = {1e-3, 1e-3, 1e-3 * e.photons, 1e-3 * background};
  const std::vector<double> mu = Expected(theta);
  // Each point: log(mu' / mu) per pixel and sum(mu' - mu).
  struct Point {
    std::vector<double> log_ratio;
    double excess = 0;
  };
  std::vector<Point> points;
  auto point = [&](std::array<int, kParams> d) {
    double t[kParams];
    for (int k = 0; k < kParams; ++k) t[k] = theta[k] + d[k] * step[k];
    const std::vector<double> other = Expected(t);
    Point p;
    for (size_t q = 0; q < mu.size(); ++q) {
      p.log_ratio.push_back(std::log(other[q] / mu[q]));
      p.excess += other[q] - mu[q];
    }
    points.push_back(p);
    return static_cast<int>(points.size()) - 1;
  };
  int plus[kParams], minus[kParams], corner[kParams][kParams][4];
  for (int i = 0; i < kParams; ++i) {
    std::array<int, kParams> d{};
    d[i] = 1;
    plus[i] = point(d);
    d[i] = -1;
    minus[i] = point(d);
  }
  for (int i = 0; i < kParams; ++i)
    for (int j = i + 1; j < kParams; ++j)
      for (int c = 0; c < 4; ++c) {
        std::array<int, kParams> d{};
        d[i] = c & 2 ? 1 : -1;
        d[j] = c & 1 ? 1 : -1;
        corner[i][j][c] = point(d);
      }
  std::vector<double> moments(kStats * kStats, 0.0), z(mu.size()), ratio(points.size());
  BeadsRng rng;
  BeadsRngSeed(&rng, seed, 0);
  for (long s = 0; s < samples; ++s) {
    for (size_t q = 0; q < mu.size(); ++q) z[q] = BeadsRngPoisson(&rng, mu[q]);
    for (size_t p = 0; p < points.size(); ++p) {
      double log_ratio = -points[p].excess;
      for (size_t q = 0; q < mu.size(); ++q) log_ratio += z[q] * points[p].log_ratio[q];
      ratio[p] = std::exp(log_ratio);
    }
    double stat[kStats];
    int k = 0;
    for (int i = 0; i < kParams; ++i) stat[k++] = (ratio[plus[i]] - ratio[minus[i]]) / (2 * step[i]);
    for (int i = 0; i < kParams; ++i)
      for (int j = i; j < kParams; ++j)
        stat[k++] = i == j ? (ratio[plus[i]] - 2 + ratio[minus[i]]) / (step[i] * step[i])
                           : (ratio[corner[i][j][3]] - ratio[corner[i][j][2]] -
                              ratio[corner[i][j][1]] + ratio[corner[i][j][0]]) /
                                 (4 * step[i] * step[j]);
    for (int a = 0; a < kStats; ++a)
      for (int b = 0; b < kStats; ++b) moments[a * kStats + b] += stat[a] * stat[b];
  }
  for (double& m : moments) m /= samples;
  Invert(&moments, kStats);
  return {std::sqrt(moments[0]), std::sqrt(moments[kStats + 1])};
}

TEST(UnbiasedBound, AgreesWithASimulationOfItsStatistics) {
  // Faint beads, where the bound lies clearly above the Cramer-Rao bound:
  // a wrong moment or derivative shows as a gap between the two.
  struct Case {
    BeadsEmitter bead;
    double background;
  } cases[] = {{{3.2, 2.9, 150}, 50}, {{2.7, 3.4, 100}, 20}};
  for (const Case& c : cases) {
    double bound[2], crb[5];
    ASSERT_EQ(BeadsBhattacharyyaBound(kSide, kSide, &c.bead, c.background, kSigma, bound),
              BEADS_OK);
    ASSERT_EQ(BeadsCramerRao(kSide, kSide, &c.bead, 1, c.background, kSigma, 0, crb), BEADS_OK);
    const std::array<double, 2> simulated = SimulatedBound(c.bead, c.background, 60000, 9);
    EXPECT_GT(bound[0] / crb[0], 1.03) << c.bead.photons;
    EXPECT_NEAR(simulated[0] / bound[0], 1.0, 0.01) << c.bead.photons;
    EXPECT_NEAR(simulated[1] / bound[1], 1.0, 0.01) << c.bead.photons;
  }
}

TEST(UnbiasedBound, NeverBelowTheCramerRaoBoundAndMeetsItForBrightBeads) {
  struct Case {
    double photons, background;
    double max_excess;  // largest admitted bound / CRB - 1
  } cases[] = {{300, 100, 0.05}, {300, 5, 0.01}, {3000, 20, 1e-3}, {30000, 100, 1e-4}};
  for (const Case& c : cases) {
    for (double offset : {0.0, 0.25, 0.5}) {
      const BeadsEmitter e{3 + offset, 3 - offset / 2, c.photons};
      double bound[2], crb[5];
      ASSERT_EQ(BeadsBhattacharyyaBound(kSide, kSide, &e, c.background, kSigma, bound),
                BEADS_OK);
      ASSERT_EQ(BeadsCramerRao(kSide, kSide, &e, 1, c.background, kSigma, 0, crb), BEADS_OK);
      for (int axis = 0; axis < 2; ++axis) {
        EXPECT_GE(bound[axis], crb[axis] * (1 - 1e-9)) << c.photons << " " << offset;
        EXPECT_LT(bound[axis] / crb[axis] - 1, c.max_excess) << c.photons << " " << offset;
      }
    }
  }
}

TEST(UnbiasedBound, RejectsUnusableArguments) {
  const BeadsEmitter e{3, 3, 1000}, dark{3, 3, 0};
  double out[2];
  EXPECT_EQ(BeadsBhattacharyyaBound(0, 7, &e, 20, kSigma, out), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsBhattacharyyaBound(7, BEADS_MAX_ROI + 1, &e, 20, kSigma, out),
            BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsBhattacharyyaBound(7, 7, nullptr, 20, kSigma, out), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsBhattacharyyaBound(7, 7, &e, 0, kSigma, out), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsBhattacharyyaBound(7, 7, &e, 20, 0, out), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsBhattacharyyaBound(7, 7, &dark, 20, kSigma, out), BEADS_ERR_ARGUMENT);
  EXPECT_EQ(BeadsBhattacharyyaBound(7, 7, &e, 20, kSigma, nullptr), BEADS_ERR_ARGUMENT);
}

}  // namespace
