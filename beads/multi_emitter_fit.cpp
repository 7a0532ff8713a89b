// Joint maximum-likelihood fit of several overlapping emitters in one
// region: mu_p = b + sum_k N_k Ex_k(i) Ey_k(j) + known_p, with a common
// background b and a common PSF sigma (the beads of one series share the
// optics). The method is the Fisher scoring of the single fit (mle_fit.cpp)
// with 3K + 1 (+1 for sigma) parameters, ordered x_k, y_k, N_k per emitter,
// then b, then sigma; the same bounded updates apply to each emitter.
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "beads.h"
#include "fit_common.h"
#include "psf_axis.h"
#include "small_matrix.h"

namespace beads {
namespace {

struct EmitterAxes {
  float ex[kMaxPadded + 1], dex[kMaxPadded + 1], sex[kMaxPadded + 1];
  float ey[BEADS_MAX_ROI + 1], dey[BEADS_MAX_ROI + 1], sey[BEADS_MAX_ROI + 1];
};

struct State {
  float x[BEADS_MAX_EMITTERS];  // region coordinates, pixels
  float y[BEADS_MAX_EMITTERS];
  float n[BEADS_MAX_EMITTERS];  // photons
  float b;                      // background, photons per pixel
  float sigma;                  // pixels
};

// Fisher matrix (lower triangle, row-major np x np) and gradient at a state;
// with expected != null also the expected counts of every pixel.
void Accumulate(const RegionScratch& s, int count, bool with_sigma, const State& st,
                std::vector<EmitterAxes>& axes, double* fisher, double* gradient,
                float* expected) {
  const int np = 3 * count + 1 + (with_sigma ? 1 : 0);
  for (int k = 0; k < count; ++k) {
    AxisTermsFast(st.x[k], st.sigma, s.width, axes[k].ex, axes[k].dex, axes[k].sex);
    AxisTermsFast(st.y[k], st.sigma, s.height, axes[k].ey, axes[k].dey, axes[k].sey);
  }
  std::memset(fisher, 0, sizeof(double) * np * np);
  std::memset(gradient, 0, sizeof(double) * np);
  float d[kMaxParams];
  for (int j = 0; j < s.height; ++j) {
    for (int i = 0; i < s.width; ++i) {
      float mu = st.b + s.known[j * s.padded + i];
      float d_sigma = 0;
      for (int k = 0; k < count; ++k) {
        const EmitterAxes& a = axes[k];
        const float psf = a.ex[i] * a.ey[j];
        mu += st.n[k] * psf;
        d[3 * k] = st.n[k] * a.dex[i] * a.ey[j];
        d[3 * k + 1] = st.n[k] * a.ex[i] * a.dey[j];
        d[3 * k + 2] = psf;
        d_sigma += st.n[k] * (a.sex[i] * a.ey[j] + a.ex[i] * a.sey[j]);
      }
      d[3 * count] = 1;
      if (with_sigma) d[3 * count + 1] = d_sigma;
      mu = mu > kMinExpected ? mu : kMinExpected;
      if (expected) expected[j * s.padded + i] = mu;
      const double w = 1.0 / mu;
      const double r = 1.0 - s.data[j * s.padded + i] * w;
      for (int p = 0; p < np; ++p) {
        gradient[p] += r * d[p];
        const double wdp = w * d[p];
        for (int q = 0; q <= p; ++q) fisher[p * np + q] += wdp * d[q];
      }
    }
  }
}

int FitJoint(const BeadsRegion& region, const ResolvedOptions& o, int count,
             const BeadsEmitter* starts, float background_start, BeadsFitResult* results) {
  RegionScratch s;
  LoadRegion(region, &s);
  State st;
  st.b = background_start >= 0 ? background_start : BorderBackground(s);
  if (st.b < 0.01f) st.b = 0.01f;
  st.sigma = o.sigma_start;
  for (int k = 0; k < count; ++k) {
    st.x[k] = static_cast<float>(starts[k].x - region.x0);
    st.y[k] = static_cast<float>(starts[k].y - region.y0);
    st.n[k] = starts[k].photons > 1 ? static_cast<float>(starts[k].photons) : 1.0f;
  }
  const int np = 3 * count + 1 + (o.fit_sigma ? 1 : 0);
  std::vector<EmitterAxes> axes(count);
  double fisher[kMaxParams * kMaxParams], gradient[kMaxParams], delta[kMaxParams];
  StepDamper damper;
  int status = BEADS_ERR_NOT_CONVERGED;
  int iteration = 0;
  while (iteration < o.max_iterations) {
    ++iteration;
    Accumulate(s, count, o.fit_sigma, st, axes, fisher, gradient, nullptr);
    double diagonal[kMaxParams];
    for (int p = 0; p < np; ++p) diagonal[p] = fisher[p * np + p];
    if (!CholeskyFactor(fisher, np)) {
      status = BEADS_ERR_SINGULAR;
      break;
    }
    for (int p = 0; p < np; ++p) delta[p] = -gradient[p];
    CholeskySolve(fisher, np, delta);
    damper.Apply(delta, diagonal, np);
    bool small = true, inside = true;
    for (int k = 0; k < count; ++k) {
      const float dx = Clamp(static_cast<float>(delta[3 * k]), -1.0f, 1.0f);
      const float dy = Clamp(static_cast<float>(delta[3 * k + 1]), -1.0f, 1.0f);
      const float n_old = st.n[k];
      st.x[k] += dx;
      st.y[k] += dy;
      st.n[k] = StepPositive(st.n[k], static_cast<float>(delta[3 * k + 2]), 0.3f, 1e-3f);
      small = small && std::fabs(dx) < o.tolerance && std::fabs(dy) < o.tolerance &&
              std::fabs(st.n[k] - n_old) < 1e-4f * n_old + 1e-3f;
      inside = inside && std::isfinite(st.x[k]) && std::isfinite(st.y[k]) && st.x[k] >= -1.0f &&
               st.y[k] >= -1.0f && st.x[k] <= s.width && st.y[k] <= s.height;
    }
    st.b = StepPositive(st.b, static_cast<float>(delta[3 * count]), 0.3f, 1e-4f);
    if (o.fit_sigma) {
      const float next = Clamp(st.sigma + Clamp(static_cast<float>(delta[3 * count + 1]),
                                                -0.3f * st.sigma, 0.3f * st.sigma),
                               o.sigma_min, o.sigma_max);
      const float ds = next - st.sigma;
      st.sigma = next;
      small = small && std::fabs(ds) < o.tolerance;
    }
    if (!inside) {
      status = BEADS_ERR_DIVERGED;
      break;
    }
    if (small) {
      status = BEADS_OK;
      break;
    }
  }
  alignas(32) float expected[BEADS_MAX_ROI * kMaxPadded];
  Accumulate(s, count, o.fit_sigma, st, axes, fisher, gradient, expected);
  double variance[kMaxParams] = {};
  if (CholeskyFactor(fisher, np))
    CholeskyInverseDiagonal(fisher, np, variance);
  else if (status == BEADS_OK)
    status = BEADS_ERR_SINGULAR;
  const int dof = s.width * s.height - np;
  const float quality = static_cast<float>(PoissonDeviance(s, expected) / (dof > 0 ? dof : 1));
  for (int k = 0; k < count; ++k) {
    if (status == BEADS_OK && (st.x[k] < -0.5f || st.y[k] < -0.5f || st.x[k] > s.width - 0.5f ||
                               st.y[k] > s.height - 0.5f))
      status = BEADS_ERR_DIVERGED;
  }
  for (int k = 0; k < count; ++k) {
    BeadsFitResult& r = results[k];
    r.x = st.x[k] + region.x0;
    r.y = st.y[k] + region.y0;
    r.photons = st.n[k];
    r.background = st.b;
    r.sigma = st.sigma;
    r.precision_x = static_cast<float>(std::sqrt(variance[3 * k]));
    r.precision_y = static_cast<float>(std::sqrt(variance[3 * k + 1]));
    r.precision_photons = static_cast<float>(std::sqrt(variance[3 * k + 2]));
    r.precision_background = static_cast<float>(std::sqrt(variance[3 * count]));
    r.precision_sigma =
        o.fit_sigma ? static_cast<float>(std::sqrt(variance[3 * count + 1])) : 0.0f;
    r.quality = quality;
    r.iterations = iteration;
    r.status = status;
  }
  return status;
}

}  // namespace
}  // namespace beads

extern "C" int BeadsFitMulti(const BeadsRegion* region, const BeadsFitOptions* options,
                             int count, const BeadsEmitter* starts, float background_start,
                             BeadsFitResult* results) {
  beads::ResolvedOptions o;
  if (!results || count < 1 || count > BEADS_MAX_EMITTERS || !starts ||
      !beads::RegionValid(region) || !beads::ResolveOptions(options, &o)) {
    if (results && count > 0 && count <= BEADS_MAX_EMITTERS)
      for (int k = 0; k < count; ++k) {
        std::memset(&results[k], 0, sizeof results[k]);
        results[k].status = BEADS_ERR_ARGUMENT;
      }
    return BEADS_ERR_ARGUMENT;
  }
  try {
    return beads::FitJoint(*region, o, count, starts, background_start, results);
  } catch (const std::bad_alloc&) {
    return BEADS_ERR_MEMORY;
  }
}
