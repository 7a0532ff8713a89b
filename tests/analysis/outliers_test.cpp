// The robust outlier test: which positions are flagged for given values.
#include <gtest/gtest.h>

#include <analysis.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<int> Flagged(const std::vector<double>& values) {
  std::vector<int> flagged(values.size(), -1);
  int count = -1;
  EXPECT_EQ(FlagOutliers(values.data(), static_cast<int>(values.size()), flagged.data(), &count), 0);
  flagged.resize(static_cast<size_t>(count < 0 ? 0 : count));
  return flagged;
}

TEST(FlagOutliers, FlaggedPositions) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    std::vector<double> values;
    std::vector<int> flagged;
  } cases[] = {
      {"a single value is never an outlier", {5.0}, {}},
      {"two values never are (each squared deviation equals the median)", {1.0, 3.0}, {}},
      {"one value off a constant set", {0, 0, 0, 0, 10}, {4}},
      {"position is kept, not the sorted order", {10, 0, 0, 0, 0}, {0}},
      // With a zero median deviation the fixed factor flags anything farther
      // than sqrt(9 / 2048857637288302.25) = 6.628e-8 from the median.
      {"fixed factor: just beyond", {0, 0, 0, 0, 6.7e-8}, {4}},
      {"fixed factor: just within", {0, 0, 0, 0, 6.5e-8}, {}},
      // Even count: median (0 + 1) / 2 = 0.5; squared deviations sorted
      // .25 .25 .25 2.25 2.25 2.25 6.25 2450.25, median 2.25; only 50 lies
      // beyond 3 x 1.4826 x 1.5 = 6.67 of the median.
      {"even count, median of two middle values", {0, 1, -1, 2, -2, 1, -1, 50}, {7}},
      // Median 0 and median squared deviation 1: the limit is
      // 3 x 1.4826 = 4.4478 (squared: 19.7829).
      {"limit of three robust deviations", {0, 0, 0, 1, -1, 1, -1, 4.45, -4.44}, {7}},
      {"several outliers in ascending order", {0, 30, 0, 0, 0, 0, -30, 0, 0}, {1, 6}},
      {"a NaN is never flagged and does not disturb the rest", {0, 0, nan, 0, 10}, {4}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Flagged(c.values), c.flagged);
  }
}

}  // namespace
