// Tick selection and tick label text.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ticks.h"

namespace chart {
namespace {

struct TickCase {
  double lo, hi;
  int max_intervals;
  double axis_min, axis_max, step;
  int decimals;
};

TEST(ChooseTicks, PicksTheFinestRoundStepThatFits) {
  const TickCase cases[] = {
      // frame numbers of a typical run
      {0, 500, 10, 0, 500, 50, 0},
      {0, 500, 6, 0, 500, 100, 0},
      {0, 499, 10, 0, 500, 50, 0},
      {0, 1000, 12, 0, 1000, 100, 0},
      // displacements in nm around zero
      {-23.7, 18.2, 9, -25, 20, 5, 0},
      {-23.7, 18.2, 8, -30, 20, 10, 0},
      {-23.7, 18.2, 4, -40, 20, 20, 0},
      {-0.37, 0.52, 10, -0.4, 0.6, 0.1, 1},
      // fractional and small ranges
      {0, 1, 5, 0, 1, 0.2, 1},
      {0.001, 0.0047, 5, 0.001, 0.005, 0.001, 3},
      {0.3, 0.9, 6, 0.3, 0.9, 0.1, 1},
      // all negative, all large
      {-50, -10, 4, -50, -10, 10, 0},
      {1.2e6, 3.9e6, 6, 1e6, 4e6, 5e5, 0},
      // an interval budget of one takes the whole range in one step, or two
      // steps where the range lies on both sides of zero
      {3, 7, 1, 0, 10, 10, 0},
      {3, 7, 0, 0, 10, 10, 0},
      {-3, -7, 1, -10, 0, 10, 0},
      {-23.5, 23.5, 1, -50, 50, 50, 0},
      {-0.3, 0.5, 1, -0.5, 0.5, 0.5, 1},
      // reversed bounds are the same range
      {500, 0, 10, 0, 500, 50, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi << " max " << c.max_intervals);
    const AxisTicks t = ChooseTicks(c.lo, c.hi, c.max_intervals);
    EXPECT_NEAR(t.axis_min, c.axis_min, 1e-12 * std::fabs(c.step) + 1e-15);
    EXPECT_NEAR(t.axis_max, c.axis_max, 1e-9 * std::fabs(c.step));
    EXPECT_DOUBLE_EQ(t.step, c.step);
    EXPECT_EQ(t.decimals, c.decimals);
    EXPECT_EQ(t.intervals, static_cast<int>(std::lround((c.axis_max - c.axis_min) / c.step)));
  }
}

TEST(ChooseTicks, DegenerateAndNonFiniteRangesStillGiveAnAxis) {
  struct Case {
    double lo, hi;
    double expect_inside;  // a value the axis must contain
  } cases[] = {
      {5, 5, 5},
      {0, 0, 0},
      {-1e-30, -1e-30, -1e-30},
      {1e6, 1e6 + 1e-6, 1e6},
      {NAN, 3, 0.5},
      {0, INFINITY, 0.5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
    const AxisTicks t = ChooseTicks(c.lo, c.hi, 8);
    EXPECT_LT(t.axis_min, t.axis_max);
    EXPECT_GT(t.step, 0);
    EXPECT_GE(t.intervals, 1);
    EXPECT_LE(t.axis_min, c.expect_inside);
    EXPECT_GE(t.axis_max, c.expect_inside);
    // Neighbouring ticks must print differently or the axis is unreadable.
    EXPECT_NE(TickLabel(t, 0), TickLabel(t, 1));
  }
}

// Over many random ranges: the axis covers the data, stays within the
// interval budget, steps are 1, 2 or 5 times a power of ten, every tick is
// a multiple of the step and the labels are distinct.
TEST(ChooseTicks, HoldsItsPromisesOnRandomRanges) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> exponent(-6, 7);
  std::uniform_real_distribution<double> unit(-1, 1);
  std::uniform_int_distribution<int> budget(1, 15);
  for (int trial = 0; trial < 5000; ++trial) {
    const double scale = std::pow(10.0, exponent(rng));
    const double a = unit(rng) * scale, b = unit(rng) * scale;
    const int most = budget(rng);
    const AxisTicks t = ChooseTicks(a, b, most);
    SCOPED_TRACE(testing::Message() << a << ".." << b << " max " << most);
    const double lo = std::min(a, b), hi = std::max(a, b);
    const double noise = 1e-9 * std::max(std::fabs(lo), std::fabs(hi));
    ASSERT_LE(t.axis_min, lo + noise);
    ASSERT_GE(t.axis_max, hi - noise);
    // Not much wider than the data once two intervals are allowed.
    if (most >= 2) {
      ASSERT_LE(t.axis_max - t.axis_min, 10 * (hi - lo));
    }
    // Only a range on both sides of zero may exceed a budget of one.
    ASSERT_LE(t.intervals, lo < 0 && hi > 0 ? std::max(2, most) : most);
    ASSERT_GE(t.intervals, 1);
    const double mantissa = t.step / std::pow(10.0, std::floor(std::log10(t.step) + 1e-12));
    ASSERT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                std::fabs(mantissa - 5) < 1e-9)
        << "step " << t.step;
    std::string previous;
    for (int i = 0; i <= t.intervals; ++i) {
      const double v = t.Tick(i);
      ASSERT_NEAR(v / t.step, std::round(v / t.step), 1e-6);
      const std::string label = TickLabel(t, i);
      ASSERT_NE(label, previous);
      previous = label;
    }
    // The last tick is the axis maximum.
    ASSERT_NEAR(t.Tick(t.intervals), t.axis_max, t.step * 1e-9);
  }
}

TEST(FormatTick, WritesRoundValuesWithoutNoise) {
  struct Case {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {0, 0, "0"},
      {-0.0, 0, "0"},
      {-1e-17, 2, "0.00"},
      {0.30000000000000004, 1, "0.3"},
      {-2.5, 1, "-2.5"},
      {-25, 0, "-25"},
      {1500, 0, "1500"},
      {0.001, 3, "0.001"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatTick(c.value, c.decimals), c.text) << c.value;
}

TEST(TickLabel, LabelsAWholeAxisInOneReadableForm) {
  struct Case {
    double lo, hi;
    int max_intervals;
    std::vector<std::string> labels;
  } cases[] = {
      {0, 500, 5, {"0", "100", "200", "300", "400", "500"}},
      {-0.37, 0.52, 5, {"-0.4", "-0.2", "0.0", "0.2", "0.4", "0.6"}},
      {0, 2e7, 4, {"0.0e+00", "5.0e+06", "1.0e+07", "1.5e+07", "2.0e+07"}},
      {1e-7, 3e-7, 2, {"1e-07", "2e-07", "3e-07"}},
      {1.0, 1.0000001, 2, {"1.00000000e+00", "1.00000005e+00", "1.00000010e+00"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
    const AxisTicks t = ChooseTicks(c.lo, c.hi, c.max_intervals);
    std::vector<std::string> labels;
    for (int i = 0; i <= t.intervals; ++i) labels.push_back(TickLabel(t, i));
    EXPECT_EQ(labels, c.labels);
  }
}

}  // namespace
}  // namespace chart
