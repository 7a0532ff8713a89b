// The working tables of one estimation: per track and frame the X and Y
// position (later the displacement), whether an event was seen, and per
// track the number of events and of distinct frames that went into its row.
//
// Storage: two tracks x frames tables of doubles and one of bytes, each a
// single zero-filled heap block (at 300 tracks x 10000 frames, 24 MB per
// double table). calloc leaves untouched pages unmapped, so a long series
// with few complete tracks costs only the rows that are written. No table is
// copied; the displacements overwrite the positions of the complete tracks
// in place.
//
// Invariants:
//  (1) distinct_frames[t] <= event_count[t] and distinct_frames[t] <= frames.
//  (2) seen(t, f) is 1 exactly for the frames counted in distinct_frames[t];
//      x(t, f) and y(t, f) were written for exactly those frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

namespace analysis {

class PositionTables {
 public:
  enum class Allocation { kOk, kNoFrameCounts, kNoTables };
  // Allocates the per-track counts, then the tables; says which one failed.
  Allocation Allocate(int tracks, int frames);

  int tracks() const { return tracks_; }
  int frames() const { return frames_; }

  // Records an event of track t (0-based) in frame f; the last event of a
  // frame gives its position.
  void Record(int t, int f, double x, double y);

  // True when the track has exactly one event in every frame.
  bool IsComplete(int t) const {
    return event_count_[static_cast<size_t>(t)] == frames_ &&
           distinct_frames_[static_cast<size_t>(t)] == frames_;
  }

  // Row t of the X or Y table, frames() entries.
  double* XRow(int t) { return x_.get() + Offset(t, 0); }
  double* YRow(int t) { return y_.get() + Offset(t, 0); }

 private:
  struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
  };
  size_t Offset(int t, int f) const {
    return static_cast<size_t>(t) * static_cast<size_t>(frames_) + static_cast<size_t>(f);
  }

  int tracks_ = 0;                                 // rows: tracks taking part (<= 300)
  int frames_ = 0;                                 // columns: frames of the series
  std::unique_ptr<double[], FreeDeleter> x_;       // X positions, nm, row-major
  std::unique_ptr<double[], FreeDeleter> y_;       // Y positions, nm, row-major
  std::unique_ptr<uint8_t[], FreeDeleter> seen_;   // 1 where an event was recorded
  std::vector<int> event_count_;                   // events recorded per track
  std::vector<int> distinct_frames_;               // frames with an event, per track
};

}  // namespace analysis
