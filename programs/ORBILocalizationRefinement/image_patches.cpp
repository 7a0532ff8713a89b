// Patches of the image through the image file library (see image_patches.h).
#include "image_patches.h"

#include <cstdio>

#include "imlib.h"

namespace refinement {

ImagePatches::~ImagePatches() {
  if (stream_ > 0) IMClose(stream_);
}

std::string ImagePatches::Open(const std::string& path, const LinkingSeries& series, int frames) {
  if (path.empty()) return "the localization file names no image";
  const int check = IMCheckImageFile(path.c_str());
  if (check != 0) return "cannot open image " + path + ": " + IMRtErrorText(check);
  int stream = 0;
  if (IMOpen2(&stream, path.c_str(), "ro") != 0) return "cannot open image " + path;
  stream_ = stream;
  int nx = 0, ny = 0, nz = 0, nw = 0, nt = 0, np = 0, sequence = 0;
  if (IMRtXY(stream_, &nx, &ny) != 0 || IMRtZWTP(stream_, &nz, &nw, &nt, &np, &sequence) != 0)
    return "image " + path + " has an unusable header";
  if (nx != series.nx || ny != series.ny || nt < frames)
    return "image " + path + " (" + std::to_string(nx) + " x " + std::to_string(ny) + " x " +
           std::to_string(nt) + ") does not match the localizations (" +
           std::to_string(series.nx) + " x " + std::to_string(series.ny) + " x " +
           std::to_string(frames) + ")";
  gain_ = series.photon_conversion > 0 ? series.photon_conversion : 1.0;
  offset_ = series.camera_offset;
  return "";
}

int ImagePatches::Read(void* context, int frame, int x0, int y0, int width, int height,
                       float* photons, char* message, size_t message_size) {
  auto* self = static_cast<ImagePatches*>(context);
  int section = 0;
  int rc = IMRtSecNum2(self->stream_, 0, 0, frame, 0, &section);
  if (rc == 0) rc = IMPosn(self->stream_, section, y0);
  // One float per pixel whatever the stored type.
  if (rc == 0) rc = IMRdPalFloats(self->stream_, photons, x0, x0 + width - 1, height);
  if (rc != 0) {
    std::snprintf(message, message_size, "cannot read time point %d of the image: %s", frame,
                  IMRtErrorText(rc));
    return rc;
  }
  const float gain = static_cast<float>(self->gain_), offset = static_cast<float>(self->offset_);
  for (int k = 0; k < width * height; ++k) photons[k] = photons[k] * gain - offset;
  return 0;
}

}  // namespace refinement
