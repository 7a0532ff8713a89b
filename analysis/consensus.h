// The stage motion as the consensus of the kept tracks, the noise left in
// it, and the band statistic of the motion with that noise removed.
//
// Every kept track k records the stage motion T(f) plus its own localization
// error e_kf (reported standard deviation p_kf). With c_k the track's mean
// position, the consensus of frame f is the precision-weighted mean
//   S(f) = sum_k w_kf (x_kf - c_k) / sum_k w_kf,   w_kf = 1 / p_kf^2,
// whose noise variance is 1 / sum_k w_kf when the precisions are right. The
// weighted scatter of the tracks around S checks them: its ratio to the
// expected value scales the noise (so precisions that are uniformly too
// optimistic do not leave noise in the result).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace analysis {

// The kept tracks of one axis: positions[k][f] (nm) and precisions[k][f]
// (nm), `frames` values each.
struct TrackAxis {
  std::vector<const double*> positions;
  std::vector<const double*> precisions;
  int frames = 0;
};

struct Consensus {
  std::vector<double> motion;  // S(f), nm, mean over frames 0
  double noise_variance = 0;   // mean over frames of the noise variance of S, nm^2
  double precision_variance = 0;  // the same from the precisions alone (NaN without them)
  double scatter_ratio = 0;    // sqrt(observed / expected scatter), NaN without precisions
};

// The consensus of the tracks taken `multiplicity[k]` times each (all once
// when empty). Precisions that are not all positive and finite give equal
// weights, and the noise then comes from the scatter alone. Needs two or
// more tracks for a noise estimate (else noise_variance is 0).
Consensus ConsensusOf(const TrackAxis& axis, std::span<const int> multiplicity = {});

// The band statistic |m + 2s| + |m - 2s| of a motion measured from its
// first frame: m = mean(S) - S(0) and s^2 = var(S) - noise variance (sample
// variance; 0 when the noise exceeds it).
double BandStatistic(std::span<const double> motion, double noise_variance);

// The band statistic of the noise-free motion with its 95 % interval from
// `resamples` bootstrap resamples of the tracks (the percentile interval,
// moved by the resamples' median bias).
struct BandEstimate {
  double value = 0;
  double low = 0, high = 0;
  bool below_noise_floor = false;  // var(S) - noise < noise: the motion does not stand out
};
BandEstimate EstimateBand(const TrackAxis& axis, const Consensus& consensus, int resamples,
                          uint32_t seed);

}  // namespace analysis
