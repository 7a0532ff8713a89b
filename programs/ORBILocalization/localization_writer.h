// The localization file (format in docs/localization-file.md), written to a
// temporary name beside the output and renamed over it only when complete,
// so the output path holds either nothing or a whole file.
//
// States: closed -> open [Open] -> (events appended) [Append] ->
// finished [Finish] or abandoned [Abandon, or destruction while open].
#pragma once

#include <cstdio>
#include <string>

#include "beads.h"

namespace orbi {

struct LocalizationHeader {
  std::string image;            // input image as given, made absolute
  int nx, ny;                   // frame size, pixels
  int frames;                   // time points
  double pixel_size_x;          // micrometres
  double pixel_size_y;
  double psf_sigma;             // starting PSF sigma, pixels
  double expected_sigma;        // PSF sigma from the optics, pixels (0 unknown)
  double photon_conversion;     // photons per count
  double offset;                // photons subtracted after conversion
  double numerical_aperture;    // 0 unknown
  double alpha;                 // detection false-alarm probability
  double overlap;               // joint-fit overlap threshold
};

class LocalizationWriter {
 public:
  ~LocalizationWriter();
  // Creates the temporary file and writes the header; 0 or exit status 10.
  int Open(const std::string& output, const LocalizationHeader& header, std::string* reason);
  // Appends one frame's localizations; false on a write error.
  bool Append(const BeadsLocalization* locs, int count);
  long events() const { return events_; }
  // Events whose detection score exceeds the given level (set before the
  // first Append): the beads that would be found even at a per-frame
  // false-alarm probability.
  void SetStrongScore(double score) { strong_score_ = score; }
  long strong_events() const { return strong_events_; }
  // Fills in the event count and renames the file to the output; 0 or 10.
  int Finish(std::string* reason);
  // Removes the temporary file.
  void Abandon();

 private:
  std::FILE* file_ = nullptr;  // the temporary file while open
  std::string output_;         // final path
  std::string temporary_;      // temporary path beside it
  long count_offset_ = 0;      // byte offset of the event count's digits
  long events_ = 0;            // event lines written
  double strong_score_ = 0;    // detection score that makes an event strong
  long strong_events_ = 0;     // events above that score
};

}  // namespace orbi
