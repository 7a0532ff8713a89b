// The robust outlier test of the estimation and the rule that rejects a
// track by it. The test: a value is an outlier when its
// squared distance from the median exceeds 9 / (1.4826^2 * M), M being the
// median of all squared distances; that is, when it lies farther than
// 3 x 1.4826 x sqrt(M) from the median (three robust standard deviations).
// When M is zero or below double precision's epsilon, a fixed large factor
// takes the place of 1 / (1.4826^2 * M), so that a single value off a
// constant set is still flagged.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace analysis {

// 1.4826^2: the squared factor that turns a median absolute deviation into a
// standard deviation for normally distributed values.
constexpr double kMadFactorSquared = 2.19810276;
// Smallest median of squared deviations taken at face value.
constexpr double kMadFloor = 2.220446049250313e-16;
// 1 / (kMadFactorSquared * kMadFloor), as the double it evaluates to.
constexpr double kMadFloorScale = 2048857637288302.25;
// A value is flagged when its scaled squared deviation exceeds this.
constexpr double kOutlierThreshold = 9.0;

// The median of a set by the rule used throughout the estimation: the middle
// element of the sorted values, or the mean of the two middle elements for
// an even count. NaNs sort after every number. `scratch` is reordered.
double MedianOf(std::span<double> scratch);

// Flags outliers; keeps its scratch space between calls so that the per-frame
// tests of an estimation allocate nothing after the first frame.
class OutlierTest {
 public:
  // Appends the positions of the outliers in values (ascending) to flagged,
  // which is cleared first. values must not be empty.
  void Flag(std::span<const double> values, std::vector<int>& flagged);

 private:
  std::vector<double> sorted_;           // scratch copy for the medians
  std::vector<double> squared_;          // squared deviations from the median
};

// The per-frame test over the displacement rows of the complete tracks:
// rows[g] holds `frames` values; column f of all rows is tested together.
// Returns per row the number of frames in which it was flagged.
std::vector<int> CountOutlierFrames(std::span<const double* const> rows, int frames);

// A complete track is rejected when it is an outlier in more than a tenth of
// the frames on both axes (the fractions compared in single precision).
bool IsRejectedTrack(int x_outlier_frames, int y_outlier_frames, int frames);

}  // namespace analysis
