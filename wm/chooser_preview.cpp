// chooser_preview.cpp - the preview column of the file chooser (see
// chooser_preview.h).
//
// Mouse handling in the area (while a button is held the pointer is polled;
// pending motion events of the area are discarded, since only the newest
// position counts):
//   button 1        each move up multiplies the zoom by 1.1, each move down
//                   divides it; the picture is redrawn
//   button 2 (4)    one plane back per redraw
//   button 3 (5)    one plane forward per redraw; after the first step a
//                   pause of 200 ms, so that a click steps exactly once
// The planes are the time points when the image has at least 2, else the
// Z sections; stepping stops at the first and last plane. Buttons 4 and 5
// are the wheel.
#include "chooser_preview.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <Xm/DrawingA.h>
#include <Xm/Label.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "directory_listing.h"
#include "imlib.h"
#include "wm_state.h"

namespace wm {
namespace {

// Largest plane read for a thumbnail, in pixels: bigger images get their
// sizes shown without a picture.
const long kMaxPreviewPixels = 64L * 1024 * 1024;
// Poll interval of the held-button loop, in microseconds.
const useconds_t kPollIntervalUs = 15000;
// Grey levels are stretched from the plane's minimum to this quantile, so
// that a few bright spots (beads, hot pixels) do not leave the rest black.
const double kWhiteQuantile = 0.995;
// Values sampled for the quantile.
const size_t kQuantileSamples = 65536;
const char* const kNothingShown = "-----";

void SetLabel(Widget label, const std::string& text) {
  if (!label) return;
  XmString s = MakeXmString(text.c_str());
  XtVaSetValues(label, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

std::string TimeText(time_t when) {
  ListedEntry e;
  e.dated = true;
  e.mtime = when;
  return ListDate(e);
}

// The file's birth time where the file system keeps one, else the time of
// its last status change (the closest a Linux file system offers).
time_t CreationTime(const std::string& path, const struct stat& st) {
  struct statx sx;
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &sx) == 0 && (sx.stx_mask & STATX_BTIME))
    return static_cast<time_t>(sx.stx_btime.tv_sec);
  return st.st_ctime;
}

// Reads plane `index` of an open stream into image->pixels.
bool ReadPlane(int stream, PreviewImage* image, int index) {
  int z = 0, t = 0;
  if (image->nt >= 2) t = index;
  else z = index;
  if (IMPosnZWT(stream, z, 0, t) != 0) return false;
  image->pixels.assign(static_cast<size_t>(image->nx) * image->ny, 0.0f);
  return IMRdSecFloats(stream, image->pixels.data()) == 0;
}

// Opens the image, runs `action` on the stream, closes it.
template <typename Action>
bool WithImage(const std::string& path, Action action) {
  if (IMCheckImageFile(path.c_str()) != 0) return false;
  int stream = 0;
  if (IMOpen2(&stream, path.c_str(), "ro") != 0) return false;
  bool ok = action(stream);
  IMClose(stream);
  return ok;
}

// Grey-level range of the plane: its minimum and a high quantile.
void GreyRange(const std::vector<float>& pixels, float* low, float* high) {
  std::vector<float> sample;
  size_t stride = std::max<size_t>(1, pixels.size() / kQuantileSamples);
  for (size_t i = 0; i < pixels.size(); i += stride)
    if (std::isfinite(pixels[i])) sample.push_back(pixels[i]);
  if (sample.empty()) {
    *low = *high = 0;
    return;
  }
  *low = *std::min_element(sample.begin(), sample.end());
  size_t q = static_cast<size_t>(kWhiteQuantile * static_cast<double>(sample.size() - 1));
  std::nth_element(sample.begin(), sample.begin() + static_cast<long>(q), sample.end());
  *high = sample[q];
  if (*high <= *low) *high = *std::max_element(sample.begin(), sample.end());
}

// The pixel value of the visual for a grey level (TrueColor / DirectColor).
unsigned long GreyPixel(const Visual* v, unsigned char grey) {
  auto channel = [grey](unsigned long mask) {
    if (!mask) return 0ul;
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    unsigned long max = mask >> shift;
    return ((static_cast<unsigned long>(grey) * max + 127) / 255) << shift;
  };
  return channel(v->red_mask) | channel(v->green_mask) | channel(v->blue_mask);
}

void PreviewExposeCB(Widget, XtPointer preview, XtPointer) try {
  DrawPreview(static_cast<Preview*>(preview));
} catch (...) {
  wm::ReportEscapedException("PreviewExposeCB");
}

// Waits until button `button_mask` is released, running `step` each round
// with the pointer's vertical move since the last round.
template <typename Step>
void WhileHeld(Widget area, unsigned int button_mask, Step step) {
  Display* dpy = XtDisplay(area);
  Window root, child;
  int root_x, root_y, x, y;
  unsigned int mask = 0;
  XQueryPointer(dpy, XtWindow(area), &root, &child, &root_x, &root_y, &x, &y, &mask);
  int last_y = y;
  for (int round = 0;; ++round) {
    if (!step(round, y - last_y)) break;
    last_y = y;
    XEvent discarded;
    while (XCheckWindowEvent(dpy, XtWindow(area), PointerMotionMask | ButtonMotionMask, &discarded)) {}
    if (!XQueryPointer(dpy, XtWindow(area), &root, &child, &root_x, &root_y, &x, &y, &mask)) break;
    if (!(mask & button_mask)) break;
    usleep(kPollIntervalUs);
  }
}

void PreviewButtonEH(Widget area, XtPointer client, XEvent* event, Boolean*) try {
  if (event->type != ButtonPress) return;
  auto* preview = static_cast<Preview*>(client);
  unsigned int button = event->xbutton.button;
  if (button == Button1) {
    WhileHeld(area, Button1Mask, [&](int, int dy) {
      if (dy == 0) return true;
      preview->zoom = dy > 0 ? preview->zoom / kPreviewZoomStep : preview->zoom * kPreviewZoomStep;
      RenderPreview(preview->image, preview->zoom, preview->pan_x, preview->pan_y, &preview->rgb);
      DrawPreview(preview);
      return true;
    });
    return;
  }
  int delta = (button == Button2 || button == Button4) ? -1 : (button == Button3 || button == Button5) ? 1 : 0;
  if (!delta || !preview->image.loaded) return;
  unsigned int mask = button == Button2 ? Button2Mask : button == Button3 ? Button3Mask : 0;
  WhileHeld(area, mask, [&](int round, int) {
    if (!StepPreviewPlane(&preview->image, delta)) return false;
    RenderPreview(preview->image, preview->zoom, preview->pan_x, preview->pan_y, &preview->rgb);
    DrawPreview(preview);
    XFlush(XtDisplay(area));
    if (round == 0) usleep(kPreviewFirstStepPauseMs * 1000);
    return true;
  });
} catch (...) {
  wm::ReportEscapedException("PreviewButtonEH");
}

}  // namespace

int PreviewPlaneCount(const PreviewImage& image) { return image.nt >= 2 ? image.nt : image.nz; }

bool LoadPreviewImage(const std::string& path, PreviewImage* image) {
  *image = PreviewImage{};
  PreviewImage read;
  read.path = path;
  bool ok = WithImage(path, [&](int stream) {
    int sequence = 0, mode = 0;
    if (IMRtZWT(stream, &read.nz, &read.nw, &read.nt, &sequence) != 0) return false;
    if (IMRtXY(stream, &read.nx, &read.ny) != 0 || IMRtMode(stream, &mode) != 0) return false;
    // Sizes are shown for every image; a picture needs a readable plane of
    // real (not complex) values.
    *image = read;
    bool complex = mode == IM_COMPLEX_SHORT || mode == IM_COMPLEX_FLOAT;
    long pixels = static_cast<long>(read.nx) * read.ny;
    if (complex || read.nx < 1 || read.ny < 1 || pixels > kMaxPreviewPixels) return true;
    return ReadPlane(stream, image, 0);
  });
  image->loaded = ok && !image->pixels.empty();
  return ok;
}

bool StepPreviewPlane(PreviewImage* image, int delta) {
  int last = PreviewPlaneCount(*image) - 1;
  int wanted = std::clamp(image->plane + delta, 0, std::max(last, 0));
  if (!image->loaded || wanted == image->plane) return false;
  bool ok = WithImage(image->path, [&](int stream) { return ReadPlane(stream, image, wanted); });
  if (ok) image->plane = wanted;
  return ok;
}

void RenderPreview(const PreviewImage& image, double zoom, int pan_x, int pan_y,
                   std::vector<unsigned char>* rgb) {
  rgb->assign(static_cast<size_t>(kPreviewSize) * kPreviewSize * 3, 0);
  if (!image.loaded || image.nx < 1 || image.ny < 1 ||
      image.pixels.size() != static_cast<size_t>(image.nx) * image.ny)
    return;
  float low = 0, high = 0;
  GreyRange(image.pixels, &low, &high);
  float range = high > low ? high - low : 1.0f;
  double fit = std::min(static_cast<double>(kPreviewSize) / image.nx,
                        static_cast<double>(kPreviewSize) / image.ny);
  double scale = fit * (zoom > 0 ? zoom : 1.0);
  double centre = kPreviewSize / 2.0;
  for (int py = 0; py < kPreviewSize; ++py) {
    // Row 0 of the image is its bottom row, as image windows show it.
    double iy = (centre - (py + 0.5) + pan_y) / scale + image.ny / 2.0;
    if (iy < 0 || iy >= image.ny) continue;
    int row = static_cast<int>(iy);
    for (int px = 0; px < kPreviewSize; ++px) {
      double ix = ((px + 0.5) - centre - pan_x) / scale + image.nx / 2.0;
      if (ix < 0 || ix >= image.nx) continue;
      float v = image.pixels[static_cast<size_t>(row) * image.nx + static_cast<int>(ix)];
      float level = std::isfinite(v) ? std::clamp((v - low) / range, 0.0f, 1.0f) : 0.0f;
      auto grey = static_cast<unsigned char>(std::lround(level * 255.0f));
      unsigned char* out = rgb->data() + (static_cast<size_t>(py) * kPreviewSize + px) * 3;
      out[0] = out[1] = out[2] = grey;
    }
  }
}

Widget PlacePreviewArea(Preview* preview) {
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNwidth, kPreviewSize); ++n;
  XtSetArg(args[n], XmNheight, kPreviewSize); ++n;
  XtSetArg(args[n], XmNresizePolicy, XmRESIZE_NONE); ++n;
  XtSetArg(args[n], XmNbackground, BlackPixelOfScreen(XtScreen(gWM.current_form))); ++n;
  Widget area = XtCreateWidget("preview", xmDrawingAreaWidgetClass, gWM.current_form, args, n);
  PlaceItem(area);
  RegisterItem(area, WM_KIND_DRAWING_AREA);
  XtAddCallback(area, XmNexposeCallback, PreviewExposeCB, preview);
  XtAddEventHandler(area, ButtonPressMask, False, PreviewButtonEH, preview);
  preview->area = area;
  preview->rgb.assign(static_cast<size_t>(kPreviewSize) * kPreviewSize * 3, 0);
  return area;
}

void ClearPreview(Preview* preview) {
  preview->image = PreviewImage{};
  preview->zoom = 1.0;
  preview->pan_x = preview->pan_y = 0;
  for (Widget label : {preview->created_label, preview->modified_label, preview->size_label,
                       preview->info_label})
    SetLabel(label, kNothingShown);
  RenderPreview(preview->image, preview->zoom, 0, 0, &preview->rgb);
  DrawPreview(preview);
}

void ShowFilePreview(Preview* preview, const std::string& path) {
  ClearPreview(preview);
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return;
  SetLabel(preview->created_label, TimeText(CreationTime(path, st)));
  SetLabel(preview->modified_label, TimeText(st.st_mtime));
  SetLabel(preview->size_label, SizeText(static_cast<long long>(st.st_size)));
  if (!S_ISREG(st.st_mode) || !LoadPreviewImage(path, &preview->image)) return;
  char info[64];
  snprintf(info, sizeof info, "Z=%d W=%d T=%d", preview->image.nz, preview->image.nw,
           preview->image.nt);
  SetLabel(preview->info_label, info);
  RenderPreview(preview->image, preview->zoom, preview->pan_x, preview->pan_y, &preview->rgb);
  DrawPreview(preview);
}

void DrawPreview(Preview* preview) {
  Widget area = preview->area;
  if (!area || !XtIsRealized(area) || preview->rgb.empty()) return;
  Display* dpy = XtDisplay(area);
  XWindowAttributes attrs;
  XGetWindowAttributes(dpy, XtWindow(area), &attrs);
  Visual* visual = attrs.visual;
  bool true_color = visual->c_class == TrueColor || visual->c_class == DirectColor;
  XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(attrs.depth), ZPixmap, 0, nullptr,
                               kPreviewSize, kPreviewSize, 32, 0);
  if (!image) return;
  image->data = static_cast<char*>(malloc(static_cast<size_t>(image->bytes_per_line) * kPreviewSize));
  if (!image->data) {
    XDestroyImage(image);
    return;
  }
  unsigned long black = BlackPixelOfScreen(XtScreen(area)), white = WhitePixelOfScreen(XtScreen(area));
  for (int y = 0; y < kPreviewSize; ++y) {
    for (int x = 0; x < kPreviewSize; ++x) {
      unsigned char grey = preview->rgb[(static_cast<size_t>(y) * kPreviewSize + x) * 3];
      // Without a true-colour visual the picture falls back to black and white.
      unsigned long pixel = true_color ? GreyPixel(visual, grey) : (grey >= 128 ? white : black);
      XPutPixel(image, x, y, pixel);
    }
  }
  GC gc = XCreateGC(dpy, XtWindow(area), 0, nullptr);
  XPutImage(dpy, XtWindow(area), gc, image, 0, 0, 0, 0, kPreviewSize, kPreviewSize);
  XFreeGC(dpy, gc);
  XDestroyImage(image);  // frees the data too
}

}  // namespace wm
