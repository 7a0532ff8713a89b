// Choosing "nice" axis ticks for a data range, and the text of a tick label.
//
// An axis runs from a multiple of the tick step to a multiple of the tick
// step, the step being 1, 2 or 5 times a power of ten, so every labelled tick
// sits at a round value and the data range lies inside the axis. The caller
// says how many intervals fit (from the pixels available and the label size);
// the smallest step that needs no more intervals than that wins.
#pragma once

#include <string>

namespace chart {

struct AxisTicks {
  double axis_min = 0;  // data units; first tick, a multiple of `step`
  double axis_max = 1;  // data units; last tick, a multiple of `step`
  double step = 1;      // data units between ticks; {1, 2, 5} x 10^k
  int intervals = 1;    // number of steps from axis_min to axis_max (ticks = intervals + 1)
  int decimals = 0;     // digits after the decimal point that show every tick exactly

  // Value of tick i (0..intervals), computed from the step index so that
  // rounding errors do not accumulate along the axis.
  double Tick(int i) const;
};

// Ticks for data from `data_min` to `data_max` using at most `max_intervals`
// intervals (values below 1 count as 1; a range on both sides of zero gets
// two at least). An empty or degenerate range is
// widened around its value; non-finite input gives the axis 0..1.
AxisTicks ChooseTicks(double data_min, double data_max, int max_intervals);

// `value` in fixed-point notation with `decimals` digits after the point;
// never "-0".
std::string FormatTick(double value, int decimals);

// The label of tick i of `ticks`. An axis is labelled in one form: fixed
// point with the axis's decimals, or, where that would be long (magnitudes
// from 1e7, steps below 1e-6), exponent form with as many significant digits
// as the step needs to tell neighbouring ticks apart.
std::string TickLabel(const AxisTicks& ticks, int i);

}  // namespace chart
