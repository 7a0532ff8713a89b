// linking_accuracy_bench [dir]: the refinement program on beadsim series of
// 20 to 300 beads whose stage jumps 500 nm between frames (a 50 Hz motion
// sampled at its peaks, plus 30 nm jitter), with 3 loose beads, localized by
// ORBILocalization and with 1 % of the detections taken away at random.
// Prints, per series, the links judged against the truth, the gaps up to
// the time window that were closed (linking alone), and the beads present
// in every frame that end up in one whole track, with and without going
// back to the pixels.
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bench_support.h"

using namespace linking_bench;

namespace {

constexpr int kTimeWindow = 3;

std::vector<std::string> RefinementArgs(const std::string& in, const std::string& out) {
  return {ProgramPath("ORBILocalizationRefinement"), in, out, "-maxStd", "100.0000",
          "-searchRadius", "100.0000", "-gapPenalty", "1.5000", "-timeWindow", "3"};
}

struct Judgement {
  long links = 0, wrong = 0, noise = 0;   // links; joining different beads; between two non-beads
  long gaps = 0, closed = 0;              // gaps of 1 .. time window missing frames
  int eligible = 0, whole = 0;            // beads in every frame; in one whole track
};

Judgement Judge(const Truth& truth, const std::vector<EventLine>& events) {
  Judgement j;
  std::vector<int> bead(events.size());
  std::map<int, std::vector<std::pair<int, int>>> track_members;  // track -> (frame, bead)
  std::map<int, std::set<int>> bead_tracks;
  std::map<int, std::map<int, int>> bead_frame_track;             // bead -> frame -> track
  for (size_t k = 0; k < events.size(); ++k) {
    const EventLine& e = events[k];
    bead[k] = truth.BeadAt(e.frame, e.x, e.y);
    if (e.track > 0) track_members[e.track].emplace_back(e.frame, bead[k]);
    if (bead[k] >= 0) {
      bead_tracks[bead[k]].insert(e.track);
      bead_frame_track[bead[k]][e.frame] = e.track;
    }
  }
  std::map<int, int> track_length;
  for (auto& [track, list] : track_members) {
    std::sort(list.begin(), list.end());
    track_length[track] = static_cast<int>(list.size());
    for (size_t k = 1; k < list.size(); ++k) {
      ++j.links;
      if (list[k].second < 0 && list[k - 1].second < 0)
        ++j.noise;
      else if (list[k].second != list[k - 1].second)
        ++j.wrong;
    }
  }
  for (size_t b = 0; b < truth.x.size(); ++b) {
    if (truth.kind[b] == "loose") continue;
    const std::map<int, int>& frames = bead_frame_track[static_cast<int>(b)];
    int previous = -1, previous_track = 0;
    for (const auto& [frame, track] : frames) {
      const int missing = frame - previous - 1;
      if (previous >= 0 && missing >= 1 && missing <= kTimeWindow) {
        ++j.gaps;
        j.closed += track != 0 && track == previous_track;
      }
      previous = frame;
      previous_track = track;
    }
    bool always = true;
    for (int t = 0; t < truth.frames; ++t) always = always && truth.photons[b][t] > 0;
    if (!always) continue;
    ++j.eligible;
    const std::set<int>& tracks = bead_tracks[static_cast<int>(b)];
    if (tracks.size() == 1 && *tracks.begin() > 0 && track_length[*tracks.begin()] == truth.frames)
      ++j.whole;
  }
  return j;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : "/tmp";
  const int frames = 200;
  std::printf("Track linking against the truth: beadsim series, %d frames, stage jumps of 500 nm\n"
              "between frames (+30 nm jitter), 3 loose beads, 1 %% of detections removed;\n"
              "maxStd 100 nm, searchRadius 100 nm, gapPenalty 1.5, timeWindow %d.\n\n",
              frames, kTimeWindow);
  std::printf("%6s %7s %8s %7s %8s %7s | %9s | %8s %13s %13s | %7s\n", "beads", "events", "links",
              "wrong", "correct", "noise", "gaps<=W", "eligible", "whole linked", "whole refit",
              "time s");
  struct Series {
    int beads, size;
  };
  bool goals = true;
  for (const Series& series : {Series{20, 128}, Series{100, 256}, Series{300, 512}}) {
    const std::string base = dir + "/linking_bench_" + std::to_string(series.beads);
    const std::string image = base + ".img", truth_path = base + "_truth.txt",
                      loc = base + "_loc.txt", dropped = base + "_dropped.txt",
                      hidden = base + "_hidden.txt", plain = base + "_plain.txt",
                      refined = base + "_refined.txt";
    const std::string size = std::to_string(series.size) + "x" + std::to_string(series.size);
    RunResult r = Run({ProgramPath("beadsim"), "--size", size, "--frames", std::to_string(frames),
                       "--beads", std::to_string(series.beads), "--loose", "3", "--vibration",
                       "50,250,250,1.5708", "--jitter", "30", "--seed",
                       std::to_string(series.beads), image, truth_path});
    if (r.status != 0) return std::fprintf(stderr, "beadsim failed\n"), 1;
    r = Run({ProgramPath("ORBILocalization"), image, loc, "-doGaussianMultiKernelModelFitting",
             "-dnmf", "-psfSigma", "1.3000", "-photonConversionFactor", "0.50000",
             "-overlapThreshold", "0.1500", "-numericalAperture", "1.00000", "-alphaLocalMax",
             "0.0010", "-numThreads", "2"});
    if (r.status != 0) return std::fprintf(stderr, "ORBILocalization failed\n"), 1;
    DropDetections(loc, dropped, 0.01, static_cast<unsigned>(series.beads));
    HideImage(dropped, hidden);
    if (Run(RefinementArgs(hidden, plain)).status != 0) return std::fprintf(stderr, "linking failed\n"), 1;
    const RunResult timed = Run(RefinementArgs(dropped, refined));
    if (timed.status != 0) return std::fprintf(stderr, "refinement failed\n"), 1;
    Truth truth;
    if (!ReadTruth(truth_path, &truth)) return std::fprintf(stderr, "cannot read the truth\n"), 1;
    const std::vector<EventLine> plain_events = ReadEvents(plain);
    const Judgement p = Judge(truth, plain_events);
    const Judgement f = Judge(truth, ReadEvents(refined));
    const double correct = f.links ? 100.0 * (f.links - f.wrong) / f.links : 100.0;
    char gaps[32], linked[32], refit[32];
    std::snprintf(gaps, sizeof gaps, "%ld/%ld", p.closed, p.gaps);
    std::snprintf(linked, sizeof linked, "%d (%.1f%%)", p.whole, 100.0 * p.whole / std::max(1, p.eligible));
    std::snprintf(refit, sizeof refit, "%d (%.1f%%)", f.whole, 100.0 * f.whole / std::max(1, f.eligible));
    std::printf("%6d %7zu %8ld %7ld %7.3f%% %7ld | %9s | %8d %13s %13s | %7.2f\n", series.beads,
                plain_events.size(), f.links, f.wrong, correct, f.noise, gaps, f.eligible, linked,
                refit, timed.wall);
    goals = goals && correct >= 99.9 && p.closed == p.gaps && f.whole >= 0.99 * f.eligible;
    for (const std::string& file : {image, truth_path, loc, dropped, hidden, plain, refined})
      std::remove(file.c_str());
  }
  std::printf("\ncorrect: links whose two events come from the same bead (noise: links between two\n"
              "events of no bead, not counted as wrong). gaps<=W: gaps of 1 to %d missing frames\n"
              "closed by linking alone. whole: beads shining in every frame whose events form one\n"
              "track covering every frame, by linking alone and with the missed frames refitted.\n"
              "Goals: correct >= 99.9 %%, every gap closed, whole (refit) >= 99 %%: %s\n",
              kTimeWindow, goals ? "met" : "NOT met");
  return 0;
}
