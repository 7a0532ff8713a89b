// The robust outlier test and the track rejection rule (see outliers.h), and
// FlagOutliers, the test's C entry.
#include "outliers.h"

#include <analysis.h>

#include <algorithm>
#include <cmath>

namespace analysis {
namespace {

// A strict weak order on doubles that puts NaNs last, so that sorting a
// column with a NaN in it is well defined. (A function object, so that the
// selection inlines it.)
struct NanLast {
  bool operator()(double a, double b) const {
    if (std::isnan(a)) return false;
    if (std::isnan(b)) return true;
    return a < b;
  }
};

}  // namespace

double MedianOf(std::span<double> scratch) {
  size_t n = scratch.size();
  auto upper = scratch.begin() + static_cast<std::ptrdiff_t>(n / 2);
  std::nth_element(scratch.begin(), upper, scratch.end(), NanLast());
  double upper_middle = *upper;
  if (n % 2 == 1) return upper_middle;
  // The lower middle element is the largest of those before the upper one.
  double lower_middle = *std::max_element(scratch.begin(), upper, NanLast());
  return (lower_middle + upper_middle) / 2.0;
}

void OutlierTest::Flag(std::span<const double> values, std::vector<int>& flagged) {
  flagged.clear();
  sorted_.assign(values.begin(), values.end());
  double median = MedianOf(sorted_);

  squared_.resize(values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    double deviation = values[i] - median;
    squared_[i] = deviation * deviation;
  }
  sorted_.assign(squared_.begin(), squared_.end());
  double squared_median = MedianOf(sorted_);

  double scale = squared_median > kMadFloor ? 1.0 / (kMadFactorSquared * squared_median)
                                            : kMadFloorScale;
  for (size_t i = 0; i < values.size(); ++i)
    if (scale * squared_[i] > kOutlierThreshold) flagged.push_back(static_cast<int>(i));
}

std::vector<int> CountOutlierFrames(std::span<const double* const> rows, int frames) {
  std::vector<int> counts(rows.size(), 0);
  std::vector<double> column(rows.size());
  std::vector<int> flagged;
  OutlierTest test;
  for (int f = 0; f < frames; ++f) {
    for (size_t g = 0; g < rows.size(); ++g) column[g] = rows[g][f];
    test.Flag(column, flagged);
    for (int g : flagged) ++counts[static_cast<size_t>(g)];
  }
  return counts;
}

bool IsRejectedTrack(int x_outlier_frames, int y_outlier_frames, int frames) {
  // Compared in single precision, as the fractions always were.
  constexpr float kRejectFraction = 0.1f;
  float x_fraction = static_cast<float>(x_outlier_frames) / static_cast<float>(frames);
  float y_fraction = static_cast<float>(y_outlier_frames) / static_cast<float>(frames);
  return x_fraction > kRejectFraction && y_fraction > kRejectFraction;
}

}  // namespace analysis

extern "C" int FlagOutliers(const double* values, int count, int* flagged, int* flaggedCount) {
  if (!values || count < 1 || !flagged || !flaggedCount) return 1;
  try {
    analysis::OutlierTest test;
    std::vector<int> positions;
    test.Flag(std::span<const double>(values, static_cast<size_t>(count)), positions);
    std::copy(positions.begin(), positions.end(), flagged);
    *flaggedCount = static_cast<int>(positions.size());
    return 0;
  } catch (...) {
    // Only the scratch allocations can fail.
    return 1;
  }
}
