// Frame exposure: rendering, shot noise, gain, offset, read noise.
#include "camera.h"

#include <algorithm>
#include <cmath>

#include "beads.h"

namespace beadsim {

namespace {

// Representable range of an integer pixel type; false for float types.
bool IntegerRange(int pixel_type, double* lo, double* hi) {
  switch (pixel_type) {
    case 0: *lo = 0; *hi = 255; return true;
    case 1: *lo = -32767; *hi = 32767; return true;
    case 6: *lo = 0; *hi = 65535; return true;
    case 7: *lo = -2147483647.0; *hi = 2147483647.0; return true;
    default: return false;
  }
}

}  // namespace

void ExposeFrame(const CameraOptions& c, const FrameTruth& truth, double psf_sigma, int nx,
                 int ny, int frame, std::vector<double>* expected, std::vector<float>* counts) {
  const size_t n = static_cast<size_t>(nx) * ny;
  expected->assign(n, c.background);
  std::vector<BeadsEmitter> emitters(truth.x.size());
  for (size_t k = 0; k < emitters.size(); ++k)
    emitters[k] = {truth.x[k], truth.y[k], truth.photons[k]};
  BeadsRenderEmitters(expected->data(), nx, ny, emitters.data(), static_cast<int>(emitters.size()),
                      psf_sigma);
  // One noise stream per frame: frames can be drawn in any order and stay
  // the same for a seed.
  BeadsRng rng;
  BeadsRngSeed(&rng, c.seed, static_cast<uint64_t>(frame) + 1);
  double lo = 0, hi = 0;
  const bool integer = IntegerRange(c.pixel_type, &lo, &hi);
  counts->resize(n);
  for (size_t p = 0; p < n; ++p) {
    const double photons = BeadsRngPoisson(&rng, (*expected)[p]);
    double signal = c.emccd ? BeadsRngGamma(&rng, photons, c.gain) : c.gain * photons;
    double value = signal + c.offset;
    if (c.read_noise > 0) value += c.read_noise * BeadsRngGaussian(&rng);
    if (integer) value = std::clamp(std::nearbyint(value), lo, hi);
    (*counts)[p] = static_cast<float>(value);
  }
}

}  // namespace beadsim
