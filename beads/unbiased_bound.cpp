// Second-order Bhattacharyya bound on the position of one emitter: a lower
// bound on the variance of every unbiased estimator that is tighter than the
// Cramer-Rao bound where the model is curved on the scale of the noise
// (faint beads on a bright background). The benchmarks use it to tell how
// much of a fit's excess scatter over the Cramer-Rao bound no unbiased
// estimator could avoid.
//
// Parameters theta = (x, y, N, b), sigma known; expected counts mu_p(theta)
// of the pixel-integrated Gaussian; independent Poisson pixels z_p. With
// a_p = (z_p - mu_p) / mu_p, g_pi = d mu_p / d theta_i and
// h_pij = d^2 mu_p / d theta_i d theta_j, the statistics
//   l_i  = sum_p a_p g_pi                           (f_i / f, the scores)
//   t_ij = sum_p a_p c_pij - I_ij + l_i l_j          (f_ij / f)
// with c_pij = h_pij - g_pi g_pj / mu_p and the Fisher information I have
// mean zero, and an unbiased estimator T of x has Cov(T, l_i) = [i = x],
// Cov(T, t_ij) = 0. Hence var(T) >= (J^-1)_xx with J the covariance of all
// 4 + 10 statistics. Poisson moments E a^2 = 1/mu, E a^3 = 1/mu^2,
// E a^4 = 3/mu^2 + 1/mu^3 give J in closed form:
//   E[l_i l_j]   = I_ij
//   E[l_k t_ij]  = sum_p g_k c_ij / mu + g_k g_i g_j / mu^2
//   E[t_ij t_kl] = sum_p c_ij c_kl / mu + (c_ij g_k g_l + c_kl g_i g_j) / mu^2
//                  + g_i g_j g_k g_l / mu^3  + I_ik I_jl + I_il I_jk
// The position's second derivatives follow from the sigma derivative: a
// Gaussian obeys d^2/dc^2 = (1/s) d/ds, so d^2E/dc^2 = dE/ds / s.
#include <cmath>
#include <vector>

#include "beads.h"
#include "psf_axis.h"
#include "small_matrix.h"

namespace {

constexpr int kParams = 4;                          // x, y, N, b
constexpr int kPairs = kParams * (kParams + 1) / 2;  // second derivatives i <= j
constexpr int kStats = kParams + kPairs;             // 14
static_assert(kStats <= beads::kMaxParams, "the solver's matrices hold the statistics");

struct PixelTerms {
  double mu;                       // expected counts
  double g[kParams];               // first derivatives
  double h[kParams][kParams];      // second derivatives
};

}  // namespace

extern "C" int BeadsBhattacharyyaBound(int width, int height, const BeadsEmitter* emitter,
                                       double background, double sigma, double* std_out) {
  if (width < 1 || height < 1 || width > BEADS_MAX_ROI || height > BEADS_MAX_ROI || !emitter ||
      !std_out || !(sigma > 0) || !(background > 0) || !(emitter->photons > 0))
    return BEADS_ERR_ARGUMENT;
  std::vector<double> ex(width), dex(width), sex(width), ey(height), dey(height), sey(height);
  beads::AxisTermsExact(emitter->x, sigma, 0, width, ex.data(), dex.data(), sex.data());
  beads::AxisTermsExact(emitter->y, sigma, 0, height, ey.data(), dey.data(), sey.data());
  const double n = emitter->photons;
  std::vector<PixelTerms> pixels(static_cast<size_t>(width) * height);
  double fisher[kParams][kParams] = {};
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) {
      PixelTerms& p = pixels[static_cast<size_t>(j) * width + i];
      const double ddx = sex[i] / sigma, ddy = sey[j] / sigma;
      p = PixelTerms{};
      p.mu = background + n * ex[i] * ey[j];
      p.g[0] = n * dex[i] * ey[j];
      p.g[1] = n * ex[i] * dey[j];
      p.g[2] = ex[i] * ey[j];
      p.g[3] = 1;
      p.h[0][0] = n * ddx * ey[j];
      p.h[0][1] = p.h[1][0] = n * dex[i] * dey[j];
      p.h[0][2] = p.h[2][0] = dex[i] * ey[j];
      p.h[1][1] = n * ex[i] * ddy;
      p.h[1][2] = p.h[2][1] = ex[i] * dey[j];
      for (int a = 0; a < kParams; ++a)
        for (int b = 0; b < kParams; ++b) fisher[a][b] += p.g[a] * p.g[b] / p.mu;
    }
  int pair_i[kPairs], pair_j[kPairs];
  for (int a = 0, m = 0; a < kParams; ++a)
    for (int b = a; b < kParams; ++b, ++m) {
      pair_i[m] = a;
      pair_j[m] = b;
    }
  double cov[kStats * kStats] = {};
  for (int a = 0; a < kParams; ++a)
    for (int b = 0; b < kParams; ++b) cov[a * kStats + b] = fisher[a][b];
  for (const PixelTerms& p : pixels) {
    const double w1 = 1 / p.mu, w2 = w1 * w1, w3 = w2 * w1;
    double c[kPairs];
    for (int m = 0; m < kPairs; ++m)
      c[m] = p.h[pair_i[m]][pair_j[m]] - p.g[pair_i[m]] * p.g[pair_j[m]] * w1;
    for (int k = 0; k < kParams; ++k)
      for (int m = 0; m < kPairs; ++m) {
        const double gg = p.g[pair_i[m]] * p.g[pair_j[m]];
        cov[(kParams + m) * kStats + k] += p.g[k] * c[m] * w1 + p.g[k] * gg * w2;
      }
    for (int m = 0; m < kPairs; ++m) {
      const double gg_m = p.g[pair_i[m]] * p.g[pair_j[m]];
      for (int q = 0; q <= m; ++q) {
        const double gg_q = p.g[pair_i[q]] * p.g[pair_j[q]];
        cov[(kParams + m) * kStats + kParams + q] +=
            c[m] * c[q] * w1 + (c[m] * gg_q + c[q] * gg_m) * w2 + gg_m * gg_q * w3;
      }
    }
  }
  for (int m = 0; m < kPairs; ++m)
    for (int q = 0; q <= m; ++q) {
      const int i = pair_i[m], j = pair_j[m], k = pair_i[q], l = pair_j[q];
      cov[(kParams + m) * kStats + kParams + q] += fisher[i][k] * fisher[j][l] +
                                                   fisher[i][l] * fisher[j][k];
    }
  // The solver reads the lower triangle only.
  if (!beads::CholeskyFactor(cov, kStats)) return BEADS_ERR_SINGULAR;
  double variance[kStats];
  beads::CholeskyInverseDiagonal(cov, kStats, variance);
  std_out[0] = std::sqrt(variance[0]);
  std_out[1] = std::sqrt(variance[1]);
  return BEADS_OK;
}
