// Deterministic random numbers for the simulator and the tests: xoshiro256**
// seeded through splitmix64, with our own normal, Poisson and gamma samplers.
// The standard library's distributions may change between library versions;
// these do not, so a seed always gives the same series.
//
// Invariants: (1) the state is never all zero (splitmix64 output of any
// seed is used); (2) every sampler consumes uniforms only from the generator
// passed in, so streams seeded from (seed, stream) are independent of the
// order in which they are used.
#include "beads.h"

#include <cmath>

namespace {

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t SplitMix64(uint64_t* state) {
  uint64_t z = (*state += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// Small means: count the uniforms whose running product stays above
// exp(-mean) (exact, cost grows with the mean).
double PoissonByMultiplication(BeadsRng* rng, double mean) {
  const double limit = std::exp(-mean);
  double product = BeadsRngUniform(rng);
  double k = 0;
  while (product > limit) {
    k += 1;
    product *= BeadsRngUniform(rng);
  }
  return k;
}

// Large means: transformed rejection with squeeze (PTRS), exact, about 1.2
// uniforms pairs per deviate whatever the mean.
double PoissonByTransformedRejection(BeadsRng* rng, double mean) {
  const double root = std::sqrt(mean);
  const double b = 0.931 + 2.53 * root;
  const double a = -0.059 + 0.02483 * b;
  const double inv_alpha = 1.1239 + 1.1328 / (b - 3.4);
  const double vr = 0.9277 - 3.6224 / (b - 2);
  const double log_mean = std::log(mean);
  for (;;) {
    const double u = BeadsRngUniform(rng) - 0.5;
    const double v = BeadsRngUniform(rng);
    const double us = 0.5 - std::fabs(u);
    const double k = std::floor((2 * a / us + b) * u + mean + 0.43);
    if (us >= 0.07 && v <= vr) return k;
    if (k < 0 || (us < 0.013 && v > us)) continue;
    if (std::log(v) + std::log(inv_alpha) - std::log(a / (us * us) + b) <=
        -mean + k * log_mean - std::lgamma(k + 1))
      return k;
  }
}

}  // namespace

extern "C" {

void BeadsRngSeed(BeadsRng* rng, uint64_t seed, uint64_t stream) {
  uint64_t state = seed ^ (stream * 0xd1342543de82ef95ULL + 0x632be59bd9b4e019ULL);
  for (uint64_t& word : rng->s) word = SplitMix64(&state);
}

uint64_t BeadsRngNext(BeadsRng* rng) {
  uint64_t* s = rng->s;
  const uint64_t result = Rotl(s[1] * 5, 7) * 9;
  const uint64_t t = s[1] << 17;
  s[2] ^= s[0];
  s[3] ^= s[1];
  s[1] ^= s[2];
  s[0] ^= s[3];
  s[2] ^= t;
  s[3] = Rotl(s[3], 45);
  return result;
}

double BeadsRngUniform(BeadsRng* rng) {
  return static_cast<double>(BeadsRngNext(rng) >> 11) * 0x1.0p-53;
}

double BeadsRngGaussian(BeadsRng* rng) {
  // Marsaglia's polar method; the second deviate is dropped so that the
  // state stays a plain generator state.
  for (;;) {
    const double u = 2 * BeadsRngUniform(rng) - 1;
    const double v = 2 * BeadsRngUniform(rng) - 1;
    const double s = u * u + v * v;
    if (s > 0 && s < 1) return u * std::sqrt(-2 * std::log(s) / s);
  }
}

double BeadsRngPoisson(BeadsRng* rng, double mean) {
  if (!(mean > 0)) return 0;
  return mean < 12 ? PoissonByMultiplication(rng, mean)
                   : PoissonByTransformedRejection(rng, mean);
}

double BeadsRngGamma(BeadsRng* rng, double shape, double scale) {
  if (!(shape > 0) || !(scale > 0)) return 0;
  if (shape < 1) {
    // Boost to shape + 1 and scale back with a uniform power.
    const double u = BeadsRngUniform(rng);
    return BeadsRngGamma(rng, shape + 1, scale) * std::pow(u > 0 ? u : 0x1.0p-53, 1 / shape);
  }
  // Marsaglia and Tsang's squeeze method.
  const double d = shape - 1.0 / 3.0;
  const double c = 1 / std::sqrt(9 * d);
  for (;;) {
    const double x = BeadsRngGaussian(rng);
    double v = 1 + c * x;
    if (v <= 0) continue;
    v = v * v * v;
    const double u = BeadsRngUniform(rng);
    if (u < 1 - 0.0331 * x * x * x * x) return d * v * scale;
    if (std::log(u) < 0.5 * x * x + d * (1 - v + std::log(v))) return d * v * scale;
  }
}

}  // extern "C"
