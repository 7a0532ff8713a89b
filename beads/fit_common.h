// Pieces shared by the single- and multi-emitter fits: option defaults and
// validation, the copy of a fit region into lane-padded scratch, starting
// values, bounded parameter updates and the Poisson deviance.
//
// Region scratch layout: rows of `padded` floats (width rounded up to a
// multiple of kLanes); columns beyond the width carry data 0, known 0 and
// column mask 0, so every inner loop runs over whole lanes and the padding
// contributes nothing.
#pragma once

#include "beads.h"

namespace beads {

constexpr int kLanes = 8;
constexpr int kMaxPadded = (BEADS_MAX_ROI + kLanes - 1) / kLanes * kLanes;
// Expected counts are kept at least this high so that 1/mu stays finite.
constexpr float kMinExpected = 1e-4f;

struct ResolvedOptions {
  float sigma_start;  // starting sigma, pixels
  bool fit_sigma;     // sigma is a free parameter
  float sigma_min;    // lower bound, pixels
  float sigma_max;    // upper bound, pixels
  int max_iterations; // iteration limit
  float tolerance;    // position step for convergence, pixels
};

// False when the options or the region are unusable.
bool ResolveOptions(const BeadsFitOptions* options, ResolvedOptions* out);
bool RegionValid(const BeadsRegion* region);

struct RegionScratch {
  int width;                          // region columns
  int height;                         // region rows
  int padded;                         // row length in scratch, multiple of kLanes
  alignas(32) float data[BEADS_MAX_ROI * kMaxPadded];  // photons
  alignas(32) float known[BEADS_MAX_ROI * kMaxPadded]; // known extra photons
  alignas(32) float column_mask[kMaxPadded];           // 1 inside the region, 0 in padding
};

void LoadRegion(const BeadsRegion& region, RegionScratch* scratch);

// Start background: mean of the border pixels (less the known photons),
// kept positive.
float BorderBackground(const RegionScratch& s);

// Steps a value by delta but never below floor_fraction of its old value
// nor below an absolute floor (photons and background must stay positive).
inline float StepPositive(float value, float delta, float floor_fraction, float floor) {
  float next = value + delta;
  const float limit = value * floor_fraction;
  if (next < limit) next = limit;
  if (next < floor) next = floor;
  return next;
}

inline float Clamp(float v, float lo, float hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Damping of oscillating Fisher-scoring steps. Far from a good model (few
// photons over a high background) plain scoring can overshoot back and forth
// along the photons-sigma-background valley. Steps are compared in units of
// each parameter's information (delta_k * sqrt(I_kk)); when a step points
// back against the previous one the step scale is halved, and it doubles
// again (up to 1) with every step that keeps its direction, so a fit that
// converges cleanly loses at most an iteration to it.
class StepDamper {
 public:
  // Scales delta in place; fisher_diagonal holds I_kk.
  void Apply(double* delta, const double* fisher_diagonal, int n);

 private:
  double previous_[32];  // last step in information units
  double scale_ = 1.0;   // current step scale, 1/64 .. 1
  bool has_previous_ = false;
};

// Sigma after one Fisher-scoring step of the five-parameter model (sigma
// free) from a fit made with sigma held: a cheap sign that a spot is wider
// than the PSF (an unresolved pair) without a second fit. The fit's sigma
// when the information is singular.
float WidthAfterOneStep(const BeadsRegion& region, const BeadsFitResult& fit);

// Poisson deviance 2 sum [mu - z + z ln(z / mu)] of data z against the
// expected counts mu over the unpadded region.
double PoissonDeviance(const RegionScratch& s, const float* expected);

}  // namespace beads
