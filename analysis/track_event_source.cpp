// Header pass and data pass over a track file's event lines
// (see track_event_source.h).
#include "track_event_source.h"

#include <climits>
#include <cstring>

#include "number_scan.h"
#include "track_lines.h"

namespace analysis {
namespace {

// Column 9 is a real; a value that is no int (NaN, out of range) names no track.
int32_t TrackNumberOf(double column9) {
  if (!(column9 > static_cast<double>(INT_MIN) - 1.0 && column9 < static_cast<double>(INT_MAX) + 1.0))
    return -1;
  return static_cast<int32_t>(column9);
}

// Fills one record from the converted fields of an event line; c[i] holds
// column i + 2.
void FillEvent(TrackEvent* event, int fields, int frame, const double* c, double x_scale,
               double y_scale) {
  std::memset(event, 0, sizeof *event);
  event->frame = frame;
  event->value2 = static_cast<float>(c[0]);
  event->y = c[1] * y_scale;
  event->yColumn4 = c[2] * y_scale;
  event->x = c[3] * x_scale;
  event->xColumn6 = c[4] * x_scale;
  event->trackNumber = -1;
  if (fields == 10) {
    event->extra = c[8];
    event->trackNumber = TrackNumberOf(c[7]);
    event->value8 = static_cast<float>(c[6]);
  } else if (fields == 8) {
    event->extra = c[6];
  }
}

}  // namespace

void TrackEventSource::ApplyHeaderLine(const char* line) {
  if (const char* value = AfterKey(line, "N_EVENTS")) {
    record_count_ = ParseHeaderInt(value);
    count_given_ = true;
  } else if (const char* value = AfterKey(line, "PIXEL_SIZE_X")) {
    pixel_size_x_ = ParseHeaderReal(value);
  } else if (const char* value = AfterKey(line, "PIXEL_SIZE_Y")) {
    pixel_size_y_ = ParseHeaderReal(value);
  } else if (const char* value = AfterKey(line, "UNITS")) {
    if (std::strstr(value, "nm") || std::strstr(value, "nanometers")) nanometres_ = true;
  }
}

bool TrackEventSource::Open(const char* path) {
  if (!reader_.Open(path)) return false;
  while (reader_.Next()) {
    const char* line = reader_.text();
    if (IsHeaderEnd(line)) break;
    if (IsCommentLine(line))
      ApplyHeaderLine(line);
    else if (IsEventLine(line, reader_.length()))
      ++record_count_;
  }
  if (!count_given_) {
    record_count_ = 0;
    reader_.Rewind();
    while (reader_.Next())
      if (reader_.length() > kShortLineMax) ++record_count_;
    reader_.Rewind();
  }
  x_scale_ = nanometres_ ? 1.0 : 1000.0 * pixel_size_x_;
  y_scale_ = nanometres_ ? 1.0 : 1000.0 * pixel_size_y_;
  return true;
}

bool TrackEventSource::Next(TrackEvent* event) {
  int frame = 0;
  double columns[kEventFieldCount - 1];
  while (given_ < record_count_ && reader_.Next()) {
    const char* line = reader_.text();
    if (!IsEventLine(line, reader_.length())) continue;
    int fields = ScanEventFields(line, reader_.length(), &frame, columns);
    if (fields < 7) continue;
    FillEvent(event, fields, frame, columns, x_scale_, y_scale_);
    ++given_;
    return true;
  }
  return false;
}

}  // namespace analysis
