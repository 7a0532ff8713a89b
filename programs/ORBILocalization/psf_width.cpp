// Measuring the series' PSF width from its sample frames.
#include "psf_width.h"

#include <algorithm>
#include <vector>

#include "exit_status.h"
#include "frame_buffer.h"
#include "sample_frames.h"

namespace orbi {

namespace {

// Held at a width known to 2 %, a fit loses well under 1 % of precision even
// for the brightest beads; a less certain width is better left free. A few
// fits can agree by chance: at least this many must count.
constexpr double kUsableRelativeError = 0.02;
constexpr int kUsableBeads = 10;

}  // namespace

int MeasurePsfWidth(ImageSource* source, const BeadsLocalizerOptions& options, PsfWidth* width,
                    std::string* reason) {
  *width = PsfWidth{};
  BeadsLocalizer* localizer = nullptr;
  int rc = BeadsLocalizerCreate(source->nx(), source->ny(), &options, &localizer);
  if (rc != BEADS_OK) {
    *reason = rc == BEADS_ERR_MEMORY ? "out of memory" : "cannot set up the localization";
    return rc == BEADS_ERR_MEMORY ? kNoMemory : kInternalError;
  }
  int status = kSuccess;
  std::vector<BeadsLocalization> fits;
  const FrameBuffer pixels = AllocateFrame(static_cast<size_t>(source->nx()) * source->ny());
  for (int t : SampleFrames(source->frames())) {
    status = source->ReadFrame(t, pixels.get(), reason);
    if (status != kSuccess) break;
    const BeadsLocalization* locs = nullptr;
    int count = 0;
    rc = BeadsLocalizeFrame(localizer, pixels.get(), t, &locs, &count);
    if (rc != BEADS_OK) {
      status = rc == BEADS_ERR_MEMORY ? kNoMemory : kInternalError;
      *reason = rc == BEADS_ERR_MEMORY ? "out of memory while localizing"
                                       : "localization of frame " + std::to_string(t) + " failed";
      break;
    }
    fits.insert(fits.end(), locs, locs + count);
  }
  BeadsLocalizerDestroy(localizer);
  if (status != kSuccess) return status;
  double sigma = 0, error = 0;
  int used = 0;
  if (BeadsSeriesPsfSigma(fits.data(), static_cast<int>(fits.size()), options.psf_sigma, &sigma,
                          &error, &used) == BEADS_OK) {
    width->sigma = sigma;
    width->standard_error = error;
    width->beads = used;
    width->usable = used >= kUsableBeads && error <= kUsableRelativeError * sigma;
  }
  return kSuccess;
}

BeadsLocalizerOptions RunOptions(const BeadsLocalizerOptions& options, const PsfWidth& width,
                                 int nx, int ny) {
  BeadsLocalizerOptions run = options;
  const float sigma = static_cast<float>(width.sigma);
  const int roi = BeadsRoiSize(sigma);
  if (!width.usable || !(sigma > 0.1f) || !(sigma < 20) || roi > nx || roi > ny) return run;
  run.psf_sigma = sigma;
  run.fit_sigma = 0;
  // The bounds belong to the free width; with it held they only frame the
  // split test's free-width fits, round the measured width.
  run.sigma_min = options.sigma_min > 0 ? std::min(options.sigma_min, sigma) : 0;
  run.sigma_max = 0;
  return run;
}

}  // namespace orbi
