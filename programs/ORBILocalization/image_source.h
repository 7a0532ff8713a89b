// The input image, read frame by frame through the image file library:
// time points 0 .. NT-1 of Z section 0 and wavelength 0, as photons.
//
// Every pixel type the library knows is read as floats; a file in the other
// byte order is turned around by the library. Photons = counts * photon conversion factor -
// offset, where the offset (in photons) is set after it was estimated.
#pragma once

#include <string>

namespace orbi {

class ImageSource {
 public:
  ImageSource() = default;
  ~ImageSource();
  ImageSource(const ImageSource&) = delete;
  ImageSource& operator=(const ImageSource&) = delete;

  // Opens the image; returns 0 or an exit status (8) with the reason.
  int Open(const std::string& path, std::string* reason);

  int nx() const { return nx_; }
  int ny() const { return ny_; }
  int frames() const { return nt_; }
  double pixel_size_x() const { return pixel_x_; }  // micrometres
  double pixel_size_y() const { return pixel_y_; }
  double wavelength() const { return wavelength_; }  // nanometres, 0 if unknown

  void SetConversion(double photons_per_count, double offset_photons) {
    gain_ = photons_per_count;
    offset_ = offset_photons;
  }

  // Reads time point t into photons (nx * ny floats); returns 0 or an exit
  // status (9) with the reason.
  int ReadFrame(int t, float* photons, std::string* reason);

 private:
  int stream_ = 0;           // image library stream, 0 when closed
  int nx_ = 0, ny_ = 0;      // frame size, pixels
  int nt_ = 0;               // time points
  double pixel_x_ = 0, pixel_y_ = 0;  // pixel size, micrometres
  double wavelength_ = 0;    // wavelength 0, nanometres
  double gain_ = 1;          // photons per count
  double offset_ = 0;        // photons subtracted after conversion
};

}  // namespace orbi
