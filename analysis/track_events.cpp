// ReadTrackEvents: the event lines of a track file as TrackEvent records with
// positions in nanometres.
//
// Two passes over the file:
//   header pass  lines up to the "##" line: N_EVENTS, PIXEL_SIZE_X/Y and
//                UNITS; event lines met here add to the count.
//   data pass    from where the header pass stopped, every event line with
//                at least 7 converted fields fills the next record, until
//                the counted number of records is stored.
// Without an N_EVENTS line the count is every line of more than 10
// characters in the whole file (header lines included, so the array may
// have more slots than events), and the data pass starts again at the
// beginning of the file, skipping the header as comments. With N_EVENTS but
// no "##" line the header pass ends at the end of the file and nothing is
// stored.
//
// The array is allocated once for the counted number of records and never
// grows; it is shrunk to the stored number at the end.
#include <analysis.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "line_reader.h"
#include "number_scan.h"
#include "track_lines.h"

namespace analysis {
namespace {

// What the header pass learns.
struct EventHeader {
  long long count = 0;        // records to allocate
  bool count_given = false;   // an N_EVENTS line was read
  double pixel_size_x = 1.0;  // micrometres; 1.0 when the header gives none
  double pixel_size_y = 1.0;  // micrometres
  bool nanometres = false;    // a UNITS line named nanometres
};

void ApplyEventHeaderLine(EventHeader& header, const char* line) {
  if (const char* value = AfterKey(line, "N_EVENTS")) {
    header.count = ParseHeaderInt(value);
    header.count_given = true;
  } else if (const char* value = AfterKey(line, "PIXEL_SIZE_X")) {
    header.pixel_size_x = ParseHeaderReal(value);
  } else if (const char* value = AfterKey(line, "PIXEL_SIZE_Y")) {
    header.pixel_size_y = ParseHeaderReal(value);
  } else if (const char* value = AfterKey(line, "UNITS")) {
    if (std::strstr(value, "nm") || std::strstr(value, "nanometers")) header.nanometres = true;
  }
}

// Column 9 is a real; a value that is no int (NaN, out of range) names no track.
int32_t TrackNumberOf(double column9) {
  if (!(column9 > static_cast<double>(INT_MIN) - 1.0 && column9 < static_cast<double>(INT_MAX) + 1.0))
    return -1;
  return static_cast<int32_t>(column9);
}

// Fills one record from the converted fields of an event line.
void FillEvent(TrackEvent& event, int fields, int frame, const double* c, double x_scale,
               double y_scale) {
  // c[i] holds column i + 2.
  std::memset(&event, 0, sizeof event);
  event.frame = frame;
  event.value2 = static_cast<float>(c[0]);
  event.y = c[1] * y_scale;
  event.yColumn4 = c[2] * y_scale;
  event.x = c[3] * x_scale;
  event.xColumn6 = c[4] * x_scale;
  event.trackNumber = -1;
  if (fields == 10) {
    event.extra = c[8];
    event.trackNumber = TrackNumberOf(c[7]);
    event.value8 = static_cast<float>(c[6]);
  } else if (fields == 8) {
    event.extra = c[6];
  }
}

}  // namespace
}  // namespace analysis

extern "C" int ReadTrackEvents(const char* path, int* nEvents, TrackEvent** events) {
  using namespace analysis;
  if (!nEvents || !events) return 1;
  *nEvents = 0;
  *events = nullptr;

  LinePieceReader reader;
  if (!reader.Open(path)) return 1;

  EventHeader header;
  while (reader.Next()) {
    const char* line = reader.text();
    if (IsHeaderEnd(line)) break;
    if (IsCommentLine(line))
      ApplyEventHeaderLine(header, line);
    else if (IsEventLine(line, reader.length()))
      ++header.count;
  }
  if (!header.count_given) {
    header.count = 0;
    reader.Rewind();
    while (reader.Next())
      if (reader.length() > kShortLineMax) ++header.count;
    reader.Rewind();
  }
  if (header.count <= 0) return 1;
  if (header.count > INT_MAX) return -1;

  double x_scale = header.nanometres ? 1.0 : 1000.0 * header.pixel_size_x;
  double y_scale = header.nanometres ? 1.0 : 1000.0 * header.pixel_size_y;

  size_t capacity = static_cast<size_t>(header.count);
  auto* records = static_cast<TrackEvent*>(std::malloc(capacity * sizeof(TrackEvent)));
  if (!records) return -1;

  size_t stored = 0;
  int frame = 0;
  double columns[kEventFieldCount - 1];
  while (stored < capacity && reader.Next()) {
    const char* line = reader.text();
    if (!IsEventLine(line, reader.length())) continue;
    int fields = ScanEventFields(line, reader.length(), &frame, columns);
    if (fields < 7) continue;
    FillEvent(records[stored++], fields, frame, columns, x_scale, y_scale);
  }

  if (stored == 0) {
    std::free(records);
    return 1;
  }
  if (stored < capacity) {
    // Give back the slots that header lines or a generous N_EVENTS reserved.
    if (auto* shrunk = static_cast<TrackEvent*>(std::realloc(records, stored * sizeof(TrackEvent))))
      records = shrunk;
  }
  *nEvents = static_cast<int>(stored);
  *events = records;
  return 0;
}
