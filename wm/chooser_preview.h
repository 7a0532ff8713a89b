// chooser_preview.h - the file chooser's preview column: a 140 x 140
// picture of one plane of a suite image and four labels (created, last
// modified, file size, image sizes).
//
// The picture is computed into an RGB buffer (3 bytes per pixel) from one
// plane read through the image file library, scaled to fit the area and
// then by the zoom factor, centred and shifted by the pan values, and drawn
// into the area's window. Holding a mouse button in the area zooms (button
// 1, by moving up or down) or steps through the planes (buttons 2 and 3).
#pragma once

#include <X11/Intrinsic.h>

#include <string>
#include <vector>

namespace wm {

// Side of the preview area in pixels.
constexpr int kPreviewSize = 140;
// Zoom change per pointer move while button 1 is held.
constexpr double kPreviewZoomStep = 1.1;
// Pause after the first plane step while button 2 or 3 is held, in ms.
constexpr int kPreviewFirstStepPauseMs = 200;

// The image behind the preview and the plane shown.
struct PreviewImage {
  bool loaded = false;        // a suite image is shown
  std::string path;           // its file
  int nx = 0, ny = 0;         // plane size in pixels
  int nz = 0, nw = 0, nt = 0; // Z sections, wavelengths, time points
  int plane = 0;              // index of the plane shown: a time point when nt >= 2, else a Z section
  std::vector<float> pixels;  // the plane, nx * ny values, row 0 first
};

struct Preview {
  Widget area = nullptr;            // the drawing area (kPreviewSize square)
  Widget created_label = nullptr;   // value labels, "-----" when nothing is shown
  Widget modified_label = nullptr;
  Widget size_label = nullptr;
  Widget info_label = nullptr;      // "Z=%d W=%d T=%d"
  std::vector<unsigned char> rgb;   // kPreviewSize^2 RGB pixels, row 0 first
  double zoom = 1.0;                // magnification on top of the fit
  int pan_x = 0, pan_y = 0;         // shift of the picture in area pixels
  PreviewImage image;
};

// Reads the sizes and the first plane of a suite image. False (image not
// loaded) for any file the image library cannot open.
bool LoadPreviewImage(const std::string& path, PreviewImage* image);
// Moves the plane by `delta` within the first and last plane and reads
// it. Returns true when the plane changed.
bool StepPreviewPlane(PreviewImage* image, int delta);
// Number of planes the preview steps through.
int PreviewPlaneCount(const PreviewImage& image);

// Computes the picture: the plane scaled to fit the square, times `zoom`,
// centred and shifted by the pan, grey levels stretched between the
// plane's minimum and maximum; black where no pixel falls. An empty image
// gives an all-background picture.
void RenderPreview(const PreviewImage& image, double zoom, int pan_x, int pan_y,
                   std::vector<unsigned char>* rgb);

// Creates the preview area in the current form (placed as an item).
Widget PlacePreviewArea(Preview* preview);
// Shows nothing: labels "-----", empty picture.
void ClearPreview(Preview* preview);
// Shows a file: dates and size, and for a suite image its sizes and a
// thumbnail.
void ShowFilePreview(Preview* preview, const std::string& path);
// Draws the current picture into the area's window.
void DrawPreview(Preview* preview);

}  // namespace wm
