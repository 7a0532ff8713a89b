// The consensus of the kept tracks and its band statistic (see consensus.h).
#include "consensus.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace analysis {
namespace {

bool AllPrecisionsUsable(const TrackAxis& axis) {
  for (const double* p : axis.precisions)
    for (int f = 0; f < axis.frames; ++f)
      if (!(p[f] > 0) || !std::isfinite(p[f])) return false;
  return !axis.precisions.empty();
}

double MeanOf(std::span<const double> v) {
  double sum = 0;
  for (double x : v) sum += x;
  return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

double SampleVariance(std::span<const double> v) {
  if (v.size() < 2) return 0;
  double mean = MeanOf(v), squares = 0;
  for (double x : v) squares += (x - mean) * (x - mean);
  return squares / static_cast<double>(v.size() - 1);
}

// The value below which `fraction` of the sorted values lie (linear
// interpolation between order statistics).
double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  double at = fraction * static_cast<double>(values.size() - 1);
  size_t i = static_cast<size_t>(at);
  if (i + 1 >= values.size()) return values.back();
  return values[i] + (at - static_cast<double>(i)) * (values[i + 1] - values[i]);
}

// The tracks of one axis made ready for many consensus computations (the
// bootstrap makes hundreds): positions minus their track's mean and the
// weights, frame-major so that a frame's tracks lie together.
struct PreparedAxis {
  size_t tracks = 0;
  int frames = 0;
  bool weighted = false;
  std::vector<double> centred;  // [f * tracks + k]
  std::vector<double> weight;   // [f * tracks + k]
};

PreparedAxis Prepare(const TrackAxis& axis) {
  PreparedAxis p;
  p.tracks = axis.positions.size();
  p.frames = axis.frames;
  p.weighted = AllPrecisionsUsable(axis);
  const size_t n = p.tracks * static_cast<size_t>(p.frames);
  p.centred.resize(n);
  p.weight.resize(n);
  for (size_t k = 0; k < p.tracks; ++k) {
    const double* x = axis.positions[k];
    double centre = MeanOf(std::span<const double>(x, static_cast<size_t>(p.frames)));
    for (size_t f = 0; f < static_cast<size_t>(p.frames); ++f) {
      double precision = p.weighted ? axis.precisions[k][f] : 1.0;
      p.centred[f * p.tracks + k] = x[f] - centre;
      p.weight[f * p.tracks + k] = 1.0 / (precision * precision);
    }
  }
  return p;
}

Consensus ConsensusOfPrepared(const PreparedAxis& p, std::span<const int> multiplicity) {
  auto times = [&](size_t k) { return multiplicity.empty() ? 1.0 : static_cast<double>(multiplicity[k]); };
  std::vector<double> times_of(p.tracks);
  double used = 0;
  for (size_t k = 0; k < p.tracks; ++k) used += times_of[k] = times(k);

  Consensus c;
  c.motion.assign(static_cast<size_t>(p.frames), 0.0);
  double chi2 = 0;
  for (size_t f = 0; f < static_cast<size_t>(p.frames); ++f) {
    const double* x = &p.centred[f * p.tracks];
    const double* w = &p.weight[f * p.tracks];
    double sum = 0, weights = 0;
    for (size_t k = 0; k < p.tracks; ++k) {
      double wk = times_of[k] * w[k];
      sum += wk * x[k];
      weights += wk;
    }
    double s = sum / weights;
    c.motion[f] = s;
    c.precision_variance += 1.0 / weights;
    // Weighted scatter around the consensus: sum w r^2 is chi-square with
    // (tracks - 1) degrees of freedom per frame when the weights are right.
    for (size_t k = 0; k < p.tracks; ++k) chi2 += times_of[k] * w[k] * (x[k] - s) * (x[k] - s);
  }
  double mean = MeanOf(c.motion);
  for (double& s : c.motion) s -= mean;
  c.precision_variance /= p.frames;
  double expected = (used - 1) * p.frames;
  double ratio2 = expected > 0 ? chi2 / expected : 0;
  c.noise_variance = ratio2 * c.precision_variance;
  if (p.weighted) {
    c.scatter_ratio = std::sqrt(ratio2);
  } else {
    c.precision_variance = std::numeric_limits<double>::quiet_NaN();
    c.scatter_ratio = std::numeric_limits<double>::quiet_NaN();
  }
  return c;
}

}  // namespace

Consensus ConsensusOf(const TrackAxis& axis, std::span<const int> multiplicity) {
  return ConsensusOfPrepared(Prepare(axis), multiplicity);
}

double BandStatistic(std::span<const double> motion, double noise_variance) {
  if (motion.empty()) return 0;
  double m = MeanOf(motion) - motion[0];
  double s = std::sqrt(std::max(0.0, SampleVariance(motion) - noise_variance));
  return std::fabs(m + 2 * s) + std::fabs(m - 2 * s);
}

BandEstimate EstimateBand(const TrackAxis& axis, const Consensus& consensus, int resamples,
                          uint32_t seed) {
  BandEstimate b;
  b.value = BandStatistic(consensus.motion, consensus.noise_variance);
  b.below_noise_floor =
      SampleVariance(consensus.motion) - consensus.noise_variance < consensus.noise_variance;
  const size_t tracks = axis.positions.size();
  if (tracks < 2 || resamples < 1) {
    b.low = b.high = b.value;
    return b;
  }
  const PreparedAxis prepared = Prepare(axis);
  std::mt19937 random(seed);
  std::uniform_int_distribution<size_t> pick(0, tracks - 1);
  std::vector<int> multiplicity(tracks);
  std::vector<double> values;
  values.reserve(static_cast<size_t>(resamples));
  for (int r = 0; r < resamples; ++r) {
    std::fill(multiplicity.begin(), multiplicity.end(), 0);
    for (size_t i = 0; i < tracks; ++i) ++multiplicity[pick(random)];
    Consensus c = ConsensusOfPrepared(prepared, multiplicity);
    values.push_back(BandStatistic(c.motion, c.noise_variance));
  }
  // The percentile interval is moved by the resamples' own bias (their
  // median against the estimate): a resample repeats tracks, which makes
  // its scatter, and so its noise, a little smaller than the series' own.
  double median = Percentile(values, 0.5);
  b.low = std::max(0.0, b.value - (median - Percentile(values, 0.025)));
  b.high = b.value + (Percentile(values, 0.975) - median);
  return b;
}

}  // namespace analysis
