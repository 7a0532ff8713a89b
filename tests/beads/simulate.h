// Test helpers: noisy frames of known emitters, drawn with the engine's own
// deterministic generator so that every run sees the same data.
#pragma once

#include <vector>

#include "beads.h"

namespace beads_test {

// width x height frame of Poisson counts with the given emitters over a
// uniform background (photons per pixel).
inline std::vector<float> PoissonFrame(int width, int height, const std::vector<BeadsEmitter>& e,
                                       double background, double sigma, BeadsRng* rng) {
  std::vector<double> expected(static_cast<size_t>(width) * height, background);
  BeadsRenderEmitters(expected.data(), width, height, e.data(), static_cast<int>(e.size()),
                      sigma);
  std::vector<float> frame(expected.size());
  for (size_t p = 0; p < expected.size(); ++p)
    frame[p] = static_cast<float>(BeadsRngPoisson(rng, expected[p]));
  return frame;
}

inline BeadsRegion WholeRegion(const std::vector<float>& frame, int width, int height) {
  BeadsRegion r;
  r.image = frame.data();
  r.known = nullptr;
  r.stride = width;
  r.x0 = 0;
  r.y0 = 0;
  r.width = width;
  r.height = height;
  return r;
}

}  // namespace beads_test
