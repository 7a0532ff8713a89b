// The stage-motion estimators against small series whose answers are known
// by hand: a pure sinusoid, pure white noise, a pure drift, tracks with
// given weights, and the frame rate's aliases.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "allan.h"
#include "consensus.h"
#include "motion_fit.h"
#include "spectrum.h"

namespace analysis {
namespace {

std::vector<double> Sine(int frames, double dt, double hz, double amplitude, double phase = 0) {
  std::vector<double> s(static_cast<size_t>(frames));
  for (int f = 0; f < frames; ++f)
    s[static_cast<size_t>(f)] = amplitude * std::sin(2 * std::numbers::pi * hz * f * dt + phase);
  return s;
}

std::vector<double> WhiteNoise(int frames, double sd, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(0, sd);
  std::vector<double> s(static_cast<size_t>(frames));
  for (double& v : s) v = normal(random);
  return s;
}

TEST(BandStatistic, MeanFromTheFirstFrameAndNoiseRemovedVariance) {
  struct Case {
    std::vector<double> motion;
    double noise;
    double expected;
  } cases[] = {
      // m = 0, s^2 = 8/3: the band is 4 s.
      {{0, 2, 0, -2}, 0, 4 * std::sqrt(8.0 / 3.0)},
      // The noise takes all of the variance: nothing is left.
      {{0, 2, 0, -2}, 8.0 / 3.0, 0},
      // Half of it: s^2 = 4/3.
      {{0, 2, 0, -2}, 4.0 / 3.0, 4 * std::sqrt(4.0 / 3.0)},
      // m = 0 - (-3) = 3, s = 2: one-sided, |3 + 4| + |3 - 4|.
      {{-3, 1, 1, 1}, 0, 8},
      // m = 3 beyond 2 s = 2 (s^2 = 4 - 3): the band is 2 |m|.
      {{-3, 1, 1, 1}, 3, 6},
  };
  for (const Case& c : cases) EXPECT_NEAR(BandStatistic(c.motion, c.noise), c.expected, 1e-12);
}

TEST(Consensus, WeightsByPrecisionAndScalesTheNoiseByTheScatter) {
  // Two tracks 100 nm apart moving by m = 0, 3, 0, -3 with errors e and -e,
  // e = 1, -1, 1, -1; precisions 1 and 2 nm give weights 1 and 1/4.
  std::vector<double> a = {1, 2, 1, -4}, b = {99, 104, 99, 98};
  std::vector<double> pa(4, 1.0), pb(4, 2.0);
  TrackAxis axis;
  axis.frames = 4;
  axis.positions = {a.data(), b.data()};
  axis.precisions = {pa.data(), pb.data()};
  Consensus c = ConsensusOf(axis);
  // Centres 0 and 100; the weighted mean is m + (1 - 0.25) e / 1.25 = m + 0.6 e.
  std::vector<double> expected = {0.6, 2.4, 0.6, -3.6};
  for (size_t f = 0; f < 4; ++f) EXPECT_NEAR(c.motion[f], expected[f], 1e-12);
  // Expected noise from the precisions: 1 / 1.25 = 0.8 nm^2. Scatter: the
  // residuals are 0.4 e and -1.6 e, so chi^2 = 0.16 + 2.56 / 4 = 0.8 per
  // frame against 1 degree of freedom.
  EXPECT_NEAR(c.precision_variance, 0.8, 1e-12);
  EXPECT_NEAR(c.scatter_ratio, std::sqrt(0.8), 1e-12);
  EXPECT_NEAR(c.noise_variance, 0.64, 1e-12);

  // Without usable precisions every track weighs the same: the consensus is
  // m, the residuals +-1 give chi^2 = 2 per frame, and the noise of a mean
  // of two is 2 / 2.
  pb[2] = 0;
  Consensus equal = ConsensusOf(axis);
  EXPECT_TRUE(std::isnan(equal.scatter_ratio));
  EXPECT_NEAR(equal.noise_variance, 1.0, 1e-12);
  std::vector<double> m = {0, 3, 0, -3};
  for (size_t f = 0; f < 4; ++f) EXPECT_NEAR(equal.motion[f], m[f], 1e-12);
}

TEST(Consensus, BandAndIntervalOfASinusoidSeenThroughNoisyTracks) {
  // 30 tracks, 400 frames, a 10 nm sinusoid, 8 nm localization noise: the
  // noise of the consensus (8 / sqrt 30 = 1.46 nm) is taken out.
  const int frames = 400, tracks = 30;
  std::vector<double> truth = Sine(frames, 0.01, 7.3, 10.0);
  std::vector<std::vector<double>> positions, precisions;
  for (int k = 0; k < tracks; ++k) {
    std::vector<double> p = WhiteNoise(frames, 8.0, 100 + static_cast<unsigned>(k));
    for (int f = 0; f < frames; ++f) p[static_cast<size_t>(f)] += truth[static_cast<size_t>(f)] + 1000.0 * k;
    positions.push_back(p);
    precisions.emplace_back(static_cast<size_t>(frames), 8.0);
  }
  TrackAxis axis;
  axis.frames = frames;
  for (int k = 0; k < tracks; ++k) {
    axis.positions.push_back(positions[static_cast<size_t>(k)].data());
    axis.precisions.push_back(precisions[static_cast<size_t>(k)].data());
  }
  Consensus c = ConsensusOf(axis);
  EXPECT_NEAR(std::sqrt(c.noise_variance), 8.0 / std::sqrt(30.0), 0.05);
  EXPECT_NEAR(c.scatter_ratio, 1.0, 0.03);
  BandEstimate band = EstimateBand(axis, c, 200, 7);
  double true_band = BandStatistic(truth, 0);
  EXPECT_NEAR(band.value, true_band, 0.03 * true_band);
  EXPECT_LE(band.low, true_band);
  EXPECT_GE(band.high, true_band);
  EXPECT_LT(band.high - band.low, 0.1 * true_band);
  EXPECT_FALSE(band.below_noise_floor);

  // The same tracks without the sinusoid: only noise, and said so.
  for (int k = 0; k < tracks; ++k)
    for (int f = 0; f < frames; ++f) positions[static_cast<size_t>(k)][static_cast<size_t>(f)] -= truth[static_cast<size_t>(f)];
  Consensus still = ConsensusOf(axis);
  EXPECT_TRUE(EstimateBand(axis, still, 50, 7).below_noise_floor);
}

TEST(Consensus, IntervalHoldsTheTruthInNineSeriesOfTen) {
  // 40 series of 20 tracks whose localization noise (6 nm) exceeds the
  // motion (a 3 nm sinusoid plus 1 nm jitter): the 95 % interval must hold
  // the noise-free statistic in most of them, and the estimate must not lean.
  const int series = 40, tracks = 20, frames = 200;
  int covered = 0;
  double error_sum = 0;
  for (int n = 0; n < series; ++n) {
    std::vector<double> truth = Sine(frames, 0.01, 11.0, 3.0, n);
    std::vector<double> jitter = WhiteNoise(frames, 1.0, 1000 + static_cast<unsigned>(n));
    for (int f = 0; f < frames; ++f) truth[static_cast<size_t>(f)] += jitter[static_cast<size_t>(f)];
    std::vector<std::vector<double>> positions;
    std::vector<double> precision(static_cast<size_t>(frames), 6.0);
    TrackAxis axis;
    axis.frames = frames;
    for (int k = 0; k < tracks; ++k) {
      positions.push_back(WhiteNoise(frames, 6.0, static_cast<unsigned>(n * 100 + k)));
      for (int f = 0; f < frames; ++f) positions.back()[static_cast<size_t>(f)] += truth[static_cast<size_t>(f)];
    }
    for (const std::vector<double>& p : positions) {
      axis.positions.push_back(p.data());
      axis.precisions.push_back(precision.data());
    }
    BandEstimate band = EstimateBand(axis, ConsensusOf(axis), 200, static_cast<uint32_t>(n));
    double true_band = BandStatistic(truth, 0);
    covered += band.low <= true_band && true_band <= band.high;
    error_sum += (band.value - true_band) / true_band;
  }
  EXPECT_GE(covered, 36);
  EXPECT_NEAR(error_sum / series, 0, 0.03);
}

TEST(Spectrum, PureSinusoidOnABinShowsItsAmplitudeThere) {
  // 400 frames at 100 Hz: segments of 200, bins of 0.5 Hz; 12.5 Hz is bin 25.
  // An offset is removed with each segment's mean and shows nowhere.
  std::vector<double> series = Sine(400, 0.01, 12.5, 10.0);
  for (double& v : series) v += 50.0;
  Spectrum s = WelchSpectrum(series, 0.01);
  ASSERT_EQ(s.amplitude.size(), 101u);
  EXPECT_DOUBLE_EQ(s.bin_hz, 0.5);
  EXPECT_EQ(s.segments, 3);
  EXPECT_NEAR(s.amplitude[25], 10.0, 1e-9);
  EXPECT_NEAR(s.amplitude[24], 5.0, 1e-9);  // the Hann window's neighbours hold half
  EXPECT_LT(s.amplitude[30], 1e-9);
  EXPECT_LT(s.amplitude[0], 1e-9);
  EXPECT_LT(s.amplitude[1], 1e-9);
  // A pure tone's power 50 nm^2 in one bin of the Hann window's 1.5 bins of
  // noise bandwidth: density sqrt(50 / (1.5 x 0.5)).
  EXPECT_NEAR(s.density[25], std::sqrt(50.0 / 0.75), 1e-9);
}

TEST(Spectrum, PureNoiseGivesItsFloorAndNoPeak) {
  // White noise of 1 nm at 1 kHz: segments of 2048, each noise bin holds
  // 2 sqrt(1.5 / 2048) nm rms; the density is sqrt(2 dt) nm per root hertz.
  std::vector<double> noise = WhiteNoise(4096, 1.0, 3);
  Spectrum s = WelchSpectrum(noise, 0.001);
  EXPECT_NEAR(SpectrumFloor(s), 2 * std::sqrt(1.5 / 2048), 0.06 * 2 * std::sqrt(1.5 / 2048));
  PeakSearch peaks = FindPeaks(noise, 0.001, 10);
  EXPECT_TRUE(peaks.fit.sinusoids.empty());
  EXPECT_NEAR(peaks.floor_density, std::sqrt(2 * 0.001), 0.06 * std::sqrt(2 * 0.001));
  EXPECT_NEAR(peaks.fit.slope, 0, 0.1);

  std::vector<AllanPoint> allan = AllanDeviation(noise, 0.001);
  ASSERT_GE(allan.size(), 8u);
  for (size_t i = 0; i < 7; ++i) {
    double m = allan[i].tau_s / 0.001;
    EXPECT_NEAR(allan[i].deviation, 1 / std::sqrt(m), 0.15 / std::sqrt(m)) << "m " << m;
  }
}

TEST(PeakSearch, FindsSinusoidsBetweenBinsWithTheirAmplitudesAndTheDriftUnder) {
  // Two tones off the bin centres and a drift of 4 nm/s, over a noise of
  // 0.5 nm; the line and both tones come out of the joint fit.
  const int frames = 1000;
  const double dt = 0.005;
  std::vector<double> motion = WhiteNoise(frames, 0.5, 11);
  std::vector<double> a = Sine(frames, dt, 13.37, 20.0, 0.3), b = Sine(frames, dt, 61.9, 4.0, 1.1);
  for (int f = 0; f < frames; ++f)
    motion[static_cast<size_t>(f)] += a[static_cast<size_t>(f)] + b[static_cast<size_t>(f)] + 4.0 * f * dt;
  PeakSearch peaks = FindPeaks(motion, dt, 10);
  ASSERT_EQ(peaks.fit.sinusoids.size(), 2u);
  EXPECT_NEAR(peaks.fit.sinusoids[0].frequency_hz, 13.37, 0.01);
  EXPECT_NEAR(peaks.fit.sinusoids[0].amplitude, 20.0, 0.2);
  EXPECT_NEAR(peaks.fit.sinusoids[1].frequency_hz, 61.9, 0.01);
  EXPECT_NEAR(peaks.fit.sinusoids[1].amplitude, 4.0, 0.1);
  EXPECT_NEAR(peaks.fit.slope, 4.0, 0.1);
}

TEST(PeakSearch, PureSinusoidAndPureDriftAreFittedExactly) {
  const double dt = 0.01;
  PeakSearch tone = FindPeaks(Sine(300, dt, 8.21, 5.0), dt, 10);
  ASSERT_EQ(tone.fit.sinusoids.size(), 1u);
  EXPECT_NEAR(tone.fit.sinusoids[0].frequency_hz, 8.21, 1e-6);
  EXPECT_NEAR(tone.fit.sinusoids[0].amplitude, 5.0, 1e-6);

  std::vector<double> drift(100);
  for (size_t f = 0; f < drift.size(); ++f) drift[f] = 7.0 + 3.0 * static_cast<double>(f) * 0.1;
  PeakSearch line = FindPeaks(drift, 0.1, 10);
  EXPECT_TRUE(line.fit.sinusoids.empty());
  EXPECT_NEAR(line.fit.slope, 3.0, 1e-9);
  EXPECT_NEAR(line.fit.offset, 7.0, 1e-9);
  // A drift of v moves the mean over tau by v tau: AD = v tau / sqrt 2.
  for (const AllanPoint& p : AllanDeviation(drift, 0.1))
    EXPECT_NEAR(p.deviation, 3.0 * p.tau_s / std::sqrt(2.0), 1e-9) << p.tau_s;
}

TEST(Aliasing, LikelyFrequenciesAboveNyquistFoldWhereExpected) {
  EXPECT_DOUBLE_EQ(AliasOf(60, 25), 10);
  EXPECT_DOUBLE_EQ(AliasOf(120, 25), 5);
  EXPECT_DOUBLE_EQ(AliasOf(50, 25), 0);
  // 25 frames per second: 50 and 100 Hz fold to 0, 60 to 10, 120 to 5.
  EXPECT_EQ(AliasWarning(0.04),
            "frame rate 25 Hz (Nyquist 12.5 Hz) folds vibration from 50 Hz at 0 Hz, 60 Hz at 10 Hz, "
            "100 Hz at 0 Hz, 120 Hz at 5 Hz");
  EXPECT_EQ(LikelyAliasSource(10.2, 0.04, 0.5), 60);
  EXPECT_EQ(LikelyAliasSource(7.0, 0.04, 0.5), 0);
  // At 150 Hz, 60 Hz lies below Nyquist: a peak there is 60 Hz itself.
  EXPECT_EQ(LikelyAliasSource(60.0, 1 / 150.0, 0.5), 0);
  // At 1 kHz nothing likely folds; at 200 Hz only 120 Hz does (to 80 Hz).
  EXPECT_EQ(AliasWarning(0.001), "");
  EXPECT_EQ(AliasWarning(0.005), "frame rate 200 Hz (Nyquist 100 Hz) folds vibration from 120 Hz at 80 Hz");
}

}  // namespace
}  // namespace analysis
