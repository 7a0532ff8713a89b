// Reading every track of a track file and selecting the kept ones (see
// bead_series.h).
#include "bead_series.h"

#include <analysis.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

#include "outliers.h"
#include "track_event_source.h"

namespace analysis {
namespace {

void Start(BeadTrack& t, int number, int frames) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const size_t n = static_cast<size_t>(frames);
  t.number = number;
  for (std::vector<double>* v : {&t.x, &t.y, &t.precision_x, &t.precision_y, &t.photons}) v->assign(n, nan);
  t.seen.assign(n, 0);
}

// The displacement rows of the complete tracks on one axis, each minus its
// frame-0 value, as the estimation tests them.
std::vector<std::vector<double>> DisplacementRows(const std::vector<BeadTrack*>& complete, bool x_axis) {
  std::vector<std::vector<double>> rows;
  for (const BeadTrack* t : complete) {
    const std::vector<double>& p = x_axis ? t->x : t->y;
    std::vector<double> row(p.size());
    for (size_t f = 0; f < p.size(); ++f) row[f] = p[f] - p[0];
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<int> OutlierCounts(const std::vector<std::vector<double>>& rows, int frames) {
  std::vector<const double*> pointers;
  for (const std::vector<double>& r : rows) pointers.push_back(r.data());
  return CountOutlierFrames(pointers, frames);
}

}  // namespace

bool ReadBeadSeries(const char* path, BeadSeries* series, std::string* error) {
  int x0 = 0, y0 = 0, width = 0, height = 0, t_start = -1, t_end = -1, t_increment = -1;
  double pixel_x = 0, pixel_y = 0;
  int n_events = 0, n_tracks = 0;
  ReadTrackHeader(path, &x0, &y0, &width, &height, &t_start, &t_end, &t_increment, &pixel_x,
                  &pixel_y, &n_events, &n_tracks);
  long long span = static_cast<long long>(t_end) - t_start + 1;
  if (t_start < 0 || t_end < 0 || t_increment < 0 || span < 1 || span > INT_MAX) {
    *error = "the header gives no usable time range";
    return false;
  }
  const int frames = static_cast<int>(span);
  TrackEventSource source;
  if (!source.Open(path) || source.record_count() <= 0) {
    *error = "no event can be read";
    return false;
  }
  const int rows = std::min(n_tracks, ANALYSIS_MAX_TRACKS);

  std::vector<int> slot(static_cast<size_t>(std::max(rows, 0)), -1);
  series->frames = frames;
  series->tracks.clear();
  TrackEvent e;
  while (source.Next(&e)) {
    long long t = static_cast<long long>(e.trackNumber) - 1;
    if (e.frame < 0 || e.frame >= frames || t < 0 || t >= rows) continue;
    if (!std::isfinite(e.x) || !std::isfinite(e.y)) continue;
    int& s = slot[static_cast<size_t>(t)];
    if (s < 0) {
      s = static_cast<int>(series->tracks.size());
      series->tracks.emplace_back();
      Start(series->tracks.back(), static_cast<int>(t) + 1, frames);
    }
    BeadTrack& b = series->tracks[static_cast<size_t>(s)];
    size_t f = static_cast<size_t>(e.frame);
    b.x[f] = e.x;
    b.y[f] = e.y;
    b.precision_x[f] = e.xColumn6;
    b.precision_y[f] = e.yColumn4;
    b.photons[f] = e.value2;
    if (!b.seen[f]) ++b.frames_seen;
    b.seen[f] = 1;
    ++b.events;
  }
  std::sort(series->tracks.begin(), series->tracks.end(),
            [](const BeadTrack& a, const BeadTrack& b) { return a.number < b.number; });

  std::vector<BeadTrack*> complete;
  for (BeadTrack& b : series->tracks) {
    b.complete = b.events == frames && b.frames_seen == frames;
    if (b.complete) complete.push_back(&b);
  }
  if (complete.empty()) return true;
  std::vector<int> x_counts = OutlierCounts(DisplacementRows(complete, true), frames);
  std::vector<int> y_counts = OutlierCounts(DisplacementRows(complete, false), frames);
  for (size_t g = 0; g < complete.size(); ++g) {
    complete[g]->x_outlier_frames = x_counts[g];
    complete[g]->y_outlier_frames = y_counts[g];
    complete[g]->kept = !IsRejectedTrack(x_counts[g], y_counts[g], frames);
  }
  return true;
}

}  // namespace analysis
