// A localization file as ORBILocalization writes it, for a simulated field
// of fixed beads on a vibrating stage: written straight from the scene
// (no pixels), so that the linking of long series can be timed without
// simulating and localizing their images first.
#pragma once

#include <cstdint>
#include <string>

namespace linking_bench {

struct SyntheticOptions {
  int beads = 300;             // fixed beads
  int loose = 3;               // beads on their own random walk (30 nm per axis and frame)
  int frames = 10000;          // time points
  int size = 512;              // frame side, pixels
  double pixel_um = 0.1;       // pixel size
  double stage_jump_nm = 500;  // stage alternates +-half of this per axis, plus jitter
  double jitter_nm = 30;       // random stage motion per axis and frame, rms
  double noise_nm = 8;         // localization noise per axis, rms
  double missing = 0.01;       // fraction of detections missing at random
  double false_per_frame = 3;  // spurious detections per frame (mean)
  uint64_t seed = 1;
};

// Writes the file; returns the number of event lines, or -1 on failure.
long WriteSyntheticLocalizations(const std::string& path, const SyntheticOptions& options);

}  // namespace linking_bench
