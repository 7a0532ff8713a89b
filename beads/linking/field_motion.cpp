// Common motion of the field (see field_motion.h).
#include "field_motion.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace linking {

namespace {

constexpr int kMaxVoters = 128;  // events of a frame that vote, or that fix its offset
constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// Replaces unknown (NaN) entries by linear interpolation between the known
// neighbours; ends take the nearest known value; all unknown gives zeros.
void FillByInterpolation(std::vector<double>& v) {
  const int n = static_cast<int>(v.size());
  int previous = -1;
  for (int t = 0; t < n; ++t) {
    if (std::isnan(v[t])) continue;
    if (previous < 0) {
      for (int u = 0; u < t; ++u) v[u] = v[t];
    } else {
      for (int u = previous + 1; u < t; ++u)
        v[u] = v[previous] + (v[t] - v[previous]) * (u - previous) / (t - previous);
    }
    previous = t;
  }
  if (previous < 0) {
    std::fill(v.begin(), v.end(), 0.0);
    return;
  }
  for (int u = previous + 1; u < n; ++u) v[u] = v[previous];
}

}  // namespace

double MedianInPlace(std::vector<double>& values) {
  const size_t n = values.size();
  if (n == 0) return 0;
  const auto middle = values.begin() + n / 2;
  std::nth_element(values.begin(), middle, values.end());
  const double upper = *middle;
  if (n % 2 == 1) return upper;
  const double lower = *std::max_element(values.begin(), middle);
  return 0.5 * (lower + upper);
}

ShiftVoter::ShiftVoter(double search_radius) : radius_(search_radius) {
  capture_ = std::max(LINKING_MOTION_CAPTURE_NM, 2.0 * search_radius);
  bin_ = std::clamp(search_radius / 2.0, 5.0, 250.0);
  bins_ = static_cast<int>(std::floor(2.0 * capture_ / bin_)) + 1;
  if (bins_ > 601) {
    bins_ = 601;
    bin_ = 2.0 * capture_ / 600.0;
  }
  votes_.assign(static_cast<size_t>(bins_) * bins_, 0);
}

void ShiftVoter::MedianAround(double cx, double cy, double* mx, double* my, int* support) {
  pick_x_.clear();
  pick_y_.clear();
  const double r2 = radius_ * radius_;
  for (size_t k = 0; k < pair_x_.size(); ++k) {
    const double dx = pair_x_[k] - cx, dy = pair_y_[k] - cy;
    if (dx * dx + dy * dy <= r2) {
      pick_x_.push_back(pair_x_[k]);
      pick_y_.push_back(pair_y_[k]);
    }
  }
  *support = static_cast<int>(pick_x_.size());
  if (pick_x_.empty()) return;
  *mx = MedianInPlace(pick_x_);
  *my = MedianInPlace(pick_y_);
}

ShiftEstimate ShiftVoter::Estimate(const PointGrid& grid_a, const double* ax, const double* ay,
                                   int na, const PointGrid& grid_b, const double* bx,
                                   const double* by, int nb) {
  ShiftEstimate result;
  pair_x_.clear();
  pair_y_.clear();
  // The smaller frame votes: each of its beads should find its partner in
  // the other. A hundred or so voters fix the motion to a nanometre; more
  // only cost time.
  const bool b_votes = nb <= na;
  const int n = b_votes ? nb : na;
  const double* vx = b_votes ? bx : ax;
  const double* vy = b_votes ? by : ay;
  const PointGrid& other = b_votes ? grid_a : grid_b;
  const double sign = b_votes ? -1.0 : 1.0;  // turns (other - voter) into b - a
  const int step = n > kMaxVoters ? (n + kMaxVoters - 1) / kMaxVoters : 1;
  const int voters = (n + step - 1) / step;
  for (int j = 0; j < n; j += step) {
    other.ForEachNear(vx[j], vy[j], capture_, [&](int, double dx, double dy) {
      const double ux = sign * dx, uy = sign * dy;
      const int ix = std::clamp(static_cast<int>(std::floor((ux + capture_) / bin_)), 0, bins_ - 1);
      const int iy = std::clamp(static_cast<int>(std::floor((uy + capture_) / bin_)), 0, bins_ - 1);
      const int cell = iy * bins_ + ix;
      if (votes_[cell]++ == 0) touched_.push_back(cell);
      pair_x_.push_back(ux);
      pair_y_.push_back(uy);
    });
  }
  if (pair_x_.empty()) return result;

  // The bin with the most votes in its 3 x 3 neighbourhood; among equals the
  // one nearest to no motion.
  int best_votes = -1;
  double best_norm = 0, cx = 0, cy = 0;
  for (int cell : touched_) {
    const int ix = cell % bins_, iy = cell / bins_;
    int sum = 0;
    for (int v = std::max(iy - 1, 0); v <= std::min(iy + 1, bins_ - 1); ++v)
      for (int u = std::max(ix - 1, 0); u <= std::min(ix + 1, bins_ - 1); ++u)
        sum += votes_[v * bins_ + u];
    const double x = (ix + 0.5) * bin_ - capture_, y = (iy + 0.5) * bin_ - capture_;
    const double norm = x * x + y * y;
    if (sum > best_votes || (sum == best_votes && norm < best_norm)) {
      best_votes = sum;
      best_norm = norm;
      cx = x;
      cy = y;
    }
  }
  for (int cell : touched_) votes_[cell] = 0;
  touched_.clear();

  // Two median rounds: the first from the bin's centre, the second from the
  // first median; the support is counted around the first median, where the
  // second round's pairs were taken.
  int support = 0;
  for (int round = 0; round < 2; ++round) {
    double mx = cx, my = cy;
    MedianAround(cx, cy, &mx, &my, &support);
    if (support == 0) break;
    cx = mx;
    cy = my;
  }
  result.dx = cx;
  result.dy = cy;
  result.support = support;
  // Trusted when well above what chance alignments give: the pairs near an
  // arbitrary displacement number about lambda = pairs * (radius/capture)^2,
  // so demand lambda + 5 sqrt(lambda) + 2, and a tenth of the voters; never
  // more than the voters can give.
  const double lambda = static_cast<double>(pair_x_.size()) * (radius_ / capture_) * (radius_ / capture_);
  const int chance = static_cast<int>(std::ceil(lambda + 5 * std::sqrt(lambda) + 2));
  const int fraction = static_cast<int>(std::ceil(0.1 * voters));
  const int needed = std::max(1, std::min(std::max(chance, fraction), voters));
  result.trusted = support >= needed;
  return result;
}

void CumulativeOffsets(int frames, const std::vector<int>& from, const std::vector<int>& to,
                       const std::vector<ShiftEstimate>& shifts, LinkingSession* s) {
  s->offset_x.assign(frames, kUnknown);
  s->offset_y.assign(frames, kUnknown);
  if (!from.empty()) {
    s->offset_x[from[0]] = 0;
    s->offset_y[from[0]] = 0;
    for (size_t k = 0; k < from.size(); ++k) {
      s->offset_x[to[k]] = s->offset_x[from[k]] + shifts[k].dx;
      s->offset_y[to[k]] = s->offset_y[from[k]] + shifts[k].dy;
    }
  }
  FillByInterpolation(s->offset_x);
  FillByInterpolation(s->offset_y);
}

void RefineOffsets(const Chains& chains, int iterations, LinkingSession* s) {
  const int frames = s->frames;
  if (frames == 0) return;
  const double nmx = s->nm_x(), nmy = s->nm_y();
  const std::vector<LinkingEvent>& ev = s->events;
  const FrameIndex& index = chains.index;
  const size_t count = chains.list.size();
  const auto member = [&](int e) {
    const int c = chains.chain_of[e];
    return c >= 0 && chains.list[c].count >= 2;
  };
  // Every pass runs over the events in frame order, which is their order in
  // memory for a file written frame by frame; per-chain values live in small
  // arrays. Walking the chains instead would jump through memory.
  std::vector<double> cx(count), cy(count);
  std::vector<double> vx, vy;
  for (int it = 0; it < iterations; ++it) {
    std::fill(cx.begin(), cx.end(), 0.0);
    std::fill(cy.begin(), cy.end(), 0.0);
    for (int e : index.order) {
      if (!member(e)) continue;
      const int c = chains.chain_of[e];
      cx[c] += ev[e].x * nmx - s->offset_x[ev[e].frame];
      cy[c] += ev[e].y * nmy - s->offset_y[ev[e].frame];
    }
    for (size_t c = 0; c < count; ++c) {
      if (chains.list[c].count < 2) continue;
      cx[c] /= chains.list[c].count;
      cy[c] /= chains.list[c].count;
    }
    for (int t = 0; t < frames; ++t) {
      vx.clear();
      vy.clear();
      // Up to about 128 beads per frame, evenly spread: their median fixes
      // the field to a nanometre or so.
      const int n = index.begin[t + 1] - index.begin[t];
      const int step = n > kMaxVoters ? (n + kMaxVoters - 1) / kMaxVoters : 1;
      for (int k = index.begin[t]; k < index.begin[t + 1]; k += step) {
        const int e = index.order[k];
        if (!member(e)) continue;
        const int c = chains.chain_of[e];
        vx.push_back(ev[e].x * nmx - cx[c]);
        vy.push_back(ev[e].y * nmy - cy[c]);
      }
      s->offset_x[t] = vx.empty() ? kUnknown : MedianInPlace(vx);
      s->offset_y[t] = vy.empty() ? kUnknown : MedianInPlace(vy);
    }
    FillByInterpolation(s->offset_x);
    FillByInterpolation(s->offset_y);
  }
  const double x0 = s->offset_x[0], y0 = s->offset_y[0];
  for (int t = 0; t < frames; ++t) {
    s->offset_x[t] -= x0;
    s->offset_y[t] -= y0;
  }
}

}  // namespace linking
