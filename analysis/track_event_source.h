// The event lines of a track file, one record at a time.
//
// Two passes over the file:
//   header pass  (Open) lines up to the "##" line: N_EVENTS, PIXEL_SIZE_X/Y
//                and UNITS; event lines met here add to the record count.
//   data pass    (Next) from where the header pass stopped, every event
//                line with at least 7 converted fields gives the next
//                record, until record_count() records were given.
// Without an N_EVENTS line the record count is every line of more than 10
// characters in the whole file (header lines included, so the count may
// exceed the events), and the data pass starts again at the beginning of
// the file, skipping the header as comments. With N_EVENTS but no "##" line
// the header pass ends at the end of the file and no record follows.
//
// ReadTrackEvents collects the records into an array; the estimation takes
// them straight into its tables, so that a file of millions of events never
// exists twice in memory.
//
// States: closed --Open ok--> counted --Next...--> exhausted
#pragma once

#include <analysis.h>

#include "line_reader.h"
#include "track_lines.h"

namespace analysis {

class TrackEventSource {
 public:
  // Opens the file and runs the header pass. False for an empty path or a
  // file that cannot be opened.
  bool Open(const char* path);
  // Records the data pass can give at most (may be 0 or negative when
  // N_EVENTS says so; no record is given then).
  long long record_count() const { return record_count_; }
  // Upper bound of the records the file can give whatever its header says:
  // every record comes from a line piece of more than 10 bytes.
  long long records_possible() const { return reader_.file_size() / (kShortLineMax + 1) + 1; }
  // The next record; false when record_count() records were given or the
  // file ended.
  bool Next(TrackEvent* event);

 private:
  void ApplyHeaderLine(const char* line);

  LinePieceReader reader_;
  long long record_count_ = 0;  // records to give, from N_EVENTS or the line count
  long long given_ = 0;         // records given so far
  bool count_given_ = false;    // an N_EVENTS line was read
  double pixel_size_x_ = 1.0;   // micrometres; 1.0 when the header gives none
  double pixel_size_y_ = 1.0;   // micrometres
  bool nanometres_ = false;     // a UNITS line named nanometres
  double x_scale_ = 1.0;        // nm per X unit of the file
  double y_scale_ = 1.0;        // nm per Y unit of the file
};

}  // namespace analysis
