// The frames that stand for the whole series where something is measured
// once per run (the camera offset, the PSF width): up to eight, spread
// evenly from the first.
#pragma once

#include <algorithm>
#include <vector>

namespace orbi {

inline std::vector<int> SampleFrames(int frames) {
  const int samples = std::min(frames, 8);
  std::vector<int> chosen;
  for (int k = 0; k < samples; ++k)
    chosen.push_back(static_cast<int>(static_cast<long long>(k) * frames / samples));
  return chosen;
}

}  // namespace orbi
