// Refinement of missed frames (see refinement.h).
#include "refinement.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "beads.h"
#include "field_motion.h"
#include "significance.h"

namespace linking {

namespace {

constexpr int kEndReferenceEvents = 5;  // events averaged for an end's expected position

class Refiner {
 public:
  Refiner(const LinkingParameters& p, LinkingPatchReader reader, void* context,
          const volatile sig_atomic_t* stop, LinkingSession* s)
      : p_(p), reader_(reader), context_(context), stop_(stop), s_(s), chains_(s->chains),
        index_(s->chains.index) {}

  int Run(std::string* message);

 private:
  struct Request {
    int frame;
    int chain;
    int after;   // interior: the chain's event after the gap; ends: -1
    double rx;   // expected position relative to the field, nm
    double ry;
  };

  void Relative(int e, double* x, double* y) const {
    const LinkingEvent& ev = s_->events[e];
    *x = ev.x * s_->nm_x() - s_->offset_x[ev.frame];
    *y = ev.y * s_->nm_y() - s_->offset_y[ev.frame];
  }
  bool Collides(const Request& r) const;
  // Fits at the request; on success *added is the new event's index, else -1.
  int Fit(const Request& r, int* added);
  int FillInterior();
  int ExtendEnds();
  int CheckStop() {
    return (++polls_ & 255) == 0 && Stopped(stop_) ? LINKING_ERR_CANCELED : LINKING_OK;
  }

  const LinkingParameters& p_;
  LinkingPatchReader reader_;
  void* context_;
  const volatile sig_atomic_t* stop_;
  LinkingSession* s_;
  std::string reader_message_;       // what the pixel reader said on failure
  Chains& chains_;                   // chains at the start (chain_of grows with fits)
  const FrameIndex& index_;          // events at the start, by frame
  std::vector<std::vector<int>> added_in_frame_;  // fitted events per frame
  std::vector<float> chain_sigma_;   // PSF sigma of each chain's fits, pixels
  std::vector<float> chain_photons_; // starting photons of each chain's fits
  double threshold_ = 0;             // chi-square quantile the fits must exceed
  std::vector<float> patch_;         // photons of the fit region
  std::vector<double> model_;        // fitted expected photons of the region
  std::vector<double> ex_, ey_;      // pixel integrals along x and y
  unsigned polls_ = 0;               // calls of CheckStop
};

bool Refiner::Collides(const Request& r) const {
  const double r2 = p_.search_radius * p_.search_radius;
  const auto near = [&](int e) {
    if (chains_.chain_of[e] == r.chain) return false;  // the chain's own event
    double x, y;
    Relative(e, &x, &y);
    return (x - r.rx) * (x - r.rx) + (y - r.ry) * (y - r.ry) <= r2;
  };
  for (int k = index_.begin[r.frame]; k < index_.begin[r.frame + 1]; ++k)
    if (near(index_.order[k])) return true;
  for (int e : added_in_frame_[r.frame])
    if (near(e)) return true;
  return false;
}

int Refiner::Fit(const Request& r, int* added) {
  *added = -1;
  const LinkingSeries& series = s_->series;
  const float sigma = chain_sigma_[r.chain];
  const int roi = BeadsRoiSize(sigma);
  if (roi > series.nx || roi > series.ny) return LINKING_OK;
  const double ex = (r.rx + s_->offset_x[r.frame]) / s_->nm_x();
  const double ey = (r.ry + s_->offset_y[r.frame]) / s_->nm_y();
  if (!(ex > -0.5 && ex < series.nx - 0.5 && ey > -0.5 && ey < series.ny - 0.5)) return LINKING_OK;
  const int x0 = std::clamp(static_cast<int>(std::lround(ex)) - roi / 2, 0, series.nx - roi);
  const int y0 = std::clamp(static_cast<int>(std::lround(ey)) - roi / 2, 0, series.ny - roi);
  const int n = roi * roi;
  patch_.resize(n);
  char text[256] = "";
  if (reader_(context_, r.frame, x0, y0, roi, roi, patch_.data(), text, sizeof text) != 0) {
    reader_message_ = text[0] ? text : "cannot read frame " + std::to_string(r.frame) + " of the image";
    return LINKING_ERR_PIXELS;
  }
  ++s_->stats.fits_tried;
  BeadsRegion region{patch_.data(), nullptr, roi, 0, 0, roi, roi};
  BeadsFitOptions options;
  BeadsFitOptionsDefault(&options, sigma);
  options.fit_sigma = 0;
  const BeadsEmitter start{ex - x0, ey - y0, chain_photons_[r.chain]};
  BeadsFitResult fit;
  if (BeadsFitSingle(&region, &options, &start, -1.0f, &fit) != BEADS_OK) return LINKING_OK;
  if (!(fit.photons > 0) || !std::isfinite(fit.x) || !std::isfinite(fit.y)) return LINKING_OK;
  const double fx = fit.x + x0, fy = fit.y + y0;
  const double dx = (fx - ex) * s_->nm_x(), dy = (fy - ey) * s_->nm_y();
  if (dx * dx + dy * dy > p_.search_radius * p_.search_radius) return LINKING_OK;
  ex_.resize(roi);
  ey_.resize(roi);
  model_.resize(n);
  BeadsPixelIntegrals(fit.x, fit.sigma, 0, roi, ex_.data());
  BeadsPixelIntegrals(fit.y, fit.sigma, 0, roi, ey_.data());
  for (int j = 0; j < roi; ++j)
    for (int i = 0; i < roi; ++i)
      model_[j * roi + i] = fit.background + static_cast<double>(fit.photons) * ex_[i] * ey_[j];
  if (!(LikelihoodRatio(patch_.data(), model_.data(), n) > threshold_)) return LINKING_OK;

  LinkingEvent ev{};
  ev.frame = r.frame;
  ev.track = 0;
  ev.x = fx;
  ev.y = fy;
  ev.photons = fit.photons;
  ev.x_precision = fit.precision_x;
  ev.y_precision = fit.precision_y;
  ev.background = fit.background;
  ev.psf_sigma = fit.sigma;
  ev.quality = fit.quality;
  const int e = static_cast<int>(s_->events.size());
  s_->events.push_back(ev);
  s_->next.push_back(-1);
  s_->prev.push_back(-1);
  s_->excluded.push_back(0);
  chains_.chain_of.push_back(r.chain);
  added_in_frame_[r.frame].push_back(e);
  ++s_->stats.refined_events;
  *added = e;
  return LINKING_OK;
}

int Refiner::FillInterior() {
  std::vector<Request> requests;
  for (size_t c = 0; c < chains_.list.size(); ++c) {
    for (int e = chains_.list[c].first; s_->next[e] >= 0; e = s_->next[e]) {
      const int n = s_->next[e];
      const int t0 = s_->events[e].frame, t1 = s_->events[n].frame;
      if (t1 == t0 + 1 || !s_->MotionTrusted(t0, t1)) continue;
      double x0, y0, x1, y1;
      Relative(e, &x0, &y0);
      Relative(n, &x1, &y1);
      for (int t = t0 + 1; t < t1; ++t) {
        const double w = static_cast<double>(t - t0) / (t1 - t0);
        requests.push_back({t, static_cast<int>(c), n, x0 + w * (x1 - x0), y0 + w * (y1 - y0)});
      }
    }
  }
  // Frame order: the image is read front to back, and the fits of one gap
  // come in time order so each goes right before the gap's closing event.
  std::stable_sort(requests.begin(), requests.end(),
                   [](const Request& a, const Request& b) { return a.frame < b.frame; });
  for (const Request& r : requests) {
    if (CheckStop() != LINKING_OK) return LINKING_ERR_CANCELED;
    if (Collides(r)) continue;
    int added;
    const int rc = Fit(r, &added);
    if (rc != LINKING_OK) return rc;
    if (added < 0) continue;
    const int before = s_->prev[r.after];
    s_->next[before] = added;
    s_->prev[added] = before;
    s_->next[added] = r.after;
    s_->prev[r.after] = added;
  }
  return LINKING_OK;
}

int Refiner::ExtendEnds() {
  struct Front {
    int chain;
    int direction;  // -1 backward, +1 forward
    int end;        // the chain's outermost event on this side
  };
  std::vector<Front> fronts;
  for (size_t c = 0; c < chains_.list.size(); ++c) {
    const int first = chains_.list[c].first;
    int last = chains_.list[c].last;
    while (s_->next[last] >= 0) last = s_->next[last];  // past the interior fits
    if (s_->events[first].frame > 0) fronts.push_back({static_cast<int>(c), -1, first});
    if (s_->events[last].frame < s_->frames - 1) fronts.push_back({static_cast<int>(c), +1, last});
  }
  std::vector<std::pair<Request, size_t>> proposals;  // request and its front
  while (!fronts.empty()) {
    proposals.clear();
    for (size_t f = 0; f < fronts.size(); ++f) {
      const Front& front = fronts[f];
      const int te = s_->events[front.end].frame;
      const int t = te + front.direction;
      if (t < 0 || t >= s_->frames || !s_->MotionTrusted(std::min(t, te), std::max(t, te))) continue;
      double sx = 0, sy = 0;
      int used = 0;
      for (int e = front.end; e >= 0 && used < kEndReferenceEvents;
           e = front.direction > 0 ? s_->prev[e] : s_->next[e], ++used) {
        double x, y;
        Relative(e, &x, &y);
        sx += x;
        sy += y;
      }
      proposals.push_back({{t, front.chain, -1, sx / used, sy / used}, f});
    }
    std::stable_sort(proposals.begin(), proposals.end(),
                     [](const auto& a, const auto& b) { return a.first.frame < b.first.frame; });
    std::vector<Front> advanced;
    for (const auto& [r, f] : proposals) {
      if (CheckStop() != LINKING_OK) return LINKING_ERR_CANCELED;
      if (Collides(r)) continue;
      int added;
      const int rc = Fit(r, &added);
      if (rc != LINKING_OK) return rc;
      if (added < 0) continue;
      const Front& front = fronts[f];
      if (front.direction > 0) {
        s_->next[front.end] = added;
        s_->prev[added] = front.end;
      } else {
        s_->prev[front.end] = added;
        s_->next[added] = front.end;
      }
      advanced.push_back({front.chain, front.direction, added});
    }
    fronts.swap(advanced);
  }
  return LINKING_OK;
}

int Refiner::Run(std::string* message) {
  const int frames = s_->frames;
  const double alpha = s_->series.alpha > 0 && s_->series.alpha < 1 ? s_->series.alpha : 0.001;
  threshold_ = ChiSquareUpperQuantile(alpha, 3);
  BuildChains(*s_, &chains_);
  added_in_frame_.assign(frames, {});
  const float default_sigma =
      s_->series.psf_sigma > 0 ? static_cast<float>(s_->series.psf_sigma) : 1.3f;
  chain_sigma_.assign(chains_.list.size(), default_sigma);
  chain_photons_.assign(chains_.list.size(), 100.0f);
  std::vector<double> sigmas, photons;
  for (size_t c = 0; c < chains_.list.size(); ++c) {
    sigmas.clear();
    photons.clear();
    for (const int* m = chains_.begin(static_cast<int>(c)); m != chains_.end(static_cast<int>(c)); ++m) {
      if (s_->events[*m].psf_sigma > 0) sigmas.push_back(s_->events[*m].psf_sigma);
      if (s_->events[*m].photons > 0) photons.push_back(s_->events[*m].photons);
    }
    // Within the range the fit admits around the localization's sigma.
    if (!sigmas.empty())
      chain_sigma_[c] = std::clamp(static_cast<float>(MedianInPlace(sigmas)), 0.31f, 20.0f);
    if (!photons.empty()) chain_photons_[c] = static_cast<float>(MedianInPlace(photons));
  }
  int rc = FillInterior();
  if (rc == LINKING_OK) rc = ExtendEnds();
  if (rc == LINKING_ERR_PIXELS) *message = reader_message_;
  return rc;
}

}  // namespace

int RefineMissedFrames(const LinkingParameters& parameters, LinkingPatchReader reader,
                       void* context, const volatile sig_atomic_t* stop, std::string* message,
                       LinkingSession* s) {
  Refiner refiner(parameters, reader, context, stop, s);
  return refiner.Run(message);
}

}  // namespace linking
