// The camera of the simulator: expected photons per pixel (background plus
// the beads' pixel-integrated Gaussian PSFs) turned into camera counts.
//
// Noise model, per pixel: n ~ Poisson(expected photons); the signal is
// gain * n, or with an electron-multiplying camera Gamma(n, gain) (mean
// gain * n, variance 2 gain^2 n: excess noise factor 2); then offset plus
// Gaussian read noise is added, and integer pixel types are rounded and
// clamped to their range. The photon conversion factor stored with the
// image is 1 / gain photons per count.
#pragma once

#include <cstdint>
#include <vector>

#include "scene.h"

namespace beadsim {

struct CameraOptions {
  double background = 20;   // photons per pixel per frame
  double gain = 2;          // counts per photon (including any multiplication)
  double offset = 100;      // counts added to every pixel
  double read_noise = 1.5;  // counts rms
  bool emccd = false;       // stochastic electron multiplication
  int pixel_type = 6;       // image pixel type of the output
  uint64_t seed = 1;        // seed of the shot and read noise
};

// Counts of one frame (nx * ny, row-major) for the beads' positions and
// photons in truth. expected is scratch of nx * ny doubles.
void ExposeFrame(const CameraOptions& camera, const FrameTruth& truth, double psf_sigma, int nx,
                 int ny, int frame, std::vector<double>* expected, std::vector<float>* counts);

}  // namespace beadsim
