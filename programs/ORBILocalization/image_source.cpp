// Input image access through the image file library.
#include "image_source.h"

#include <cstddef>

#include "exit_status.h"
#include "imlib.h"

namespace orbi {

ImageSource::~ImageSource() {
  if (stream_ > 0) IMClose(stream_);
}

int ImageSource::Open(const std::string& path, std::string* reason) {
  const int check = IMCheckImageFile(path.c_str());
  if (check == IM_ERR_FILE_ID) {
    *reason = "input " + path + " is not an image file";
    return kCannotOpenInput;
  }
  if (check != 0) {
    *reason = "cannot open input image " + path + ": " + IMRtErrorText(check);
    return kCannotOpenInput;
  }
  int stream = 0;
  if (IMOpen2(&stream, path.c_str(), "ro") != 0) {
    *reason = "cannot open input image " + path;
    return kCannotOpenInput;
  }
  stream_ = stream;
  int id = 0, swapped = 0;
  if (IMRtFileID(stream_, &id, &swapped) != 0) {
    *reason = "input " + path + " is not an image file";
    return kCannotOpenInput;
  }
  int nz = 0, nw = 0, nt = 0, np = 0, sequence = 0;
  if (IMRtXY(stream_, &nx_, &ny_) != 0 || IMRtZWTP(stream_, &nz, &nw, &nt, &np, &sequence) != 0 ||
      nx_ < 1 || ny_ < 1 || nt < 1) {
    *reason = "input " + path + " has an unusable header";
    return kCannotOpenInput;
  }
  int bytes = 0;
  if (IMRtBytesPerPixel(stream_, &bytes) != 0) {
    *reason = "input " + path + " has an unsupported pixel type";
    return kCannotOpenInput;
  }
  nt_ = nt;
  float del[3] = {0, 0, 0};
  if (IMRtDel(stream_, del) == 0) {
    pixel_x_ = del[0];
    pixel_y_ = del[1];
  }
  float wave = 0;
  if (nw >= 1 && IMRtWav2(stream_, 0, &wave) == 0) wavelength_ = wave;
  return kSuccess;
}

int ImageSource::ReadFrame(int t, float* photons, std::string* reason) {
  const size_t n = static_cast<size_t>(nx_) * ny_;
  int rc = IMPosnZWTP(stream_, 0, 0, t, 0);
  // One float per pixel whatever the stored type.
  if (rc == 0) rc = IMRdSecFloats(stream_, photons);
  if (rc != 0) {
    *reason = "cannot read time point " + std::to_string(t) + " of the input image: " +
              IMRtErrorText(rc);
    return kCannotReadInput;
  }
  const float gain = static_cast<float>(gain_), offset = static_cast<float>(offset_);
  for (size_t p = 0; p < n; ++p) photons[p] = photons[p] * gain - offset;
  return kSuccess;
}

}  // namespace orbi
