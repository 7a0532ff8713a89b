// ReadTrackEvents: the event lines of a track file collected into one array
// of TrackEvent records, positions in nanometres (the passes over the file
// are in track_event_source.h).
//
// The array is allocated once for the counted number of records and never
// grows; it is shrunk to the number stored at the end. An N_EVENTS larger
// than the file could hold does not inflate it: no more records are
// allocated than the file has lines of more than 10 bytes.
#include <analysis.h>

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "track_event_source.h"

extern "C" int ReadTrackEvents(const char* path, int* nEvents, TrackEvent** events) {
  if (!nEvents || !events) return 1;
  *nEvents = 0;
  *events = nullptr;

  analysis::TrackEventSource source;
  if (!source.Open(path)) return 1;
  long long count = std::min(source.record_count(), source.records_possible());
  if (count <= 0) return 1;
  if (count > INT_MAX) return -1;

  size_t capacity = static_cast<size_t>(count);
  auto* records = static_cast<TrackEvent*>(std::malloc(capacity * sizeof(TrackEvent)));
  if (!records) return -1;
  size_t stored = 0;
  while (stored < capacity && source.Next(&records[stored])) ++stored;

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
