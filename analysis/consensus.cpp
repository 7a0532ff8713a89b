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

}  // namespace

Consensus ConsensusOf(const TrackAxis& axis, std::span<const int> multiplicity) {
  const size_t tracks = axis.positions.size();
  const int frames = axis.frames;
  const bool weighted = AllPrecisionsUsable(axis);
  auto times = [&](size_t k) { return multiplicity.empty() ? 1 : multiplicity[k]; };

  std::vector<double> centre(tracks);
  for (size_t k = 0; k < tracks; ++k)
    centre[k] = MeanOf(std::span<const double>(axis.positions[k], static_cast<size_t>(frames)));

  Consensus c;
  c.motion.assign(static_cast<size_t>(frames), 0.0);
  std::vector<double> weight_sum(static_cast<size_t>(frames), 0.0);
  long long used = 0;
  for (size_t k = 0; k < tracks; ++k) used += times(k);
  for (int f = 0; f < frames; ++f) {
    double sum = 0, weights = 0;
    for (size_t k = 0; k < tracks; ++k) {
      if (times(k) == 0) continue;
      double p = weighted ? axis.precisions[k][f] : 1.0;
      double w = times(k) / (p * p);
      sum += w * (axis.positions[k][f] - centre[k]);
      weights += w;
    }
    c.motion[static_cast<size_t>(f)] = sum / weights;
    weight_sum[static_cast<size_t>(f)] = weights;
  }
  double mean = MeanOf(c.motion);
  for (double& s : c.motion) s -= mean;

  // Weighted scatter around the consensus: sum w r^2 is chi-square with
  // (tracks - 1) degrees of freedom per frame when the weights are right.
  double chi2 = 0, expected = 0;
  for (int f = 0; f < frames; ++f) {
    double s = c.motion[static_cast<size_t>(f)] + mean;
    for (size_t k = 0; k < tracks; ++k) {
      if (times(k) == 0) continue;
      double p = weighted ? axis.precisions[k][f] : 1.0;
      double r = axis.positions[k][f] - centre[k] - s;
      chi2 += times(k) * r * r / (p * p);
    }
    expected += static_cast<double>(used - 1);
    c.precision_variance += 1.0 / weight_sum[static_cast<size_t>(f)];
  }
  c.precision_variance /= frames;
  double ratio2 = expected > 0 ? chi2 / expected : 0;
  c.noise_variance = ratio2 * c.precision_variance;
  if (weighted) {
    c.scatter_ratio = std::sqrt(ratio2);
  } else {
    c.precision_variance = std::numeric_limits<double>::quiet_NaN();
    c.scatter_ratio = std::numeric_limits<double>::quiet_NaN();
  }
  return c;
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
  std::mt19937 random(seed);
  std::uniform_int_distribution<size_t> pick(0, tracks - 1);
  std::vector<int> multiplicity(tracks);
  std::vector<double> values;
  values.reserve(static_cast<size_t>(resamples));
  for (int r = 0; r < resamples; ++r) {
    std::fill(multiplicity.begin(), multiplicity.end(), 0);
    for (size_t i = 0; i < tracks; ++i) ++multiplicity[pick(random)];
    Consensus c = ConsensusOf(axis, multiplicity);
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
