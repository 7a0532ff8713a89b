// Helpers of the linking benchmarks: running the suite's programs as child
// processes with their time taken, reading beadsim's truth, and matching
// events to the beads they came from.
#pragma once

#include <string>
#include <vector>

namespace linking_bench {

// The suite's program directory of the build tree.
std::string ProgramPath(const std::string& name);

struct RunResult {
  int status = -1;      // exit status, -1 when the child did not exit normally
  double wall = 0;      // seconds
  double cpu = 0;       // user + system seconds of the child
  std::string out;      // standard output
};

// Runs a program, capturing its standard output; its standard error is
// discarded.
RunResult Run(const std::vector<std::string>& argv);

// beadsim's truth: every bead's position in every frame.
struct Truth {
  int frames = 0;
  std::vector<std::string> kind;                 // per bead: fixed, pair, edge, loose
  std::vector<std::vector<double>> x, y, photons;  // [bead][frame]

  // The bead within one pixel of (x, y) in a frame, nearest first; -1 if none.
  int BeadAt(int frame, double px, double py) const;
};

bool ReadTruth(const std::string& path, Truth* truth);

// One event line of a localization or track file.
struct EventLine {
  int frame;
  double x, y;  // pixels
  int track;
};

std::vector<EventLine> ReadEvents(const std::string& path);

// Copies a localization file leaving out a random fraction of its event
// lines; returns how many were left out.
long DropDetections(const std::string& from, const std::string& to, double fraction,
                    unsigned seed);

// Copies a localization file with its IMAGE line pointing nowhere, so that
// the refinement program links without going back to the pixels.
bool HideImage(const std::string& from, const std::string& to);

double Seconds();  // monotonic clock

}  // namespace linking_bench
