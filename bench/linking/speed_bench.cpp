// linking_speed_bench [dir]: how long the refinement program takes.
//
// 1. Linking and writing (no refits): synthetic localization files as
//    ORBILocalization writes them (stage jumping 500 nm between frames,
//    1 % of detections missing, 3 false detections per frame, 3 loose
//    beads), from 20 beads x 10000 frames to 300 beads x 10000 frames. The
//    program's wall and processor time (best of 3), and the library's
//    stages timed in process.
// 2. Refits: a beadsim series localized by ORBILocalization, run with 5 %
//    and with 30 % of the detections removed; the extra processor time per
//    extra fit gives the refinement's fits per second, set beside the
//    localization program's localizations per second and the bead engine's
//    bare single fits per second on the same kind of region.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "beads.h"
#include "bench_support.h"
#include "linking.h"
#include "synthetic_localizations.h"

using namespace linking_bench;

namespace {

std::vector<std::string> RefinementArgs(const std::string& in, const std::string& out) {
  return {ProgramPath("ORBILocalizationRefinement"), in, out, "-maxStd", "100.0000",
          "-searchRadius", "100.0000", "-gapPenalty", "1.5000", "-timeWindow", "3"};
}

struct Stages {
  double read = 0, link = 0, write = 0;
  long events = 0, tracks = 0;
};

Stages TimeStages(const std::string& in, const std::string& out) {
  Stages st;
  LinkingSession* s = nullptr;
  LinkingSessionCreate(&s);
  LinkingParameters p;
  LinkingParametersDefault(&p);
  char message[512];
  double t0 = Seconds();
  LinkingReadLocalizations(s, in.c_str(), nullptr, message, sizeof message);
  double t1 = Seconds();
  LinkingLinkTracks(s, &p, nullptr, message, sizeof message);
  double t2 = Seconds();
  LinkingWriteTrackFile(s, &p, out.c_str(), nullptr, message, sizeof message);
  double t3 = Seconds();
  LinkingStatistics stats;
  LinkingGetStatistics(s, &stats);
  LinkingSessionDestroy(s);
  st.read = t1 - t0;
  st.link = t2 - t1;
  st.write = t3 - t2;
  st.events = stats.events;
  st.tracks = stats.tracks;
  return st;
}

// Single fits per second of the bead engine on 7 x 7 regions at a fixed
// sigma, started at the true position (what a refit does).
double EngineFitsPerSecond() {
  const int roi = BeadsRoiSize(1.3f), count = 2000;
  std::vector<std::vector<float>> patches(count, std::vector<float>(roi * roi));
  BeadsRng rng;
  BeadsRngSeed(&rng, 5, 0);
  std::vector<double> expected(roi * roi);
  for (auto& patch : patches) {
    std::fill(expected.begin(), expected.end(), 20.0);
    const BeadsEmitter e{roi / 2 + BeadsRngUniform(&rng) - 0.5, roi / 2 + BeadsRngUniform(&rng) - 0.5,
                         1500};
    BeadsRenderEmitters(expected.data(), roi, roi, &e, 1, 1.3);
    for (int p = 0; p < roi * roi; ++p) patch[p] = static_cast<float>(BeadsRngPoisson(&rng, expected[p]));
  }
  BeadsFitOptions options;
  BeadsFitOptionsDefault(&options, 1.3f);
  options.fit_sigma = 0;
  BeadsFitResult result;
  const int rounds = 50;
  const double t0 = Seconds();
  for (int r = 0; r < rounds; ++r)
    for (const auto& patch : patches) {
      const BeadsRegion region{patch.data(), nullptr, roi, 0, 0, roi, roi};
      const BeadsEmitter start{roi / 2.0, roi / 2.0, 1500};
      BeadsFitSingle(&region, &options, &start, -1.0f, &result);
    }
  return rounds * count / (Seconds() - t0);
}

long FitsMade(const std::string& out) {
  const size_t at = out.find(" fits");
  if (at == std::string::npos) return 0;
  size_t begin = out.rfind(' ', at - 1);
  return std::atol(out.c_str() + begin + 1);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp";
  std::printf("Linking and writing, no refits (synthetic files; best of 3 program runs)\n\n");
  std::printf("%6s %7s %9s | %7s %7s %7s | %9s %9s | %7s\n", "beads", "frames", "events", "read s",
              "link s", "write s", "program s", "cpu s", "tracks");
  struct Size {
    int beads, frames;
  };
  double goal_time = 0;
  for (const Size& size : {Size{20, 10000}, Size{100, 10000}, Size{300, 1000}, Size{300, 10000}}) {
    SyntheticOptions o;
    o.beads = size.beads;
    o.frames = size.frames;
    o.size = size.beads > 100 ? 512 : 256;
    const std::string in = dir + "/linking_speed_loc.txt", out = dir + "/linking_speed_trk.txt";
    if (WriteSyntheticLocalizations(in, o) < 0) return std::fprintf(stderr, "cannot write %s\n", in.c_str()), 1;
    const Stages st = TimeStages(in, out);
    double best_wall = 1e9, best_cpu = 1e9;
    for (int k = 0; k < 3; ++k) {
      const RunResult r = Run(RefinementArgs(in, out));
      if (r.status != 0) return std::fprintf(stderr, "the refinement program failed\n"), 1;
      best_wall = std::min(best_wall, r.wall);
      best_cpu = std::min(best_cpu, r.cpu);
    }
    std::printf("%6d %7d %9ld | %7.2f %7.2f %7.2f | %9.2f %9.2f | %7ld\n", size.beads, size.frames,
                st.events, st.read, st.link, st.write, best_wall, best_cpu, st.tracks);
    if (size.beads == 300 && size.frames == 10000) goal_time = best_wall;
    std::remove(in.c_str());
    std::remove(out.c_str());
  }
  std::printf("\n300 beads x 10000 frames linked and written in %.2f s (goal: under 2 s): %s\n\n",
              goal_time, goal_time < 2.0 ? "met" : "NOT met");

  // Refits: the cost per fit is the processor time between two runs that
  // differ mostly in how many frames must be refitted (5 % and 30 % of the
  // detections removed), divided by the difference in fits made, so that
  // reading, linking and writing cancel out.
  const std::string image = dir + "/linking_fit.img", truth = dir + "/linking_fit_truth.txt",
                    loc = dir + "/linking_fit_loc.txt", dropped = dir + "/linking_fit_dropped.txt",
                    out = dir + "/linking_fit_trk.txt";
  if (Run({ProgramPath("beadsim"), "--size", "256x256", "--frames", "300", "--beads", "120",
           image, truth}).status != 0)
    return std::fprintf(stderr, "cannot make the series for the refits\n"), 1;
  const RunResult localized =
      Run({ProgramPath("ORBILocalization"), image, loc, "-doGaussianMultiKernelModelFitting",
           "-psfSigma", "1.3000", "-photonConversionFactor", "0.50000", "-numericalAperture",
           "1.00000", "-alphaLocalMax", "0.0010", "-numThreads", "1"});
  if (localized.status != 0) return std::fprintf(stderr, "cannot localize the series\n"), 1;
  const long localizations = static_cast<long>(ReadEvents(loc).size());
  double cpu[2] = {1e9, 1e9};
  long fits[2] = {0, 0};
  const double fractions[2] = {0.05, 0.30};
  for (int k = 0; k < 2; ++k) {
    DropDetections(loc, dropped, fractions[k], 11);
    for (int r = 0; r < 3; ++r) {
      const RunResult run = Run(RefinementArgs(dropped, out));
      if (run.status != 0) return std::fprintf(stderr, "the refinement program failed\n"), 1;
      cpu[k] = std::min(cpu[k], run.cpu);
      fits[k] = FitsMade(run.out);
    }
  }
  const double refit_rate = (fits[1] - fits[0]) / std::max(cpu[1] - cpu[0], 1e-6);
  const double localizer_rate = localizations / std::max(localized.cpu, 1e-6);
  const double engine_rate = EngineFitsPerSecond();
  std::printf("Refits (beadsim, 120 beads, 300 frames; 5 %% and 30 %% of detections removed)\n\n");
  std::printf("%12s %12s %18s %22s %16s\n", "fits 5 %", "fits 30 %", "refits per cpu s",
              "ORBILocalization loc/s", "engine fits/s");
  std::printf("%12ld %12ld %18.0f %22.0f %16.0f\n", fits[0], fits[1], refit_rate, localizer_rate,
              engine_rate);
  std::printf("\nrefits per cpu s: fits made by the refinement program per second of processor time,\n"
              "patch reading and the significance test included. ORBILocalization loc/s: its\n"
              "localizations per second of processor time on the same series (one thread),\n"
              "detection included. engine fits/s: bare single fits on 7 x 7 regions at a fixed\n"
              "sigma. Goal: refits at least as fast as the localization program localizes: %s\n",
              refit_rate >= localizer_rate ? "met" : "NOT met");
  for (const std::string& f : {image, truth, loc, dropped, out}) std::remove(f.c_str());
  return 0;
}
