// Per-axis terms of the pixel-integrated Gaussian PSF, shared by the fits,
// the Cramer-Rao computation and the renderer. The 2D PSF separates into a
// product of two axis integrals, so a region of W x H pixels needs only
// W + 1 and H + 1 error-function evaluations per emitter, not W * H.
//
// For pixel k of an axis (covering [k - 0.5, k + 0.5]) and a Gaussian of
// centre c and width s, with boundaries a = k - 0.5 - c and a' = a + 1:
//   value    = (erf(a' / (sqrt2 s)) - erf(a / (sqrt2 s))) / 2
//   d/dc     = -(g(a') - g(a)) / (sqrt(2 pi) s)          g(a) = exp(-a^2 / 2s^2)
//   d/ds     = -(a' g(a') - a g(a)) / (sqrt(2 pi) s^2)
#pragma once

#include <cmath>

namespace beads {

// erf from the five-term rational approximation of Hastings (absolute error
// below 1.5e-7), which needs the same exp(-u^2) that the derivatives use.
inline float ErfFromGauss(float u, float gauss) {
  const float au = std::fabs(u);
  const float t = 1.0f / (1.0f + 0.3275911f * au);
  const float poly =
      t * (0.254829592f +
           t * (-0.284496736f + t * (1.421413741f + t * (-1.453152027f + t * 1.061405429f))));
  const float r = 1.0f - poly * gauss;
  return u < 0 ? -r : r;
}

// Single-precision axis terms for the fits. n pixels, boundaries n + 1;
// scratch for n + 1 values is taken from the caller's arrays' tails, so each
// output array needs n + 1 slots. d_sigma may be null.
inline void AxisTermsFast(float centre, float sigma, int n, float* value, float* d_centre,
                          float* d_sigma) {
  const float inv_s2 = 1.0f / (1.41421356f * sigma);
  const float norm_c = 1.0f / (2.50662827f * sigma);
  const float norm_s = norm_c / sigma;
  float a = -0.5f - centre;
  float u = a * inv_s2;
  float g = std::exp(-u * u);
  float e = ErfFromGauss(u, g);
  for (int k = 0; k < n; ++k) {
    const float a1 = a + 1.0f;
    const float u1 = a1 * inv_s2;
    const float g1 = std::exp(-u1 * u1);
    const float e1 = ErfFromGauss(u1, g1);
    value[k] = 0.5f * (e1 - e);
    d_centre[k] = -(g1 - g) * norm_c;
    if (d_sigma) d_sigma[k] = -(a1 * g1 - a * g) * norm_s;
    a = a1;
    g = g1;
    e = e1;
  }
}

// Double-precision axis terms with the library erf, for the Cramer-Rao
// bound and the renderer, where accuracy matters more than speed.
inline void AxisTermsExact(double centre, double sigma, int first, int n, double* value,
                           double* d_centre, double* d_sigma) {
  const double inv_s2 = 1.0 / (std::sqrt(2.0) * sigma);
  const double norm_c = 1.0 / (std::sqrt(2.0 * M_PI) * sigma);
  const double norm_s = norm_c / sigma;
  double a = first - 0.5 - centre;
  double g = std::exp(-(a * inv_s2) * (a * inv_s2));
  double e = std::erf(a * inv_s2);
  for (int k = 0; k < n; ++k) {
    const double a1 = a + 1.0;
    const double u1 = a1 * inv_s2;
    const double g1 = std::exp(-u1 * u1);
    const double e1 = std::erf(u1);
    // Far in the upper tail erf differences cancel; erfc keeps them exact.
    value[k] = (a > 0) ? 0.5 * (std::erfc(a * inv_s2) - std::erfc(u1)) : 0.5 * (e1 - e);
    if (d_centre) d_centre[k] = -(g1 - g) * norm_c;
    if (d_sigma) d_sigma[k] = -(a1 * g1 - a * g) * norm_s;
    a = a1;
    g = g1;
    e = e1;
  }
}

}  // namespace beads
