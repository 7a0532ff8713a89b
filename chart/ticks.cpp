// Nice tick selection (see ticks.h).
#include "ticks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace chart {

namespace {

// Slack when deciding whether a value divided by the step is already a
// whole step index, so that 0.3 / 0.1 = 2.9999999999999996 counts as index 3
// and does not open a new interval. Relative to the index: a division's
// rounding error grows with it, and a tiny index must not be taken for 0,
// which would leave the value outside the axis.
constexpr double kOnTickSlack = 1e-12;

double IndexSlack(double q) { return kOnTickSlack * std::fabs(q); }

// Widens [lo, hi] in place when its span is zero or too small to label.
void WidenDegenerate(double& lo, double& hi) {
  const double magnitude = std::max(std::fabs(lo), std::fabs(hi));
  // A span this small against the values cannot be labelled distinctly.
  if (hi - lo > magnitude * 1e-9 && hi > lo) return;
  const double centre = 0.5 * (lo + hi);
  const double pad = centre == 0 ? 1.0 : std::fabs(centre) * 0.01;
  lo = centre - pad;
  hi = centre + pad;
}

// Step index at or below q (at or above for CeilIndex), where q is a value
// divided by the step; a q within rounding noise of a whole number is that
// number, whatever its size.
double FloorIndex(double q) {
  const double r = std::round(q);
  return std::fabs(q - r) <= IndexSlack(q) ? r : std::floor(q);
}

double CeilIndex(double q) {
  const double r = std::round(q);
  return std::fabs(q - r) <= IndexSlack(q) ? r : std::ceil(q);
}

}  // namespace

double AxisTicks::Tick(int i) const {
  // From the step index, so that rounding errors do not add up along the axis.
  return (std::round(axis_min / step) + i) * step;
}

AxisTicks ChooseTicks(double data_min, double data_max, int max_intervals) {
  AxisTicks t;
  if (!std::isfinite(data_min) || !std::isfinite(data_max)) return t;
  double lo = std::min(data_min, data_max);
  double hi = std::max(data_min, data_max);
  WidenDegenerate(lo, hi);
  if (!std::isfinite(hi - lo)) return t;  // beyond double range: nothing sensible to label
  // A range on both sides of zero needs two intervals at least.
  const int limit = std::max(lo < 0 && hi > 0 ? 2 : 1, max_intervals);

  // Start one decade below the rough step and walk up through 1, 2, 5; the
  // first step that fits is the finest one that does.
  static constexpr double kMantissas[] = {1, 2, 5};
  int exponent = static_cast<int>(std::floor(std::log10((hi - lo) / limit))) - 1;
  for (int guard = 0; guard < 64; ++guard, ++exponent) {
    for (double m : kMantissas) {
      const double step = m * std::pow(10.0, exponent);
      const double first = FloorIndex(lo / step);
      const double last = CeilIndex(hi / step);
      const double intervals = std::max(1.0, last - first);
      if (intervals > limit) continue;
      t.step = step;
      t.axis_min = first * step;
      t.axis_max = (first + intervals) * step;
      t.intervals = static_cast<int>(intervals);
      t.decimals = std::max(0, -exponent);
      return t;
    }
  }
  return t;  // unreachable for finite input: some power of ten always fits
}

std::string FormatTick(double value, int decimals) {
  char buf[400];
  snprintf(buf, sizeof buf, "%.*f", std::clamp(decimals, 0, 17), value);
  std::string s = buf;
  // A tiny negative value rounds to "-0", "-0.00": show it without the sign.
  if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
  return s;
}

std::string TickLabel(const AxisTicks& ticks, int i) {
  constexpr double kLongFixed = 1e7;  // magnitude from which fixed point gets too long
  constexpr int kMostDecimals = 6;    // decimals beyond which fixed point gets too long
  const double value = ticks.Tick(i);
  const double largest = std::max(std::fabs(ticks.axis_min), std::fabs(ticks.axis_max));
  if (largest < kLongFixed && ticks.decimals <= kMostDecimals) return FormatTick(value, ticks.decimals);
  // Digits from the largest magnitude down to the step's, one before the point.
  const int digits = static_cast<int>(std::floor(std::log10(largest) + 1e-9) -
                                      std::floor(std::log10(ticks.step) + 1e-9));
  char buf[64];
  snprintf(buf, sizeof buf, "%.*e", std::clamp(digits, 0, 16), value);
  return buf;
}

}  // namespace chart
