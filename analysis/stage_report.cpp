// AnalyzeStageMotion: the stage's own motion from a track file, assembled
// from the estimators of consensus.h, spectrum.h, motion_fit.h and allan.h
// into the C report of analysis.h, and the per-bead table.
//
// Order of the work per axis:
//   consensus   kept tracks -> stage motion S and its noise variance
//   band        the band statistic of S with the noise removed, and its
//               interval from a bootstrap over the kept tracks
//   peaks       line and sinusoids found one by one (FindPeaks); the line
//               of that fit is the drift
//   detrended   the band statistic of S minus the drift line
//   spectrum    Welch spectrum of S minus the drift line
//   Allan       deviation of S against averaging time
#include <analysis.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "allan.h"
#include "bead_series.h"
#include "consensus.h"
#include "spectrum.h"

namespace analysis {
namespace {

constexpr int kBootstrapResamples = 200;

// A malloc'd copy of a vector (the report's arrays are released with free).
double* CopyOut(const std::vector<double>& v) {
  auto* out = static_cast<double*>(std::malloc(std::max<size_t>(1, v.size()) * sizeof(double)));
  if (!out) throw std::bad_alloc();
  std::copy(v.begin(), v.end(), out);
  return out;
}

// The track's own band statistic: its displacement from its first event,
// over the frames it has.
double OwnBand(const std::vector<double>& position, const std::vector<uint8_t>& seen) {
  std::vector<double> d;
  for (size_t f = 0; f < position.size(); ++f)
    if (seen[f]) d.push_back(position[f]);
  return d.empty() ? 0 : BandStatistic(d, 0.0);
}

// The mean over the frames with an event, or with `rms` the root mean square.
double MeanOver(const std::vector<double>& v, const std::vector<uint8_t>& seen, bool rms) {
  double sum = 0;
  int n = 0;
  for (size_t f = 0; f < v.size(); ++f) {
    if (!seen[f] || !std::isfinite(v[f])) continue;
    sum += rms ? v[f] * v[f] : v[f];
    ++n;
  }
  if (n == 0) return 0;
  return rms ? std::sqrt(sum / n) : sum / n;
}

BeadRecord RecordOf(const BeadTrack& t) {
  BeadRecord r{};
  r.trackNumber = t.number;
  r.status = t.kept ? BEAD_KEPT : t.complete ? BEAD_OUTLIER : BEAD_INCOMPLETE;
  r.frames = t.frames_seen;
  r.xOutlierFrames = t.x_outlier_frames;
  r.yOutlierFrames = t.y_outlier_frames;
  r.x = MeanOver(t.x, t.seen, false);
  r.y = MeanOver(t.y, t.seen, false);
  r.photons = MeanOver(t.photons, t.seen, false);
  r.precisionX = MeanOver(t.precision_x, t.seen, true);
  r.precisionY = MeanOver(t.precision_y, t.seen, true);
  r.vibrationX = OwnBand(t.x, t.seen);
  r.vibrationY = OwnBand(t.y, t.seen);
  return r;
}

struct AxisWork {
  StageAxisReport report{};
  std::vector<double> motion;
  Spectrum spectrum;
  std::vector<AllanPoint> allan;
};

AxisWork AnalyzeAxis(const TrackAxis& axis, double dt, uint32_t seed) {
  AxisWork w;
  StageAxisReport& r = w.report;
  Consensus c = ConsensusOf(axis);
  w.motion = c.motion;
  BandEstimate band = EstimateBand(axis, c, kBootstrapResamples, seed);
  r.stageVibrationNm = band.value;
  r.stageVibrationLowNm = band.low;
  r.stageVibrationHighNm = band.high;
  r.belowNoiseFloor = band.below_noise_floor;
  r.noiseFloorNm = std::sqrt(c.noise_variance);
  r.precisionNoiseNm = std::sqrt(c.precision_variance);
  r.scatterRatio = c.scatter_ratio;

  PeakSearch peaks = FindPeaks(c.motion, dt, ANALYSIS_MAX_PEAKS);
  r.driftNmPerS = peaks.fit.slope;
  r.driftTotalNm = peaks.fit.slope * (axis.frames - 1) * dt;
  std::vector<double> detrended(c.motion.size());
  for (size_t f = 0; f < detrended.size(); ++f)
    detrended[f] = c.motion[f] - peaks.fit.LineAt(static_cast<int>(f), dt);
  r.detrendedVibrationNm = BandStatistic(detrended, c.noise_variance);
  w.spectrum = WelchSpectrum(detrended, dt);
  r.spectrumFloorNm = peaks.floor;
  r.spectrumFloorNmPerRtHz = peaks.floor_density;
  for (const Sinusoid& s : peaks.fit.sinusoids) {
    if (r.peakCount == ANALYSIS_MAX_PEAKS) break;
    StagePeak& p = r.peaks[r.peakCount++];
    p.frequencyHz = s.frequency_hz;
    p.amplitudeNm = s.amplitude;
    p.aliasOfHz = LikelyAliasSource(s.frequency_hz, dt, w.spectrum.bin_hz);
  }
  w.allan = AllanDeviation(c.motion, dt);
  return w;
}

int Analyze(const char* path, double dt, uint32_t seed, StageMotionReport** out) {
  BeadSeries series;
  std::string error;
  if (!ReadBeadSeries(path, &series, &error)) {
    std::fprintf(stderr, "AnalyzeStageMotion: %s: %s\n", path, error.c_str());
    return 1;
  }
  TrackAxis x_axis, y_axis;
  x_axis.frames = y_axis.frames = series.frames;
  for (const BeadTrack& t : series.tracks) {
    if (!t.kept) continue;
    x_axis.positions.push_back(t.x.data());
    x_axis.precisions.push_back(t.precision_x.data());
    y_axis.positions.push_back(t.y.data());
    y_axis.precisions.push_back(t.precision_y.data());
  }
  if (x_axis.positions.empty()) {
    std::fprintf(stderr, "AnalyzeStageMotion: %s: no track is kept\n", path);
    return 1;
  }
  AxisWork x = AnalyzeAxis(x_axis, dt, seed);
  AxisWork y = AnalyzeAxis(y_axis, dt, seed + 1);

  auto* r = static_cast<StageMotionReport*>(std::calloc(1, sizeof(StageMotionReport)));
  if (!r) throw std::bad_alloc();
  // From here every failure releases the partly filled report.
  try {
    r->frameIntervalS = dt;
    r->frames = series.frames;
    r->keptTracks = static_cast<int32_t>(x_axis.positions.size());
    r->stageX = CopyOut(x.motion);
    r->stageY = CopyOut(y.motion);
    r->x = x.report;
    r->y = y.report;
    r->spectrumBins = static_cast<int32_t>(x.spectrum.amplitude.size());
    r->binWidthHz = x.spectrum.bin_hz;
    r->amplitudeX = CopyOut(x.spectrum.amplitude);
    r->amplitudeY = CopyOut(y.spectrum.amplitude);
    r->densityX = CopyOut(x.spectrum.density);
    r->densityY = CopyOut(y.spectrum.density);
    std::vector<double> tau, allan_x, allan_y;
    for (size_t i = 0; i < x.allan.size(); ++i) {
      tau.push_back(x.allan[i].tau_s);
      allan_x.push_back(x.allan[i].deviation);
      allan_y.push_back(y.allan[i].deviation);
    }
    r->allanPoints = static_cast<int32_t>(tau.size());
    r->allanTauS = CopyOut(tau);
    r->allanX = CopyOut(allan_x);
    r->allanY = CopyOut(allan_y);
    std::string warning = AliasWarning(dt);
    r->aliasWarning = !warning.empty();
    std::snprintf(r->aliasText, sizeof r->aliasText, "%s", warning.c_str());
    r->beadCount = static_cast<int32_t>(series.tracks.size());
    r->beads = static_cast<BeadRecord*>(std::calloc(std::max<size_t>(1, series.tracks.size()), sizeof(BeadRecord)));
    if (!r->beads) throw std::bad_alloc();
    for (size_t i = 0; i < series.tracks.size(); ++i) r->beads[i] = RecordOf(series.tracks[i]);
  } catch (...) {
    FreeStageMotionReport(r);
    throw;
  }
  *out = r;
  return 0;
}

}  // namespace
}  // namespace analysis

extern "C" int AnalyzeStageMotion(const char* trackPath, double frameIntervalS, uint32_t seed,
                                  StageMotionReport** report) {
  if (!report) return 1;
  *report = nullptr;
  if (!trackPath || !(frameIntervalS > 0) || !std::isfinite(frameIntervalS)) {
    std::fprintf(stderr, "AnalyzeStageMotion: a track file and a positive frame interval are needed\n");
    return 1;
  }
  try {
    return analysis::Analyze(trackPath, frameIntervalS, seed, report);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "AnalyzeStageMotion: out of memory: %s\n", std::strerror(ENOMEM));
  }
  return 2;
}

extern "C" void FreeStageMotionReport(StageMotionReport* report) {
  if (!report) return;
  for (double* p : {report->stageX, report->stageY, report->amplitudeX, report->amplitudeY, report->densityX,
                    report->densityY, report->allanTauS, report->allanX, report->allanY})
    std::free(p);
  std::free(report->beads);
  std::free(report);
}
