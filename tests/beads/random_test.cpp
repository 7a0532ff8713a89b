// The simulator's random numbers: reproducible per (seed, stream), and each
// sampler with the mean and variance of its distribution.
#include <gtest/gtest.h>

#include <cmath>

#include "beads.h"

namespace {

TEST(Random, SameSeedAndStreamGiveTheSameSequence) {
  BeadsRng a, b, c, d;
  BeadsRngSeed(&a, 42, 7);
  BeadsRngSeed(&b, 42, 7);
  BeadsRngSeed(&c, 42, 8);
  BeadsRngSeed(&d, 43, 7);
  int same_c = 0, same_d = 0;
  for (int k = 0; k < 1000; ++k) {
    const uint64_t va = BeadsRngNext(&a);
    ASSERT_EQ(va, BeadsRngNext(&b));
    same_c += va == BeadsRngNext(&c);
    same_d += va == BeadsRngNext(&d);
  }
  EXPECT_EQ(same_c, 0);
  EXPECT_EQ(same_d, 0);
}

TEST(Random, UniformStaysInTheUnitInterval) {
  BeadsRng rng;
  BeadsRngSeed(&rng, 1, 0);
  double lo = 1, hi = 0, sum = 0;
  const int n = 200000;
  for (int k = 0; k < n; ++k) {
    const double u = BeadsRngUniform(&rng);
    lo = std::min(lo, u);
    hi = std::max(hi, u);
    sum += u;
  }
  EXPECT_GE(lo, 0.0);
  EXPECT_LT(hi, 1.0);
  EXPECT_NEAR(sum / n, 0.5, 0.003);
}

struct Moments {
  const char* what;
  double param1, param2;  // mean (Poisson, Gaussian scale) or shape and scale (gamma)
  double mean, variance;  // of the distribution
};

double Draw(BeadsRng* rng, const Moments& m) {
  if (std::string(m.what) == "gaussian") {
    return m.param1 + m.param2 * BeadsRngGaussian(rng);
  }
  if (std::string(m.what) == "gamma") return BeadsRngGamma(rng, m.param1, m.param2);
  return BeadsRngPoisson(rng, m.param1);
}

TEST(Random, SamplersHaveTheirDistributionsMoments) {
  // Both Poisson methods (below and above a mean of 12) and both gamma
  // branches (shape below and above 1).
  const Moments cases[] = {
      {"poisson", 0.3, 0, 0.3, 0.3},       {"poisson", 5, 0, 5, 5},
      {"poisson", 11.9, 0, 11.9, 11.9},    {"poisson", 12.5, 0, 12.5, 12.5},
      {"poisson", 250, 0, 250, 250},       {"poisson", 40000, 0, 40000, 40000},
      {"gaussian", 3, 2, 3, 4},            {"gamma", 0.5, 2, 1, 2},
      {"gamma", 1, 1, 1, 1},               {"gamma", 20, 3, 60, 180},
  };
  for (const Moments& m : cases) {
    BeadsRng rng;
    BeadsRngSeed(&rng, 2024, static_cast<uint64_t>(m.param1 * 100));
    const int n = 200000;
    double sum = 0, sum2 = 0;
    for (int k = 0; k < n; ++k) {
      const double v = Draw(&rng, m);
      sum += v;
      sum2 += v * v;
    }
    const double mean = sum / n, variance = sum2 / n - mean * mean;
    const double mean_tolerance = 5 * std::sqrt(m.variance / n);
    EXPECT_NEAR(mean, m.mean, mean_tolerance) << m.what << " " << m.param1;
    EXPECT_NEAR(variance / m.variance, 1.0, 0.03) << m.what << " " << m.param1;
  }
}

TEST(Random, PoissonDrawsAreWholeNonNegativeNumbers) {
  BeadsRng rng;
  BeadsRngSeed(&rng, 3, 3);
  for (double mean : {0.0, -1.0, 0.01, 7.0, 13.0, 1e5}) {
    for (int k = 0; k < 2000; ++k) {
      const double v = BeadsRngPoisson(&rng, mean);
      ASSERT_GE(v, 0.0);
      ASSERT_EQ(v, std::floor(v));
      if (mean <= 0) {
        ASSERT_EQ(v, 0.0);
      }
    }
  }
}

}  // namespace
