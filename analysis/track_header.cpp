// ReadTrackHeader: the region, time range, pixel sizes and counts of a track
// file header.
//
// Each header line yields at most one key: the keys are tested in the order
// of kHeaderKeys and the first one the line contains (anywhere in the line)
// is taken. Region ends turn into sizes with the start read so far, so the
// order of the START and END lines matters: an END before its START is
// measured from 0.
#include <analysis.h>

#include "line_reader.h"
#include "number_scan.h"
#include "track_lines.h"

namespace analysis {
namespace {

// Everything a header can give, with the defaults used when it does not.
struct HeaderValues {
  int pixels_x = -1;        // N_PIXELS_X: image width, pixels
  int pixels_y = -1;        // N_PIXELS_Y: image height, pixels
  int x_start = 0;          // REGION_X_START: first X pixel of the region
  int y_start = 0;          // REGION_Y_START: first Y pixel
  int width = -1;           // from REGION_X_END: last X - X start so far + 1
  int height = -1;          // from REGION_Y_END
  int t_start = -1;         // REGION_T_START: first frame
  int t_end = -1;           // REGION_T_END: last frame
  int t_increment = -1;     // REGION_T_INCREMENT: frame step
  double pixel_size_x = 0;  // PIXEL_SIZE_X: micrometres
  double pixel_size_y = 0;  // PIXEL_SIZE_Y: micrometres
  int events = 0;           // N_EVENTS: number of event lines
  int tracks = 0;           // N_TRACKS: tracks are numbered 1 .. tracks
};

using KeyAction = void (*)(HeaderValues&, const char* value);

struct HeaderKey {
  const char* key;    // text searched for in the line
  KeyAction action;   // stores the value that follows the key
};

const HeaderKey kHeaderKeys[] = {
    {"N_PIXELS_X", [](HeaderValues& h, const char* v) { h.pixels_x = ParseHeaderInt(v); }},
    {"N_PIXELS_Y", [](HeaderValues& h, const char* v) { h.pixels_y = ParseHeaderInt(v); }},
    {"REGION_X_START", [](HeaderValues& h, const char* v) { h.x_start = ParseHeaderInt(v); }},
    {"REGION_X_END",
     [](HeaderValues& h, const char* v) {
       h.width = static_cast<int>(static_cast<long long>(ParseHeaderInt(v)) - h.x_start + 1);
     }},
    {"REGION_Y_START", [](HeaderValues& h, const char* v) { h.y_start = ParseHeaderInt(v); }},
    {"REGION_Y_END",
     [](HeaderValues& h, const char* v) {
       h.height = static_cast<int>(static_cast<long long>(ParseHeaderInt(v)) - h.y_start + 1);
     }},
    {"REGION_T_START", [](HeaderValues& h, const char* v) { h.t_start = ParseHeaderInt(v); }},
    {"REGION_T_END", [](HeaderValues& h, const char* v) { h.t_end = ParseHeaderInt(v); }},
    {"REGION_T_INCREMENT", [](HeaderValues& h, const char* v) { h.t_increment = ParseHeaderInt(v); }},
    {"PIXEL_SIZE_X", [](HeaderValues& h, const char* v) { h.pixel_size_x = ParseHeaderReal(v); }},
    {"PIXEL_SIZE_Y", [](HeaderValues& h, const char* v) { h.pixel_size_y = ParseHeaderReal(v); }},
    {"N_EVENTS", [](HeaderValues& h, const char* v) { h.events = ParseHeaderInt(v); }},
    {"N_TRACKS", [](HeaderValues& h, const char* v) { h.tracks = ParseHeaderInt(v); }},
};

void ApplyHeaderLine(HeaderValues& header, const char* line) {
  for (const HeaderKey& key : kHeaderKeys) {
    if (const char* value = AfterKey(line, key.key)) {
      key.action(header, value);
      return;
    }
  }
}

template <typename T>
void Put(T* out, T value) {
  if (out) *out = value;
}

}  // namespace
}  // namespace analysis

extern "C" int ReadTrackHeader(const char* path, int* xStart, int* yStart, int* width, int* height,
                               int* tStart, int* tEnd, int* tIncrement, double* pixelSizeX,
                               double* pixelSizeY, int* nEvents, int* nTracks) {
  using namespace analysis;
  HeaderValues header;
  LinePieceReader reader;
  int result = 0;
  if (!reader.Open(path)) {
    Put(nEvents, 0);
    Put(nTracks, 0);
    Put(pixelSizeX, 0.0);
    Put(pixelSizeY, 0.0);
    return result;
  }
  while (reader.Next()) {
    const char* line = reader.text();
    if (IsHeaderEnd(line)) break;
    if (IsCommentLine(line)) ApplyHeaderLine(header, line);
  }

  if (header.width > 0 && header.height > 0) {
    Put(xStart, header.x_start);
    Put(yStart, header.y_start);
    Put(width, header.width);
    Put(height, header.height);
    result = 1;
  } else if (header.pixels_x > 0 && header.pixels_y > 0) {
    Put(xStart, 0);
    Put(yStart, 0);
    Put(width, header.pixels_x);
    Put(height, header.pixels_y);
  }
  if (header.t_start >= 0 && header.t_end >= 0 && header.t_increment >= 0) {
    Put(tStart, header.t_start);
    Put(tEnd, header.t_end);
    Put(tIncrement, header.t_increment);
  }
  Put(pixelSizeX, header.pixel_size_x);
  Put(pixelSizeY, header.pixel_size_y);
  Put(nEvents, header.events);
  Put(nTracks, header.tracks);
  return result;
}
