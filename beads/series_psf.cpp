// The PSF width of a whole series. Fixed beads in one focal plane are
// imaged through the same optics, so they share one PSF; fitting its width
// per bead and frame spends information that the bead's position needs, and
// at low photon counts the free width wanders, slows convergence and makes
// fits fail. The series width is therefore measured once, from a few
// frames localized with the width free, and every frame is then fitted at
// that width.
//
// The estimate is the plain median of the fitted widths of the beads whose
// width is well determined: a fit counts when the Cramer-Rao bound of the
// width, at the photons and background that the same bead shows in the
// other frames, is within 15 % of the width. Taking the brightness from the
// other frames matters: in one frame the noise moves the fitted width and
// the fitted photons together (a spot that fits wider also fits brighter),
// so choosing or weighting fits by their own photons or precision selects
// fits that came out wide (or narrow) and biases the estimate by several
// per cent where beads are near the threshold. The faintest beads do not
// count at all: their free widths are skewed narrow (by about 4 % where the
// bound is 28 %, against 0.5 % up to a bound of 15 %; a joint likelihood
// over many beads does no better, since each bead's own position, photons
// and background bias a shared width), and holding every fit at a width
// that is off costs the bright beads precision. The median keeps blends,
// hot pixels and beads slightly out of focus from pulling the estimate.
//
// A bead seen in only one of the frames (or a single frame) cannot count.
#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "beads.h"

namespace {

// Largest relative Cramer-Rao bound of a fit's width for the fit to count.
constexpr double kMaxRelativeWidthError = 0.15;
// Distance within which fits of two frames are taken for the same bead, pixels.
constexpr double kSameBead = 1.0;

double MedianInPlace(std::vector<double>* values) {
  auto mid = values->begin() + values->size() / 2;
  std::nth_element(values->begin(), mid, values->end());
  return *mid;
}

// Brightness of each candidate's bead seen in the other frames: the median
// photons and background of the fits within a pixel of it in every other
// frame (fixed beads stay put to well within a pixel between frames). Zero
// when the bead is seen in no other frame.
void OtherFrames(const std::vector<const BeadsLocalization*>& candidates,
                 const BeadsLocalization* locs, int count, std::vector<double>* photons,
                 std::vector<double>* background) {
  std::vector<const BeadsLocalization*> by_x(count);
  for (int k = 0; k < count; ++k) by_x[k] = &locs[k];
  std::sort(by_x.begin(), by_x.end(), [](const BeadsLocalization* a, const BeadsLocalization* b) {
    return a->x < b->x;
  });
  std::vector<double> n, b;
  for (const BeadsLocalization* c : candidates) {
    n.clear();
    b.clear();
    auto it = std::lower_bound(by_x.begin(), by_x.end(), c->x - kSameBead,
                               [](const BeadsLocalization* l, double x) { return l->x < x; });
    for (; it != by_x.end() && (*it)->x <= c->x + kSameBead; ++it) {
      const BeadsLocalization* o = *it;
      if (o->frame == c->frame || std::hypot(o->x - c->x, o->y - c->y) > kSameBead) continue;
      n.push_back(o->photons);
      b.push_back(o->background);
    }
    photons->push_back(n.empty() ? 0 : MedianInPlace(&n));
    background->push_back(b.empty() ? 0 : MedianInPlace(&b));
  }
}

}  // namespace

extern "C" int BeadsSeriesPsfSigma(const BeadsLocalization* locs, int count, float start_sigma,
                                   double* sigma, double* standard_error, int* used) {
  if (!sigma || !standard_error || !used || count < 0 || (count > 0 && !locs) ||
      !(start_sigma > 0.1f) || !(start_sigma < 20))
    return BEADS_ERR_ARGUMENT;
  *sigma = 0;
  *standard_error = 0;
  *used = 0;
  try {
    std::vector<const BeadsLocalization*> candidates;
    std::vector<double> widths;
    for (int k = 0; k < count; ++k) {
      const BeadsLocalization& l = locs[k];
      // A width held at the start value is no measurement; a joint fit or
      // one the model does not describe (a blend, an artefact) is no
      // single PSF.
      if (l.group_size != 1 || l.sigma == start_sigma || !(l.sigma > 0.1f) || !(l.sigma < 20) ||
          !(l.quality < 2.0f) || !(l.photons > 0) || !(l.background > 0))
        continue;
      candidates.push_back(&l);
      widths.push_back(l.sigma);
    }
    if (widths.empty()) return BEADS_ERR_ARGUMENT;
    // The precision of each width is judged at one common width, so that it
    // does not follow the fit's own (noisy) width.
    const double reference = MedianInPlace(&widths);
    const int roi = BeadsRoiSize(static_cast<float>(reference));
    const double centre = 0.5 * (roi - 1);
    std::vector<double> other_photons, other_background;
    OtherFrames(candidates, locs, count, &other_photons, &other_background);
    std::vector<double> kept, bounds;
    for (size_t k = 0; k < candidates.size(); ++k) {
      if (!(other_photons[k] > 0) || !(other_background[k] > 0)) continue;
      const BeadsEmitter e{centre, centre, other_photons[k]};
      double bound[5];
      if (BeadsCramerRao(roi, roi, &e, 1, other_background[k], reference, 1, bound) != BEADS_OK ||
          !(bound[4] <= kMaxRelativeWidthError * reference))
        continue;
      kept.push_back(candidates[k]->sigma);
      bounds.push_back(bound[4]);
    }
    if (kept.empty()) return BEADS_ERR_ARGUMENT;
    const double median = MedianInPlace(&kept);
    std::vector<double> deviations;
    deviations.reserve(kept.size());
    for (double w : kept) deviations.push_back(std::fabs(w - median));
    // Spread from the median absolute deviation: it holds both the fits'
    // noise and any real variation of the width over the field; never less
    // than the fits' own noise (a handful of equal widths has no spread).
    const double spread = std::max(1.4826 * MedianInPlace(&deviations), MedianInPlace(&bounds));
    // The median of normal values scatters sqrt(pi / 2) times more than
    // their mean.
    *standard_error = 1.2533 * spread / std::sqrt(static_cast<double>(kept.size()));
    *sigma = median;
    *used = static_cast<int>(kept.size());
    return BEADS_OK;
  } catch (const std::bad_alloc&) {
    return BEADS_ERR_MEMORY;
  }
}
