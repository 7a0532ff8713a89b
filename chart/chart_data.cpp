// ChartData: create, append, query, destroy, and the observer list through
// which shown objects tell their charts about changes (see chart_data.h for
// the invariants and chart.h for the ownership rules).
#include "chart_data.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>

namespace chart {

void Bounds::Extend(double x, double y) {
  if (empty) {
    x_min = x_max = x;
    y_min = y_max = y;
    empty = false;
    return;
  }
  x_min = std::min(x_min, x);
  x_max = std::max(x_max, x);
  y_min = std::min(y_min, y);
  y_max = std::max(y_max, y);
}

void Bounds::Extend(const Bounds& other) {
  if (other.empty) return;
  Extend(other.x_min, other.y_min);
  Extend(other.x_max, other.y_max);
}

void AddDataObserver(ChartData* data, DataObserverFn fn, void* client) {
  for (const auto& o : data->observers)
    if (o.fn == fn && o.client == client) return;
  data->observers.push_back({fn, client});
}

void RemoveDataObserver(ChartData* data, DataObserverFn fn, void* client) {
  std::erase_if(data->observers,
                [&](const ChartData::Observer& o) { return o.fn == fn && o.client == client; });
}

}  // namespace chart

namespace {

bool ValidSet(const ChartData* data, int set) {
  return set >= 0 && static_cast<std::size_t>(set) < data->sets.size();
}

}  // namespace

extern "C" {

ChartData* ChartDataCreate(int nsets) {
  if (nsets < 1 || nsets > CHART_MAX_SETS) {
    fprintf(stderr, "ChartDataCreate: set count %d outside 1..%d\n", nsets, CHART_MAX_SETS);
    return nullptr;
  }
  try {
    auto* data = new ChartData;
    data->sets.resize(static_cast<std::size_t>(nsets));
    return data;
  } catch (const std::bad_alloc&) {
    fprintf(stderr, "ChartDataCreate: out of memory\n");
    return nullptr;
  }
}

void ChartDataDestroy(ChartData* data) {
  if (!data) return;
  // Observers remove themselves while being told, so work on a copy.
  auto observers = data->observers;
  for (const auto& o : observers) o.fn(o.client, data, chart::DataEvent::kDestroyed);
  delete data;
}

int ChartDataAppendPoint(ChartData* data, int set, double x, double y) {
  int rc = ChartOk;
  if (!data || !ValidSet(data, set)) {
    fprintf(stderr, "ChartDataAppendPoint: %s\n", data ? "set out of range" : "no data object");
    rc = ChartErrArgument;
  } else {
    const chart::Point p{static_cast<float>(x), static_cast<float>(y)};
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) {
      fprintf(stderr, "ChartDataAppendPoint: point (%g, %g) of set %d is not finite\n", x, y,
              set);
      rc = ChartErrValue;
    } else {
      auto& points = data->sets[static_cast<std::size_t>(set)];
      try {
        // Counts are reported as int: a set stops growing before they overflow.
        if (points.size() >= static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
        points.push_back(p);
        data->bounds.Extend(p.x, p.y);
      } catch (const std::bad_alloc&) {
        fprintf(stderr, "ChartDataAppendPoint: out of memory\n");
        rc = ChartErrMemory;
      }
    }
  }
  if (rc == ChartOk) {
    auto observers = data->observers;
    for (const auto& o : observers) o.fn(o.client, data, chart::DataEvent::kAppended);
  }
  return rc;
}

int ChartDataSetCount(const ChartData* data) {
  return data ? static_cast<int>(data->sets.size()) : ChartErrArgument;
}

int ChartDataPointCount(const ChartData* data, int set) {
  if (!data || !ValidSet(data, set)) return ChartErrArgument;
  return static_cast<int>(data->sets[static_cast<std::size_t>(set)].size());
}

int ChartDataGetPoint(const ChartData* data, int set, int index, double* x, double* y) {
  if (!data || !ValidSet(data, set) || !x || !y) return ChartErrArgument;
  const auto& points = data->sets[static_cast<std::size_t>(set)];
  if (index < 0 || static_cast<std::size_t>(index) >= points.size()) return ChartErrArgument;
  *x = points[static_cast<std::size_t>(index)].x;
  *y = points[static_cast<std::size_t>(index)].y;
  return ChartOk;
}

}  // extern "C"
