// The data object behind ChartData*: sets of single-precision points plus the
// list of charts that currently show the object.
//
// Invariants:
//   (1) Every stored coordinate is finite (the append call refuses others), so
//       ranges and drawing never meet NaN or infinity.
//   (2) `bounds` covers exactly the points of all sets; it is extended on every
//       append, so asking for the data range costs nothing per redraw.
//   (3) An observer is registered at most once per (callback, client) pair and
//       is told of every append and of the destruction; after the destruction
//       notice the object is gone and the observer must forget it.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "chart.h"

namespace chart {

// One stored point; single precision as the charts need no more.
struct Point {
  float x;  // abscissa in data units
  float y;  // ordinate in data units
};

// Smallest box around a collection of points.
struct Bounds {
  bool empty = true;  // no point seen yet; the other fields are meaningless
  double x_min = 0;   // data units
  double x_max = 0;
  double y_min = 0;
  double y_max = 0;

  void Extend(double x, double y);
  void Extend(const Bounds& other);
};

enum class DataEvent { kAppended, kDestroyed };

// Told when a data object changes; `client` is what was registered.
using DataObserverFn = void (*)(void* client, ChartData* data, DataEvent event);

}  // namespace chart

struct ChartData {
  struct Observer {
    chart::DataObserverFn fn;  // called on append and on destruction
    void* client;              // passed back unchanged (the chart widget)
  };

  std::vector<std::vector<chart::Point>> sets;  // one vector of points per set
  chart::Bounds bounds;                          // all points of all sets
  std::vector<Observer> observers;               // charts showing this object

  std::span<const chart::Point> Set(std::size_t n) const { return sets[n]; }
};

namespace chart {

void AddDataObserver(ChartData* data, DataObserverFn fn, void* client);
void RemoveDataObserver(ChartData* data, DataObserverFn fn, void* client);

}  // namespace chart
