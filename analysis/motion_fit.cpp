// Line and sinusoid least squares and frequency refinement (see motion_fit.h).
#include "motion_fit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace analysis {
namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// Solves the dense system a x = b (n x n, row-major) in place by Gaussian
// elimination with partial pivoting. False when a pivot vanishes.
bool Solve(std::vector<double>& a, std::vector<double>& b, size_t n) {
  for (size_t c = 0; c < n; ++c) {
    size_t pivot = c;
    for (size_t r = c + 1; r < n; ++r)
      if (std::fabs(a[r * n + c]) > std::fabs(a[pivot * n + c])) pivot = r;
    if (std::fabs(a[pivot * n + c]) < 1e-12 * (1 + std::fabs(a[c * n + c]))) return false;
    if (pivot != c) {
      for (size_t k = 0; k < n; ++k) std::swap(a[c * n + k], a[pivot * n + k]);
      std::swap(b[c], b[pivot]);
    }
    for (size_t r = c + 1; r < n; ++r) {
      double factor = a[r * n + c] / a[c * n + c];
      for (size_t k = c; k < n; ++k) a[r * n + k] -= factor * a[c * n + k];
      b[r] -= factor * b[c];
    }
  }
  for (size_t c = n; c-- > 0;) {
    double sum = b[c];
    for (size_t k = c + 1; k < n; ++k) sum -= a[c * n + k] * b[k];
    b[c] = sum / a[c * n + c];
  }
  return true;
}

// The power a single sinusoid at one frequency explains by least squares:
// with the cosine and sine bases c and s, the solution (a, b) of
// [cc cs; cs ss] (a, b) = (xc, xs) explains a xc + b xs. Unlike the power
// of the Fourier transform it is not pulled by the sinusoid's mirror image
// at the negative frequency, which matters for few periods.
double PowerAt(std::span<const double> series, double dt, double hz) {
  double cc = 0, ss = 0, cs = 0, xc = 0, xs = 0;
  double step = kTwoPi * hz * dt;
  for (size_t f = 0; f < series.size(); ++f) {
    double c = std::cos(step * static_cast<double>(f)), s = std::sin(step * static_cast<double>(f));
    cc += c * c, ss += s * s, cs += c * s;
    xc += series[f] * c, xs += series[f] * s;
  }
  double det = cc * ss - cs * cs;
  if (!(std::fabs(det) > 1e-12 * (cc * ss + 1e-300))) return cc > ss ? xc * xc / cc : xs * xs / ss;
  double a = (ss * xc - cs * xs) / det, b = (cc * xs - cs * xc) / det;
  return a * xc + b * xs;
}

}  // namespace

double Sinusoid::At(double t) const { return amplitude * std::cos(kTwoPi * frequency_hz * t + phase); }

double MotionFit::At(int f, double dt) const {
  double value = LineAt(f, dt);
  for (const Sinusoid& s : sinusoids) value += s.At(f * dt);
  return value;
}

bool FitLineAndSinusoids(std::span<const double> series, double dt,
                         std::span<const double> frequencies_hz, MotionFit* fit) {
  const size_t n = 2 + 2 * frequencies_hz.size();
  if (series.size() < n) return false;
  // Time is centred in the basis for conditioning; the line is moved back
  // to t = 0 at the end.
  double mid = 0.5 * static_cast<double>(series.size() - 1) * dt;
  std::vector<double> normal(n * n, 0.0), rhs(n, 0.0), basis(n);
  for (size_t f = 0; f < series.size(); ++f) {
    double t = static_cast<double>(f) * dt;
    basis[0] = 1;
    basis[1] = t - mid;
    for (size_t j = 0; j < frequencies_hz.size(); ++j) {
      basis[2 + 2 * j] = std::cos(kTwoPi * frequencies_hz[j] * t);
      basis[3 + 2 * j] = std::sin(kTwoPi * frequencies_hz[j] * t);
    }
    for (size_t r = 0; r < n; ++r) {
      rhs[r] += basis[r] * series[f];
      for (size_t c = 0; c < n; ++c) normal[r * n + c] += basis[r] * basis[c];
    }
  }
  if (!Solve(normal, rhs, n)) return false;
  fit->slope = rhs[1];
  fit->offset = rhs[0] - rhs[1] * mid;
  fit->sinusoids.clear();
  for (size_t j = 0; j < frequencies_hz.size(); ++j) {
    // a cos + b sin = A cos(x + phase) with A = hypot(a, b), phase = atan2(-b, a).
    double a = rhs[2 + 2 * j], b = rhs[3 + 2 * j];
    fit->sinusoids.push_back({frequencies_hz[j], std::hypot(a, b), std::atan2(-b, a)});
  }
  return true;
}

double RefineFrequency(std::span<const double> series, double dt, double low_hz, double high_hz) {
  constexpr int kSteps = 32;
  double step = (high_hz - low_hz) / kSteps;
  double best = low_hz, best_power = -1;
  for (int i = 0; i <= kSteps; ++i) {
    double hz = low_hz + i * step;
    double power = PowerAt(series, dt, hz);
    if (power > best_power) best_power = power, best = hz;
  }
  // Golden-section search in the grid cells around the best grid point.
  double a = std::max(low_hz, best - step), b = std::min(high_hz, best + step);
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  double c = b - ratio * (b - a), d = a + ratio * (b - a);
  double pc = PowerAt(series, dt, c), pd = PowerAt(series, dt, d);
  for (int i = 0; i < 40 && b - a > 1e-9 * (1 + std::fabs(b)); ++i) {
    if (pc > pd) {
      b = d, d = c, pd = pc;
      c = b - ratio * (b - a), pc = PowerAt(series, dt, c);
    } else {
      a = c, c = d, pc = pd;
      d = a + ratio * (b - a), pd = PowerAt(series, dt, d);
    }
  }
  double refined = (a + b) / 2;
  return PowerAt(series, dt, refined) >= best_power ? refined : best;
}

}  // namespace analysis
