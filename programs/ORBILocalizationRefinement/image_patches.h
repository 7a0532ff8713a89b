// The pixels of the localized image for the refinement fits: patches of
// time points of Z section 0 and wavelength 0, read through the image file
// library and converted to photons the way the localization program did
// (counts x photon conversion factor - camera offset, both from the
// localization file).
#pragma once

#include <string>

#include "linking.h"

namespace refinement {

class ImagePatches {
 public:
  ImagePatches() = default;
  ~ImagePatches();
  ImagePatches(const ImagePatches&) = delete;
  ImagePatches& operator=(const ImagePatches&) = delete;

  // Opens the image and checks it against the series; "" or the reason the
  // image cannot serve the refinement.
  std::string Open(const std::string& path, const LinkingSeries& series, int frames);

  // LinkingPatchReader over an open ImagePatches (context).
  static int Read(void* context, int frame, int x0, int y0, int width, int height,
                  float* photons, char* message, size_t message_size);

 private:
  int stream_ = 0;         // image library stream, 0 when closed
  double gain_ = 1;        // photons per count
  double offset_ = 0;      // photons subtracted after conversion
};

}  // namespace refinement
