// Every track of a track file with what its events carry, frame by frame:
// position, reported precision and photons. The stage-motion analysis and
// its per-bead table work from this; the selection of the kept tracks is the
// estimation's own (complete tracks, the outlier rule of outliers.h), so the
// two always keep the same tracks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace analysis {

struct BeadTrack {
  int number = 0;  // 1-based track number
  // Per frame, from the frame's last event (NaN where the frame has none).
  std::vector<double> x, y;                    // nm
  std::vector<double> precision_x, precision_y; // nm
  std::vector<double> photons;
  std::vector<uint8_t> seen;  // 1 where the frame has an event
  int events = 0;             // events read (two in one frame count twice)
  int frames_seen = 0;        // frames with an event
  bool complete = false;      // exactly one event in every frame
  int x_outlier_frames = 0, y_outlier_frames = 0;  // complete tracks only
  bool kept = false;
};

struct BeadSeries {
  int frames = 0;
  std::vector<BeadTrack> tracks;  // tracks 1 .. min(N_TRACKS, 300) with events, ascending
};

// Reads the file and selects the kept tracks. False with a reason when the
// header gives no usable time range or the file no event.
bool ReadBeadSeries(const char* path, BeadSeries* series, std::string* error);

}  // namespace analysis
