// accuracy_bench - does Tremoscan report the vibration that was put in?
//
// For simulated series with a known stage motion it runs the calculation's
// own stages (localization, tracking, analysis) without a window and prints,
// per axis:
//   injected   the reported statistic (width of mean +- 2 sd of the
//              displacement from frame 0) of the true positions of the beads
//              behind the kept tracks
//   predicted  the same with the localization noise added: every displacement
//              compares two localizations, so its variance is the motion's
//              plus the precisions of both (see docs/measurement.md)
//   measured   what Tremoscan reports
// Where the localization precision is at most a tenth of the motion's
// standard deviation, measured must be within 3 % of injected; elsewhere
// within 5 % of predicted.
//
// Run from a build tree: PA_BASE=<build>/suite bench/calculation/accuracy_bench [filter]
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "analysis.h"
#include "calculation.h"
#include "scenario.h"
#include "vibration_app.h"
#include "wmlib.h"

namespace {

const std::vector<bench::Scenario> kScenarios = {
    {"sine 20/15 nm, 60 beads, 300 fr",
     {"--beads", "60", "--frames", "300", "--vibration", "12.5,20,15"}},
    {"sine 2 nm, 40 beads, 500 fr",
     {"--beads", "40", "--frames", "500", "--vibration", "7,2,2"}},
    {"sine 2 nm bright, 40 beads, 500 fr",
     {"--beads", "40", "--frames", "500", "--vibration", "7,2,2", "--photons", "30000",
      "--background", "5"}},
    {"sines 200+50 nm, 100 beads, 200 fr",
     {"--beads", "100", "--frames", "200", "--vibration", "12.5,200,150", "--vibration",
      "3,50,40,1.1"}},
    {"random 10 nm, 20 beads, 1000 fr",
     {"--beads", "20", "--frames", "1000", "--no-vibration", "--jitter", "10"}},
    {"random 300 nm, 50 beads, 300 fr",
     {"--beads", "50", "--frames", "300", "--no-vibration", "--jitter", "300"}},
    {"sine 500 nm + 2 loose, 30 beads, 300 fr",
     {"--beads", "30", "--frames", "300", "--vibration", "25,500,400", "--loose", "2"}},
    {"dim 800 ph, sine 10 nm, 100 beads, 400 fr",
     {"--beads", "100", "--frames", "400", "--vibration", "9,10,10", "--photons", "800",
      "--background", "40"}},
    {"sine 30 nm + drift + 2 loose, 80 beads, 600 fr",
     {"--beads", "80", "--frames", "600", "--vibration", "5,30,25", "--drift", "50,-30",
      "--loose", "2"}},
};

// The table goes to the original standard output; the stages and their
// programs print their command lines and progress to a /dev/null stdout.
FILE* gTable = stdout;

int PrintMessage(int kind, const char* text, void*) {
  fprintf(stderr, "%s: %s\n", kind == WM_MESSAGE_ERROR ? "error" : "warning", text);
  return 1;
}

struct Pool {
  double sum = 0, sum2 = 0;  // true displacements (nm) and their squares
  double noise = 0;          // variance of the displacement error the precisions predict
  double error2 = 0;         // squared error of the measured displacements
  long n = 0;
  void Add(double d, double noise_var, double measured) {
    sum += d;
    sum2 += d * d;
    noise += noise_var;
    error2 += (measured - d) * (measured - d);
    ++n;
  }
  // Precision of one localization, as reported and as it really was.
  double ReportedPrecision() const { return n ? std::sqrt(noise / n / 2) : 0; }
  double ActualPrecision() const { return n ? std::sqrt(error2 / n / 2) : 0; }
  double Mean() const { return n ? sum / n : 0; }
  double Sd() const { return n > 1 ? std::sqrt((sum2 - sum * sum / n) / (n - 1)) : 0; }
  double NoiseVariance() const { return n ? noise / n : 0; }
};

struct Row {
  double injected, predicted, measured, precision;
};

// Precision (nm) of every event of the track file, by track and frame.
using Events = std::map<int, std::map<int, TrackEvent>>;

Events ReadEvents(const char* path) {
  Events events;
  int count = 0;
  TrackEvent* array = nullptr;
  if (ReadTrackEvents(path, &count, &array) != 0) return events;
  for (int i = 0; i < count; ++i)
    if (array[i].trackNumber > 0) events[array[i].trackNumber][array[i].frame] = array[i];
  free(array);
  return events;
}

bool RunScenario(const bench::Scenario& s, const std::string& dir) {
  std::string image = dir + "/series.img", truth_path = dir + "/truth.txt";
  std::string loc = dir + "/loc.txt", trk = dir + "/trk.txt";
  if (!bench::Simulate(s, image, truth_path)) {
    fprintf(gTable, "%-46s  beadsim failed\n", s.name.c_str());
    return false;
  }
  bench::Truth truth;
  if (!bench::ReadTruth(truth_path, &truth)) return false;

  VibrationApp app;
  bool ran = RunLocalization(&app, image.c_str(), loc.c_str()) == 0 &&
             RunTracking(&app, loc.c_str(), trk.c_str()) == 0 &&
             AnalyzeTracks(nullptr, trk.c_str()) == 0;
  if (!ran) {
    fprintf(gTable, "%-46s  calculation failed\n", s.name.c_str());
    return false;
  }

  Events events = ReadEvents(trk.c_str());
  const FiducialTrack* kept = AnalysisKeptTracks();
  int nkept = AnalysisKeptTrackCount(), frames = AnalysisFrameCount();
  Pool pool[2];
  int loose_kept = 0;
  for (int k = 0; k < nkept; ++k) {
    auto& track = events[kept[k].trackIndex + 1];
    const TrackEvent& first = track[0];
    int bead = bench::NearestBead(truth, first.x, first.y);
    const bench::Truth::Bead& b = truth.beads[bead];
    if (!b.fixed) ++loose_kept;
    for (int f = 0; f < frames; ++f) {
      const TrackEvent& e = track[f];
      double noise_x = f ? e.xColumn6 * e.xColumn6 + first.xColumn6 * first.xColumn6 : 0;
      double noise_y = f ? e.yColumn4 * e.yColumn4 + first.yColumn4 * first.yColumn4 : 0;
      pool[0].Add(b.x[f] - b.x[0], noise_x, kept[k].dX[f]);
      pool[1].Add(b.y[f] - b.y[0], noise_y, kept[k].dY[f]);
    }
  }
  float measured[2] = {AnalysisXVibration(), AnalysisYVibration()};
  bool pass = loose_kept == 0;
  for (int axis = 0; axis < 2; ++axis) {
    double m = pool[axis].Mean(), sd = pool[axis].Sd();
    double injected = bench::BandWidth(m, sd);
    double predicted = bench::BandWidth(m, std::sqrt(sd * sd + pool[axis].NoiseVariance()));
    double precision = pool[axis].ReportedPrecision();
    bool motion_dominates = precision <= sd / 10;
    double reference = motion_dominates ? injected : predicted;
    // Every displacement of a track is measured from the same frame-0
    // localization, so the frame-0 errors of the kept tracks (one draw per
    // track) stay in the result: their share of the variance fluctuates by
    // sqrt(2 / tracks). This is the measurement's own 1-sd spread.
    double frame0 = precision * precision;
    double spread = 100.0 * 0.5 * frame0 * std::sqrt(2.0 / nkept) /
                    (sd * sd + pool[axis].NoiseVariance());
    double deviation = 100.0 * (measured[axis] - reference) / reference;
    bool ok = std::fabs(deviation) <= (motion_dominates ? 3.0 : 5.0);
    pass = pass && ok;
    fprintf(gTable, "%-46s %c %4d/%-4d %6.2f %6.2f %9.2f %9.2f %9.2f %+7.2f%% %5.2f%% %-9s %s\n",
           axis == 0 ? s.name.c_str() : "", axis == 0 ? 'X' : 'Y', nkept, loose_kept, precision,
           pool[axis].ActualPrecision(),
           injected, predicted, static_cast<double>(measured[axis]), deviation,
           spread, motion_dominates ? "injected" : "predicted", ok ? "ok" : "MISS");
  }
  unlink(loc.c_str());
  unlink(trk.c_str());
  return pass;
}

}  // namespace

int main(int argc, char** argv) {
  const char* filter = argc > 1 ? argv[1] : "";
  WMSetMessageHandler(PrintMessage, nullptr);
  gTable = bench::DivertStandardOutput();
  char dir_template[] = "/tmp/tremoscan-accuracy-XXXXXX";
  std::string dir = mkdtemp(dir_template);
  fprintf(gTable, "%-46s %s %9s %6s %6s %9s %9s %9s %8s %6s %-9s\n", "scenario", "ax",
          "kept/loose", "prec", "actual",
         "injected", "predicted", "measured", "dev", "spread", "against");
  fprintf(gTable, "%-46s %s %9s %6s %6s %9s %9s %9s %8s\n", "", "  ", "", "nm", "nm", "nm", "nm",
          "nm", "");
  int failures = 0;
  for (const auto& s : kScenarios) {
    if (!strstr(s.name.c_str(), filter)) continue;
    if (!RunScenario(s, dir)) ++failures;
    fflush(gTable);
  }
  std::string cleanup = "rm -rf " + dir;
  if (system(cleanup.c_str()) != 0) fprintf(stderr, "could not remove %s\n", dir.c_str());
  fprintf(gTable, "\n%d scenario(s) outside their bound\n", failures);
  fclose(gTable);
  return failures ? 1 : 0;
}
