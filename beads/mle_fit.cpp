// Maximum-likelihood fit of one emitter: the hot path of localization.
//
// Model: mu_p = b + N * Ex(i) * Ey(j) + known_p for pixel p = (i, j), with
// the pixel-integrated Gaussian axis terms of psf_axis.h. The negative
// Poisson log-likelihood sum_p [mu_p - z_p ln mu_p] is minimised by Fisher
// scoring: each iteration solves I(theta) delta = -grad with
//   grad_k = sum_p (1 - z_p / mu_p) dmu_p/dtheta_k
//   I_kl   = sum_p dmu_p/dtheta_k dmu_p/dtheta_l / mu_p
// (I is positive definite wherever the model is, so every step goes
// downhill for small enough steps), and the update is bounded: positions by
// one pixel, sigma by 30 % and within its bounds, photons and background
// never below 30 % of their old values. At convergence I is the Fisher
// information of the fitted parameters and diag(I^-1) gives the Cramer-Rao
// precision that is reported.
//
// Speed: the axis terms cost W + H + 2 exp evaluations per iteration; the
// per-pixel work runs over rows in lanes of eight columns with independent
// accumulators per lane, which the compiler turns into SIMD code (an AVX2
// and FMA clone is chosen at run time where the processor has them).
#include <cmath>
#include <cstring>

#include "beads.h"
#include "fit_common.h"
#include "psf_axis.h"
#include "small_matrix.h"

namespace beads {
namespace {

// Accumulator slots: gradient x y N b s, then the Fisher matrix's upper
// triangle row by row (xx xy xN xb xs yy yN yb ys NN Nb Ns bb bs ss).
constexpr int kSlots = 20;

struct AxisTables {
  alignas(32) float ex[kMaxPadded + 1];
  alignas(32) float dex[kMaxPadded + 1];
  alignas(32) float sex[kMaxPadded + 1];
  float ey[BEADS_MAX_ROI + 1];
  float dey[BEADS_MAX_ROI + 1];
  float sey[BEADS_MAX_ROI + 1];
};

template <bool kSigma>
inline __attribute__((always_inline)) void AccumulateT(const RegionScratch& s,
                                                       const AxisTables& t, float n, float b,
                                                       float* out) {
  alignas(32) float acc[kSlots][kLanes];
  std::memset(acc, 0, sizeof acc);
  for (int j = 0; j < s.height; ++j) {
    const float fy = t.ey[j], dfy = t.dey[j], sfy = t.sey[j];
    const float* row = s.data + j * s.padded;
    const float* known = s.known + j * s.padded;
    for (int c = 0; c < s.padded; c += kLanes) {
      for (int l = 0; l < kLanes; ++l) {
        const int i = c + l;
        const float fx = t.ex[i];
        const float psf = fx * fy;
        float mu = b + n * psf + known[i];
        mu = mu > kMinExpected ? mu : kMinExpected;
        const float w = s.column_mask[i] / mu;
        const float r = s.column_mask[i] - row[i] * w;
        const float dx = n * t.dex[i] * fy;
        const float dy = n * fx * dfy;
        const float dn = psf;
        const float ds = kSigma ? n * (t.sex[i] * fy + fx * sfy) : 0.0f;
        acc[0][l] += r * dx;
        acc[1][l] += r * dy;
        acc[2][l] += r * dn;
        acc[3][l] += r;
        const float wdx = w * dx, wdy = w * dy, wdn = w * dn;
        acc[5][l] += wdx * dx;
        acc[6][l] += wdx * dy;
        acc[7][l] += wdx * dn;
        acc[8][l] += wdx;
        acc[10][l] += wdy * dy;
        acc[11][l] += wdy * dn;
        acc[12][l] += wdy;
        acc[14][l] += wdn * dn;
        acc[15][l] += wdn;
        acc[17][l] += w;
        if (kSigma) {
          const float wds = w * ds;
          acc[4][l] += r * ds;
          acc[9][l] += wdx * ds;
          acc[13][l] += wdy * ds;
          acc[16][l] += wdn * ds;
          acc[18][l] += wds;
          acc[19][l] += wds * ds;
        }
      }
    }
  }
  for (int k = 0; k < kSlots; ++k) {
    float sum = 0;
    for (int l = 0; l < kLanes; ++l) sum += acc[k][l];
    out[k] = sum;
  }
}

__attribute__((target_clones("arch=x86-64-v3", "default"))) void AccumulateWithSigma(
    const RegionScratch& s, const AxisTables& t, float n, float b, float* out) {
  AccumulateT<true>(s, t, n, b, out);
}

__attribute__((target_clones("arch=x86-64-v3", "default"))) void AccumulateFixedSigma(
    const RegionScratch& s, const AxisTables& t, float n, float b, float* out) {
  AccumulateT<false>(s, t, n, b, out);
}

void FillAxes(const RegionScratch& s, float x, float y, float sigma, bool with_sigma,
              AxisTables* t) {
  AxisTermsFast(x, sigma, s.width, t->ex, t->dex, with_sigma ? t->sex : nullptr);
  AxisTermsFast(y, sigma, s.height, t->ey, t->dey, with_sigma ? t->sey : nullptr);
  for (int i = s.width; i < s.padded; ++i) t->ex[i] = t->dex[i] = t->sex[i] = 0;
  if (!with_sigma) {
    for (int i = 0; i < s.width; ++i) t->sex[i] = 0;
    for (int j = 0; j < s.height; ++j) t->sey[j] = 0;
  }
}

// Unpacks the accumulators into a dense n x n Fisher matrix (n = 4 or 5).
void UnpackFisher(const float* acc, int n, double* fisher, double* gradient) {
  static const int kUpper[5][5] = {{5, 6, 7, 8, 9},
                                   {6, 10, 11, 12, 13},
                                   {7, 11, 14, 15, 16},
                                   {8, 12, 15, 17, 18},
                                   {9, 13, 16, 18, 19}};
  for (int r = 0; r < n; ++r) {
    gradient[r] = acc[r];
    for (int c = 0; c < n; ++c) fisher[r * n + c] = acc[kUpper[r][c]];
  }
}

// Centroid and summed photons above the start background.
void CentroidStart(const RegionScratch& s, float b, float* x, float* y, float* n) {
  double sum = 0, sx = 0, sy = 0;
  for (int j = 0; j < s.height; ++j) {
    const float* d = s.data + j * s.padded;
    const float* k = s.known + j * s.padded;
    for (int i = 0; i < s.width; ++i) {
      const double v = d[i] - k[i] - b;
      if (v <= 0) continue;
      sum += v;
      sx += v * i;
      sy += v * j;
    }
  }
  if (sum > 0) {
    *x = static_cast<float>(sx / sum);
    *y = static_cast<float>(sy / sum);
  } else {
    *x = 0.5f * (s.width - 1);
    *y = 0.5f * (s.height - 1);
  }
  *n = static_cast<float>(sum > 1 ? sum : 1);
}

int Fit(const BeadsRegion& region, const ResolvedOptions& o, const BeadsEmitter* start,
        float background_start, BeadsFitResult* result) {
  RegionScratch s;
  LoadRegion(region, &s);
  float b = background_start >= 0 ? background_start : BorderBackground(s);
  if (b < 0.01f) b = 0.01f;
  float x, y, n, sigma = o.sigma_start;
  CentroidStart(s, b, &x, &y, &n);
  if (start) {
    x = static_cast<float>(start->x - region.x0);
    y = static_cast<float>(start->y - region.y0);
    if (start->photons > 0) n = static_cast<float>(start->photons);
  }
  const int np = o.fit_sigma ? 5 : 4;
  AxisTables t;
  float acc[kSlots];
  double fisher[25], gradient[5];
  StepDamper damper;
  int status = BEADS_ERR_NOT_CONVERGED;
  int iteration = 0;
  // Gradient and Fisher information at the current parameters.
  const auto evaluate = [&] {
    FillAxes(s, x, y, sigma, o.fit_sigma, &t);
    if (o.fit_sigma)
      AccumulateWithSigma(s, t, n, b, acc);
    else
      AccumulateFixedSigma(s, t, n, b, acc);
    UnpackFisher(acc, np, fisher, gradient);
  };
  while (iteration < o.max_iterations) {
    ++iteration;
    evaluate();
    double diagonal[5];
    for (int k = 0; k < np; ++k) diagonal[k] = fisher[k * np + k];
    if (!CholeskyFactor(fisher, np)) {
      status = BEADS_ERR_SINGULAR;
      break;
    }
    double delta[5];
    for (int k = 0; k < np; ++k) delta[k] = -gradient[k];
    CholeskySolve(fisher, np, delta);
    damper.Apply(delta, diagonal, np);
    const float dx = Clamp(static_cast<float>(delta[0]), -1.0f, 1.0f);
    const float dy = Clamp(static_cast<float>(delta[1]), -1.0f, 1.0f);
    const float n_old = n;
    x += dx;
    y += dy;
    n = StepPositive(n, static_cast<float>(delta[2]), 0.3f, 1e-3f);
    b = StepPositive(b, static_cast<float>(delta[3]), 0.3f, 1e-4f);
    float ds = 0;
    if (o.fit_sigma) {
      // The change actually made counts for convergence: a sigma held at a
      // bound has stopped moving even if the step points beyond it.
      const float next = Clamp(sigma + Clamp(static_cast<float>(delta[4]), -0.3f * sigma,
                                             0.3f * sigma),
                               o.sigma_min, o.sigma_max);
      ds = next - sigma;
      sigma = next;
    }
    if (!std::isfinite(x) || !std::isfinite(y) || x < -1.0f || y < -1.0f ||
        x > static_cast<float>(s.width) || y > static_cast<float>(s.height) ||
        !std::isfinite(n)) {
      status = BEADS_ERR_DIVERGED;
      break;
    }
    if (std::fabs(dx) < o.tolerance && std::fabs(dy) < o.tolerance &&
        std::fabs(n - n_old) < 1e-4f * n_old + 1e-3f && std::fabs(ds) < o.tolerance) {
      status = BEADS_OK;
      break;
    }
  }
  // Final pass at the fitted parameters: Fisher information for the
  // precision and expected counts for the deviance.
  evaluate();
  double variance[5] = {0, 0, 0, 0, 0};
  if (!CholeskyFactor(fisher, np)) {
    if (status == BEADS_OK) status = BEADS_ERR_SINGULAR;
  } else {
    CholeskyInverseDiagonal(fisher, np, variance);
  }
  alignas(32) float expected[BEADS_MAX_ROI * kMaxPadded];
  for (int j = 0; j < s.height; ++j)
    for (int i = 0; i < s.width; ++i) {
      const float mu = b + n * t.ex[i] * t.ey[j] + s.known[j * s.padded + i];
      expected[j * s.padded + i] = mu > kMinExpected ? mu : kMinExpected;
    }
  const int dof = s.width * s.height - np;
  if (status == BEADS_OK && (x < -0.5f || y < -0.5f || x > s.width - 0.5f || y > s.height - 0.5f))
    status = BEADS_ERR_DIVERGED;  // the centre left the region: not this region's bead
  result->x = x + region.x0;
  result->y = y + region.y0;
  result->photons = n;
  result->background = b;
  result->sigma = sigma;
  result->precision_x = static_cast<float>(std::sqrt(variance[0]));
  result->precision_y = static_cast<float>(std::sqrt(variance[1]));
  result->precision_photons = static_cast<float>(std::sqrt(variance[2]));
  result->precision_background = static_cast<float>(std::sqrt(variance[3]));
  result->precision_sigma = o.fit_sigma ? static_cast<float>(std::sqrt(variance[4])) : 0.0f;
  result->quality = static_cast<float>(PoissonDeviance(s, expected) / (dof > 0 ? dof : 1));
  result->iterations = iteration;
  result->status = status;
  return status;
}

}  // namespace

float WidthAfterOneStep(const BeadsRegion& region, const BeadsFitResult& fit) {
  RegionScratch s;
  LoadRegion(region, &s);
  AxisTables t;
  FillAxes(s, fit.x - region.x0, fit.y - region.y0, fit.sigma, true, &t);
  float acc[kSlots];
  AccumulateWithSigma(s, t, fit.photons, fit.background, acc);
  double fisher[25], gradient[5];
  UnpackFisher(acc, 5, fisher, gradient);
  if (!CholeskyFactor(fisher, 5)) return fit.sigma;
  for (double& g : gradient) g = -g;
  CholeskySolve(fisher, 5, gradient);
  const float step = Clamp(static_cast<float>(gradient[4]), -0.3f * fit.sigma, 0.3f * fit.sigma);
  return fit.sigma + step;
}

}  // namespace beads

extern "C" {

void BeadsFitOptionsDefault(BeadsFitOptions* options, float psf_sigma) {
  options->psf_sigma = psf_sigma;
  options->fit_sigma = 1;
  options->sigma_min = 0;
  options->sigma_max = 0;
  options->max_iterations = 0;
  options->tolerance = 0;
}

int BeadsFitSingle(const BeadsRegion* region, const BeadsFitOptions* options,
                   const BeadsEmitter* start, float background_start, BeadsFitResult* result) {
  beads::ResolvedOptions o;
  if (!result) return BEADS_ERR_ARGUMENT;
  if (!beads::RegionValid(region) || !beads::ResolveOptions(options, &o)) {
    std::memset(result, 0, sizeof *result);
    result->status = BEADS_ERR_ARGUMENT;
    return BEADS_ERR_ARGUMENT;
  }
  return beads::Fit(*region, o, start, background_start, result);
}

}  // extern "C"
