// The Allan deviation of a position series: how much the average position
// over a time tau differs from the average over the next tau,
//   AD(tau)^2 = 1/2 < (xbar_{j+m} - xbar_j)^2 >,   tau = m dt,
// with xbar_j the mean of samples j .. j+m-1 and the average taken over
// every j (overlapping). White noise falls as 1/sqrt(tau), a drift of v
// nm/s rises as v tau / sqrt(2).
#pragma once

#include <span>
#include <vector>

namespace analysis {

struct AllanPoint {
  double tau_s;
  double deviation;  // nm
};

// m = 1, 2, 4, ... while 2m does not exceed the series' length.
std::vector<AllanPoint> AllanDeviation(std::span<const double> series, double dt);

}  // namespace analysis
