// motion_bench - does the stage motion analysis find the motion that was
// put in?
//
// For beadsim series with known stage motion (sums of sinusoids, white
// jitter, drift; bright, dim and loose beads) it runs the calculation's own
// stages, then AnalyzeStageMotion on the track file, and prints per axis
// the kept beads' rms reported precision over the motion's standard
// deviation (prec/sd), and:
//   stage vibration  the band statistic of the true stage motion (injected)
//                    against the measured one and its 95 % interval;
//                    bound: within 5 % or 0.5 nm, whichever is larger
//   drift            injected against measured nm/s; bound 5 % or 0.1 nm/s
//   peaks            per injected sinusoid above 3 x the spectrum floor:
//                    found within one bin, amplitude within 5 %; and the
//                    reported peaks matching no injected sinusoid
// and, over all series, how often the interval held the truth (at least
// 90 % of the cases) and the analysis' time against the calculation's.
//
// Run from a build tree: PA_BASE=<build>/suite bench/calculation/motion_bench [filter]
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "analysis.h"
#include "calculation.h"
#include "scenario.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace {

struct Sine {
  double hz, x_nm, y_nm;
};

struct MotionScenario {
  bench::Scenario series;   // beadsim options, the stage motion included
  double frame_interval;    // seconds
  std::vector<Sine> sines;  // the injected sinusoids
  double drift_x, drift_y;  // nm/s
};

// Builds the beadsim options of a scenario from its motion.
MotionScenario Make(const char* name, std::vector<std::string> options, double dt,
                    std::vector<Sine> sines, double drift_x = 0, double drift_y = 0,
                    double jitter = 0) {
  char text[96];
  options.insert(options.end(), {"--frame-interval", std::to_string(dt)});
  if (sines.empty()) options.push_back("--no-vibration");
  for (size_t i = 0; i < sines.size(); ++i) {
    snprintf(text, sizeof text, "%g,%g,%g,%g", sines[i].hz, sines[i].x_nm, sines[i].y_nm, 0.7 * static_cast<double>(i));
    options.insert(options.end(), {"--vibration", text});
  }
  snprintf(text, sizeof text, "%g,%g", drift_x, drift_y);
  options.insert(options.end(), {"--drift", text});
  snprintf(text, sizeof text, "%g", jitter);
  options.insert(options.end(), {"--jitter", text});
  return {{name, options}, dt, sines, drift_x, drift_y};
}

const std::vector<MotionScenario>& Scenarios() {
  static const std::vector<MotionScenario> scenarios = {
      Make("3 sines 0.5-45 Hz 20 nm, 40 beads, 1000 fr", {"--beads", "40", "--frames", "1000"}, 0.01,
           {{0.5, 20, 15}, {12, 8, 6}, {45, 3, 3}}),
      Make("2 sines 2 nm + jitter 1 nm, 60 beads, 500 fr", {"--beads", "60", "--frames", "500"}, 0.02,
           {{3, 2, 2}, {21, 1.5, 1.5}}, 0, 0, 1),
      Make("500 + 120 nm sines, 100 beads, 300 fr", {"--beads", "100", "--frames", "300"}, 0.025,
           {{1, 500, 400}, {17, 120, 100}}),
      Make("drift 5/-3 nm/s + 10 nm, 2 loose, 80 beads, 2000 fr",
           {"--beads", "80", "--frames", "2000", "--loose", "2"}, 0.01, {{8, 10, 10}}, 5, -3),
      Make("dim 800 ph: 10 + 4 nm sines, 100 beads, 400 fr",
           {"--beads", "100", "--frames", "400", "--photons", "800", "--background", "40"}, 0.01,
           {{9, 10, 10}, {31, 4, 4}}),
      Make("jitter 5 nm + drift 20 nm/s, 20 beads, 200 fr", {"--beads", "20", "--frames", "200"}, 0.05,
           {}, 20, 20, 5),
      Make("30 nm 0.5 Hz + 6 nm 48 Hz, 50 beads, 1200 fr", {"--beads", "50", "--frames", "1200"}, 0.01,
           {{0.5, 30, 30}, {48, 6, 6}}),
      Make("dim 1500 ph: 5 nm 6 Hz, 20 beads, 600 fr",
           {"--beads", "20", "--frames", "600", "--photons", "1500", "--background", "30"}, 0.01,
           {{6, 5, 5}}),
      Make("dim 800 ph: 5 nm 4 Hz + 2.5 nm jitter, 30 beads, 800 fr",
           {"--beads", "30", "--frames", "800", "--photons", "800", "--background", "40"}, 0.01,
           {{4, 5, 5}}, 0, 0, 2.5),
      Make("speed: 512x512x500, 50 beads", {"--size", "512x512", "--beads", "50", "--frames", "500"}, 0.01,
           {{12.5, 20, 15}}),
  };
  return scenarios;
}

FILE* gTable = stdout;

int PrintMessage(int kind, const char* text, void*) {
  fprintf(stderr, "%s: %s\n", kind == WM_MESSAGE_ERROR ? "error" : "warning", text);
  return 1;
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct MeanSd {
  double mean = 0, sd = 0;
};
MeanSd MeanSdOf(const std::vector<double>& v) {
  MeanSd m;
  double squares = 0;
  for (double x : v) m.mean += x;
  m.mean /= static_cast<double>(v.size());
  for (double x : v) squares += (x - m.mean) * (x - m.mean);
  m.sd = std::sqrt(squares / static_cast<double>(v.size() - 1));
  return m;
}

// The band statistic of the true stage motion measured from frame 0.
double TrueBand(const std::vector<double>& stage) {
  MeanSd m = MeanSdOf(stage);
  return bench::BandWidth(m.mean - stage[0], m.sd);
}

struct Tally {
  int cases = 0, covered = 0, misses = 0;
  double calculation_s = 0, analysis_s = 0;
};

void CompareAxis(const MotionScenario& s, const StageMotionReport& r, int axis, const std::vector<double>& stage,
                 Tally* tally) {
  const StageAxisReport& a = axis == 0 ? r.x : r.y;
  const char* name = axis == 0 ? s.series.name.c_str() : "";
  double injected = TrueBand(stage);
  // The beads' reported precision against the motion's standard deviation.
  double precision2 = 0;
  int kept = 0;
  for (int i = 0; i < r.beadCount; ++i) {
    if (r.beads[i].status != BEAD_KEPT) continue;
    double p = axis == 0 ? r.beads[i].precisionX : r.beads[i].precisionY;
    precision2 += p * p, ++kept;
  }
  double ratio = std::sqrt(precision2 / std::max(1, kept)) / MeanSdOf(stage).sd;
  double error = a.stageVibrationNm - injected;
  bool band_ok = std::fabs(error) <= std::max(0.05 * injected, 0.5);
  bool covered = a.stageVibrationLowNm <= injected && injected <= a.stageVibrationHighNm;
  ++tally->cases;
  tally->covered += covered;
  double drift = axis == 0 ? s.drift_x : s.drift_y;
  bool drift_ok = std::fabs(a.driftNmPerS - drift) <= std::max(0.05 * std::fabs(drift), 0.1);
  fprintf(gTable, "%-50s %c %5.2f %8.2f %8.2f %+7.2f %8.2f-%-8.2f %-3s %5.2f %4.2f %7.2f %7.2f %+6.2f %s\n", name,
          axis == 0 ? 'X' : 'Y', ratio, injected, a.stageVibrationNm, error, a.stageVibrationLowNm, a.stageVibrationHighNm,
          covered ? "in" : "OUT", a.noiseFloorNm, a.scatterRatio, drift, a.driftNmPerS, a.driftNmPerS - drift,
          band_ok && drift_ok ? "ok" : "MISS");
  tally->misses += !(band_ok && drift_ok);

  // Peaks: each injected sinusoid above 3 x the floor, then the invented ones.
  double bin = r.binWidthHz, threshold = 3 * a.spectrumFloorNm;
  std::vector<bool> matched(static_cast<size_t>(a.peakCount), false);
  for (const Sine& sine : s.sines) {
    double amplitude = axis == 0 ? sine.x_nm : sine.y_nm;
    const StagePeak* found = nullptr;
    for (int i = 0; i < a.peakCount; ++i)
      if (std::fabs(a.peaks[i].frequencyHz - sine.hz) <= bin && !matched[static_cast<size_t>(i)]) {
        found = &a.peaks[i];
        matched[static_cast<size_t>(i)] = true;
        break;
      }
    bool required = amplitude > threshold;
    bool ok = !required || (found && std::fabs(found->amplitudeNm - amplitude) <= 0.05 * amplitude);
    tally->misses += !ok;
    fprintf(gTable, "%52s peak %6.2f Hz %7.2f nm (%5.1f x floor): ", "", sine.hz, amplitude,
            threshold > 0 ? 3 * amplitude / threshold : 0.0);
    if (found)
      fprintf(gTable, "found %8.3f Hz %7.2f nm %+6.2f%% %s\n", found->frequencyHz, found->amplitudeNm,
              100 * (found->amplitudeNm - amplitude) / amplitude, ok ? "ok" : "MISS");
    else
      fprintf(gTable, "not found %s\n", required ? "MISS" : "(below 3 x floor)");
  }
  for (int i = 0; i < a.peakCount; ++i) {
    if (matched[static_cast<size_t>(i)]) continue;
    bool invented = a.peaks[i].amplitudeNm > threshold;
    tally->misses += invented;
    fprintf(gTable, "%52s invented peak %8.3f Hz %7.2f nm %s\n", "", a.peaks[i].frequencyHz, a.peaks[i].amplitudeNm,
            invented ? "MISS" : "");
  }
}

bool RunScenario(const MotionScenario& s, const std::string& dir, Tally* tally) {
  std::string image = dir + "/series.img", truth_path = dir + "/truth.txt";
  std::string loc = dir + "/loc.txt", trk = dir + "/trk.txt";
  if (!bench::Simulate(s.series, image, truth_path)) {
    fprintf(gTable, "%-50s beadsim failed\n", s.series.name.c_str());
    return false;
  }
  bench::Truth truth;
  if (!bench::ReadTruth(truth_path, &truth)) return false;

  VibrationApp app;
  auto start = std::chrono::steady_clock::now();
  bool ran = RunLocalization(&app, image.c_str(), loc.c_str()) == 0 &&
             RunTracking(&app, loc.c_str(), trk.c_str()) == 0 && AnalyzeTracks(nullptr, trk.c_str()) == 0;
  double calculation = Seconds(start);
  StageMotionReport* report = nullptr;
  start = std::chrono::steady_clock::now();
  ran = ran && AnalyzeStageMotion(trk.c_str(), s.frame_interval, 1, &report) == 0;
  double analysis = Seconds(start);
  if (!ran) {
    fprintf(gTable, "%-50s calculation failed\n", s.series.name.c_str());
    return false;
  }
  tally->calculation_s += calculation;
  tally->analysis_s += analysis;
  int misses = tally->misses;
  CompareAxis(s, *report, 0, truth.stage_x, tally);
  CompareAxis(s, *report, 1, truth.stage_y, tally);
  fprintf(gTable, "%52s %d kept tracks, bins of %.3f Hz; calculation %.2f s, stage analysis %.3f s (+%.1f %%)\n", "",
          report->keptTracks, report->binWidthHz, calculation, analysis, 100 * analysis / calculation);
  FreeStageMotionReport(report);
  unlink(loc.c_str());
  unlink(trk.c_str());
  unlink(image.c_str());
  return tally->misses == misses;
}

}  // namespace

int main(int argc, char** argv) {
  const char* filter = argc > 1 ? argv[1] : "";
  WMSetMessageHandler(PrintMessage, nullptr);
  gTable = bench::DivertStandardOutput();
  char dir_template[] = "/tmp/tremoscan-motion-XXXXXX";
  std::string dir = mkdtemp(dir_template);
  fprintf(gTable, "%-50s ax %5s %8s %8s %7s %17s %-3s %5s %4s %7s %7s %6s\n", "scenario", "prec", "injected", "measured",
          "error", "95 % interval", "", "noise", "scat", "drift", "drift", "error");
  fprintf(gTable, "%-50s    %5s %8s %8s %7s %17s %-3s %5s %4s %7s %7s %6s\n", "", "/sd", "nm", "nm", "nm", "nm", "", "nm", "",
          "nm/s", "nm/s", "nm/s");
  Tally tally;
  int failures = 0;
  for (const MotionScenario& s : Scenarios()) {
    if (!strstr(s.series.name.c_str(), filter)) continue;
    if (!RunScenario(s, dir, &tally)) ++failures;
    fflush(gTable);
  }
  std::string cleanup = "rm -rf " + dir;
  if (system(cleanup.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
  double coverage = tally.cases ? 100.0 * tally.covered / tally.cases : 0;
  fprintf(gTable, "\ninterval held the truth in %d of %d axes (%.0f %%, bound 90 %%)\n", tally.covered, tally.cases,
          coverage);
  fprintf(gTable, "stage analysis time: %.2f s against %.2f s of calculation (+%.1f %%, bound 10 %%)\n",
          tally.analysis_s, tally.calculation_s, 100 * tally.analysis_s / std::max(1e-9, tally.calculation_s));
  fprintf(gTable, "%d scenario(s) outside their bounds\n", failures);
  fclose(gTable);
  return failures || coverage < 90 ? 1 : 0;
}
