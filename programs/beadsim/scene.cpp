// Scene building (bead placement) and per-frame motion of the simulator.
#include "scene.h"

#include <cmath>

#include "beads.h"

namespace beadsim {

const char* BeadKindName(BeadKind kind) {
  switch (kind) {
    case BeadKind::kFixed: return "fixed";
    case BeadKind::kLoose: return "loose";
    case BeadKind::kPair: return "pair";
    case BeadKind::kEdge: return "edge";
  }
  return "fixed";
}

namespace {

double Brightness(BeadsRng* rng, const SceneOptions& o) {
  if (o.photon_spread <= 0) return o.photons;
  // Gamma with the requested mean and relative spread: always positive.
  const double shape = 1.0 / (o.photon_spread * o.photon_spread);
  return BeadsRngGamma(rng, shape, o.photons / shape);
}

}  // namespace

std::string Scene::Build(const SceneOptions& o) {
  options_ = o;
  beads_.clear();
  BeadsRng rng;
  BeadsRngSeed(&rng, o.seed, 0);
  const double sigma = o.psf_sigma;
  // Ordinary beads keep 8 sigma from each other so that they are isolated;
  // they stay 3 sigma inside the border, beyond the reach of the motion.
  const double margin = 3 * sigma + 1;
  const double spacing = 8 * sigma;
  const int total = o.beads + 2 * o.pairs + o.edge + o.loose;
  if (total > 0 && (o.nx < 2 * margin + 1 || o.ny < 2 * margin + 1))
    return "the frame is too small for beads of this PSF width";
  auto far_enough = [&](double x, double y, double distance) {
    for (const Bead& b : beads_)
      if (std::hypot(b.base_x - x, b.base_y - y) < distance) return false;
    return true;
  };
  auto place = [&](BeadKind kind, double distance, double* x, double* y) {
    for (int attempt = 0; attempt < 10000; ++attempt) {
      *x = margin + BeadsRngUniform(&rng) * (o.nx - 1 - 2 * margin);
      *y = margin + BeadsRngUniform(&rng) * (o.ny - 1 - 2 * margin);
      if (kind == BeadKind::kEdge) {
        // Within a pixel of one of the four borders, along it at random.
        const int side = static_cast<int>(BeadsRngUniform(&rng) * 4);
        const double inset = BeadsRngUniform(&rng);
        if (side == 0) *x = inset;
        if (side == 1) *x = o.nx - 1 - inset;
        if (side == 2) *y = inset;
        if (side == 3) *y = o.ny - 1 - inset;
      }
      if (far_enough(*x, *y, distance)) return true;
    }
    return false;
  };
  double x, y;
  for (int k = 0; k < o.beads; ++k) {
    if (!place(BeadKind::kFixed, spacing, &x, &y)) return "too many beads for the frame";
    beads_.push_back({BeadKind::kFixed, x, y, Brightness(&rng, o), -1, -1});
  }
  for (int k = 0; k < o.pairs; ++k) {
    const double d = sigma * (o.pair_min + BeadsRngUniform(&rng) * (o.pair_max - o.pair_min));
    if (!place(BeadKind::kPair, spacing + d, &x, &y)) return "too many beads for the frame";
    const double angle = 2 * M_PI * BeadsRngUniform(&rng);
    const double dx = 0.5 * d * std::cos(angle), dy = 0.5 * d * std::sin(angle);
    beads_.push_back({BeadKind::kPair, x - dx, y - dy, Brightness(&rng, o), -1, -1});
    beads_.push_back({BeadKind::kPair, x + dx, y + dy, Brightness(&rng, o), -1, -1});
  }
  for (int k = 0; k < o.edge; ++k) {
    if (!place(BeadKind::kEdge, spacing, &x, &y)) return "too many beads for the frame";
    beads_.push_back({BeadKind::kEdge, x, y, Brightness(&rng, o), -1, -1});
  }
  for (int k = 0; k < o.loose; ++k) {
    if (!place(BeadKind::kLoose, spacing, &x, &y)) return "too many beads for the frame";
    beads_.push_back({BeadKind::kLoose, x, y, Brightness(&rng, o), -1, -1});
  }
  // Vanishing beads are chosen among the ordinary ones.
  for (int k = 0; k < o.vanish && k < o.beads; ++k) {
    const int length = 2 + static_cast<int>(BeadsRngUniform(&rng) * 4);
    const int first = static_cast<int>(BeadsRngUniform(&rng) * std::max(1, o.frames - length));
    beads_[k].dark_first = first;
    beads_[k].dark_last = first + length - 1;
  }
  loose_x_.clear();
  loose_y_.clear();
  for (const Bead& b : beads_) {
    loose_x_.push_back(b.base_x);
    loose_y_.push_back(b.base_y);
  }
  walk_seed_ = o.seed ^ 0x5eedULL;
  frame_ = 0;
  return "";
}

const FrameTruth& Scene::Next() {
  const SceneOptions& o = options_;
  const double t = frame_ * o.frame_interval;
  const double nm_to_px = 1.0 / (o.pixel_size_um * 1000.0);
  // The stage's own randomness (jitter) and the loose beads' walk have
  // their own stream per frame, independent of the camera noise.
  BeadsRng rng;
  BeadsRngSeed(&rng, walk_seed_, static_cast<uint64_t>(frame_));
  double sx = o.drift_x * t, sy = o.drift_y * t;
  for (const Vibration& v : o.vibrations) {
    const double s = std::sin(2 * M_PI * v.frequency_hz * t + v.phase);
    sx += v.amplitude_x * s;
    sy += v.amplitude_y * s;
  }
  if (o.jitter > 0) {
    sx += o.jitter * BeadsRngGaussian(&rng);
    sy += o.jitter * BeadsRngGaussian(&rng);
  }
  truth_.stage_x = sx * nm_to_px;
  truth_.stage_y = sy * nm_to_px;
  const size_t n = beads_.size();
  truth_.x.resize(n);
  truth_.y.resize(n);
  truth_.photons.resize(n);
  const double bleach = o.bleach_frames > 0 ? std::exp(-frame_ / o.bleach_frames) : 1.0;
  for (size_t k = 0; k < n; ++k) {
    const Bead& b = beads_[k];
    if (b.kind == BeadKind::kLoose) {
      if (frame_ > 0) {
        loose_x_[k] += o.loose_step * BeadsRngGaussian(&rng);
        loose_y_[k] += o.loose_step * BeadsRngGaussian(&rng);
      }
      truth_.x[k] = loose_x_[k];
      truth_.y[k] = loose_y_[k];
    } else {
      truth_.x[k] = b.base_x + truth_.stage_x;
      truth_.y[k] = b.base_y + truth_.stage_y;
    }
    const bool dark = frame_ >= b.dark_first && frame_ <= b.dark_last;
    truth_.photons[k] = dark ? 0.0 : b.photons * bleach;
  }
  ++frame_;
  return truth_;
}

}  // namespace beadsim
