// The PSF width of the series. The beads of one series are imaged through
// the same optics in one focal plane, so they share one PSF: its width is
// measured once, from the sample frames localized with the width free, and
// every frame is then fitted with the width held at that value (four
// parameters per bead instead of five; see docs/localization.md).
#pragma once

#include <string>

#include "beads.h"
#include "image_source.h"

namespace orbi {

struct PsfWidth {
  double sigma = 0;           // series PSF sigma, pixels (0: not measured)
  double standard_error = 0;  // of sigma, pixels
  int beads = 0;              // fits that counted
  bool usable = false;        // precise enough to hold every fit at it
};

// Localizes the sample frames with `options` (sigma free) and measures the
// width. Returns 0 or an exit status with the reason (reading the frames,
// memory). A series without enough beads is no error: *width is then not
// usable and the caller fits the width per bead.
int MeasurePsfWidth(ImageSource* source, const BeadsLocalizerOptions& options, PsfWidth* width,
                    std::string* reason);

// The localizer options for the whole run: the width held at the measured
// value when it is usable and its fit region fits the frame, else options
// unchanged.
BeadsLocalizerOptions RunOptions(const BeadsLocalizerOptions& options, const PsfWidth& width,
                                 int nx, int ny);

}  // namespace orbi
