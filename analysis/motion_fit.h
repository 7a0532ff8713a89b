// Least-squares models of a stage motion sampled at times t_f = f x dt: a
// straight line (the drift) plus sinusoids at given frequencies, and the
// refinement of a sinusoid's frequency between spectrum bins.
#pragma once

#include <span>
#include <vector>

namespace analysis {

struct Sinusoid {
  double frequency_hz = 0;
  double amplitude = 0;  // nm
  double phase = 0;      // radians of the cosine: A cos(2 pi f t + phase)
  double At(double t) const;
};

struct MotionFit {
  double offset = 0;  // line value at t = 0, nm
  double slope = 0;   // nm/s
  std::vector<Sinusoid> sinusoids;  // in the order of the frequencies given
  // The model's value at frame f (line plus sinusoids) and the line alone.
  double At(int f, double dt) const;
  double LineAt(int f, double dt) const { return offset + slope * f * dt; }
};

// Fits offset + slope t + sum_j (a_j cos 2 pi f_j t + b_j sin 2 pi f_j t) to
// the series by least squares. False when the system is singular (fewer
// samples than unknowns, or two equal frequencies).
bool FitLineAndSinusoids(std::span<const double> series, double dt,
                         std::span<const double> frequencies_hz, MotionFit* fit);

// The frequency within [low_hz, high_hz] at which a single sinusoid fitted
// by least squares explains most of the series' power: a grid of 32 steps,
// then golden-section search.
double RefineFrequency(std::span<const double> series, double dt, double low_hz, double high_hz);

}  // namespace analysis
