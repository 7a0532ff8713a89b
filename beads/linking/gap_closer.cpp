// Gap closing between chains (see gap_closer.h).
#include "gap_closer.h"

#include <algorithm>
#include <cmath>

#include "component_assigner.h"

namespace linking {

namespace {

struct Start {
  double x, y;  // first position relative to the field, nm
  int chain;    // chain that starts here
};

}  // namespace

int CloseGaps(const Chains& chains, const LinkingParameters& p, int min_gap, LinkingSession* s) {
  const int window = p.time_window;
  if (min_gap > window || chains.list.size() < 2) return LINKING_OK;
  const int frames = s->frames;
  const double nmx = s->nm_x(), nmy = s->nm_y();
  const double radius = p.search_radius, r2 = radius * radius;
  const auto relative = [&](int e, double* x, double* y) {
    const LinkingEvent& ev = s->events[e];
    *x = ev.x * nmx - s->offset_x[ev.frame];
    *y = ev.y * nmy - s->offset_y[ev.frame];
  };

  // Starts grouped by frame, each group sorted by x for strip queries.
  std::vector<int> begin(frames + 1, 0);
  for (const Chain& c : chains.list) ++begin[s->events[c.first].frame + 1];
  for (int t = 0; t < frames; ++t) begin[t + 1] += begin[t];
  std::vector<Start> starts(chains.list.size());
  {
    std::vector<int> fill(begin.begin(), begin.end() - 1);
    for (size_t c = 0; c < chains.list.size(); ++c) {
      Start& st = starts[fill[s->events[chains.list[c].first].frame]++];
      relative(chains.list[c].first, &st.x, &st.y);
      st.chain = static_cast<int>(c);
    }
    for (int t = 0; t < frames; ++t)
      std::sort(starts.begin() + begin[t], starts.begin() + begin[t + 1],
                [](const Start& a, const Start& b) { return a.x < b.x; });
  }

  std::vector<double> penalty(window + 1);
  for (int g = 0; g <= window; ++g) penalty[g] = std::pow(p.gap_penalty, g);
  std::vector<Candidate> candidates;
  for (size_t c = 0; c < chains.list.size(); ++c) {
    const int end_event = chains.list[c].last;
    const int te = s->events[end_event].frame;
    double ex, ey;
    relative(end_event, &ex, &ey);
    for (int g = min_gap; g <= window; ++g) {
      const int ts = te + 1 + g;
      if (ts >= frames || !s->MotionTrusted(te, ts)) break;
      auto lo = std::lower_bound(starts.begin() + begin[ts], starts.begin() + begin[ts + 1],
                                 ex - radius, [](const Start& a, double v) { return a.x < v; });
      for (auto it = lo; it != starts.begin() + begin[ts + 1] && it->x <= ex + radius; ++it) {
        const double dx = it->x - ex, dy = it->y - ey;
        const double d2 = dx * dx + dy * dy;
        if (d2 <= r2) candidates.push_back({static_cast<int>(c), it->chain, d2 * penalty[g]});
      }
    }
  }
  const int n = static_cast<int>(chains.list.size());
  const double alone = r2 * penalty[window];
  ComponentAssigner assigner;
  std::vector<std::pair<int, int>> chosen;
  const int rc = assigner.Solve(candidates, n, n, alone, alone, &chosen);
  if (rc != LINKING_OK) return rc;
  for (const auto& [a, b] : chosen) {
    const int from = chains.list[a].last, to = chains.list[b].first;
    s->next[from] = to;
    s->prev[to] = from;
    ++s->stats.gaps_closed;
  }
  return LINKING_OK;
}

}  // namespace linking
