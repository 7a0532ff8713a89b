// The amplitude spectrum, its floor, the peak search and the aliasing of the
// frame rate (see spectrum.h).
#include "spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

namespace analysis {
namespace {

struct FftwFree {
  void operator()(void* p) const { fftw_free(p); }
};
struct PlanDestroy {
  void operator()(fftw_plan_s* p) const { fftw_destroy_plan(p); }
};

// Median of the values (copied).
double MedianPower(std::vector<double> values) {
  auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::vector<double> Residual(std::span<const double> motion, double dt, const MotionFit& fit) {
  std::vector<double> r(motion.size());
  for (size_t f = 0; f < motion.size(); ++f) r[f] = motion[f] - fit.At(static_cast<int>(f), dt);
  return r;
}

}  // namespace

Spectrum WelchSpectrum(std::span<const double> series, double dt) {
  Spectrum s;
  const int n = static_cast<int>(series.size());
  if (n < 4) return s;
  int length = std::min(n, std::max(16, n / 2));
  int hop = std::max(1, length / 2);
  int bins = length / 2 + 1;

  std::vector<double> window(static_cast<size_t>(length));
  double sum = 0, squares = 0;
  for (int i = 0; i < length; ++i) {
    window[static_cast<size_t>(i)] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / length);
    sum += window[static_cast<size_t>(i)];
    squares += window[static_cast<size_t>(i)] * window[static_cast<size_t>(i)];
  }

  std::unique_ptr<double, FftwFree> in(fftw_alloc_real(static_cast<size_t>(length)));
  std::unique_ptr<fftw_complex, FftwFree> out(fftw_alloc_complex(static_cast<size_t>(bins)));
  // FFTW_ESTIMATE plans without timing trial transforms; planning is not
  // thread-safe, which this single-threaded library does not need.
  std::unique_ptr<fftw_plan_s, PlanDestroy> plan(
      fftw_plan_dft_r2c_1d(length, in.get(), out.get(), FFTW_ESTIMATE));

  std::vector<double> power(static_cast<size_t>(bins), 0.0);
  for (int start = 0; start + length <= n; start += hop) {
    double mean = 0;
    for (int i = 0; i < length; ++i) mean += series[static_cast<size_t>(start + i)];
    mean /= length;
    for (int i = 0; i < length; ++i)
      in.get()[i] = (series[static_cast<size_t>(start + i)] - mean) * window[static_cast<size_t>(i)];
    fftw_execute(plan.get());
    for (int k = 0; k < bins; ++k)
      power[static_cast<size_t>(k)] += out.get()[k][0] * out.get()[k][0] + out.get()[k][1] * out.get()[k][1];
    ++s.segments;
  }
  s.bin_hz = 1.0 / (length * dt);
  s.density_per_amplitude = sum * std::sqrt(dt / (2 * squares));
  s.amplitude.resize(static_cast<size_t>(bins));
  s.density.resize(static_cast<size_t>(bins));
  for (int k = 0; k < bins; ++k) {
    double p = power[static_cast<size_t>(k)] / s.segments;
    // One-sided: every bin but DC (and Nyquist for an even length) counts twice.
    bool doubled = k > 0 && !(length % 2 == 0 && k == length / 2);
    double sides = doubled ? 2.0 : 1.0;
    s.amplitude[static_cast<size_t>(k)] = sides * std::sqrt(p) / sum;
    s.density[static_cast<size_t>(k)] = std::sqrt(sides * p * dt / squares);
  }
  return s;
}

double SpectrumFloor(const Spectrum& spectrum) {
  if (spectrum.amplitude.size() < 3) return 0;
  std::vector<double> power;
  for (size_t k = 1; k < spectrum.amplitude.size(); ++k)
    power.push_back(spectrum.amplitude[k] * spectrum.amplitude[k]);
  // The averaged power of a noise bin is gamma distributed with shape M
  // (segments); its median is about (M - 1/3) / M of its mean.
  double m = std::max(1, spectrum.segments);
  return std::sqrt(MedianPower(std::move(power)) * m / (m - 1.0 / 3.0));
}

PeakSearch FindPeaks(std::span<const double> motion, double dt, int max_peaks) {
  constexpr double kCandidateFactor = 2.5;
  constexpr double kReportFactor = 3.0;
  PeakSearch result;
  std::vector<double> frequencies;
  FitLineAndSinusoids(motion, dt, frequencies, &result.fit);
  // A candidate must also stand out of what the numerics leave of the
  // motion (a frequency is found to about 1e-8 of a bin), or an exactly
  // fitted series would yield peaks of that.
  double rms = 0;
  for (double v : motion) rms += v * v;
  const double rounding = 1e-6 * std::sqrt(rms / std::max<size_t>(1, motion.size()));
  Spectrum spectrum;
  for (;;) {
    std::vector<double> residual = Residual(motion, dt, result.fit);
    spectrum = WelchSpectrum(residual, dt);
    result.floor = SpectrumFloor(spectrum);
    if (static_cast<int>(frequencies.size()) >= max_peaks || spectrum.amplitude.size() < 3) break;
    size_t best = 0;
    for (size_t k = 1; k < spectrum.amplitude.size(); ++k) {
      bool local_max = spectrum.amplitude[k] >= spectrum.amplitude[k - 1] &&
                       (k + 1 == spectrum.amplitude.size() || spectrum.amplitude[k] >= spectrum.amplitude[k + 1]);
      if (local_max && (best == 0 || spectrum.amplitude[k] > spectrum.amplitude[best])) best = k;
    }
    if (best == 0 || spectrum.amplitude[best] < kCandidateFactor * result.floor ||
        spectrum.amplitude[best] <= rounding)
      break;
    double nyquist = 0.5 / dt;
    double centre = static_cast<double>(best) * spectrum.bin_hz;
    double hz = RefineFrequency(residual, dt, std::max(0.25 * spectrum.bin_hz, centre - spectrum.bin_hz),
                                std::min(nyquist, centre + spectrum.bin_hz));
    frequencies.push_back(hz);
    MotionFit fit;
    if (!FitLineAndSinusoids(motion, dt, frequencies, &fit)) {
      frequencies.pop_back();
      break;
    }
    // Each frequency once more, against what the others leave of the motion.
    for (size_t j = 0; j < frequencies.size(); ++j) {
      std::vector<double> own = Residual(motion, dt, fit);
      for (size_t f = 0; f < own.size(); ++f) own[f] += fit.sinusoids[j].At(static_cast<double>(f) * dt);
      double half = 0.5 * spectrum.bin_hz;
      frequencies[j] = RefineFrequency(own, dt, std::max(0.25 * spectrum.bin_hz, frequencies[j] - half),
                                       std::min(nyquist, frequencies[j] + half));
    }
    if (!FitLineAndSinusoids(motion, dt, frequencies, &fit)) break;
    result.fit = fit;
  }
  result.floor_density = result.floor * spectrum.density_per_amplitude;
  // Strongest first; what does not reach the report threshold goes.
  std::vector<Sinusoid>& found = result.fit.sinusoids;
  std::sort(found.begin(), found.end(), [](const Sinusoid& a, const Sinusoid& b) { return a.amplitude > b.amplitude; });
  found.erase(std::remove_if(found.begin(), found.end(),
                             [&](const Sinusoid& s) {
                               return s.amplitude < kReportFactor * result.floor || s.amplitude <= rounding;
                             }),
              found.end());
  return result;
}

double AliasOf(double hz, double sample_hz) {
  return std::fabs(hz - sample_hz * std::round(hz / sample_hz));
}

std::string AliasWarning(double dt) {
  double sample_hz = 1.0 / dt, nyquist = sample_hz / 2;
  std::string text;
  for (double hz : kLikelyVibrationHz) {
    if (hz <= nyquist) continue;
    char part[64];
    std::snprintf(part, sizeof part, "%s%g Hz at %.3g Hz", text.empty() ? "" : ", ", hz, AliasOf(hz, sample_hz));
    text += part;
  }
  if (text.empty()) return text;
  char head[128];
  std::snprintf(head, sizeof head, "frame rate %.4g Hz (Nyquist %.4g Hz) folds vibration from ", sample_hz, nyquist);
  return head + text;
}

double LikelyAliasSource(double hz, double dt, double tolerance_hz) {
  double sample_hz = 1.0 / dt;
  for (double likely : kLikelyVibrationHz)
    if (likely > sample_hz / 2 && std::fabs(AliasOf(likely, sample_hz) - hz) <= tolerance_hz) return likely;
  return 0;
}

}  // namespace analysis
