// Building the kept-track records that an estimation hands to its caller.
// They are plain malloc'd C arrays because they cross the library's C
// interface and are released with FreeFiducialTracks.
#pragma once

#include <analysis.h>

#include <memory>

namespace analysis {

// Owns an array of kept tracks until it is released to the caller.
class FiducialTrackArray {
 public:
  FiducialTrackArray() = default;
  ~FiducialTrackArray() { FreeFiducialTracks(tracks_, count_); }
  FiducialTrackArray(const FiducialTrackArray&) = delete;
  FiducialTrackArray& operator=(const FiducialTrackArray&) = delete;

  // Allocates `count` records with `frames`-entry arrays; frames[] is filled
  // with 0, 1, 2, ... and the track indices with -1. False when memory is
  // short (nothing is kept).
  bool Allocate(int count, int frames);

  FiducialTrack& operator[](int i) { return tracks_[i]; }
  int count() const { return count_; }
  // Hands the array to the caller.
  FiducialTrack* Release() {
    FiducialTrack* tracks = tracks_;
    tracks_ = nullptr;
    count_ = 0;
    return tracks;
  }

 private:
  FiducialTrack* tracks_ = nullptr;  // malloc'd records, count_ of them
  int count_ = 0;                    // records allocated
};

}  // namespace analysis
