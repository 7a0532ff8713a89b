// Allocation and filling of the estimation's position tables
// (see position_tables.h).
#include "position_tables.h"

#include <new>

namespace analysis {

PositionTables::Allocation PositionTables::Allocate(int tracks, int frames) {
  if (tracks < 0 || frames < 0) return Allocation::kNoTables;
  try {
    event_count_.assign(static_cast<size_t>(tracks), 0);
    distinct_frames_.assign(static_cast<size_t>(tracks), 0);
  } catch (const std::bad_alloc&) {
    return Allocation::kNoFrameCounts;
  }
  // calloc checks the product tracks x frames x element size for overflow.
  size_t cells = static_cast<size_t>(tracks) * static_cast<size_t>(frames);
  if (frames > 0 && cells / static_cast<size_t>(frames) != static_cast<size_t>(tracks))
    return Allocation::kNoTables;
  size_t blocks = cells > 0 ? cells : 1;
  x_.reset(static_cast<double*>(std::calloc(blocks, sizeof(double))));
  y_.reset(static_cast<double*>(std::calloc(blocks, sizeof(double))));
  seen_.reset(static_cast<uint8_t*>(std::calloc(blocks, 1)));
  if (!x_ || !y_ || !seen_) {
    x_.reset();
    y_.reset();
    seen_.reset();
    return Allocation::kNoTables;
  }
  tracks_ = tracks;
  frames_ = frames;
  return Allocation::kOk;
}

void PositionTables::Record(int t, int f, double x, double y) {
  size_t cell = Offset(t, f);
  ++event_count_[static_cast<size_t>(t)];
  if (!seen_[cell]) {
    seen_[cell] = 1;
    ++distinct_frames_[static_cast<size_t>(t)];
  }
  x_[cell] = x;
  y_[cell] = y;
}

}  // namespace analysis
