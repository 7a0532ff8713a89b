// Track file texts for the tests (see track_file_text.h).
#include "track_file_text.h"

#include <cstdio>

namespace analysis_test {

std::string NanometreHeader(int tracks, int frames, long long events) {
  char text[512];
  std::snprintf(text, sizeof text,
                "# IMAGE beads.img\n"
                "# REGION_X_START 0\n# REGION_X_END 63\n"
                "# REGION_Y_START 0\n# REGION_Y_END 63\n"
                "# REGION_T_START 0\n# REGION_T_END %d\n# REGION_T_INCREMENT 1\n"
                "# PIXEL_SIZE_X 0.1\n# PIXEL_SIZE_Y 0.1\n"
                "# UNITS nm\n# N_EVENTS %lld\n# N_TRACKS %d\n"
                "## frame photons y yprec x xprec bkg width track quality\n",
                frames - 1, events, tracks);
  return text;
}

std::string EventLine(int frame, double x, double y, int track) {
  char text[256];
  std::snprintf(text, sizeof text, "%d 1500.5 %.17g 4.5 %.17g 4.25 10.0 1.3 %d.0 0.97\n", frame, y, x,
                track);
  return text;
}

std::string TrackFileText(int announced_tracks, int frames, const std::vector<TrackPositions>& tracks) {
  long long events = 0;
  for (const TrackPositions& t : tracks) events += static_cast<long long>(t.x.size());
  std::string text = NanometreHeader(announced_tracks, frames, events);
  for (const TrackPositions& t : tracks)
    for (size_t i = 0; i < t.x.size(); ++i)
      text += EventLine(t.frame.empty() ? static_cast<int>(i) : t.frame[i], t.x[i], t.y[i], t.number);
  return text;
}

}  // namespace analysis_test
