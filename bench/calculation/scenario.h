// scenario.h - what the calculation benchmarks share: simulating a bead
// series with beadsim, reading its ground truth, and running the
// calculation's own stages on it without a window.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

// One simulated series: beadsim's options and where its files go.
struct Scenario {
  std::string name;                 // row label
  std::vector<std::string> options; // beadsim options
};

// Ground truth of a series, positions in nanometres.
struct Truth {
  int frames = 0;
  double pixel_nm_x = 100, pixel_nm_y = 100;
  std::vector<double> stage_x, stage_y;  // per frame
  // Per bead: positions per frame and whether it moves with the stage.
  struct Bead {
    std::vector<double> x, y;
    bool fixed = true;
  };
  std::map<int, Bead> beads;
};

// The suite's program `name` (bin/x86_64 under PA_BASE).
std::string SuiteProgram(const char* name);
// Runs a program to its end with output discarded; its exit status.
int RunQuietly(const std::vector<std::string>& argv);
// Writes the series of `s` to image/truth; false when beadsim fails.
bool Simulate(const Scenario& s, const std::string& image, const std::string& truth);
bool ReadTruth(const std::string& path, Truth* truth);

// The bead of the truth nearest to (x, y) nm in frame 0, or -1.
int NearestBead(const Truth& truth, double x_nm, double y_nm);

// Keeps the table of a benchmark on the original standard output (the
// returned stream) and sends the standard output of the stages and their
// programs, which print command lines and progress, to /dev/null.
FILE* DivertStandardOutput();

// The reported statistic: |m + 2 sd| + |m - 2 sd| of the pooled values.
double BandWidth(double mean, double sd);

}  // namespace bench
