// One frame from photons to localizations: detection, grouping of
// overlapping beads, maximum-likelihood fits, a split test for unresolved
// pairs, a second pass that accounts for the light of neighbouring beads,
// and the acceptance of fits.
//
// Per frame, in order:
//  1. Detect candidates (detection.cpp).
//  2. Give each candidate a square fit region of BeadsRoiSize(sigma) pixels
//     centred on it and moved inward at the frame's edges.
//  3. Overlap of candidate B on candidate A: the photons of B expected in
//     A's region divided by A's photons (both from the detection's
//     estimates). With multi-emitter fitting on, candidates whose overlap
//     exceeds the threshold either way are joined (transitively) and fitted
//     jointly over the union of their regions; a group too large for one
//     fit, or whose joint fit fails, is fitted bead by bead.
//  4. Neighbour pass: every fit whose region receives more than half a
//     photon from beads fitted elsewhere is repeated with that light as a
//     known part of the model, so a neighbour's tail does not pull it.
//  5. Split test: a single fit whose free sigma came out more than 8 %
//     wider than the PSF may be two beads closer than the filter can
//     separate. (With sigma held at the series' PSF, the free sigma comes
//     from an extra free-width fit of the spots that look wide after one
//     scoring step, or whose held fit did not converge.) On a region two
//     pixels wider each side, one
//     emitter and two emitters at the PSF sigma (started along the axis of
//     elongation) are fitted; the pair replaces the single fit when it
//     lowers the Poisson deviance by more than the chi-square quantile at
//     alpha for the added parameters and its beads lie more than 0.75 PSF
//     sigma apart (closer pairs are indistinguishable from a wider PSF).
//     The test runs after the neighbour pass, with the neighbours' light
//     known, so that a neighbour's tail is not taken for a second bead.
//  6. With sigma free, a fit that does not converge or runs sigma into a
//     bound (a faint bead) is repeated with sigma held at the PSF's (with
//     sigma held from the start, as the program runs once it has measured
//     the series' PSF, there is nothing to repeat). A fit is kept when it
//     converged, its centre lies in the frame, its sigma is not pinned to a
//     bound, and no brighter kept fit lies within half a sigma (two regions
//     that found the same bead).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <vector>

#include "beads.h"
#include "fit_common.h"
#include "psf_axis.h"

struct BeadsLocalizer {
  int nx;                               // frame columns
  int ny;                               // frame rows
  BeadsLocalizerOptions options;        // as given, with defaults resolved
  BeadsFitOptions fit;                  // options of every fit
  int roi;                              // side of a single fit region, pixels
  BeadsDetector* detector;              // owned
  std::vector<float> known;             // nx * ny, zero except during a neighbour refit
  std::vector<BeadsLocalization> results;  // of the last frame
};

namespace {

struct Box {
  int x0, y0, w, h;  // first column and row, size
};

// A set of emitters fitted together over one region.
struct Unit {
  Box box;
  std::vector<BeadsEmitter> starts;
  std::vector<float> scores;  // detection z score per emitter
  float background_start;
  std::vector<BeadsFitResult> fits;
  int status = BEADS_ERR_ARGUMENT;  // of the last fit; none yet
  float free_sigma = 0;            // sigma of the free-sigma fit of a single emitter
  bool has_wide = false;           // with sigma held: a free-width fit of the single bead exists
  BeadsFitResult wide{};           // that fit (the split test starts from it)
};

Box CentredBox(int cx, int cy, int side, int nx, int ny) {
  Box b;
  b.w = std::min(side, nx);
  b.h = std::min(side, ny);
  b.x0 = std::clamp(cx - side / 2, 0, nx - b.w);
  b.y0 = std::clamp(cy - side / 2, 0, ny - b.h);
  return b;
}

// Fraction of a Gaussian's photons that fall into a box.
double FractionInBox(double x, double y, double sigma, const Box& b) {
  const double s = 1.0 / (std::sqrt(2.0) * sigma);
  const double fx = 0.5 * (std::erf((b.x0 + b.w - 0.5 - x) * s) - std::erf((b.x0 - 0.5 - x) * s));
  const double fy = 0.5 * (std::erf((b.y0 + b.h - 0.5 - y) * s) - std::erf((b.y0 - 0.5 - y) * s));
  return fx * fy;
}

int Find(std::vector<int>& parent, int i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

BeadsRegion RegionOf(const BeadsLocalizer& L, const float* image, const Box& b, bool with_known) {
  BeadsRegion r;
  r.image = image;
  r.known = with_known ? L.known.data() : nullptr;
  r.stride = L.nx;
  r.x0 = b.x0;
  r.y0 = b.y0;
  r.width = b.w;
  r.height = b.h;
  return r;
}

bool SigmaPinned(const BeadsFitOptions& fit, const BeadsFitResult& f) {
  return fit.fit_sigma && !(f.sigma > fit.sigma_min * 1.001f && f.sigma < fit.sigma_max * 0.999f);
}

int RunFit(const BeadsRegion& region, const BeadsFitOptions& fit, Unit* u) {
  if (u->starts.size() == 1)
    return BeadsFitSingle(&region, &fit, &u->starts[0], u->background_start, &u->fits[0]);
  return BeadsFitMulti(&region, &fit, static_cast<int>(u->starts.size()), u->starts.data(),
                       u->background_start, u->fits.data());
}

// A spot whose width after one free-width scoring step exceeds the PSF's by
// this factor gets a free-width fit for the split test. The screen only
// saves fits: it lies below the split test's own trigger.
constexpr float kWidthScreen = 1.04f;

// Fits a unit. With sigma free, a fit that fails or runs sigma into a bound
// (faint beads, whose width the data cannot pin down) is repeated with the
// PSF sigma held fixed.
// With sigma held (the series' PSF) and measure_width set, a single bead is
// also fitted with its width free, for the split test only, where the held
// fit looks too narrow for the spot (one scoring step of the free width
// exceeds the screen) or does not converge at all (two beads in one region
// can keep a one-bead model from settling). free_sigma and wide receive
// that fit; the unit's own result stays the held fit.
void FitUnit(const BeadsLocalizer& L, const float* image, Unit* u, bool with_known,
             bool measure_width = true) {
  const BeadsRegion region = RegionOf(L, image, u->box, with_known);
  u->fits.resize(u->starts.size());
  u->status = RunFit(region, L.fit, u);
  u->free_sigma = u->fits[0].sigma;
  u->has_wide = false;
  bool pinned = false;
  for (const BeadsFitResult& f : u->fits) pinned = pinned || SigmaPinned(L.fit, f);
  if (L.fit.fit_sigma && (u->status != BEADS_OK || pinned)) {
    BeadsFitOptions fixed = L.fit;
    fixed.fit_sigma = 0;
    u->status = RunFit(region, fixed, u);
  }
  if (L.fit.fit_sigma || !measure_width || !L.options.multi_emitter || u->starts.size() != 1)
    return;
  const BeadsFitResult& held = u->fits[0];
  const bool converged = u->status == BEADS_OK;
  if (converged && !(beads::WidthAfterOneStep(region, held) > kWidthScreen * L.fit.psf_sigma))
    return;
  BeadsFitOptions free_width = L.fit;
  free_width.fit_sigma = 1;
  const BeadsEmitter from = converged ? BeadsEmitter{held.x, held.y, held.photons} : u->starts[0];
  const float background = converged ? held.background : u->background_start;
  // The width only screens for the split test, which decides by deviance:
  // a fit that ran the width into its bound or ran out of iterations still
  // tells a wide spot; one that left the region tells nothing.
  const int rc = BeadsFitSingle(&region, &free_width, &from, background, &u->wide);
  if (rc != BEADS_ERR_DIVERGED && rc != BEADS_ERR_ARGUMENT && std::isfinite(u->wide.x) &&
      std::isfinite(u->wide.y) && std::isfinite(u->wide.sigma) && u->wide.photons > 0) {
    u->free_sigma = u->wide.sigma;
    u->has_wide = true;
  }
}

double Deviance(const BeadsFitResult& f, const Box& b, int params) {
  return static_cast<double>(f.quality) * (b.w * b.h - params);
}

// Upper alpha quantile of the chi-square distribution with k degrees of
// freedom (Wilson-Hilferty).
double ChiSquareQuantile(double alpha, int k) {
  const double z = BeadsNormalUpperQuantile(alpha);
  const double c = 2.0 / (9.0 * k);
  return k * std::pow(1 - c + z * std::sqrt(c), 3);
}

// Step 5: try two emitters where one fit came out too wide. The test runs
// on a region two pixels wider on each side, so that both beads of a pair
// lie well inside it, and compares a single fit and a pair fit there.
void SplitTest(const BeadsLocalizer& L, const float* image, bool with_known, Unit* u) {
  const float s0 = L.options.psf_sigma;
  // A single fit that did not converge can still be a pair when its
  // free-width fit did (sigma held only).
  const bool usable = u->status == BEADS_OK || u->has_wide;
  const BeadsFitResult& first = u->status == BEADS_OK ? u->fits[0] : u->wide;
  // A cheap filter only: the deviance comparison below decides.
  if (!usable || !(u->free_sigma > 1.08f * s0)) return;
  Unit single;
  single.box = CentredBox(static_cast<int>(std::lround(first.x)),
                          static_cast<int>(std::lround(first.y)), L.roi + 4, L.nx, L.ny);
  single.starts = {{first.x, first.y, first.photons}};
  single.scores = u->scores;
  single.background_start = first.background;
  FitUnit(L, image, &single, with_known, false);
  if (single.status != BEADS_OK) return;
  const BeadsFitResult& one = single.fits[0];
  // Axis of elongation from the second moments above background.
  double sum = 0, mxx = 0, myy = 0, mxy = 0;
  for (int j = 0; j < single.box.h; ++j)
    for (int i = 0; i < single.box.w; ++i) {
      const int x = single.box.x0 + i, y = single.box.y0 + j;
      const size_t p = static_cast<size_t>(y) * L.nx + x;
      const double v = image[p] - (with_known ? L.known[p] : 0.0f) - one.background;
      if (v <= 0) continue;
      const double dx = x - one.x, dy = y - one.y;
      sum += v;
      mxx += v * dx * dx;
      myy += v * dy * dy;
      mxy += v * dx * dy;
    }
  if (!(sum > 0)) return;
  mxx /= sum;
  myy /= sum;
  mxy /= sum;
  const double angle = 0.5 * std::atan2(2 * mxy, mxx - myy);
  const double half_trace = 0.5 * (mxx + myy);
  const double major = half_trace + std::sqrt(0.25 * (mxx - myy) * (mxx - myy) + mxy * mxy);
  // Two points at +-d/2 add d^2/4 to the variance along their axis.
  const double excess = std::max(major - static_cast<double>(s0) * s0, 0.25);
  const double half = std::min(std::sqrt(excess), 2.0 * static_cast<double>(s0));
  Unit pair;
  pair.box = single.box;
  pair.scores = {u->scores[0], u->scores[0]};
  pair.background_start = one.background;
  for (int k = 0; k < 2; ++k) {
    const double sign = k == 0 ? 1 : -1;
    pair.starts.push_back({one.x + sign * half * std::cos(angle),
                           one.y + sign * half * std::sin(angle), one.photons / 2});
  }
  BeadsFitOptions fixed = L.fit;
  fixed.fit_sigma = 0;
  const BeadsRegion region = RegionOf(L, image, pair.box, with_known);
  pair.fits.resize(2);
  pair.status = BeadsFitMulti(&region, &fixed, 2, pair.starts.data(), pair.background_start,
                              pair.fits.data());
  if (pair.status != BEADS_OK) return;
  const int single_params = one.precision_sigma > 0 ? 5 : 4;
  const double gain =
      Deviance(one, single.box, single_params) - Deviance(pair.fits[0], pair.box, 7);
  const double dx = pair.fits[0].x - pair.fits[1].x, dy = pair.fits[0].y - pair.fits[1].y;
  if (gain > ChiSquareQuantile(L.options.alpha, 7 - single_params) &&
      std::sqrt(dx * dx + dy * dy) > 0.75 * s0 && pair.fits[0].photons > 0 &&
      pair.fits[1].photons > 0) {
    pair.starts = {{pair.fits[0].x, pair.fits[0].y, pair.fits[0].photons},
                   {pair.fits[1].x, pair.fits[1].y, pair.fits[1].photons}};
    *u = pair;
  }
}

// Adds (sign +1) or removes (-1) the modelled light of a fit to the known map
// over a box.
void AddModel(BeadsLocalizer* L, const BeadsFitResult& f, const Box& b, float sign) {
  float ex[BEADS_MAX_ROI + 1], dex[BEADS_MAX_ROI + 1], ey[BEADS_MAX_ROI + 1], dey[BEADS_MAX_ROI + 1];
  beads::AxisTermsFast(f.x - b.x0, f.sigma, b.w, ex, dex, nullptr);
  beads::AxisTermsFast(f.y - b.y0, f.sigma, b.h, ey, dey, nullptr);
  for (int j = 0; j < b.h; ++j) {
    float* row = L->known.data() + static_cast<size_t>(b.y0 + j) * L->nx + b.x0;
    const float a = sign * f.photons * ey[j];
    for (int i = 0; i < b.w; ++i) row[i] += a * ex[i];
  }
}

bool Acceptable(const BeadsLocalizer& L, const BeadsFitResult& f, int status) {
  return status == BEADS_OK && f.photons > 0 && std::isfinite(f.precision_x) &&
         std::isfinite(f.precision_y) && f.precision_x > 0 && f.precision_y > 0 &&
         f.x >= -0.5f && f.y >= -0.5f && f.x <= L.nx - 0.5f && f.y <= L.ny - 0.5f &&
         !SigmaPinned(L.fit, f);
}

// A unit of one candidate over its own fit region.
Unit SingleUnit(const Box& box, const BeadsEmitter& start, float score, float background) {
  Unit unit;
  unit.box = box;
  unit.starts = {start};
  unit.scores = {score};
  unit.background_start = background;
  return unit;
}

BeadsEmitter StartOf(const BeadsCandidate& c) {
  return {static_cast<double>(c.x), static_cast<double>(c.y), std::max(c.photons, 1.0f) * 1.0};
}

// Step 3: joins candidates whose light overlaps (candidates sorted by row
// for the sweep); returns the union-find parents.
std::vector<int> GroupByOverlap(const BeadsLocalizer& L, const BeadsCandidate* candidates,
                                int count, const std::vector<Box>& boxes) {
  std::vector<int> parent(count);
  std::iota(parent.begin(), parent.end(), 0);
  if (!L.options.multi_emitter) return parent;
  const double sigma = L.options.psf_sigma;
  std::vector<int> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(),
            [&](int a, int b) { return candidates[a].y < candidates[b].y; });
  const double reach = L.roi + 4 * sigma;
  for (int ai = 0; ai < count; ++ai) {
    const BeadsCandidate& a = candidates[order[ai]];
    for (int bi = ai + 1; bi < count; ++bi) {
      const BeadsCandidate& b = candidates[order[bi]];
      if (b.y - a.y > reach) break;
      if (std::abs(b.x - a.x) > reach) continue;
      const double na = std::max(a.photons, 1.0f), nb = std::max(b.photons, 1.0f);
      const double on_a = nb * FractionInBox(b.x, b.y, sigma, boxes[order[ai]]) / na;
      const double on_b = na * FractionInBox(a.x, a.y, sigma, boxes[order[bi]]) / nb;
      if (std::max(on_a, on_b) > L.options.overlap_threshold)
        parent[Find(parent, order[ai])] = Find(parent, order[bi]);
    }
  }
  return parent;
}

// The fit units of the groups: a group that one joint fit can take becomes
// one unit over the union of its regions, any other group a unit per member.
std::vector<Unit> UnitsOfGroups(const BeadsCandidate* candidates, int count,
                                const std::vector<Box>& boxes, std::vector<int>& parent) {
  std::vector<std::vector<int>> members(count);
  for (int k = 0; k < count; ++k) members[Find(parent, k)].push_back(k);
  std::vector<Unit> units;
  for (const std::vector<int>& m : members) {
    if (m.empty()) continue;
    Box u = boxes[m[0]];
    for (int k : m) {
      const int x1 = std::max(u.x0 + u.w, boxes[k].x0 + boxes[k].w);
      const int y1 = std::max(u.y0 + u.h, boxes[k].y0 + boxes[k].h);
      u.x0 = std::min(u.x0, boxes[k].x0);
      u.y0 = std::min(u.y0, boxes[k].y0);
      u.w = x1 - u.x0;
      u.h = y1 - u.y0;
    }
    const bool joint = m.size() > 1 && m.size() <= BEADS_MAX_EMITTERS && u.w <= BEADS_MAX_ROI &&
                       u.h <= BEADS_MAX_ROI;
    if (!joint) {
      for (int k : m)
        units.push_back(SingleUnit(boxes[k], StartOf(candidates[k]), candidates[k].score,
                                   candidates[k].background));
      continue;
    }
    Unit unit;
    unit.box = u;
    float b = 0;
    for (int k : m) {
      unit.starts.push_back(StartOf(candidates[k]));
      unit.scores.push_back(candidates[k].score);
      b += candidates[k].background;
    }
    unit.background_start = b / m.size();
    units.push_back(std::move(unit));
  }
  return units;
}

// Pass 1. A joint fit that fails (typically because one of its candidates
// was background noise that the fit cannot place) falls back to fitting its
// members one by one.
std::vector<Unit> FitUnits(const BeadsLocalizer& L, const float* image, std::vector<Unit> units) {
  std::vector<Unit> fitted;
  fitted.reserve(units.size());
  for (Unit& u : units) {
    FitUnit(L, image, &u, false);
    if (u.status == BEADS_OK || u.starts.size() == 1) {
      fitted.push_back(std::move(u));
      continue;
    }
    for (size_t k = 0; k < u.starts.size(); ++k) {
      const BeadsEmitter& e = u.starts[k];
      Unit single = SingleUnit(
          CentredBox(static_cast<int>(e.x), static_cast<int>(e.y), L.roi, L.nx, L.ny), e,
          u.scores[k], u.background_start);
      FitUnit(L, image, &single, false);
      fitted.push_back(std::move(single));
    }
  }
  return fitted;
}

bool Intersects(const Box& a, const Box& b) {
  return a.x0 < b.x0 + b.w && b.x0 < a.x0 + a.w && a.y0 < b.y0 + b.h && b.y0 < a.y0 + a.h;
}

// The known light of neighbouring fits: every converged fit's light over its
// own box widened by the PSF's reach (at most half the largest region, the
// size of AddModel's axis tables). Only units that some other fit's light
// can reach (within the split test's wider region) take part; the others
// have nothing to correct.
class NeighbourLight {
 public:
  NeighbourLight(BeadsLocalizer* L, const std::vector<Unit>& units)
      : L_(L),
        reach_(std::min(static_cast<int>(std::ceil(4 * static_cast<double>(L->options.psf_sigma))),
                        (BEADS_MAX_ROI - 1) / 2)),
        involved_(units.size(), 0) {
    for (size_t a = 0; a < units.size(); ++a) {
      if (units[a].status != BEADS_OK) continue;
      for (const BeadsFitResult& f : units[a].fits) {
        const Box reach_box = WideBox(f);
        for (size_t b = 0; b < units.size(); ++b) {
          if (b == a) continue;
          const Box& t = units[b].box;
          if (Intersects(reach_box, Box{t.x0 - 2, t.y0 - 2, t.w + 4, t.h + 4}))
            involved_[a] = involved_[b] = 1;
        }
      }
    }
    for (size_t a = 0; a < units.size(); ++a) Add(a, units[a], 1.0f);
  }
  ~NeighbourLight() { std::fill(L_->known.begin(), L_->known.end(), 0.0f); }

  bool involved(size_t a) const { return involved_[a] != 0; }
  // Adds (+1) or takes away (-1) the light of unit `a` when it takes part.
  void Add(size_t a, const Unit& u, float sign) {
    if (!involved_[a] || u.status != BEADS_OK) return;
    for (const BeadsFitResult& f : u.fits) AddModel(L_, f, WideBox(f), sign);
  }
  // The light of the others over `box`, photons.
  double Over(const Box& box) const {
    double foreign = 0;
    for (int j = 0; j < box.h; ++j) {
      const float* row = L_->known.data() + static_cast<size_t>(box.y0 + j) * L_->nx + box.x0;
      for (int i = 0; i < box.w; ++i) foreign += row[i];
    }
    return foreign;
  }

 private:
  Box WideBox(const BeadsFitResult& f) const {
    return CentredBox(static_cast<int>(std::lround(f.x)), static_cast<int>(std::lround(f.y)),
                      2 * reach_ + 1, L_->nx, L_->ny);
  }

  BeadsLocalizer* L_;
  int reach_;                   // pixels of a fit's light each side of its centre
  std::vector<char> involved_;  // per unit: another fit's light reaches it
};

// Step 4: refits every unit that receives more than half a photon of its
// neighbours' light, with that light known.
void NeighbourPass(const BeadsLocalizer& L, const float* image, std::vector<Unit>& units,
                   NeighbourLight& light) {
  for (size_t a = 0; a < units.size(); ++a) {
    if (!light.involved(a)) continue;
    Unit& u = units[a];
    light.Add(a, u, -1.0f);
    if (light.Over(u.box) > 0.5) {
      Unit again = u;
      if (u.status == BEADS_OK)
        for (size_t k = 0; k < u.fits.size(); ++k)
          again.starts[k] = {u.fits[k].x, u.fits[k].y, u.fits[k].photons};
      FitUnit(L, image, &again, true);
      if (again.status == BEADS_OK || u.status != BEADS_OK) u = std::move(again);
    }
    light.Add(a, u, 1.0f);
  }
}

// Step 5 over all single fits, with the neighbours' light known.
void SplitPass(const BeadsLocalizer& L, const float* image, std::vector<Unit>& units,
               NeighbourLight& light) {
  if (!L.options.multi_emitter) return;
  for (size_t a = 0; a < units.size(); ++a) {
    Unit& u = units[a];
    if (u.starts.size() != 1 || (u.status != BEADS_OK && !u.has_wide)) continue;
    light.Add(a, u, -1.0f);
    SplitTest(L, image, true, &u);
    light.Add(a, u, 1.0f);
  }
}

// Step 6: the acceptable fits as localizations of `frame`.
void Accept(const BeadsLocalizer& L, const std::vector<Unit>& units, int frame,
            std::vector<BeadsLocalization>* out) {
  out->clear();
  for (const Unit& u : units)
    for (size_t k = 0; k < u.fits.size(); ++k) {
      const BeadsFitResult& f = u.fits[k];
      if (!Acceptable(L, f, u.status)) continue;
      BeadsLocalization loc;
      loc.frame = frame;
      loc.photons = f.photons;
      loc.y = f.y;
      loc.y_precision = f.precision_y;
      loc.x = f.x;
      loc.x_precision = f.precision_x;
      loc.background = f.background;
      loc.sigma = f.sigma;
      loc.quality = f.quality;
      loc.group_size = static_cast<int>(u.fits.size());
      loc.score = u.scores[k];
      out->push_back(loc);
    }
}

// Step 6, duplicates: of two localizations closer than `close` pixels (two
// regions that found the same bead) the brighter stays. Leaves the rest
// sorted by row, then column.
void DropDuplicates(std::vector<BeadsLocalization>& out, float close) {
  std::sort(out.begin(), out.end(),
            [](const BeadsLocalization& a, const BeadsLocalization& b) { return a.y < b.y; });
  std::vector<bool> dropped(out.size(), false);
  for (size_t a = 0; a < out.size(); ++a) {
    for (size_t b = a + 1; b < out.size() && out[b].y - out[a].y < close; ++b) {
      if (dropped[a] || dropped[b] || std::fabs(out[b].x - out[a].x) >= close) continue;
      if (std::hypot(out[b].x - out[a].x, out[b].y - out[a].y) >= close) continue;
      dropped[out[a].photons < out[b].photons ? a : b] = true;
    }
  }
  size_t kept = 0;
  for (size_t k = 0; k < out.size(); ++k)
    if (!dropped[k]) out[kept++] = out[k];
  out.resize(kept);
  std::sort(out.begin(), out.end(), [](const BeadsLocalization& a, const BeadsLocalization& b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
}

void Localize(BeadsLocalizer* L, const float* image, int frame,
              const BeadsCandidate* candidates, int count) {
  std::vector<Box> boxes(count);
  for (int k = 0; k < count; ++k)
    boxes[k] = CentredBox(candidates[k].x, candidates[k].y, L->roi, L->nx, L->ny);
  std::vector<int> groups = GroupByOverlap(*L, candidates, count, boxes);
  std::vector<Unit> units = FitUnits(*L, image, UnitsOfGroups(candidates, count, boxes, groups));
  {
    NeighbourLight light(L, units);
    NeighbourPass(*L, image, units, light);
    SplitPass(*L, image, units, light);
  }
  Accept(*L, units, frame, &L->results);
  DropDuplicates(L->results, static_cast<float>(0.5 * L->options.psf_sigma));
}

}  // namespace

extern "C" {

int BeadsRoiSize(float psf_sigma) {
  const int half = std::max(3, static_cast<int>(std::lround(2.5 * psf_sigma)));
  return std::min(2 * half + 1, BEADS_MAX_ROI);
}

void BeadsLocalizerOptionsDefault(BeadsLocalizerOptions* options, float psf_sigma) {
  options->psf_sigma = psf_sigma;
  options->alpha = 0.001;
  options->overlap_threshold = 0.15f;
  options->multi_emitter = 1;
  options->fit_sigma = 1;
  options->sigma_min = 0;
  options->sigma_max = 0;
  options->roi_half_width = 0;
}

int BeadsLocalizerCreate(int nx, int ny, const BeadsLocalizerOptions* options,
                         BeadsLocalizer** localizer) {
  if (!localizer) return BEADS_ERR_ARGUMENT;
  *localizer = nullptr;
  if (!options || nx < 3 || ny < 3 || !(options->psf_sigma > 0.1f) ||
      !(options->psf_sigma < 20) || !(options->alpha > 0) || !(options->alpha < 0.5) ||
      !(options->overlap_threshold >= 0) || options->roi_half_width < 0)
    return BEADS_ERR_ARGUMENT;
  BeadsLocalizer* L = nullptr;
  try {
    L = new BeadsLocalizer();
    L->nx = nx;
    L->ny = ny;
    L->options = *options;
    L->roi = options->roi_half_width > 0
                 ? std::min(2 * options->roi_half_width + 1, BEADS_MAX_ROI)
                 : BeadsRoiSize(options->psf_sigma);
    BeadsFitOptionsDefault(&L->fit, options->psf_sigma);
    L->fit.fit_sigma = options->fit_sigma;
    L->fit.sigma_min = options->sigma_min > 0 ? options->sigma_min : options->psf_sigma / 3;
    L->fit.sigma_max = options->sigma_max > 0 ? options->sigma_max : options->psf_sigma * 3;
    L->known.assign(static_cast<size_t>(nx) * ny, 0.0f);
    L->detector = nullptr;
    BeadsDetectOptions d;
    d.psf_sigma = options->psf_sigma;
    d.alpha = options->alpha;
    d.tile = 0;
    const int rc = BeadsDetectorCreate(nx, ny, &d, &L->detector);
    if (rc != BEADS_OK) {
      delete L;
      return rc;
    }
    *localizer = L;
    return BEADS_OK;
  } catch (const std::bad_alloc&) {
    delete L;
    return BEADS_ERR_MEMORY;
  }
}

void BeadsLocalizerDestroy(BeadsLocalizer* localizer) {
  if (!localizer) return;
  BeadsDetectorDestroy(localizer->detector);
  delete localizer;
}

int BeadsLocalizeFrame(BeadsLocalizer* localizer, const float* image, int frame,
                       const BeadsLocalization** results, int* count) {
  if (!localizer || !image || !results || !count) return BEADS_ERR_ARGUMENT;
  try {
    const BeadsCandidate* candidates = nullptr;
    int n = 0;
    const int rc = BeadsDetect(localizer->detector, image, &candidates, &n);
    if (rc != BEADS_OK) return rc;
    Localize(localizer, image, frame, candidates, n);
    *results = localizer->results.data();
    *count = static_cast<int>(localizer->results.size());
    return BEADS_OK;
  } catch (const std::bad_alloc&) {
    return BEADS_ERR_MEMORY;
  }
}

}  // extern "C"
