// Cramer-Rao bound of the pixel-integrated Gaussian under Poisson noise, in
// double precision with the library erf: the reference against which the
// fits' precision is judged. For expected counts mu_p(theta) in pixel p the
// Fisher information is I_kl = sum_p (d mu_p / d theta_k)(d mu_p / d theta_l)
// / mu_p, and the bound on the standard deviation of parameter k is
// sqrt((I^-1)_kk).
#include <vector>

#include "beads.h"
#include "psf_axis.h"
#include "small_matrix.h"

extern "C" int BeadsCramerRao(int width, int height, const BeadsEmitter* emitters, int count,
                              double background, double sigma, int sigma_free, double* std_out) {
  if (width < 1 || height < 1 || count < 1 || count > BEADS_MAX_EMITTERS || !emitters ||
      !std_out || !(sigma > 0) || !(background >= 0))
    return BEADS_ERR_ARGUMENT;
  const int n = 3 * count + 1 + (sigma_free ? 1 : 0);
  const int b_index = 3 * count;
  std::vector<double> ex(count * width), dex(count * width), sex(count * width);
  std::vector<double> ey(count * height), dey(count * height), sey(count * height);
  for (int k = 0; k < count; ++k) {
    beads::AxisTermsExact(emitters[k].x, sigma, 0, width, &ex[k * width], &dex[k * width],
                          &sex[k * width]);
    beads::AxisTermsExact(emitters[k].y, sigma, 0, height, &ey[k * height], &dey[k * height],
                          &sey[k * height]);
  }
  double fisher[beads::kMaxParams * beads::kMaxParams] = {};
  double d[beads::kMaxParams];
  for (int j = 0; j < height; ++j) {
    for (int i = 0; i < width; ++i) {
      double mu = background;
      double d_sigma = 0;
      for (int k = 0; k < count; ++k) {
        const double n_k = emitters[k].photons;
        const double fx = ex[k * width + i], fy = ey[k * height + j];
        mu += n_k * fx * fy;
        d[3 * k] = n_k * dex[k * width + i] * fy;
        d[3 * k + 1] = n_k * fx * dey[k * height + j];
        d[3 * k + 2] = fx * fy;
        d_sigma += n_k * (sex[k * width + i] * fy + fx * sey[k * height + j]);
      }
      d[b_index] = 1;
      if (sigma_free) d[b_index + 1] = d_sigma;
      if (!(mu > 0)) continue;  // a pixel with no expected light carries no information
      const double w = 1.0 / mu;
      for (int r = 0; r < n; ++r)
        for (int c = 0; c <= r; ++c) fisher[r * n + c] += w * d[r] * d[c];
    }
  }
  if (!beads::CholeskyFactor(fisher, n)) return BEADS_ERR_SINGULAR;
  double variance[beads::kMaxParams];
  beads::CholeskyInverseDiagonal(fisher, n, variance);
  for (int k = 0; k < n; ++k) std_out[k] = std::sqrt(variance[k]);
  if (!sigma_free) std_out[n] = 0;
  return BEADS_OK;
}
