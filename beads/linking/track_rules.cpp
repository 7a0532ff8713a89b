// Spread test and track numbering (see track_rules.h).
#include "track_rules.h"

#include <algorithm>
#include <cmath>

#include "field_motion.h"

namespace linking {

long DissolveSpreadChains(Chains* chains, double max_std, LinkingSession* s) {
  const double nmx = s->nm_x(), nmy = s->nm_y();
  const size_t count = chains->list.size();
  const auto relative = [&](int e, double* x, double* y) {
    const LinkingEvent& ev = s->events[e];
    *x = ev.x * nmx - s->offset_x[ev.frame];
    *y = ev.y * nmy - s->offset_y[ev.frame];
  };
  // Sums of the positions relative to the field, taken from each chain's
  // first position so that the variance keeps its digits; accumulated over
  // the events in frame order (see RefineOffsets for why).
  std::vector<double> origin_x(count), origin_y(count), sx(count, 0.0), sy(count, 0.0),
      qx(count, 0.0), qy(count, 0.0);
  for (size_t c = 0; c < count; ++c) relative(chains->list[c].first, &origin_x[c], &origin_y[c]);
  for (int e : chains->index.order) {
    const int c = chains->chain_of[e];
    if (c < 0 || chains->list[c].count < 2) continue;
    double x, y;
    relative(e, &x, &y);
    x -= origin_x[c];
    y -= origin_y[c];
    sx[c] += x;
    sy[c] += y;
    qx[c] += x * x;
    qy[c] += y * y;
  }
  std::vector<uint8_t> dissolve(count, 0);
  long dissolved = 0;
  for (size_t c = 0; c < count; ++c) {
    const double n = chains->list[c].count;
    if (n < 2) continue;
    const double var_x = (qx[c] - sx[c] * sx[c] / n) / (n - 1);
    const double var_y = (qy[c] - sy[c] * sy[c] / n) / (n - 1);
    if (var_x <= max_std * max_std && var_y <= max_std * max_std) continue;
    dissolve[c] = 1;
    chains->list[c].count = 0;  // no longer a chain
    ++dissolved;
  }
  if (dissolved == 0) return 0;
  for (int e : chains->index.order) {
    const int c = chains->chain_of[e];
    if (c < 0 || !dissolve[c]) continue;
    s->next[e] = -1;
    s->prev[e] = -1;
    s->excluded[e] = 1;
    chains->chain_of[e] = -1;
  }
  return dissolved;
}

void NumberTracks(const Chains& chains, LinkingSession* s) {
  const double nmx = s->nm_x(), nmy = s->nm_y();
  const size_t count = chains.list.size();
  std::vector<double> precision(count, 0.0);  // summed combined precision, nm
  for (int e : chains.index.order) {
    const int c = chains.chain_of[e];
    if (c < 0) continue;
    const LinkingEvent& ev = s->events[e];
    const double px = ev.x_precision * nmx, py = ev.y_precision * nmy;
    precision[c] += std::sqrt(px * px + py * py);
  }
  struct Entry {
    int chain;
    bool complete;
    int count;
    double precision;  // mean combined precision, nm
    int first_frame;
    double y, x;       // first position, pixels
  };
  std::vector<Entry> tracks;
  for (size_t c = 0; c < count; ++c) {
    const Chain& ch = chains.list[c];
    if (ch.count < 2) continue;
    const LinkingEvent& first = s->events[ch.first];
    tracks.push_back({static_cast<int>(c), ch.count == s->frames, ch.count,
                      precision[c] / ch.count, first.frame, first.y, first.x});
  }
  std::sort(tracks.begin(), tracks.end(), [](const Entry& a, const Entry& b) {
    if (a.complete != b.complete) return a.complete;
    if (!a.complete && a.count != b.count) return a.count > b.count;
    if (a.precision != b.precision) return a.precision < b.precision;
    if (a.first_frame != b.first_frame) return a.first_frame < b.first_frame;
    if (a.y != b.y) return a.y < b.y;
    if (a.x != b.x) return a.x < b.x;
    return a.chain < b.chain;
  });
  long complete = 0;
  for (const Entry& t : tracks) complete += t.complete;
  const size_t numbered =
      std::max<size_t>(static_cast<size_t>(complete),
                       std::min<size_t>(tracks.size(), LINKING_TRACK_CAP));
  std::vector<int> number(count, 0);
  for (size_t k = 0; k < numbered; ++k) number[tracks[k].chain] = static_cast<int>(k) + 1;
  s->stats.complete_tracks = complete;
  s->stats.unnumbered_chains = static_cast<long>(tracks.size() - numbered);
  long linked = 0;
  for (size_t e = 0; e < s->events.size(); ++e) {
    const int c = chains.chain_of[e];
    s->events[e].track = c >= 0 ? number[c] : 0;
    linked += s->events[e].track > 0;
  }
  s->stats.tracks = static_cast<long>(numbered);
  s->stats.events = static_cast<long>(s->events.size());
  s->stats.unlinked_events = static_cast<long>(s->events.size()) - linked;
}

}  // namespace linking
