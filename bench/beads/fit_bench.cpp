// Fit speed and precision of the single-emitter maximum-likelihood fit.
//
// Table 1: fits per second on one thread for 7x7 and 9x9 regions, sigma
// fixed and free, over pre-drawn frames (drawing is not timed).
// Table 2: for isolated beads (sigma 1.3 px) over photons x background, the
// RMS error of x and y against the truth relative to the Cramer-Rao bound
// of the fitted model, the bias relative to the bound, and the share of
// fits that converged.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "beads.h"

namespace {

struct Sample {
  BeadsEmitter truth;
  std::vector<float> pixels;
};

std::vector<Sample> Draw(int size, double photons, double background, int count, uint64_t seed) {
  BeadsRng rng;
  BeadsRngSeed(&rng, seed, 0);
  std::vector<Sample> samples(count);
  std::vector<double> expected(size * size);
  const double centre = (size - 1) / 2.0;
  for (Sample& s : samples) {
    s.truth = {centre + BeadsRngUniform(&rng) - 0.5, centre + BeadsRngUniform(&rng) - 0.5,
               photons};
    std::fill(expected.begin(), expected.end(), background);
    BeadsRenderEmitters(expected.data(), size, size, &s.truth, 1, 1.3);
    s.pixels.resize(expected.size());
    for (size_t p = 0; p < expected.size(); ++p)
      s.pixels[p] = static_cast<float>(BeadsRngPoisson(&rng, expected[p]));
  }
  return samples;
}

BeadsRegion RegionOf(const Sample& s, int size) {
  return BeadsRegion{s.pixels.data(), nullptr, size, 0, 0, size, size};
}

void SpeedTable(int count) {
  std::printf("Fit speed (one thread, %d fits per row, 1000 photons, background 20)\n", count);
  std::printf("%-8s %-7s %14s %12s %12s\n", "region", "sigma", "fits/s", "us/fit", "iterations");
  for (int size : {7, 9}) {
    const std::vector<Sample> samples = Draw(size, 1000, 20, count, 7);
    for (int fit_sigma : {0, 1}) {
      BeadsFitOptions options;
      BeadsFitOptionsDefault(&options, 1.3f);
      options.fit_sigma = fit_sigma;
      long iterations = 0;
      float sink = 0;
      const auto t0 = std::chrono::steady_clock::now();
      for (const Sample& s : samples) {
        const BeadsRegion r = RegionOf(s, size);
        BeadsFitResult result;
        BeadsFitSingle(&r, &options, nullptr, -1, &result);
        iterations += result.iterations;
        sink += result.x;
      }
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      std::printf("%dx%-6d %-7s %14.0f %12.3f %12.2f%s\n", size, size, fit_sigma ? "free" : "fixed",
                  count / seconds, 1e6 * seconds / count, double(iterations) / count,
                  sink == 12345.f ? " " : "");
    }
  }
  std::printf("\n");
}

void PrecisionTable(int count) {
  std::printf("Precision of isolated beads, 7x7 regions, sigma free (%d beads per row)\n", count);
  std::printf("%9s %11s %11s %9s %9s %11s %11s %10s\n", "photons", "background", "CRB x [px]",
              "rms/CRB x", "rms/CRB y", "bias/CRB x", "bias/CRB y", "converged");
  for (double photons : {300.0, 1000.0, 3000.0, 10000.0, 30000.0}) {
    for (double background : {5.0, 20.0, 100.0}) {
      const std::vector<Sample> samples =
          Draw(7, photons, background, count, static_cast<uint64_t>(photons + background));
      BeadsFitOptions options;
      BeadsFitOptionsDefault(&options, 1.3f);
      double ex = 0, ey = 0, ex2 = 0, ey2 = 0, bound2 = 0;
      int ok = 0;
      for (const Sample& s : samples) {
        const BeadsRegion r = RegionOf(s, 7);
        BeadsFitResult f;
        if (BeadsFitSingle(&r, &options, nullptr, -1, &f) != BEADS_OK) continue;
        double bound[5];
        BeadsCramerRao(7, 7, &s.truth, 1, background, 1.3, 1, bound);
        ++ok;
        ex += f.x - s.truth.x;
        ey += f.y - s.truth.y;
        ex2 += (f.x - s.truth.x) * (f.x - s.truth.x);
        ey2 += (f.y - s.truth.y) * (f.y - s.truth.y);
        bound2 += bound[0] * bound[0];
      }
      const double crb = std::sqrt(bound2 / ok);
      std::printf("%9.0f %11.0f %11.4f %9.3f %9.3f %11.3f %11.3f %9.2f%%\n", photons, background,
                  crb, std::sqrt(ex2 / ok) / crb, std::sqrt(ey2 / ok) / crb, ex / ok / crb,
                  ey / ok / crb, 100.0 * ok / count);
    }
  }
  std::printf("\nThe RMS ratio of N fits scatters by about 1/sqrt(2N) (%.1f %% here).\n\n",
              100 / std::sqrt(2.0 * count));
}

}  // namespace

int main(int argc, char** argv) {
  const int speed_count = argc > 1 ? std::atoi(argv[1]) : 200000;
  const int precision_count = argc > 2 ? std::atoi(argv[2]) : 20000;
  SpeedTable(speed_count);
  PrecisionTable(precision_count);
  return 0;
}
