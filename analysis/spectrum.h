// The amplitude spectrum of a stage motion (averaged, windowed periodograms
// computed with FFTW), its background level, the search for the sinusoids
// that stand out of it, and the frequencies the frame rate folds.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "motion_fit.h"

namespace analysis {

struct Spectrum {
  double bin_hz = 0;               // width of a bin; bin k is at k x bin_hz
  int segments = 0;                // periodograms averaged
  std::vector<double> amplitude;   // nm per bin: a sinusoid centred on a bin shows its amplitude
  std::vector<double> density;     // nm per root hertz
  double density_per_amplitude = 0;  // density / amplitude of a bin other than DC and Nyquist
};

// Welch's method: segments of half the series (at least 16 samples, at most
// the series) overlapping by half, each with its mean removed and a Hann
// window, their one-sided power averaged. An empty spectrum for fewer than
// 4 samples.
Spectrum WelchSpectrum(std::span<const double> series, double dt);

// The background level of a spectrum in nm per bin: the rms amplitude of a
// bin that holds only noise, estimated from the median power of the bins
// (DC excluded), which peaks do not move.
double SpectrumFloor(const Spectrum& spectrum);

// What the peak search finds: the drift line and sinusoids fitted together,
// the sinusoids strongest first, every one at least 3 x the floor; the
// floor is that of what the fit leaves.
struct PeakSearch {
  MotionFit fit;
  double floor = 0;         // nm per bin
  double floor_density = 0; // nm per root hertz
};

// Finds the sinusoids of a motion one by one: the highest bin of the
// spectrum of what is left that reaches 2.5 x its floor, the frequency
// refined within one bin on either side, then every sinusoid so far and the
// line fitted together again. Ends when no bin reaches the threshold or
// `max_peaks` were found; sinusoids whose fitted amplitude is below 3 x the
// final floor are dropped.
PeakSearch FindPeaks(std::span<const double> motion, double dt, int max_peaks);

// The mains frequencies and their first harmonics that a stage may pick up.
inline constexpr double kLikelyVibrationHz[] = {50, 60, 100, 120};

// Where a frequency appears when sampled at `sample_hz`.
double AliasOf(double hz, double sample_hz);

// A one-line warning when the Nyquist frequency lies below one of the
// likely frequencies (naming where each of those folds to), else empty.
std::string AliasWarning(double dt);

// The likely frequency above the Nyquist frequency whose alias lies within
// `tolerance_hz` of `hz`, or 0.
double LikelyAliasSource(double hz, double dt, double tolerance_hz);

}  // namespace analysis
