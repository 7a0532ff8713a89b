// Allocation and release of kept-track records (see fiducial_tracks.h).
#include "fiducial_tracks.h"

#include <cstdlib>

extern "C" void FreeFiducialTracks(FiducialTrack* tracks, int count) {
  if (!tracks) return;
  for (int i = 0; i < count; ++i) {
    std::free(tracks[i].frames);
    std::free(tracks[i].dX);
    std::free(tracks[i].dY);
  }
  std::free(tracks);
}

namespace analysis {

bool FiducialTrackArray::Allocate(int count, int frames) {
  FreeFiducialTracks(tracks_, count_);
  tracks_ = static_cast<FiducialTrack*>(std::calloc(static_cast<size_t>(count), sizeof(FiducialTrack)));
  count_ = tracks_ ? count : 0;
  if (!tracks_) return false;
  size_t n = static_cast<size_t>(frames);
  for (int i = 0; i < count; ++i) {
    FiducialTrack& track = tracks_[i];
    track.trackIndex = -1;
    track.nFrames = frames;
    track.frames = static_cast<int32_t*>(std::malloc(n * sizeof(int32_t)));
    track.dX = static_cast<double*>(std::malloc(n * sizeof(double)));
    track.dY = static_cast<double*>(std::malloc(n * sizeof(double)));
    if (!track.frames || !track.dX || !track.dY) {
      FreeFiducialTracks(Release(), count);
      return false;
    }
    for (int f = 0; f < frames; ++f) track.frames[f] = f;
  }
  return true;
}

}  // namespace analysis
