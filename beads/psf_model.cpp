// The PSF model seen from outside: the optical width of the PSF, pixel
// integrals along one axis, and rendering of expected photon images for the
// simulator and the tests.
#include <algorithm>
#include <cmath>
#include <vector>

#include "beads.h"
#include "psf_axis.h"

extern "C" {

double BeadsPsfSigmaFromOptics(double wavelength_nm, double numerical_aperture,
                               double pixel_size_um) {
  if (!(wavelength_nm > 0) || !(numerical_aperture > 0) || !(pixel_size_um > 0)) return 0;
  // Best Gaussian fit to the paraxial in-focus widefield pattern.
  return 0.21 * wavelength_nm / numerical_aperture / (pixel_size_um * 1000.0);
}

int BeadsPixelIntegrals(double centre, double sigma, int first, int count, double* out) {
  if (!(sigma > 0) || count < 0 || (count > 0 && !out)) return BEADS_ERR_ARGUMENT;
  beads::AxisTermsExact(centre, sigma, first, count, out, nullptr, nullptr);
  return BEADS_OK;
}

int BeadsRenderEmitters(double* image, int nx, int ny, const BeadsEmitter* emitters, int count,
                        double sigma) {
  if (!image || nx < 1 || ny < 1 || count < 0 || (count > 0 && !emitters) || !(sigma > 0))
    return BEADS_ERR_ARGUMENT;
  std::vector<double> ex, ey;
  const double reach = 6 * sigma + 1;
  for (int k = 0; k < count; ++k) {
    const BeadsEmitter& e = emitters[k];
    if (!(e.photons > 0) || !std::isfinite(e.x) || !std::isfinite(e.y)) continue;
    const int x_first = std::max(0, static_cast<int>(std::floor(e.x - reach)));
    const int x_last = std::min(nx - 1, static_cast<int>(std::ceil(e.x + reach)));
    const int y_first = std::max(0, static_cast<int>(std::floor(e.y - reach)));
    const int y_last = std::min(ny - 1, static_cast<int>(std::ceil(e.y + reach)));
    if (x_first > x_last || y_first > y_last) continue;
    ex.resize(x_last - x_first + 1);
    ey.resize(y_last - y_first + 1);
    beads::AxisTermsExact(e.x, sigma, x_first, static_cast<int>(ex.size()), ex.data(), nullptr,
                          nullptr);
    beads::AxisTermsExact(e.y, sigma, y_first, static_cast<int>(ey.size()), ey.data(), nullptr,
                          nullptr);
    for (int j = y_first; j <= y_last; ++j) {
      const double row = e.photons * ey[j - y_first];
      double* line = image + static_cast<size_t>(j) * nx;
      for (int i = x_first; i <= x_last; ++i) line[i] += row * ex[i - x_first];
    }
  }
  return BEADS_OK;
}

}  // extern "C"
