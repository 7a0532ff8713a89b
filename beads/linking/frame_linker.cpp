// Frame-to-frame linking (see frame_linker.h).
#include "frame_linker.h"

#include "component_assigner.h"
#include "field_motion.h"
#include "point_grid.h"

namespace linking {

namespace {

// Positions of one frame's events in nanometres.
struct FramePoints {
  int frame = -1;
  const int* events = nullptr;  // event indices (into s.events)
  int count = 0;
  std::vector<double> x, y;     // nm

  void Load(const LinkingSession& s, const FrameIndex& index, int t) {
    frame = t;
    events = index.order.data() + index.begin[t];
    count = index.begin[t + 1] - index.begin[t];
    x.resize(count);
    y.resize(count);
    const double nmx = s.nm_x(), nmy = s.nm_y();
    for (int k = 0; k < count; ++k) {
      x[k] = s.events[events[k]].x * nmx;
      y[k] = s.events[events[k]].y * nmy;
    }
  }
};

}  // namespace

int LinkSuccessiveFrames(const FrameIndex& index, const LinkingParameters& p,
                         const volatile sig_atomic_t* stop, LinkingSession* s) {
  const int frames = s->frames;
  const double radius = p.search_radius;
  const double alone = radius * radius;
  ShiftVoter voter(radius);
  ComponentAssigner assigner;
  PointGrid grid, grid_b;  // over frame a's and frame b's events
  FramePoints a, b;
  std::vector<int> from, to;
  std::vector<ShiftEstimate> shifts;
  std::vector<int> untrusted(frames, 0);  // 1 at t: the motion into frame t was not trusted
  std::vector<Candidate> candidates;
  std::vector<std::pair<int, int>> chosen;

  int t = 0;
  while (t < frames && index.begin[t] == index.begin[t + 1]) ++t;
  if (t < frames) {
    a.Load(*s, index, t);
    grid.Build(a.x.data(), a.y.data(), a.count, voter.capture());
  }
  int pairs_done = 0;
  for (int u = t + 1; t < frames && u < frames; ++u) {
    if (index.begin[u] == index.begin[u + 1]) continue;
    if ((++pairs_done & 63) == 0 && Stopped(stop)) return LINKING_ERR_CANCELED;
    b.Load(*s, index, u);
    grid_b.Build(b.x.data(), b.y.data(), b.count, voter.capture());
    const ShiftEstimate shift = voter.Estimate(grid, a.x.data(), a.y.data(), a.count, grid_b,
                                               b.x.data(), b.y.data(), b.count);
    from.push_back(a.frame);
    to.push_back(u);
    shifts.push_back(shift);
    if (!shift.trusted) {
      untrusted[u] = 1;
      ++s->stats.uncertain_motions;
    } else if (u == a.frame + 1) {
      candidates.clear();
      for (int j = 0; j < b.count; ++j) {
        grid.ForEachNear(b.x[j] - shift.dx, b.y[j] - shift.dy, radius,
                         [&](int k, double dx, double dy) {
                           candidates.push_back({k, j, dx * dx + dy * dy});
                         });
      }
      const int rc = assigner.Solve(candidates, a.count, b.count, alone, alone, &chosen);
      if (rc != LINKING_OK) return rc;
      for (const auto& [k, j] : chosen) {
        const int ea = a.events[k], eb = b.events[j];
        s->next[ea] = eb;
        s->prev[eb] = ea;
        ++s->stats.frame_links;
      }
    }
    // Frame b becomes the earlier frame; its buffers and grid move along.
    std::swap(a, b);
    std::swap(grid, grid_b);
  }
  s->untrusted_before.assign(frames + 1, 0);
  for (int f = 0; f < frames; ++f) s->untrusted_before[f + 1] = s->untrusted_before[f] + untrusted[f];
  CumulativeOffsets(frames, from, to, shifts, s);
  return LINKING_OK;
}

}  // namespace linking
