// Spread test and track numbering (see track_rules.h).
#include "track_rules.h"

#include <algorithm>
#include <cmath>

#include "field_motion.h"

namespace linking {

long DissolveSpreadChains(const Chains& chains, double max_std, LinkingSession* s) {
  const double nmx = s->nm_x(), nmy = s->nm_y();
  long dissolved = 0;
  for (const Chain& c : chains.list) {
    if (c.count < 2) continue;
    // Welford's running variance of the positions relative to the field.
    double mx = 0, my = 0, qx = 0, qy = 0;
    int n = 0;
    for (int e = c.first; e >= 0; e = s->next[e]) {
      const LinkingEvent& ev = s->events[e];
      const double x = ev.x * nmx - s->offset_x[ev.frame];
      const double y = ev.y * nmy - s->offset_y[ev.frame];
      ++n;
      const double dx = x - mx, dy = y - my;
      mx += dx / n;
      my += dy / n;
      qx += dx * (x - mx);
      qy += dy * (y - my);
    }
    const double sx = std::sqrt(qx / (n - 1)), sy = std::sqrt(qy / (n - 1));
    if (sx <= max_std && sy <= max_std) continue;
    ++dissolved;
    for (int e = c.first; e >= 0;) {
      const int following = s->next[e];
      s->next[e] = -1;
      s->prev[e] = -1;
      s->excluded[e] = 1;
      e = following;
    }
  }
  return dissolved;
}

void NumberTracks(const Chains& chains, LinkingSession* s) {
  const double nmx = s->nm_x(), nmy = s->nm_y();
  struct Entry {
    int chain;
    bool complete;
    int count;
    double precision;  // median combined precision, nm
    int first_frame;
    double y, x;       // first position, pixels
  };
  std::vector<Entry> tracks;
  std::vector<double> values;
  for (size_t c = 0; c < chains.list.size(); ++c) {
    const Chain& ch = chains.list[c];
    if (ch.count < 2) continue;
    values.clear();
    for (int e = ch.first; e >= 0; e = s->next[e]) {
      const LinkingEvent& ev = s->events[e];
      values.push_back(std::hypot(ev.x_precision * nmx, ev.y_precision * nmy));
    }
    const LinkingEvent& first = s->events[ch.first];
    tracks.push_back({static_cast<int>(c), ch.count == s->frames, ch.count,
                      MedianInPlace(values), first.frame, first.y, first.x});
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
  for (LinkingEvent& ev : s->events) ev.track = 0;
  s->stats.complete_tracks = 0;
  long linked = 0;
  for (size_t k = 0; k < tracks.size(); ++k) {
    const int number = static_cast<int>(k) + 1;
    for (int e = chains.list[tracks[k].chain].first; e >= 0; e = s->next[e]) {
      s->events[e].track = number;
      ++linked;
    }
    s->stats.complete_tracks += tracks[k].complete;
  }
  s->stats.tracks = static_cast<long>(tracks.size());
  s->stats.events = static_cast<long>(s->events.size());
  s->stats.unlinked_events = static_cast<long>(s->events.size()) - linked;
}

}  // namespace linking
