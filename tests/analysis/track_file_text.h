// Builds the text of track files for the tests: a header of key lines, the
// "##" line, and 10-field event lines with positions written so that they
// read back exactly.
#pragma once

#include <string>
#include <vector>

namespace analysis_test {

// One track with its positions per frame (nm when the file says UNITS nm).
struct TrackPositions {
  int number;              // 1-based track number written in column 9
  std::vector<double> x;   // X position per frame
  std::vector<double> y;   // Y position per frame
  std::vector<int> frame;  // frame of each event; empty: event i is in frame i
};

// A header for frames 0 .. frames-1 of a 64 x 64 region in nanometres.
std::string NanometreHeader(int tracks, int frames, long long events);

// One 10-field event line: frame, photons, y, y precision, x, x precision,
// background, width, track number, quality.
std::string EventLine(int frame, double x, double y, int track);

// A complete file: header with N_EVENTS, "##", then every track's events
// frame by frame.
std::string TrackFileText(int announced_tracks, int frames, const std::vector<TrackPositions>& tracks);

}  // namespace analysis_test
