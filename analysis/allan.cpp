// The overlapping Allan deviation (see allan.h), with a running sum so that
// every averaging time costs one pass.
#include "allan.h"

#include <cmath>

namespace analysis {

std::vector<AllanPoint> AllanDeviation(std::span<const double> series, double dt) {
  const size_t n = series.size();
  std::vector<double> cumulative(n + 1, 0.0);
  for (size_t i = 0; i < n; ++i) cumulative[i + 1] = cumulative[i] + series[i];
  std::vector<AllanPoint> points;
  for (size_t m = 1; 2 * m <= n; m *= 2) {
    double sum = 0;
    size_t pairs = n - 2 * m + 1;
    for (size_t j = 0; j < pairs; ++j) {
      double first = (cumulative[j + m] - cumulative[j]) / static_cast<double>(m);
      double second = (cumulative[j + 2 * m] - cumulative[j + m]) / static_cast<double>(m);
      sum += (second - first) * (second - first);
    }
    points.push_back({static_cast<double>(m) * dt, std::sqrt(sum / (2.0 * static_cast<double>(pairs)))});
  }
  return points;
}

}  // namespace analysis
