// Shared fit helpers: options, region loading, start background, deviance.
#include "fit_common.h"

#include <cmath>
#include <cstring>

namespace beads {

bool ResolveOptions(const BeadsFitOptions* options, ResolvedOptions* out) {
  if (!options || !(options->psf_sigma > 0.1f) || !(options->psf_sigma < BEADS_MAX_ROI))
    return false;
  out->sigma_start = options->psf_sigma;
  out->fit_sigma = options->fit_sigma != 0;
  out->sigma_min = options->sigma_min > 0 ? options->sigma_min : options->psf_sigma / 3;
  out->sigma_max = options->sigma_max > 0 ? options->sigma_max : options->psf_sigma * 3;
  // With sigma held the fit converges steadily, if slowly for faint beads
  // on a bright background (Fisher scoring converges linearly where the
  // observed curvature differs from the expected one): a fit still moving
  // after 30 iterations is a bead, not a failure. With sigma free, one that
  // has not settled by then is wandering along the photons-sigma-background
  // valley and is better refitted with sigma held.
  const int default_limit = out->fit_sigma ? 30 : 100;
  out->max_iterations = options->max_iterations > 0 ? options->max_iterations : default_limit;
  out->tolerance = options->tolerance > 0 ? options->tolerance : 1e-4f;
  if (out->sigma_min > out->sigma_max) return false;
  out->sigma_start = Clamp(out->sigma_start, out->sigma_min, out->sigma_max);
  return true;
}

bool RegionValid(const BeadsRegion* r) {
  return r && r->image && r->width >= 3 && r->height >= 3 && r->width <= BEADS_MAX_ROI &&
         r->height <= BEADS_MAX_ROI && r->x0 >= 0 && r->y0 >= 0 && r->stride >= r->x0 + r->width;
}

void LoadRegion(const BeadsRegion& r, RegionScratch* s) {
  s->width = r.width;
  s->height = r.height;
  s->padded = (r.width + kLanes - 1) / kLanes * kLanes;
  for (int i = 0; i < s->padded; ++i) s->column_mask[i] = i < r.width ? 1.0f : 0.0f;
  for (int j = 0; j < r.height; ++j) {
    const size_t offset = static_cast<size_t>(r.y0 + j) * r.stride + r.x0;
    float* d = s->data + j * s->padded;
    float* k = s->known + j * s->padded;
    std::memcpy(d, r.image + offset, sizeof(float) * r.width);
    if (r.known)
      std::memcpy(k, r.known + offset, sizeof(float) * r.width);
    else
      std::memset(k, 0, sizeof(float) * r.width);
    for (int i = r.width; i < s->padded; ++i) d[i] = k[i] = 0;
  }
}

float BorderBackground(const RegionScratch& s) {
  double sum = 0;
  int count = 0;
  for (int j = 0; j < s.height; ++j) {
    const float* d = s.data + j * s.padded;
    const float* k = s.known + j * s.padded;
    const bool edge_row = j == 0 || j == s.height - 1;
    for (int i = 0; i < s.width; ++i) {
      if (!edge_row && i != 0 && i != s.width - 1) continue;
      sum += d[i] - k[i];
      ++count;
    }
  }
  const float mean = static_cast<float>(sum / count);
  return mean > 0.01f ? mean : 0.01f;
}

void StepDamper::Apply(double* delta, const double* fisher_diagonal, int n) {
  double unit[32];
  double dot = 0, norm_now = 0, norm_before = 0;
  for (int k = 0; k < n; ++k) {
    unit[k] = delta[k] * std::sqrt(fisher_diagonal[k] > 0 ? fisher_diagonal[k] : 0.0);
    if (has_previous_) {
      dot += unit[k] * previous_[k];
      norm_before += previous_[k] * previous_[k];
    }
    norm_now += unit[k] * unit[k];
  }
  if (has_previous_ && dot < -0.3 * std::sqrt(norm_now * norm_before))
    scale_ = scale_ * 0.5 > 1.0 / 64 ? scale_ * 0.5 : 1.0 / 64;
  else
    scale_ = scale_ * 2 < 1.0 ? scale_ * 2 : 1.0;
  for (int k = 0; k < n; ++k) {
    delta[k] *= scale_;
    previous_[k] = unit[k] * scale_;
  }
  has_previous_ = true;
}

double PoissonDeviance(const RegionScratch& s, const float* expected) {
  double deviance = 0;
  for (int j = 0; j < s.height; ++j) {
    const float* d = s.data + j * s.padded;
    const float* m = expected + j * s.padded;
    for (int i = 0; i < s.width; ++i) {
      const double z = d[i], mu = m[i];
      deviance += 2 * (mu - z);
      if (z > 0) deviance += 2 * z * std::log(z / mu);
    }
  }
  return deviance;
}

}  // namespace beads
