// Fit speed of the single-emitter maximum-likelihood fit: fits per second
// on one thread for 7x7 and 9x9 regions, sigma fixed and free, over
// pre-drawn frames (drawing is not timed). The precision of the fits is
// measured by beads_precision_bench.
//
//   beads_fit_bench [fits per row]
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

}  // namespace

int main(int argc, char** argv) {
  SpeedTable(argc > 1 ? std::atoi(argv[1]) : 200000);
  return 0;
}
